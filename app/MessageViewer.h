#pragma once
// One message on the whole screen: a framed header box (sender, recipient, subject, number,
// place in the thread, date) above a scrolling list of its text lines. Showing a message marks
// it read. Quotes, the tearline and the origin line have colours of their own; kludge lines
// show, in dark grey, while the user asks for them (F2).

#include "Lib_Menu_Box.h"
#include "Lib_Menu_ListBox.h"
#include "ReaderState.h"

#include <cstdint>

// The reader's colours and frame style, set on whichever widget is given.
void ApplyStyle(TMenuBox* box, TListBox* list);

// How the viewer was left.
enum class ViewerExit {
    Back,       // Esc, or there was no such message
    Next,       // Enter: the next message of the thread
    NextUnread, // Tab
    Quit        // Ctrl+C: end the program
};

// Shows message number (or the next existing one) and marks it read.
ViewerExit ViewMessage(TReaderState& state, std::int32_t number);
