#pragma once
// One message on the whole screen: a framed header box (sender, recipient, subject, number,
// place in the thread, date) above a scrolling list of its text lines. Showing a message marks
// it read.

#include "Lib_Menu_Box.h"
#include "Lib_Menu_ListBox.h"
#include "ReaderState.h"

#include <cstdint>

// The reader's colours and frame style, set on whichever widget is given.
void ApplyStyle(TMenuBox* box, TListBox* list);

// Shows message number (or the next existing one) and marks it read. True when the viewer was
// left with Enter (show the next message of the thread), false with Esc or when there is no such
// message.
bool ViewMessage(TReaderState& state, std::int32_t number);
