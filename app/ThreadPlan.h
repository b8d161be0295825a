#pragma once
// The thread list of a whole base, for the screen and the text output: the base is read once, in
// index order, into a compact plan (for every message its number, reply links, read-back state and
// names, the names kept once each), and the thread walk then runs over the plan without reading a
// file. The walk of ThreadIndex.cpp, which follows the reply links through the files, reads a large
// base's header file several times over in random order; this reads it once, front to back.

#include "Lib_CodePage.h"
#include "Lib_MsgBase_JAM.h"
#include "ReadState.h"
#include "ThreadRowSink.h"

#include <cstddef>

// The memory a plan may take, its per-message arrays and its names together. A base that needs
// more is walked through the files instead. With the block caches and the program itself this
// keeps the whole run well under 32 MB; at 26 bytes a message it holds a plan of about 400,000
// messages with the names of a busy area.
constexpr std::size_t ThreadPlanBudget = 12 * 1024 * 1024;

// How BuildWholeThreadIndex walked the base.
enum class ThreadListWalk {
    Planned, // over the plan read beforehand
    Stepped  // through the files, as BuildThreadIndex does
};

// The display page: the locale's, and the one chosen for the base when it is read (the script
// its messages declare most; the locale's when none decides).
struct TDisplayPage {
    CodePage::Id Locale = CodePage::Id::Us;
    CodePage::Id Chosen = CodePage::Id::Us;
    bool Fixed = false; // Chosen stays: the base is read again in the page it was first shown in
};

// Hands rows every thread of the base, exactly as BuildThreadIndex would. It walks a plan when the
// plan fits budget and the base did not change while it was read; otherwise (before any row is
// handed over) it walks through the files. The display page is chosen from the whole base, and
// given to rows, before the first row; names in another charset are converted into it.
ThreadListWalk BuildWholeThreadIndex(TJamMsgBase& base, TReadState& readState, TThreadRowSink& rows,
                                     TDisplayPage& page, std::size_t budget = ThreadPlanBudget);
// The same in a locale of code page 437.
ThreadListWalk BuildWholeThreadIndex(TJamMsgBase& base, TReadState& readState, TThreadRowSink& rows,
                                     std::size_t budget = ThreadPlanBudget);
