// The charsets messages declare, the display page a base is shown in, and conversion into it.

#include "Lib_CharsetConverter.h"
#include "Lib_Charsets.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using Charset::Id;
using Page = CodePage::Id;

TEST(CharsetTest, KludgesNameCharsetsAndTheirAliases) {
    const struct {
        const char* Kludge;
        std::optional<Id> Charset;
    } cases[] = {
        {"CHRS: CP866 2", Id::Cp866},          {"CHRS: +7_FIDO 2", Id::Cp866},
        {"CHARSET: latin-1 2", Id::Latin1},    {"CHRS: ISO-8859-15 2", Id::Latin9},
        {"CHRS: UTF-8 4", Id::Utf8},           {"CHRS: KOI8-U 2", Id::Koi8U},
        {"CHRS: IBMPC 2", Id::IbmPc},          {"CHRS: CP437 2", Id::Cp437},
        {"CODEPAGE: 1251", Id::Cp1251},        {"CODEPAGE: 850", Id::Cp850},
        {"CHRS: KLINGON 2", Id::None},         {"TZUTC: 0300", std::nullopt},
        {"CHRS:", Id::None},
    };
    for (const auto& c : cases) EXPECT_EQ(Charset::FromKludge(c.Kludge), c.Charset) << c.Kludge;
}

TEST(CharsetTest, TheBaseIsShownInThePageOfTheScriptMostMessagesDeclare) {
    // Counts by script: none, Latin, Cyrillic, Greek, Hebrew.
    const struct {
        Charset::TScriptCounts Counts;
        Page Locale;
        Page Chosen;
    } cases[] = {
        {{9, 0, 0, 0, 0}, Page::Cyrillic, Page::Cyrillic}, // nothing declared: the locale's
        {{0, 1, 5, 0, 0}, Page::Us, Page::Cyrillic},
        {{0, 6, 5, 0, 0}, Page::Cyrillic, Page::Us},
        {{0, 0, 2, 2, 0}, Page::Hebrew, Page::Hebrew}, // a tie: the locale's
        {{0, 0, 0, 1, 0}, Page::Us, Page::Greek},
        {{0, 0, 0, 0, 3}, Page::Us, Page::Hebrew},
    };
    for (const auto& c : cases) EXPECT_EQ(Charset::ChoosePage(c.Counts, c.Locale), c.Chosen);
    EXPECT_EQ(Charset::ScriptOfUtf8("Хроники of Anime"), Charset::Script::Cyrillic);
    EXPECT_EQ(Charset::ScriptOfUtf8("12 -- !"), Charset::Script::None);
}

// Every byte of every charset whose character a page has comes out as that character in it.
TEST(CharsetTest, EveryTableRoundTripsIntoEveryPageThatHasTheCharacter) {
    for (int c = static_cast<int>(Id::Cp437); c < static_cast<int>(Id::Utf8); ++c) {
        const auto from = static_cast<Id>(c);
        for (Page page : {Page::Us, Page::Arabic, Page::Greek, Page::Hebrew, Page::Cyrillic}) {
            const TCharsetConverter converter(from, page);
            for (int b = 0x80; b < 0x100; ++b) {
                const char32_t ch = Charset::ToUnicode(from, static_cast<std::uint8_t>(b));
                const auto own = CodePage::FromUnicode(page, ch);
                if (ch == 0 || !own || *own < 0x80) continue;
                ASSERT_EQ(CodePage::ToUnicode(page, converter.Byte(static_cast<std::uint8_t>(b))),
                          ch)
                    << c << " " << b << " into " << static_cast<int>(page);
            }
        }
    }
}

TEST(CharsetTest, TextBecomesOneByteACharacterOfThePage) {
    const struct {
        Id From;
        Page Into;
        std::string Text;
        std::string Shown;
    } cases[] = {
        {Id::Utf8, Page::Cyrillic, "Хроники", "\x95\xE0\xAE\xAD\xA8\xAA\xA8"},
        {Id::Koi8R, Page::Cyrillic, "\xE8\xD2\xCF", "\x95\xE0\xAE"}, // Хро
        {Id::Latin1, Page::Us, "Gr\xFC\xDF" "e", "Gr\x81\xE1" "e"},
        {Id::Latin1, Page::Cyrillic, "Jos\xE9", "Jose"}, // é: its plain form
        {Id::Utf8, Page::Us, "\u201Cdash\u201D \u2014 \u2026\u00A0x", "\"dash\" - .\xFFx"},
        {Id::Utf8, Page::Cyrillic, "\u00A0\u2026", "\xFF."}, // the page's own no-break space
        {Id::Utf8, Page::Us, "\u20AA\u4E2D", "??"},
        // Malformed UTF-8: each bad byte a '?', and the text goes on.
        {Id::Utf8, Page::Us, "a\xC3(b\xE2\x82\xF0\x9F\x98z\xC0\xAF", "a?(b?????z??"},
        {Id::Cp866, Page::Cyrillic, "\x8D\xAE\xA2", "\x8D\xAE\xA2"}, // the page's own: as is
        {Id::None, Page::Us, "\x8D\xAE", "\x8D\xAE"},
        {Id::IbmPc, Page::Cyrillic, "\x80\x81", "\x80\x81"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TCharsetConverter(c.From, c.Into).Convert(c.Text), c.Shown) << c.Text;
    // A name cut to its columns is cut between characters.
    EXPECT_EQ(FirstChars("Жёлтый", Id::Utf8, 2), "Жё");
    EXPECT_EQ(TCharsetConverter(Id::Utf8, Page::Cyrillic).Convert("Жёлтый", 2), "\x86\xF1");
}

} // namespace
