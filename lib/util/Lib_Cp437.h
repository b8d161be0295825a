#pragma once
// Code page 437, the character set of the messages and of the console: the Unicode character each
// byte shows. Every byte shows one: 1 to 31 and 127 show the code page's pictographs, 0 a blank.
// The terminal uses the table to draw and to read typed characters; the base writer uses it to
// store the characters of its UTF-8 descriptions.

#include <cstdint>
#include <optional>

namespace Cp437 {

// The Unicode character shown for a byte.
char32_t ToUnicode(std::uint8_t byte);

// The byte that shows cp: 0x20 to 0x7E as themselves, then the upper half, the pictographs of 1
// to 31 and the house of 127. None for the control codes and for characters the code page lacks.
std::optional<std::uint8_t> FromUnicode(char32_t cp);

} // namespace Cp437
