#include "Lib_CodePage.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

using CodePage::Id;

TEST(CodePageTest, TheLocaleVariablesPickTheCodePage) {
    struct Case {
        const char *lcAll, *lcCtype, *lang;
        Id expected;
    };
    const Case cases[] = {
        {nullptr, nullptr, "ru_RU.UTF-8", Id::Cyrillic},
        {nullptr, nullptr, "ru_UA.KOI8-U", Id::Cyrillic},
        {nullptr, nullptr, "uk", Id::Cyrillic},
        {nullptr, "be_BY@latin", nullptr, Id::Cyrillic},
        {nullptr, nullptr, "el_GR.UTF-8", Id::Greek},
        {nullptr, nullptr, "he_IL", Id::Hebrew},
        {nullptr, nullptr, "ar_EG.UTF-8", Id::Arabic},
        {nullptr, nullptr, "C.UTF-8", Id::Us},
        {nullptr, nullptr, "POSIX", Id::Us},
        {nullptr, nullptr, "de_DE.UTF-8", Id::Us},
        {nullptr, nullptr, "russian", Id::Us}, // the language part is the code, not a name
        {nullptr, nullptr, "", Id::Us},
        {nullptr, nullptr, nullptr, Id::Us},
        {"C", nullptr, "ru_RU.UTF-8", Id::Us},         // LC_ALL over LANG
        {"", "uk_UA.UTF-8", "C", Id::Cyrillic},        // an empty LC_ALL counts as unset
        {nullptr, "el_GR", "ru_RU.UTF-8", Id::Greek},  // LC_CTYPE over LANG
        {"he_IL.UTF-8", "ru_RU", "ru_RU", Id::Hebrew}, // LC_ALL over both
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CodePage::FromLocale(c.lcAll, c.lcCtype, c.lang), c.expected)
            << (c.lcAll ? c.lcAll : "-") << " " << (c.lcCtype ? c.lcCtype : "-") << " "
            << (c.lang ? c.lang : "-");
    }
}

TEST(CodePageTest, EveryByteReadsBackFromItsGlyphAndFramesStayAsIn437) {
    for (Id page : {Id::Us, Id::Arabic, Id::Greek, Id::Hebrew, Id::Cyrillic}) {
        for (int b = 1; b < 256; ++b) {
            const auto byte = static_cast<std::uint8_t>(b);
            const char32_t shown = CodePage::ToUnicode(page, byte);
            EXPECT_EQ(CodePage::FromUnicode(page, shown), byte) << int(page) << " " << b;
            if (b < 0x80 || (b >= 0xB0 && b < 0xE0)) {
                EXPECT_EQ(shown, CodePage::ToUnicode(Id::Us, byte)) << int(page) << " " << b;
            }
        }
        EXPECT_EQ(CodePage::ToUnicode(page, 0), U' ');
        EXPECT_FALSE(CodePage::FromUnicode(page, U'\r').has_value());
    }
}

TEST(CodePageTest, EachCodePageShowsAndTypesItsOwnLetters) {
    struct Case {
        Id page;
        std::uint8_t byte;
        char32_t ch;
    };
    const Case cases[] = {
        {Id::Cyrillic, 0x80, U'А'}, {Id::Cyrillic, 0xAF, U'п'}, {Id::Cyrillic, 0xE0, U'р'},
        {Id::Cyrillic, 0xF0, U'Ё'}, {Id::Greek, 0x80, U'Α'},    {Id::Greek, 0xE0, U'ω'},
        {Id::Hebrew, 0x80, U'א'},   {Id::Hebrew, 0x9A, U'ת'},   {Id::Arabic, 0xA0, U'ب'},
        {Id::Us, 0x80, U'Ç'},       {Id::Us, 0xE1, U'ß'},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CodePage::ToUnicode(c.page, c.byte), c.ch) << int(c.page) << " " << int(c.byte);
        EXPECT_EQ(CodePage::FromUnicode(c.page, c.ch), c.byte) << int(c.page) << " " << int(c.byte);
    }
    // A letter of another code page cannot be typed.
    EXPECT_FALSE(CodePage::FromUnicode(Id::Cyrillic, U'Ç').has_value());
    EXPECT_FALSE(CodePage::FromUnicode(Id::Us, U'Ж').has_value());
}

} // namespace
