#pragma once
// The state the whole reader shares for one run: the base, the read marks, the console and the
// counters of the thread being viewed. One instance, owned by main and passed by reference.

#include "Lib_IO_STDIO_Windows.h"
#include "Lib_MsgBase_JAM.h"
#include "ReadState.h"
#include "ShortStr.h"
#include "ThreadPlan.h"

#include <cstdint>
#include <memory>

struct TReaderState {
    std::unique_ptr<TJamMsgBase> MsgBase;
    ShortStr BaseDir;  // directory part of the argument, with its last separator
    ShortStr BaseName; // file name part of the argument; also names the read-state file
    TReadState ReadState;
    // The console while the thread list screen runs; owned by that screen.
    TIO_STDIO* Console = nullptr;
    std::int32_t ThreadTotal = 0; // messages of the thread being viewed
    std::int32_t ThreadPos = 0;   // the viewed message's place in it, from 1
    bool ShowKludges = false;     // the viewer shows kludge lines (F2), until the program ends
    // The display page: the locale's, then the one chosen when the base is first read, which
    // stays for the run; and the converters of every charset into it.
    TDisplayPage Page;
    std::unique_ptr<TPageConverters> Converters;
};
