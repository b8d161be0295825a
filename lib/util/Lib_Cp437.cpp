#include "Lib_Cp437.h"

#include "Lib_CharsetTables.h"
#include "Lib_CodePage.h"

namespace Cp437 {

namespace {

// The console's pictographs of bytes 0 to 31 (0 a blank); 32 to 126 are ASCII, 127 is the house,
// and the upper half is the code page's own, from the charset tables.
constexpr std::uint16_t lowGlyphs[32] = {
    0x0020, 0x263A, 0x263B, 0x2665, 0x2666, 0x2663, 0x2660, 0x2022, 0x25D8, 0x25CB, 0x25D9,
    0x2642, 0x2640, 0x266A, 0x266B, 0x263C, 0x25BA, 0x25C4, 0x2195, 0x203C, 0x00B6, 0x00A7,
    0x25AC, 0x21A8, 0x2191, 0x2193, 0x2192, 0x2190, 0x221F, 0x2194, 0x25B2, 0x25BC};

constexpr char32_t houseGlyph = 0x2302;

} // namespace

char32_t ToUnicode(std::uint8_t byte) {
    if (byte < 0x20) return lowGlyphs[byte];
    if (byte < 0x7F) return byte;
    if (byte == 0x7F) return houseGlyph;
    return CharsetTables::UpperHalves[CharsetTables::Cp437][byte - 0x80];
}

std::optional<std::uint8_t> FromUnicode(char32_t cp) {
    return CodePage::FromUnicode(CodePage::Id::Us, cp);
}

} // namespace Cp437
