#include "TermGlyphs.h"

namespace TermGlyphs {

namespace {

// ASCII stand-ins, one character per byte, for 0 to 31 and 128 to 255.
constexpr char lowAscii[] = " oo****.#o#mfdd*><|!PS_|^v><L-^v";
constexpr char highAscii[] = "CueaaaaceeeiiiAA"
                             "EaAooouuyOUcLYPf"
                             "aiounNao?--%%!<>"
                             "###|++++++|+++++" // the box range falls back to these
                             "++++-++++++++-++"
                             "+++++++++++#####"
                             "aBGpSsutFOOd8fen"
                             "=+><()/~o..vn2# ";
// VT100 line drawing for the box range 0xB0 to 0xDF; a space means the set has no glyph for it.
constexpr char boxDec[] = "aaaxuuukkuxkjjjk"
                          "mvwtqnttmlvwtqnv"
                          "vwwmmllnnjl     ";

static_assert(sizeof(lowAscii) == 33 && sizeof(highAscii) == 129 && sizeof(boxDec) == 49,
              "one stand-in per byte");

char otherDec(std::uint8_t ch) {
    switch (ch) {
    case 0x9C:
        return '}'; // pound sign
    case 0xE3:
        return '{'; // pi
    case 0xF1:
        return 'g'; // plus-minus
    case 0xF2:
        return 'z'; // greater or equal
    case 0xF3:
        return 'y'; // less or equal
    case 0xF8:
        return 'f'; // degree
    case 0xFA:
        return '~'; // centred dot
    default:
        return 0;
    }
}

// Code page 437's stand-in for each byte.
StandIn standIn437(std::uint8_t ch) {
    if (ch >= 0x20 && ch < 0x7F) {
        const char c = static_cast<char>(ch);
        return {c, false, c};
    }
    if (ch == 0x7F) return {'^', false, '^'};
    const char ascii = ch < 0x20 ? lowAscii[ch] : highAscii[ch - 0x80];
    char dec = 0;
    if (ch >= 0xB0 && ch <= 0xDF) {
        dec = boxDec[ch - 0xB0];
        if (dec == ' ') dec = 0;
    } else {
        dec = otherDec(ch);
    }
    if (dec != 0) return {dec, true, ascii};
    return {ascii, false, ascii};
}

// The Latin letter read for a Russian letter (Cyrillic capitals from U+0410, small ones from
// U+0430, and Yo); '?' for any other character.
char latinOf(char32_t ch) {
    constexpr char latin[] = "ABVGDEZZIJKLMNOPRSTUFHCCSS'Y'EUA";
    static_assert(sizeof(latin) == 33, "one letter per Cyrillic capital");
    if (ch == 0x0401) return 'E';
    if (ch == 0x0451) return 'e';
    if (ch >= 0x0410 && ch < 0x0430) return latin[ch - 0x0410];
    if (ch >= 0x0430 && ch < 0x0450) {
        const char capital = latin[ch - 0x0430];
        return capital >= 'A' && capital <= 'Z' ? static_cast<char>(capital - 'A' + 'a') : capital;
    }
    return '?';
}

} // namespace

std::size_t EncodeUtf8(std::uint32_t cp, char* out) {
    auto byte = [](std::uint32_t v) { return static_cast<char>(static_cast<unsigned char>(v)); };
    if (cp < 0x80) {
        out[0] = byte(cp);
        return 1;
    }
    if (cp < 0x800) {
        out[0] = byte(0xC0 | (cp >> 6));
        out[1] = byte(0x80 | (cp & 0x3F));
        return 2;
    }
    if (cp < 0x10000) {
        out[0] = byte(0xE0 | (cp >> 12));
        out[1] = byte(0x80 | ((cp >> 6) & 0x3F));
        out[2] = byte(0x80 | (cp & 0x3F));
        return 3;
    }
    out[0] = byte(0xF0 | (cp >> 18));
    out[1] = byte(0x80 | ((cp >> 12) & 0x3F));
    out[2] = byte(0x80 | ((cp >> 6) & 0x3F));
    out[3] = byte(0x80 | (cp & 0x3F));
    return 4;
}

StandIn ToStandIn(CodePage::Id page, std::uint8_t ch) {
    if (page == CodePage::Id::Us || ch < 0x80) return standIn437(ch);
    // A character code page 437 has too keeps its stand-in there: frames, blocks and signs.
    const char32_t shown = CodePage::ToUnicode(page, ch);
    if (const auto same = CodePage::FromUnicode(CodePage::Id::Us, shown)) return standIn437(*same);
    const char ascii = latinOf(shown);
    return {ascii, false, ascii};
}

bool WidthUnsure(std::uint8_t ch) {
    return (ch >= 0x01 && ch < 0x20) || ch == 0x7F;
}

} // namespace TermGlyphs
