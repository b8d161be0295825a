#pragma once
// The help of a screen: a box over it listing that screen's keys, from the one table of keys.
// Any key closes it, and the screen under it comes back.

#include "Lib_IO_Base.h"
#include "ReaderKeys.h"

void ShowHelpBox(TIOBase& console, ReaderScreen screen);
