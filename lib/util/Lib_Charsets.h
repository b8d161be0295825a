#pragma once
// The character sets messages are written in, as their CHRS, CHARSET or CODEPAGE kludges name
// them, the script each one writes, and the display page a script is shown in.

#include "Lib_CodePage.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace Charset {

enum class Id : std::uint8_t {
    None,  // not declared, or a name not known: taken as written in the display page
    IbmPc, // "the PC's own code page": taken as written in the display page
    Ascii,
    // Cp437 to Latin9: the single-byte charsets, in the order of their tables (Lib_CharsetTables).
    Cp437,
    Cp720,
    Cp737,
    Cp850,
    Cp852,
    Cp862,
    Cp866,
    Cp1250,
    Cp1251,
    Cp1252,
    Koi8R,
    Koi8U,
    Latin1,
    Latin2,
    Latin9,
    Utf8
};

// The charset a CHRS or CHARSET kludge names, its level left out: "CP866", "+7_FIDO", "LATIN-1",
// "ISO-8859-5"... in either case; None for a name not known.
Id FromName(std::string_view name);
// The charset of a CODEPAGE kludge's number (866, 1251, 437...); None for one not known.
Id FromCodePage(std::string_view number);
// The charset a kludge (its text without byte 1) declares: "CHRS: CP866 2", "CHARSET: UTF-8 4",
// "CODEPAGE: 866". None when it is no such kludge.
std::optional<Id> FromKludge(std::string_view kludge);

enum class Script : std::uint8_t { None, Latin, Cyrillic, Greek, Hebrew };
// The script a charset writes; None for those that tell nothing (ASCII, IBMPC, UTF-8, none).
// Here, since a base's scan asks it of every message.
inline Script ScriptOf(Id id) {
    switch (id) {
    case Id::Cp866:
    case Id::Cp1251:
    case Id::Koi8R:
    case Id::Koi8U:
        return Script::Cyrillic;
    case Id::Cp737:
        return Script::Greek;
    case Id::Cp862:
        return Script::Hebrew;
    case Id::None:
    case Id::IbmPc:
    case Id::Ascii:
    case Id::Utf8:
        return Script::None;
    default:
        return Script::Latin;
    }
}
// The script of a letter; None for anything that is not a letter of these four.
Script ScriptOfLetter(char32_t ch);
// The script most letters of a UTF-8 text are in (the first to reach the most); None for none.
Script ScriptOfUtf8(std::string_view text);
// The display page a script is shown in: Cyrillic 866, Greek 737, Hebrew 862, the rest 437.
CodePage::Id PageOf(Script script);
// Messages counted by script, in the order of Script.
using TScriptCounts = std::array<std::uint32_t, 5>;
// The page of the script most messages declare; the locale's page when none declares one, or two
// scripts tie.
CodePage::Id ChoosePage(const TScriptCounts& messages, CodePage::Id locale);
// The charset of a display page's own bytes.
Id OfPage(CodePage::Id page);

// The character of a byte in a single-byte charset (ASCII below 0x80 in all of them); 0 for a
// byte it has none for, and for UTF-8 and the charsets taken as the display page.
char32_t ToUnicode(Id id, std::uint8_t byte);

// The first character of a UTF-8 text: its code point and the bytes it takes. A byte that does
// not start a whole, shortest, valid character is taken alone and gives 0xFFFD.
char32_t DecodeUtf8(std::string_view text, std::size_t& length);

} // namespace Charset
