#include "Lib_CodePage.h"

#include "Lib_CharsetTables.h"
#include "Lib_Cp437.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <vector>

namespace CodePage {

namespace {

// Where a display page's characters stand: its upper half among the charset tables, and its
// place in the case tables, whose order is 437, 720, 737, 862, 866.
struct PageTables {
    CharsetTables::Table Upper;
    std::size_t Case;
};
PageTables tablesOf(Id page) {
    switch (page) {
    case Id::Cyrillic:
        return {CharsetTables::Cp866, CharsetTables::Page866};
    case Id::Greek:
        return {CharsetTables::Cp737, CharsetTables::Page737};
    case Id::Hebrew:
        return {CharsetTables::Cp862, CharsetTables::Page862};
    case Id::Arabic:
        return {CharsetTables::Cp720, CharsetTables::Page720};
    case Id::Us:
        break;
    }
    return {CharsetTables::Cp437, CharsetTables::Page437};
}

// Every character a page shows in its upper half and its pictographs, with its byte, in order of
// the characters: the page's bytes of typed and converted characters.
struct Glyph {
    char32_t Char;
    std::uint8_t Byte;
};
std::vector<Glyph> glyphsOf(Id page) {
    std::vector<Glyph> glyphs;
    // The upper half first, then 1 to 31 and 127: where a character stands twice, the upper
    // half's byte is the one. Byte 0's blank is the space's own code point.
    for (int b = 0x80; b < 0x100; ++b)
        glyphs.push_back(
            {ToUnicode(page, static_cast<std::uint8_t>(b)), static_cast<std::uint8_t>(b)});
    for (int b = 1; b < 0x20; ++b)
        glyphs.push_back(
            {ToUnicode(page, static_cast<std::uint8_t>(b)), static_cast<std::uint8_t>(b)});
    glyphs.push_back({ToUnicode(page, 0x7F), 0x7F});
    std::stable_sort(glyphs.begin(), glyphs.end(),
                     [](const Glyph& a, const Glyph& b) { return a.Char < b.Char; });
    return glyphs;
}

const std::vector<Glyph>& sortedGlyphs(Id page) {
    static const std::array<std::vector<Glyph>, CharsetTables::PageCount> all = {
        glyphsOf(Id::Us), glyphsOf(Id::Arabic), glyphsOf(Id::Greek), glyphsOf(Id::Hebrew),
        glyphsOf(Id::Cyrillic)};
    return all[tablesOf(page).Case];
}

// The locale's language: the letters before any '_', '.' or '@' ("ru_RU.UTF-8" gives "ru").
std::string_view languageOf(const char* locale) {
    const std::string_view name(locale);
    return name.substr(0, name.find_first_of("_.@"));
}

} // namespace

Id FromLocale(const char* lcAll, const char* lcCtype, const char* lang) {
    const char* locale = "";
    for (const char* value : {lcAll, lcCtype, lang}) {
        if (value != nullptr && value[0] != '\0') {
            locale = value;
            break;
        }
    }
    const std::string_view language = languageOf(locale);
    for (const char* cyrillic : {"ru", "uk", "be", "bg", "kk", "ky", "mk", "mn", "tt"}) {
        if (language == cyrillic) return Id::Cyrillic;
    }
    if (language == "el") return Id::Greek;
    if (language == "he") return Id::Hebrew;
    if (language == "ar") return Id::Arabic;
    return Id::Us;
}

char32_t ToUnicode(Id page, std::uint8_t byte) {
    // 437's box-drawing and block characters in every page, so that frames never change.
    if (byte < 0x80 || (byte >= 0xB0 && byte < 0xE0)) return Cp437::ToUnicode(byte);
    const char16_t ch = CharsetTables::UpperHalves[tablesOf(page).Upper][byte - 0x80];
    return ch != 0 ? ch : Cp437::ToUnicode(byte);
}

std::optional<std::uint8_t> FromUnicode(Id page, char32_t ch) {
    if (ch >= 0x20 && ch < 0x7F) return static_cast<std::uint8_t>(ch);
    const std::vector<Glyph>& glyphs = sortedGlyphs(page);
    const auto found = std::lower_bound(glyphs.begin(), glyphs.end(), ch,
                                        [](const Glyph& g, char32_t c) { return g.Char < c; });
    if (found == glyphs.end() || found->Char != ch) return std::nullopt;
    return found->Byte;
}

const std::uint8_t* UpperCase(Id page) {
    return CharsetTables::UpperCase[tablesOf(page).Case];
}

const std::uint8_t* LowerCase(Id page) {
    return CharsetTables::LowerCase[tablesOf(page).Case];
}

} // namespace CodePage
