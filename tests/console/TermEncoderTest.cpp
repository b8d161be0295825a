// Cells to terminal bytes: glyphs, colours, cursor placement, and that no byte of a message ever
// reaches the terminal as a control code.

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "TermGlyphs.h"
#include "TermOutputEncoder.h"

namespace {

// The text of the output with the escape sequences the encoder sends taken out. Any other use of
// a byte below 0x20 or of 0x7F fails the test.
std::string textOnly(const std::string& out) {
    std::string text;
    for (std::size_t i = 0; i < out.size(); ++i) {
        const auto c = static_cast<unsigned char>(out[i]);
        if (c == 0x1b) {
            if (i + 1 < out.size() && out[i + 1] == '[') {
                std::size_t j = i + 2;
                while (j < out.size() &&
                       ((out[j] >= '0' && out[j] <= '9') || out[j] == ';' || out[j] == '?')) {
                    ++j;
                }
                if (j < out.size() && (out[j] == 'H' || out[j] == 'm' || out[j] == 'J')) {
                    i = j;
                    continue;
                }
            } else if (i + 2 < out.size() && out[i + 1] == '(' &&
                       (out[i + 2] == '0' || out[i + 2] == 'B')) {
                i += 2;
                continue;
            }
            ADD_FAILURE() << "unexpected escape at " << i;
            continue;
        }
        if (c < 0x20 || c == 0x7f) ADD_FAILURE() << "control byte " << int(c) << " at " << i;
        text.push_back(out[i]);
    }
    return text;
}

constexpr CodePage::Id allPages[] = {CodePage::Id::Us, CodePage::Id::Arabic, CodePage::Id::Greek,
                                     CodePage::Id::Hebrew, CodePage::Id::Cyrillic};

std::string utf8Of(std::uint32_t cp) {
    char bytes[4];
    return std::string(bytes, TermGlyphs::EncodeUtf8(cp, bytes));
}

std::uint32_t decodeUtf8(const std::string& s) {
    const auto b = [&](std::size_t i) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(s[i]));
    };
    if (s.size() == 1) return b(0);
    if (s.size() == 2) return ((b(0) & 0x1F) << 6) | (b(1) & 0x3F);
    if (s.size() == 3) return ((b(0) & 0x0F) << 12) | ((b(1) & 0x3F) << 6) | (b(2) & 0x3F);
    return 0xFFFFFFFF;
}

std::string oneCell(bool utf8, std::uint8_t ch, std::uint16_t attr = 7) {
    TermOutputEncoder encoder(utf8);
    encoder.PutCell(0, 0, ch, attr);
    return encoder.Pending();
}

TEST(TermGlyphs, CodePageGlyphsAreTheUnicodeOnes) {
    EXPECT_EQ(CodePage::ToUnicode(CodePage::Id::Us, 0x00), 0x20u); // a blank
    EXPECT_EQ(CodePage::ToUnicode(CodePage::Id::Us, 0x01), 0x263Au);
    EXPECT_EQ(CodePage::ToUnicode(CodePage::Id::Us, 0x09), 0x25CBu);
    EXPECT_EQ(CodePage::ToUnicode(CodePage::Id::Us, 0x1B), 0x2190u);
    EXPECT_EQ(CodePage::ToUnicode(CodePage::Id::Us, 'A'), static_cast<std::uint32_t>('A'));
    EXPECT_EQ(CodePage::ToUnicode(CodePage::Id::Us, 0x7F), 0x2302u);
    EXPECT_EQ(CodePage::ToUnicode(CodePage::Id::Us, 0x81), 0x00FCu);
    EXPECT_EQ(CodePage::ToUnicode(CodePage::Id::Us, 0xB0), 0x2591u);
    EXPECT_EQ(CodePage::ToUnicode(CodePage::Id::Us, 0xB3), 0x2502u);
    EXPECT_EQ(CodePage::ToUnicode(CodePage::Id::Us, 0xC4), 0x2500u);
    EXPECT_EQ(CodePage::ToUnicode(CodePage::Id::Us, 0xC9), 0x2554u);
    EXPECT_EQ(CodePage::ToUnicode(CodePage::Id::Us, 0xDB), 0x2588u);
    EXPECT_EQ(CodePage::ToUnicode(CodePage::Id::Us, 0xE1), 0x00DFu);
    EXPECT_EQ(CodePage::ToUnicode(CodePage::Id::Us, 0xFE), 0x25A0u);
    EXPECT_EQ(CodePage::ToUnicode(CodePage::Id::Us, 0xFF), 0x00A0u);
}

