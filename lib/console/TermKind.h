#pragma once
// What a terminal can do, as its TERM names it. Only the differences the program acts on: a
// terminal with no cursor addressing at all (an editor's shell buffer, some IDE consoles) cannot
// show a full-screen program, and the Linux console and the real VT100 and VT220 family have no
// alternate screen to draw on.

enum class TermKind {
    NoFullScreen,      // TERM dumb, unset or empty
    NoAlternateScreen, // TERM linux, vt100, vt102, vt220 and their variants (linux-16color, ...)
    Full,              // everything else: xterm and its kin, tmux, screen
};

// The kind of terminal TERM names; nullptr when TERM is not set.
TermKind KindOfTerm(const char* term);
