#include "TermGlyphs.h"

namespace TermGlyphs {

namespace {

// Bytes 0 to 31 and 128 to 255; 32 to 126 are ASCII and 127 is the house.
constexpr std::uint16_t lowGlyphs[32] = {
    0x0020, 0x263A, 0x263B, 0x2665, 0x2666, 0x2663, 0x2660, 0x2022, 0x25D8, 0x25CB, 0x25D9,
    0x2642, 0x2640, 0x266A, 0x266B, 0x263C, 0x25BA, 0x25C4, 0x2195, 0x203C, 0x00B6, 0x00A7,
    0x25AC, 0x21A8, 0x2191, 0x2193, 0x2192, 0x2190, 0x221F, 0x2194, 0x25B2, 0x25BC};

constexpr std::uint16_t highGlyphs[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF,
    0x00EE, 0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA,
    0x00F1, 0x00D1, 0x00AA, 0x00BA, 0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557,
    0x255D, 0x255C, 0x255B, 0x2510, 0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559,
    0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4, 0x03A6, 0x0398, 0x03A9, 0x03B4,
    0x221E, 0x03C6, 0x03B5, 0x2229, 0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248,
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0};

constexpr std::uint32_t houseGlyph = 0x2302;

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

} // namespace

std::uint32_t ToUnicode(std::uint8_t ch) {
    if (ch < 0x20) return lowGlyphs[ch];
    if (ch < 0x7F) return ch;
    if (ch == 0x7F) return houseGlyph;
    return highGlyphs[ch - 0x80];
}

bool FromUnicode(std::uint32_t cp, std::uint8_t& ch) {
    if (cp >= 0x20 && cp < 0x7F) {
        ch = static_cast<std::uint8_t>(cp);
        return true;
    }
    for (int i = 0; i < 128; ++i) {
        if (highGlyphs[i] == cp) {
            ch = static_cast<std::uint8_t>(0x80 + i);
            return true;
        }
    }
    for (int i = 1; i < 32; ++i) {
        if (lowGlyphs[i] == cp) {
            ch = static_cast<std::uint8_t>(i);
            return true;
        }
    }
    if (cp == houseGlyph) {
        ch = 0x7F;
        return true;
    }
    return false;
}

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

StandIn ToStandIn(std::uint8_t ch) {
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

bool WidthUnsure(std::uint8_t ch) {
    return (ch >= 0x01 && ch < 0x20) || ch == 0x7F;
}

} // namespace TermGlyphs