TEST(TermGlyphs, EveryGlyphLeadsBackToItsByte) {
    for (int b = 1; b < 256; ++b) {
        const auto byte = static_cast<std::uint8_t>(b);
        EXPECT_EQ(
            CodePage::FromUnicode(CodePage::Id::Us, CodePage::ToUnicode(CodePage::Id::Us, byte)),
            byte)
            << b;
    }
    // the euro sign is not in the code page
    EXPECT_FALSE(CodePage::FromUnicode(CodePage::Id::Us, 0x20AC));
}

TEST(TermEncoder, EveryByteIsWrittenAsItsGlyphInUtf8) {
    for (int b = 0; b < 256; ++b) {
        const std::string text = textOnly(oneCell(true, static_cast<std::uint8_t>(b)));
        EXPECT_EQ(text, utf8Of(CodePage::ToUnicode(CodePage::Id::Us, static_cast<std::uint8_t>(b))))
            << b;
        EXPECT_EQ(decodeUtf8(text),
                  CodePage::ToUnicode(CodePage::Id::Us, static_cast<std::uint8_t>(b)))
            << b;
    }
    EXPECT_EQ(textOnly(oneCell(true, 0xC4)), "\xe2\x94\x80");
    EXPECT_EQ(textOnly(oneCell(true, 0x00)), " ");
}

TEST(TermEncoder, NoByteReachesTheTerminalAsAControlCode) {
    for (const auto& [utf8, page] : {std::pair{true, CodePage::Id::Us},
                                     {false, CodePage::Id::Us},
                                     {true, CodePage::Id::Cyrillic},
                                     {false, CodePage::Id::Cyrillic},
                                     {true, CodePage::Id::Arabic},
                                     {false, CodePage::Id::Hebrew}}) {
        TermOutputEncoder encoder(utf8, page);
        for (int b = 0; b < 256; ++b) {
            encoder.PutCell(b % 80, b / 80, static_cast<std::uint8_t>(b),
                            static_cast<std::uint16_t>(b));
        }
        encoder.PlaceCursor(5, 5);
        const std::string text = textOnly(encoder.Pending());
        EXPECT_FALSE(text.empty());
        if (!utf8) {
            for (char c : text) EXPECT_LT(static_cast<unsigned char>(c), 0x80) << "ASCII only";
        }
    }
}

TEST(TermEncoder, WithoutUtf8BoxCharactersUseLineDrawing) {
    TermOutputEncoder encoder(false);
    encoder.PutCell(0, 0, 0xC9, 7); // double top-left corner
    encoder.PutCell(1, 0, 0xC4, 7); // line
    encoder.PutCell(2, 0, 'A', 7);
    encoder.PutCell(3, 0, 0xB3, 7); // bar
    const std::string& out = encoder.Pending();
    EXPECT_NE(out.find("\x1b(0lq\x1b(BA\x1b(0x"), std::string::npos) << out;
    EXPECT_EQ(TermGlyphs::ToStandIn(CodePage::Id::Us, 0xDB).Dec,
              false); // a full block has no line drawing glyph
    EXPECT_EQ(TermGlyphs::ToStandIn(CodePage::Id::Us, 0x81).Ch, 'u');
    EXPECT_EQ(TermGlyphs::ToStandIn(CodePage::Id::Us, 0x01).Dec, false);
}

TEST(TermGlyphs, PlainStandInOfEveryLineGlyphMatchesItsShape) {
    for (int b = 0x80; b < 256; ++b) {
        const TermGlyphs::StandIn s =
            TermGlyphs::ToStandIn(CodePage::Id::Us, static_cast<std::uint8_t>(b));
        if (!s.Dec) continue;
        switch (s.Ch) {
        case 'q':
            EXPECT_EQ(s.Ascii, '-') << b;
            break;
        case 'x':
            EXPECT_EQ(s.Ascii, '|') << b;
            break;
        case 'a':
            EXPECT_EQ(s.Ascii, '#') << b;
            break;
        case 'j':
        case 'k':
        case 'l':
        case 'm':
        case 'n':
        case 't':
        case 'u':
        case 'v':
        case 'w':
            EXPECT_EQ(s.Ascii, '+') << b;
            break;
        default:
            break;
        }
    }
}

