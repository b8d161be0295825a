#pragma once
// Key events as a Windows console would report them for the keys a terminal sends: virtual key
// code, PC scan code of the key's place on a US keyboard, character byte and control key state.
// The terminal object turns such events into bytes by the same rules on every platform, so the
// events here are shaped exactly like the console's own (for example Up carries no character and
// the enhanced-key flag, F1 neither; Ctrl+C carries the character 3).

#include <cstdint>

#include "ConsoleDevice.h"

namespace PcKeyEvents {

// Modifier bits as the decoder sets them: the left-hand keys, never AltGr.
constexpr std::uint32_t Shift = KeyState::Shift;
constexpr std::uint32_t Alt = KeyState::LeftAlt;
constexpr std::uint32_t Ctrl = KeyState::LeftCtrl;

enum class Nav { Up, Down, Right, Left, Home, End, PgUp, PgDn, Ins, Del, Centre };

// An arrow, the six keys above them, or the keypad's middle key.
ConsoleInputEvent Navigation(Nav key, std::uint32_t mods);
// F1 to F12.
ConsoleInputEvent Function(int number, std::uint32_t mods);
// A byte from 0 to 127 as typed: a character with Shift where the US keyboard needs it, a
// control character as Ctrl with its letter, CR and LF as Enter, BS and DEL as Backspace.
ConsoleInputEvent Typed(std::uint8_t byte, std::uint32_t mods);
// A character of the code page above 127 (typed on another layout): no key of its own.
ConsoleInputEvent Character(std::uint8_t ch);
ConsoleInputEvent Escape();
ConsoleInputEvent ShiftTab(std::uint32_t mods);
ConsoleInputEvent KeypadEnter(std::uint32_t mods);
// A keypad key that gives a character (* + - . / = and the digits), as the keypad in
// application mode sends it.
ConsoleInputEvent Keypad(char ch, std::uint32_t mods);

// Input that is not a terminal: the byte itself, and the extended key of a 0 byte followed by
// code. The terminal object queues exactly these bytes for them.
ConsoleInputEvent PlainByte(std::uint8_t byte);
ConsoleInputEvent PlainExtended(std::uint8_t code);

} // namespace PcKeyEvents
