#include "Lib_Cp437.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <set>

namespace {

TEST(Cp437Test, EveryByteButZeroReadsBackFromItsGlyph) {
    for (int b = 1; b < 256; ++b) {
        const auto byte = static_cast<std::uint8_t>(b);
        EXPECT_EQ(Cp437::FromUnicode(Cp437::ToUnicode(byte)), byte) << b;
    }
    // Byte 0 shows as a blank, and a blank is typed as the space.
    EXPECT_EQ(Cp437::ToUnicode(0), U' ');
    EXPECT_EQ(Cp437::FromUnicode(U' '), std::uint8_t{' '});
}

TEST(Cp437Test, NoTwoBytesShowTheSameCharacter) {
    std::set<char32_t> shown;
    for (int b = 1; b < 256; ++b) shown.insert(Cp437::ToUnicode(static_cast<std::uint8_t>(b)));
    EXPECT_EQ(shown.size(), 255u);
}

TEST(Cp437Test, ThePlacesOfEachRangeOfTheTable) {
    EXPECT_EQ(Cp437::ToUnicode(0x01), U'☺');
    EXPECT_EQ(Cp437::ToUnicode(0x1F), U'▼');
    EXPECT_EQ(Cp437::ToUnicode('A'), U'A');
    EXPECT_EQ(Cp437::ToUnicode(0x7F), U'⌂');
    EXPECT_EQ(Cp437::ToUnicode(0x80), U'Ç');
    EXPECT_EQ(Cp437::ToUnicode(0xB0), U'░');
    EXPECT_EQ(Cp437::ToUnicode(0xC9), U'╔');
    EXPECT_EQ(Cp437::ToUnicode(0xE1), U'ß');
    EXPECT_EQ(Cp437::ToUnicode(0xFF), U'\u00A0');
}

TEST(Cp437Test, ControlCodesAndForeignCharactersHaveNoByte) {
    for (char32_t cp = 0; cp < 0x20; ++cp)
        EXPECT_FALSE(Cp437::FromUnicode(cp)) << static_cast<std::uint32_t>(cp);
    EXPECT_FALSE(Cp437::FromUnicode(0x7F));
    EXPECT_FALSE(Cp437::FromUnicode(U'€'));
    EXPECT_FALSE(Cp437::FromUnicode(U'中'));
    // Beyond 16 bits: no character there may be taken for the glyph its low bits name.
    EXPECT_FALSE(Cp437::FromUnicode(0x1263A)); // low bits: the smiling face of byte 1
    EXPECT_FALSE(Cp437::FromUnicode(0x12554)); // low bits: the corner of byte 0xC9
    EXPECT_FALSE(Cp437::FromUnicode(0x110000));
}

} // namespace