TEST(TermEncoder, PcColoursBecomeAnsiColours) {
    // PC order: black, blue, green, cyan, red, magenta, brown, grey; ANSI: black, red, green,
    // yellow, blue, magenta, cyan, white.
    const int ansi[8] = {0, 4, 2, 6, 1, 5, 3, 7};
    for (int pc = 0; pc < 16; ++pc) {
        const int expectedFg = (pc >= 8 ? 90 : 30) + ansi[pc & 7];
        const int expectedBg = (pc >= 8 ? 100 : 40) + ansi[pc & 7];
        EXPECT_EQ(TermOutputEncoder::ForegroundSgr(pc), expectedFg) << pc;
        EXPECT_EQ(TermOutputEncoder::BackgroundSgr(pc), expectedBg) << pc;
    }
    EXPECT_NE(oneCell(true, 'x', 0x1F).find("\x1b[0;97;44m"), std::string::npos); // white on blue
    EXPECT_NE(oneCell(true, 'x', 0xCE).find("\x1b[0;93;101m"),
              std::string::npos); // yellow on light red
}

TEST(TermEncoder, OnlyChangedColoursAreSent) {
    TermOutputEncoder encoder(true);
    encoder.PutCell(0, 0, 'a', 0x17);
    encoder.PutCell(1, 0, 'b', 0x17);
    encoder.PutCell(2, 0, 'c', 0x1E); // only the foreground changes
    encoder.PutCell(3, 0, 'd', 0x7E); // only the background changes
    EXPECT_EQ(encoder.Pending(), "\x1b[1;1H\x1b[0;37;44mab\x1b[93mc\x1b[47md");
}

TEST(TermEncoder, CursorMovesOnlyWhereTheNextCellIsNotNext) {
    TermOutputEncoder encoder(true);
    encoder.PutCell(4, 2, 'a', 7);
    encoder.PutCell(5, 2, 'b', 7);
    encoder.PutCell(10, 3, 'c', 7);
    encoder.PlaceCursor(11, 3); // already there
    EXPECT_EQ(encoder.Pending(), "\x1b[3;5H\x1b[0;37;40mab\x1b[4;11Hc");
}

TEST(TermEncoder, CursorIsPlacedAnewAfterTheLastColumnAndAfterPictographs) {
    TermOutputEncoder encoder(true);
    encoder.PutCell(79, 0, 'a', 7);
    encoder.PutCell(0, 1, 'b', 7);
    encoder.PutCell(1, 1, 0x01, 7); // a smiley may be drawn two cells wide
    encoder.PutCell(2, 1, 'c', 7);
    const std::string& out = encoder.Pending();
    EXPECT_NE(out.find("\x1b[2;1Hb"), std::string::npos) << out;
    EXPECT_NE(out.find("\x1b[2;3Hc"), std::string::npos) << out;
}

TEST(TermEncoder, CellsBeyondASmallTerminalAreNotDrawn) {
    TermOutputEncoder encoder(true);
    encoder.SetTerminalSize(40, 10);
    encoder.PutCell(40, 0, 'x', 7);
    encoder.PutCell(0, 10, 'y', 7);
    EXPECT_EQ(encoder.Pending(), "");
    encoder.PutCell(39, 9, 'z', 7);
    EXPECT_EQ(textOnly(encoder.Pending()), "z");
    encoder.DropPending();
    encoder.PlaceCursor(79, 24); // kept inside the window
    EXPECT_EQ(encoder.Pending(), "\x1b[10;40H");
}

TEST(TermEncoder, ForgottenStateIsSentInFull) {
    TermOutputEncoder encoder(false);
    encoder.PutCell(0, 0, 0xC4, 7);
    encoder.DropPending();
    encoder.Forget();
    encoder.PutCell(1, 0, 0xC4, 7);
    EXPECT_EQ(encoder.Pending(), "\x1b[1;2H\x1b[0;37;40m\x1b(0q");
}

