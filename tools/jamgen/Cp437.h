// Code page 437, the character set of the messages: the description files are UTF-8 and their
// characters are stored as the code page 437 bytes a DOS-era editor would have written.
#pragma once

#include <cstdint>
#include <optional>

#include "Lib_Charsets.h"
#include "Lib_CodePage.h"

namespace jamgen {

// The byte of a Unicode character in a console code page, on the same terms as UnicodeToCp437.
std::optional<unsigned char> UnicodeToCodePage(CodePage::Id page, char32_t ch);

// The byte of a Unicode character in a single-byte charset, on the same terms.
std::optional<unsigned char> UnicodeToCharset(Charset::Id charset, char32_t ch);

// The code page 437 byte of a Unicode character: ASCII as itself, 0x80-0xFF by the code page's
// table; none for characters the code page lacks. Control characters 0x01-0x1F are not mapped
// (their glyphs are ambiguous in a text file): write them as escapes.
std::optional<unsigned char> UnicodeToCp437(char32_t ch);

// The Unicode character shown for a code page 437 byte of 0x80 and up, or the byte itself below.
char32_t Cp437ToUnicode(unsigned char byte);

} // namespace jamgen
