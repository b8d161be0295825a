// The list box's rows and window: the item store, window geometry, row fitting, tag marks, the
// scroll track and what Open draws before it reads keys.

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "Lib_Menu_ListBox.h"
#include "PictureStyle.h"
#include "WidgetScreen.h"

namespace {

class ListBoxDrawTest : public ::testing::Test {
protected:
    TestConsole T;
    TListBox List{T.Io};
};

TEST_F(ListBoxDrawTest, AddKeepsUpToTenThousandRowsAndCountsMarks) {
    List.Add("one", 1);
    List.Add("two", 0);
    List.Add("three", 2);
    EXPECT_EQ(List.ListMax, 3);
    EXPECT_EQ(List.Marked, 1);
    EXPECT_EQ(List.List[3].Name, "three");
    EXPECT_EQ(List.List[3].Tag, 2);

    for (int i = 4; i <= TListBox::MaxItems; ++i) List.Add("row " + std::to_string(i), 0);
    EXPECT_EQ(List.ListMax, 10000);
    List.Add("one too many", 1);
    EXPECT_EQ(List.ListMax, 10000);
    EXPECT_EQ(List.Marked, 1);
    EXPECT_EQ(List.List[10000].Name, "row 10000");
    EXPECT_EQ(List.List.Find(10001), nullptr);
    EXPECT_EQ(List.List.Find(0), nullptr);

    List.Picked = 50;
    List.TopPage = 40;
    List.Clear();
    EXPECT_EQ(List.ListMax, 0);
    EXPECT_EQ(List.Marked, 0);
    EXPECT_EQ(List.Picked, 50);
    EXPECT_EQ(List.TopPage, 40);
}

TEST_F(ListBoxDrawTest, ViewerTextListUnderTheHeaderBox) {
    ApplyPictureStyle(List);
    List.Add("First line", 0);
    List.Add("Second", 0);
    List.Add("Third", 0);
    T.Dev.PushChar(13);
    List.Open(1, 6, 80, 25);

    EXPECT_EQ(List.WinWidth, 78);
    EXPECT_EQ(List.WinSize, 18);
    EXPECT_EQ(List.TagPos, 2);
    EXPECT_EQ(List.SearchX, 3);
    EXPECT_EQ(List.SearchY, 25);
    EXPECT_EQ(List.SearchAttr, 11);
    EXPECT_EQ(List.Percent.BarX, 80);
    EXPECT_EQ(List.Percent.BarY, 7);
    EXPECT_EQ(List.Percent.BarLen, 18);
    EXPECT_EQ(List.ExitCode, 13);

    // The box touches the right and bottom edges, so its shadow falls off the screen.
    std::vector<std::string> glyphs(5);
    std::vector<std::string> attrs(5);
    glyphs.push_back("╒" + Rep("═", 78) + "╕");
    attrs.push_back(Rep("b", 80));
    const std::vector<std::string> texts = {"First line", "Second", "Third"};
    for (int i = 0; i < 18; ++i) {
        const std::string text = i < 3 ? " " + texts[static_cast<std::size_t>(i)] : "";
        glyphs.push_back("│" + text + Rep(" ", 78 - static_cast<int>(text.size())) +
                         (i == 0 ? "█" : "░"));
        attrs.push_back(std::string("b") + Rep(i == 0 ? "H" : ".", 78) + (i == 0 ? "b" : "t"));
    }
    glyphs.push_back("╘" + Rep("═", 78) + "╛");
    attrs.push_back(Rep("b", 80));
    ExpectScreen(T.Dev, glyphs, attrs, {{'.', 7}, {'b', 9}, {'H', 0x1F}, {'t', 1}});
}

TEST_F(ListBoxDrawTest, WholeScreenListWithDefaultsShowsBlankRowsPastTheEnd) {
    List.Add("alpha", 0);
    List.Add("beta", 0);
    List.Picked = 2;
    T.Dev.PushChar(27);
    List.Open(1, 1, 80, 25);

    EXPECT_EQ(List.WinSize, 23);
    std::vector<std::string> glyphs = {"█" + Rep("▀", 78) + "▄"};
    std::vector<std::string> attrs = {Rep("W", 79) + "d"};
    for (int i = 1; i <= 23; ++i) {
        const std::string text = i == 1 ? " alpha" : i == 2 ? " beta" : "";
        // The marker stands on the last track row for the last item.
        glyphs.push_back("█" + text + Rep(" ", 78 - static_cast<int>(text.size())) +
                         (i == 23 ? "▓" : "░"));
        attrs.push_back(std::string("W") + Rep(i == 2 ? "H" : "L", 78) + "d");
    }
    glyphs.push_back("▀" + Rep("▄", 78) + "█");
    attrs.push_back(std::string("W") + Rep("d", 79));
    ExpectScreen(T.Dev, glyphs, attrs,
                 {{'.', 7}, {'W', 0x7F}, {'d', 0x78}, {'H', 0x1F}, {'L', 0x71}});
}

TEST_F(ListBoxDrawTest, RowAlignFitsTheTextToTheWidth) {
    struct Case {
        std::uint8_t Align;
        int X2; // the inner width is X2 - 2
        std::string Text;
        std::string Row;
    };
    const std::vector<Case> cases = {
        {0, 12, "abc", " abc      "},          {0, 12, "abcdefghijkl", " abcdefghi"},
        {1, 12, "abc", "      abc "},          {1, 12, "abcdefghijkl", " abcdefghi"},
        {2, 12, "ab", "    ab    "},           {2, 13, "ab", "    ab     "},
        {2, 12, "abcdefghijkl", " abcdefghi"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("align " + std::to_string(c.Align) + " '" + c.Text + "' width " +
                     std::to_string(c.X2 - 2));
        TestConsole t;
        TListBox list(t.Io);
        list.RowAlign = c.Align;
        list.NoInput = true;
        list.Add(c.Text, 0);
        list.Open(1, 1, static_cast<std::uint8_t>(c.X2), 4);
        list.DrawPage();
        EXPECT_EQ(GlyphSpan(t.Dev, 2, 2, c.X2 - 1), c.Row);
        EXPECT_EQ(AttrRow(t.Dev, 2, {{'W', 0x7F}, {'H', 0x1F}}).substr(1, c.Row.size()),
                  Rep("H", static_cast<int>(c.Row.size())));
    }
}

TEST_F(ListBoxDrawTest, TagColumnShowsMarksInTheFirstInnerColumn) {
    ApplyPictureStyle(List);
    List.AllowTag = true;
    List.Add("plain", 0);
    List.Add("marked", 1);
    List.Add("fixed", 2);
    List.NoInput = true;
    List.Open(10, 3, 30, 8);
    List.DrawPage();

    // Every row's first inner column is the tag column, in the tag colour even when selected
    // and on the blank row past the end.
    const std::string in = Rep(" ", 9);
    const std::string at = Rep(".", 9);
    ExpectScreen(T.Dev,
                 {"", "", in + "╒" + Rep("═", 19) + "╕", in + "│ plain" + Rep(" ", 13) + "█",
                  in + "│*marked" + Rep(" ", 12) + "░", in + "│ fixed" + Rep(" ", 13) + "░",
                  in + "│" + Rep(" ", 19) + "░", in + "╘" + Rep("═", 19) + "╛"},
                 {"", "", at + Rep("b", 21), at + "by" + Rep("H", 18) + "bss",
                  at + "by" + Rep(".", 18) + "tss", at + "by" + Rep(".", 18) + "tss",
                  at + "by" + Rep(".", 18) + "tss", at + Rep("b", 21) + "ss",
                  at + ".." + Rep("s", 21)},
                 {{'.', 7}, {'b', 9}, {'H', 0x1F}, {'t', 1}, {'y', 14}, {'s', 0}});
}

TEST_F(ListBoxDrawTest, RowsStayEditableAfterAdd) {
    List.Add("  17 N Someone", 0);
    List.NoInput = true;
    List.Open(1, 1, 40, 5);
    List.List[1].Name[5] = ' ';
    List.DrawPage();
    EXPECT_EQ(GlyphSpan(T.Dev, 2, 2, 17), "   17   Someone ");
}

TEST_F(ListBoxDrawTest, PickedPastTheEndIsBroughtBackIntoTheWindow) {
    for (int i = 1; i <= 100; ++i) List.Add("Item " + std::to_string(i), 0);
    List.Picked = 500;
    List.NoInput = true;
    List.Open(1, 6, 80, 25);
    EXPECT_EQ(List.Picked, 100);
    EXPECT_EQ(List.TopPage, 83);
}

TEST_F(ListBoxDrawTest, NoInputDrawsFrameAndTrackOnly) {
    List.Add("hidden", 0);
    List.NoInput = true;
    List.CloseX = 70;
    List.CloseY = 1;
    List.Open(1, 1, 80, 6);
    EXPECT_EQ(GlyphRow(T.Dev, 1), "█" + Rep("▀", 68) + " X " + Rep("▀", 7) + "▄");
    EXPECT_EQ(AttrRow(T.Dev, 1, {{'W', 0x7F}, {'d', 0x78}, {'c', 0x71}}).substr(68, 4), "Wccc");
    EXPECT_EQ(GlyphRow(T.Dev, 2), "█" + Rep(" ", 78) + "░");
    EXPECT_EQ(GlyphRow(T.Dev, 5), "█" + Rep(" ", 78) + "░");
    EXPECT_EQ(T.Dev.ScriptLeft(), 0u);
    EXPECT_EQ(T.Dev.Counts.Waits, 0);
}

TEST_F(ListBoxDrawTest, NoRedrawSkipsTrackAndRowsOnce) {
    List.Add("row", 0);
    List.NoRedraw = true;
    T.Dev.PushChar(13);
    List.Open(1, 1, 80, 6);
    EXPECT_FALSE(List.NoRedraw);
    EXPECT_EQ(GlyphRow(T.Dev, 2), "█" + Rep(" ", 78) + "█");
    EXPECT_EQ(List.ExitCode, 13);

    T.Dev.PushChar(13);
    List.Open(1, 1, 80, 6);
    EXPECT_EQ(GlyphRow(T.Dev, 2), "█ row" + Rep(" ", 74) + "▓");
}

TEST_F(ListBoxDrawTest, DrawRowHookReplacesTheBuiltInDrawing) {
    std::vector<std::tuple<int, int, int, int, std::string, bool>> calls;
    List.OnDrawRow = [&](int x, int y, int width, std::uint8_t tag, const ShortStr& text,
                         bool selected) {
        calls.emplace_back(x, y, width, tag, text.Str(), selected);
    };
    List.Add("one", 1);
    List.Add("two", 2);
    List.Picked = 2;
    List.NoInput = true;
    List.Open(5, 5, 20, 9);
    calls.clear();
    T.Dev.ResetCounts();
    List.DrawPage();

    const std::vector<std::tuple<int, int, int, int, std::string, bool>> want = {
        {6, 6, 14, 1, "one", false}, {6, 7, 14, 2, "two", true}, {6, 8, 14, 0, "", false}};
    EXPECT_EQ(calls, want);
    EXPECT_EQ(GlyphSpan(T.Dev, 6, 6, 19), Rep(" ", 14));
}

TEST_F(ListBoxDrawTest, CloseGivesBackTheScreenUnlessNoWindow) {
    T.Io.WriteAt(1, 10, 7, "under the list");
    List.Add("row", 0);
    T.Dev.PushChar(13);
    List.Open(1, 6, 80, 25);
    EXPECT_NE(GlyphRow(T.Dev, 10), "under the list");
    List.Close();
    EXPECT_EQ(GlyphRow(T.Dev, 10), "under the list");
    EXPECT_EQ(GlyphRow(T.Dev, 7), "");

    TestConsole t;
    TListBox bare(t.Io);
    bare.NoWindow = true;
    bare.Add("row", 0);
    t.Dev.PushChar(13);
    bare.Open(1, 1, 20, 5);
    EXPECT_EQ(GlyphRow(t.Dev, 1), "");
    EXPECT_EQ(GlyphSpan(t.Dev, 2, 2, 6), " row ");
    t.Dev.ResetCounts();
    bare.Close();
    EXPECT_EQ(t.Dev.Counts.RectOutputs, 0);
}

} // namespace
