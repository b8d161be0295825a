// The framed box: frame styles and colours, headers, the shadow and the saved screen.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Lib_Menu_Box.h"
#include "PictureStyle.h"
#include "WidgetScreen.h"

namespace {

class MenuBoxTest : public ::testing::Test {
protected:
    // Fills the whole screen with rows of letters in attribute 7, so that what the box
    // covers or shades can be told apart from what it leaves alone.
    void FillBackground() {
        for (int y = 1; y <= 25; ++y) T.Io.WriteAt(1, y, 7, Background(y));
    }
    static std::string Background(int y) {
        std::string row;
        for (int x = 0; x < 80; ++x) row.push_back(static_cast<char>('a' + (x + y) % 26));
        return row;
    }

    TestConsole T;
    TMenuBox Box{T.Io};
};

TEST_F(MenuBoxTest, DefaultBoxIsLitTopLeftAndShadedBottomRight) {
    Box.Open(10, 5, 30, 10);

    const std::string side = "         █" + Rep(" ", 19) + "█";
    const std::string inside = Rep(".", 9) + Rep("W", 20) + "dss";
    ExpectScreen(T.Dev,
                 {"", "", "", "", "         █" + Rep("▀", 19) + "▄", side, side, side, side,
                  "         ▀" + Rep("▄", 19) + "█"},
                 {"", "", "", "", Rep(".", 9) + Rep("W", 20) + "d", inside, inside, inside, inside,
                  Rep(".", 9) + "W" + Rep("d", 20) + "ss", Rep(".", 11) + Rep("s", 21)},
                 {{'.', 0x07}, {'W', 0x7F}, {'d', 0x78}, {'s', 0x00}});
    EXPECT_TRUE(Box.WasOpened);
    EXPECT_EQ(Box.InnerWidth(), 19);
}

TEST_F(MenuBoxTest, EveryFrameStyleDrawsItsOwnCharacters) {
    const std::vector<std::vector<std::string>> styles = {
        {"┌──┐", "│  │", "└──┘"}, {"╔══╗", "║  ║", "╚══╝"}, {"╓──╖", "║  ║", "╙──╜"},
        {"╒══╕", "│  │", "╘══╛"}, {"█▀▀█", "█  █", "█▄▄█"}, {"█▀▀▄", "█  █", "▀▄▄█"},
        {"    ", "    ", "    "}, {".--.", "|  |", "`--'"}};
    for (std::size_t i = 0; i < styles.size(); ++i) {
        SCOPED_TRACE("style " + std::to_string(i + 1));
        TestConsole t;
        TMenuBox box(t.Io);
        box.BoxType = static_cast<std::uint8_t>(i + 1);
        box.Shadow = false;
        box.Open(3, 2, 6, 4);
        for (int row = 0; row < 3; ++row)
            EXPECT_EQ(GlyphSpan(t.Dev, 2 + row, 3, 6), styles[i][static_cast<std::size_t>(row)]);
    }
}

TEST_F(MenuBoxTest, ViewerHeaderBoxWithTheReadersColours) {
    ApplyPictureStyle(Box);
    Box.Header = " ENTER/Next message ";
    Box.Open(1, 1, 80, 5);

    // A 20-character header in an inner width of 78 starts at column 31. The shadow falls
    // beyond the right edge of the screen except on row 6.
    const std::string side = "│" + Rep(" ", 78) + "│";
    ExpectScreen(T.Dev,
                 {"╒" + Rep("═", 29) + " ENTER/Next message " + Rep("═", 29) + "╕", side, side,
                  side, "╘" + Rep("═", 78) + "╛"},
                 {Rep("b", 30) + Rep("H", 20) + Rep("b", 30), Rep("b", 80), Rep("b", 80),
                  Rep("b", 80), Rep("b", 80), ".." + Rep("s", 78)},
                 {{'.', 0x07}, {'b', 0x09}, {'H', 0x1F}, {'s', 0x08}});
}

TEST_F(MenuBoxTest, HeaderPlacements) {
    struct Case {
        std::uint8_t HeadType;
        std::string Header;
        std::string TopRow;   // columns 5 to 16 of row 2
        std::string TopAttrs; // the same columns: W frame, d top-right corner, H header
    };
    const std::vector<Case> cases = {
        // Centred: the odd spare column falls to the right.
        {0, "abc", "█▀▀▀abc▀▀▀▀▄", "WWWWHHHWWWWd"},
        {1, "abc", "█abc▀▀▀▀▀▀▀▄", "WHHHWWWWWWWd"},
        // Right: the header ends just left of the corner.
        {2, "abc", "█▀▀▀▀▀▀▀abc▄", "WWWWWWWWHHHd"},
        {3, "abc", "█▀▀▀▀▀▀▀▀▀▀▄", "WWWWWWWWWWWd"},
        {0, "", "█▀▀▀▀▀▀▀▀▀▀▄", "WWWWWWWWWWWd"},
        // Wider than the box: cut to the inner width, the corners stay.
        {0, "ABCDEFGHIJKLMN", "█ABCDEFGHIJ▄", "WHHHHHHHHHHd"},
        {2, "ABCDEFGHIJKLMN", "█ABCDEFGHIJ▄", "WHHHHHHHHHHd"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("type " + std::to_string(c.HeadType) + " '" + c.Header + "'");
        TestConsole t;
        TMenuBox box(t.Io);
        box.HeadType = c.HeadType;
        box.Header = c.Header;
        box.Open(5, 2, 16, 5);
        EXPECT_EQ(GlyphRow(t.Dev, 1), "");
        EXPECT_EQ(GlyphRow(t.Dev, 2), "    " + c.TopRow);
        EXPECT_EQ(AttrRow(t.Dev, 2, {{'.', 7}, {'W', 0x7F}, {'d', 0x78}, {'H', 0x1F}}),
                  "...." + c.TopAttrs);
    }
}

TEST_F(MenuBoxTest, RightHeaderEndsBesideTheCornerAndSetHeaderErasesTheOldOne) {
    Box.HeadType = 2;
    Box.Header = "12345";
    Box.Open(20, 3, 40, 8);
    EXPECT_EQ(GlyphSpan(T.Dev, 3, 34, 40), "▀12345▄");

    Box.HeadType = 0;
    Box.SetHeader("ab", false);
    EXPECT_EQ(Box.Header, "ab");
    EXPECT_EQ(GlyphSpan(T.Dev, 3, 20, 40), "█" + Rep("▀", 8) + "ab" + Rep("▀", 9) + "▄");

    // Without the top edge redrawn, a shorter header leaves the old one around it.
    Box.SetHeader("Q", true);
    EXPECT_EQ(GlyphSpan(T.Dev, 3, 28, 31), "▀aQ▀");
}

TEST_F(MenuBoxTest, NarrowAndFlatBoxes) {
    Box.Shadow = false;
    Box.Open(5, 5, 6, 8); // no inner columns
    ExpectScreen(T.Dev, {"", "", "", "", "    █▄", "    ██", "    ██", "    ▀█"}, {}, {});

    TestConsole t;
    TMenuBox flat(t.Io);
    flat.Shadow = false;
    flat.Open(5, 5, 10, 6); // no inner rows
    ExpectScreen(t.Dev, {"", "", "", "", "    █▀▀▀▀▄", "    ▀▄▄▄▄█"}, {}, {});
}

TEST_F(MenuBoxTest, OneColourFrameWhenNotThreeD) {
    Box.Box3D = false;
    Box.BoxAttr = 0x1E;
    Box.Shadow = false;
    Box.Open(2, 2, 6, 4);
    for (int y = 2; y <= 4; ++y)
        EXPECT_EQ(AttrRow(T.Dev, y, {{'.', 7}, {'y', 0x1E}}), ".yyyyy") << "row " << y;
    EXPECT_EQ(Box.BoxAttr2, 0x1E);
    EXPECT_EQ(Box.BoxAttr3, 0x1E);
    EXPECT_EQ(Box.BoxAttr4, 0x1E);
}

TEST_F(MenuBoxTest, ShadowKeepsTheTextUnderItAndStopsAtTheScreenEdge) {
    FillBackground();
    Box.ShadowAttr = 8;
    Box.Open(60, 18, 79, 24);

    // The right shadow has room for one column (80) only; the bottom one runs to column 80.
    for (int y = 1; y <= 25; ++y) {
        SCOPED_TRACE("row " + std::to_string(y));
        const std::string bg = Background(y);
        const std::string attrs = AttrRow(T.Dev, y, {{'.', 7}, {'W', 0x7F}, {'d', 0x78}, {'s', 8}});
        if (y < 18) {
            EXPECT_EQ(GlyphRow(T.Dev, y), bg);
            EXPECT_EQ(attrs, "");
        } else if (y == 18) {
            EXPECT_EQ(GlyphRow(T.Dev, y), bg.substr(0, 59) + "█" + Rep("▀", 18) + "▄" + bg[79]);
            EXPECT_EQ(attrs, Rep(".", 59) + Rep("W", 19) + "d");
        } else if (y < 24) {
            EXPECT_EQ(GlyphRow(T.Dev, y), bg.substr(0, 59) + "█" + Rep(" ", 18) + "█" + bg[79]);
            EXPECT_EQ(attrs, Rep(".", 59) + Rep("W", 19) + "ds");
        } else if (y == 24) {
            EXPECT_EQ(GlyphRow(T.Dev, y), bg.substr(0, 59) + "▀" + Rep("▄", 18) + "█" + bg[79]);
            EXPECT_EQ(attrs, Rep(".", 59) + "W" + Rep("d", 19) + "s");
        } else {
            EXPECT_EQ(GlyphRow(T.Dev, y), bg);
            EXPECT_EQ(attrs, Rep(".", 61) + Rep("s", 19));
        }
    }
}

TEST_F(MenuBoxTest, BoxInTheCornerDrawsNoShadowAtAll) {
    FillBackground();
    T.Dev.ResetCounts();
    Box.Open(70, 20, 80, 25);
    // Frame: one top row, four side rows (two writes each), the bottom row (two writes).
    EXPECT_EQ(T.Dev.Counts.RectOutputs, 2 + 4 * 2 + 2);
    for (int y = 1; y < 20; ++y) EXPECT_EQ(GlyphRow(T.Dev, y), Background(y)) << "row " << y;
    for (int y = 20; y <= 25; ++y)
        EXPECT_EQ(GlyphSpan(T.Dev, y, 1, 69), Background(y).substr(0, 69)) << "row " << y;
}

TEST_F(MenuBoxTest, CloseGivesBackTheScreenOfTheFirstOpen) {
    TMenuBox never(T.Io);
    T.Dev.ResetCounts();
    never.Close();
    EXPECT_EQ(T.Dev.Counts.RectOutputs, 0);

    FillBackground();
    T.Io.Screen.CursorX = 7;
    T.Io.Screen.CursorY = 9;
    Box.Open(10, 5, 30, 10);
    Box.Close();
    for (int y = 1; y <= 25; ++y) EXPECT_EQ(GlyphRow(T.Dev, y), Background(y)) << "row " << y;

    // The screen changes while the box is closed; opening again keeps the first image.
    T.Io.WriteAt(1, 1, 0x4F, "CHANGED");
    T.Io.Screen.CursorX = 1;
    Box.Open(12, 6, 40, 12);
    Box.Close();
    for (int y = 1; y <= 25; ++y) {
        EXPECT_EQ(GlyphRow(T.Dev, y), Background(y)) << "row " << y;
        EXPECT_EQ(AttrRow(T.Dev, y, {{'.', 7}}), "") << "row " << y;
    }
    EXPECT_EQ(T.Io.Screen.CursorX, 7);
    EXPECT_EQ(T.Io.Screen.CursorY, 9);
    EXPECT_TRUE(Box.WasOpened);
}

TEST_F(MenuBoxTest, StyleOutsideTheTableDrawsAsTheDefault) {
    EXPECT_EQ(FrameStyle(0), FrameChars[5]);
    EXPECT_EQ(FrameStyle(9), FrameChars[5]);
    EXPECT_EQ(FrameStyle(4), FrameChars[3]);
    Box.BoxType = 200;
    Box.Shadow = false;
    Box.Open(1, 1, 4, 3);
    EXPECT_EQ(GlyphSpan(T.Dev, 1, 1, 4), "█▀▀▄");
}

} // namespace
