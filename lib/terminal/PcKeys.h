#pragma once
// The key bytes the program compares, in the PC keyboard numbering every console here reports:
// a key with a character arrives as that byte, a key without one as 0 and an extended code.

#include <cstdint>

namespace PcKey {

// Keys with a character byte.
constexpr std::uint8_t CtrlA = 1; // the list box: the next row that matches the search
constexpr std::uint8_t CtrlC = 3;
constexpr std::uint8_t Backspace = 8;
constexpr std::uint8_t Tab = 9;
constexpr std::uint8_t LineFeed = 10;
constexpr std::uint8_t CtrlK = 11;
constexpr std::uint8_t CtrlL = 12;
constexpr std::uint8_t Enter = 13;
constexpr std::uint8_t CtrlR = 18;
constexpr std::uint8_t CtrlU = 21;
constexpr std::uint8_t CtrlZ = 26;
constexpr std::uint8_t Esc = 27;
constexpr std::uint8_t FirstPrintable = 32;

// The byte that comes before an extended code.
constexpr std::uint8_t Extended = 0;

// Extended codes.
constexpr std::uint8_t ShiftTab = 15;
constexpr std::uint8_t AltH = 35;
constexpr std::uint8_t F1 = 59;
constexpr std::uint8_t F2 = 60;
constexpr std::uint8_t Home = 71;
constexpr std::uint8_t Up = 72;
constexpr std::uint8_t PgUp = 73;
constexpr std::uint8_t Left = 75;
constexpr std::uint8_t Right = 77;
constexpr std::uint8_t End = 79;
constexpr std::uint8_t Down = 80;
constexpr std::uint8_t PgDn = 81;

} // namespace PcKey
