#pragma once
// The console code pages the reader can show (the display pages): the character each byte stands
// for, the byte a typed or converted character gives, the letters' cases, and which code page a
// locale picks. The tables are the charset tables' (Lib_CharsetTables).
//
// Every code page here keeps code page 437's box-drawing and block characters (0xB0 to 0xDF), and
// its console glyphs for 0x00 to 0x1F and 0x7F, so frames, shadows and scroll markers look the
// same in all of them.

#include <cstdint>
#include <optional>

namespace CodePage {

enum class Id : std::uint16_t { Us = 437, Arabic = 720, Greek = 737, Hebrew = 862, Cyrillic = 866 };

// The code page a Windows console in this locale would take: the first of LC_ALL, LC_CTYPE and
// LANG that is set and not empty names the locale, and its language part picks the code page
// (ru, uk, be, bg, kk, ky, mk, mn, tt: 866; el: 737; he: 862; ar: 720; anything else, C and
// POSIX: 437). The values are read as strings: the locale need not be installed.
Id FromLocale(const char* lcAll, const char* lcCtype, const char* lang);

// The Unicode character shown for a byte.
char32_t ToUnicode(Id page, std::uint8_t byte);

// The byte that shows ch: 0x20 to 0x7E as themselves, then the upper half, then the console
// glyphs of 1 to 31 and 127. None for control codes and for characters the code page lacks.
std::optional<std::uint8_t> FromUnicode(Id page, char32_t ch);

// Each byte's letter in upper case, and in lower case (256 bytes); other bytes are themselves.
const std::uint8_t* UpperCase(Id page);
const std::uint8_t* LowerCase(Id page);

} // namespace CodePage
