#pragma once
// The ways a program can be ended or stopped while it holds the terminal, so that the terminal is
// never left in raw mode on the alternate screen:
// - SIGTERM, SIGHUP, SIGINT ask the program to end normally: a flag is set and the wait for input
//   is woken; the device then reads every key as Esc. Repeats change nothing, so the way out
//   that saves the read marks is never cut short.
// - SIGQUIT and the fatal signals (SEGV, BUS, FPE, ILL, ABRT) give the terminal back and then
//   take their default action. They run on a stack of their own, so that a stack overflow gives
//   the terminal back as well.
// - SIGTSTP gives the terminal back before stopping; SIGCONT takes it again and asks for a
//   repaint, as SIGWINCH does after a size change.
// - SIGPIPE is ignored: writing to a terminal that is gone is not an error worth dying of.
// Only one terminal device holds these at a time. The handlers use only async-signal-safe calls
// and bytes prepared beforehand.

#include <cstddef>
#include <string_view>

#include <termios.h>

namespace TermSignals {

// Installs the handlers; wakeFd is written one byte whenever the wait should look at the flags.
// False when another device holds them already.
bool Install(int inFd, int outFd, int wakeFd);
// Puts back the handlers found at Install.
void Remove();

// The terminal modes to give back (saved) and to take again after a stop (raw); nullptr for
// saved means raw mode is not on.
void SetModes(const termios* saved, const termios* raw);
// The screen was taken over: giving back leaves it, taking again enters it anew.
void SetScreenTaken(bool taken);
// The bytes that take the screen again after a stop and that give it back (after a CAN that
// ends any sequence cut off in the middle). Until set: the alternate screen's TermSequences.
// Each is cut at SequenceRoom bytes.
inline constexpr std::size_t SequenceRoom = 96;
void SetScreenSequences(std::string_view enter, std::string_view leave);

bool QuitRequested();
// True once after every resume and size change.
bool TakeRepaint();

// Gives the terminal back now (the safety net at exit, and the fatal handlers).
void RestoreNow();

} // namespace TermSignals
