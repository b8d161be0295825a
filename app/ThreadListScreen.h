#pragma once
// The reader's interactive part: the thread list over the whole screen. Enter opens the selected
// message (and, while the viewer is left with Enter, the following messages of its thread); Esc
// ends with a two-line banner on a cleared screen.

#include "ConsoleDevice.h"
#include "ReaderState.h"

#include <memory>
#include <string_view>

// The second line of the exit banner.
inline constexpr std::string_view ReaderWebAddress = "https://skeinview.org";
inline constexpr std::string_view ReaderBanner = "Halvek BBS v2.0 Message Reader Concept";

// Runs the thread list on the given console until Esc; the console is released on return.
void ThreadListScreen(TReaderState& state, std::unique_ptr<ConsoleDevice> device);
