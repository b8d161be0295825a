#pragma once
// Screens of the widget tests as readable text: every cell's code page 437 character shown as its
// Unicode glyph, and every cell's attribute as a letter from a legend.

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "Lib_Cp437.h"
#include "Lib_IO_STDIO_Windows.h"
#include "MemoryConsoleDevice.h"

// A terminal of 80 x 25 cells on an in-memory console.
struct TestConsole {
    MemoryConsoleDevice Dev;
    TIO_STDIO Io{Dev, 80, 25};
};

// The glyph of a code page 437 byte, in UTF-8; 0 shows as a blank.
inline std::string Cp437Glyph(std::uint8_t b) {
    const char32_t cp = Cp437::ToUnicode(b); // every glyph of the code page lies below U+10000
    auto byte = [](char32_t v) { return static_cast<char>(static_cast<unsigned char>(v)); };
    if (cp < 0x80) return std::string(1, byte(cp));
    if (cp < 0x800) return {byte(0xC0 | (cp >> 6)), byte(0x80 | (cp & 0x3F))};
    return {byte(0xE0 | (cp >> 12)), byte(0x80 | ((cp >> 6) & 0x3F)), byte(0x80 | (cp & 0x3F))};
}

// Row y (1-based) as shown, in glyphs, without trailing blanks.
inline std::string GlyphRow(const MemoryConsoleDevice& dev, int y) {
    std::string row;
    std::size_t kept = 0;
    for (int x = 0; x < dev.Columns(); ++x) {
        const std::uint8_t ch = dev.Cell(x, y - 1).Ch;
        row += Cp437Glyph(ch);
        if (ch != ' ' && ch != 0) kept = row.size();
    }
    row.resize(kept);
    return row;
}

// Columns x1..x2 (1-based, inclusive) of row y as shown, in glyphs, blanks kept.
inline std::string GlyphSpan(const MemoryConsoleDevice& dev, int y, int x1, int x2) {
    std::string span;
    for (int x = x1; x <= x2; ++x) span += Cp437Glyph(dev.Cell(x - 1, y - 1).Ch);
    return span;
}

// Attributes named by letters; a cell whose attribute has no letter shows as '?'. The letter
// of attribute 7 (the blank screen) is the one trailing letters are trimmed of.
using AttrLegend = std::map<char, std::uint8_t>;

inline char BlankLetter(const AttrLegend& legend) {
    for (const auto& [letter, attr] : legend)
        if (attr == 7) return letter;
    return '?';
}

inline void TrimTrailing(std::string& row, char c) {
    while (!row.empty() && row.back() == c) row.pop_back();
}

inline std::string AttrRow(const MemoryConsoleDevice& dev, int y, const AttrLegend& legend) {
    std::string row;
    for (int x = 0; x < dev.Columns(); ++x) {
        const auto attr = static_cast<std::uint8_t>(dev.Cell(x, y - 1).Attr & 0xFF);
        char shown = '?';
        for (const auto& [letter, a] : legend)
            if (a == attr) shown = letter;
        row.push_back(shown);
    }
    TrimTrailing(row, BlankLetter(legend));
    return row;
}

// Compares the whole screen with expected glyph rows (row 1 first; rows not given are blank)
// and expected attribute rows in the legend's letters (rows not given are all attribute 7).
inline void ExpectScreen(const MemoryConsoleDevice& dev, const std::vector<std::string>& glyphs,
                         const std::vector<std::string>& attrs, const AttrLegend& legend) {
    for (int y = 1; y <= dev.Rows(); ++y) {
        const auto i = static_cast<std::size_t>(y - 1);
        std::string want = i < glyphs.size() ? glyphs[i] : std::string();
        TrimTrailing(want, ' ');
        EXPECT_EQ(GlyphRow(dev, y), want) << "characters of row " << y;
        if (attrs.empty()) continue;
        std::string wantAttr = i < attrs.size() ? attrs[i] : std::string();
        TrimTrailing(wantAttr, BlankLetter(legend));
        EXPECT_EQ(AttrRow(dev, y, legend), wantAttr) << "attributes of row " << y;
    }
}

// s repeated n times (s may be one multi-byte glyph).
inline std::string Rep(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
}
