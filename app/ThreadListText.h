#pragma once
// The thread list as text, for standard output that is not a console: every thread of the base
// (no row limit, unlike the screen's list box), its header row and then its message rows, one row
// to a line. Each line is the row's text exactly as the list holds it, trailing blanks included
// (an empty subject leaves the blanks that stand before it), through the output's glyphs. A
// thread's lines go out once the thread is complete, so memory does not grow with the base.

#include "Lib_MsgBase_JAM.h"
#include "ReadState.h"
#include "TextOutput.h"

// Walks the base and writes its thread list to output, in the display page chosen for the base
// (the locale's when none decides); the read marks are shown, never set. A failed write ends the
// walk at once. False when a write failed (output tells why).
bool WriteThreadList(TJamMsgBase& base, TReadState& readState, TTextOutput& output,
                     CodePage::Id localePage = CodePage::Id::Us);