TEST(TermEncoder, PlainTextHasGlyphsAndNoTrailingBlanks) {
    TScreenCell row[80];
    const std::string text = "\xc9\xcd Bye \x01";
    for (std::size_t i = 0; i < text.size(); ++i) {
        row[i].Ch = static_cast<std::uint8_t>(text[i]);
        row[i].Attr = 0x1F;
    }
    row[20].Ch = 0; // a blank as well
    TermOutputEncoder utf8(true);
    EXPECT_EQ(utf8.PlainText(row, 80), "\xe2\x95\x94\xe2\x95\x90 Bye \xe2\x98\xba");
    TermOutputEncoder ascii(false);
    EXPECT_EQ(ascii.PlainText(row, 80), "+- Bye o");
    TScreenCell blank[80];
    EXPECT_EQ(utf8.PlainText(blank, 80), "");
}

std::string oneCellOn(CodePage::Id page, bool utf8, std::uint8_t ch) {
    TermOutputEncoder encoder(utf8, page);
    encoder.PutCell(0, 0, ch, 7);
    return textOnly(encoder.Pending());
}

TEST(TermEncoder, EachCodePageShowsItsOwnGlyphsBothForms) {
    struct GlyphCase {
        CodePage::Id Page;
        std::uint8_t Byte;
        const char* Utf8;
        char StandIn;
    };
    const GlyphCase cases[] = {
        {CodePage::Id::Us, 0x80, "Ç", 'C'},       {CodePage::Id::Us, 0xE0, "α", 'a'},
        {CodePage::Id::Cyrillic, 0x80, "А", 'A'}, {CodePage::Id::Cyrillic, 0x8F, "П", 'P'},
        {CodePage::Id::Cyrillic, 0xA0, "а", 'a'}, {CodePage::Id::Cyrillic, 0xEF, "я", 'a'},
        {CodePage::Id::Cyrillic, 0xF0, "Ё", 'E'}, {CodePage::Id::Cyrillic, 0xF8, "°", 'f'},
        {CodePage::Id::Greek, 0x82, "Γ", 'G'},    {CodePage::Id::Greek, 0x80, "Α", '?'},
        {CodePage::Id::Greek, 0xF1, "±", 'g'},    {CodePage::Id::Hebrew, 0x80, "א", '?'},
        {CodePage::Id::Hebrew, 0x9B, "¢", 'c'},   {CodePage::Id::Arabic, 0x82, "é", 'e'},
        {CodePage::Id::Arabic, 0x80, "Ç", 'C'}, // a byte the code page leaves undefined
        {CodePage::Id::Arabic, 0xA0, "ب", '?'},
    };
    for (const GlyphCase& c : cases) {
        const int page = static_cast<int>(c.Page);
        EXPECT_EQ(oneCellOn(c.Page, true, c.Byte), c.Utf8) << page << " " << int(c.Byte);
        EXPECT_EQ(oneCellOn(c.Page, false, c.Byte), std::string(1, c.StandIn))
            << page << " " << int(c.Byte);
    }
}

TEST(TermEncoder, FramesAndControlGlyphsAreTheSameInEveryCodePage) {
    for (CodePage::Id page : allPages) {
        for (int b = 0; b < 256; ++b) {
            const auto byte = static_cast<std::uint8_t>(b);
            if (b >= 0x20 && b != 0x7F && (b < 0xB0 || b > 0xDF)) continue;
            for (bool utf8 : {true, false}) {
                TermOutputEncoder encoder(utf8, page);
                TermOutputEncoder us(utf8);
                encoder.PutCell(3, 4, byte, 0x1E);
                us.PutCell(3, 4, byte, 0x1E);
                EXPECT_EQ(encoder.Pending(), us.Pending()) << static_cast<int>(page) << " " << b;
            }
        }
    }
}

TEST(TermEncoder, PlainTextFollowsTheCodePage) {
    TScreenCell row[80];
    const std::string text = "\xc9 \x8f\xe0\xa8\xa2\xa5\xe2"; // a corner and "Привет" in 866
    for (std::size_t i = 0; i < text.size(); ++i) row[i].Ch = static_cast<std::uint8_t>(text[i]);
    EXPECT_EQ(TermOutputEncoder(true, CodePage::Id::Cyrillic).PlainText(row, 80), "╔ Привет");
    EXPECT_EQ(TermOutputEncoder(false, CodePage::Id::Cyrillic).PlainText(row, 80), "+ Privet");
}

} // namespace
