// The list box's key loop: moving and paging, separators, marking, exit keys, the incremental
// search and its display, the hooks, and what each step costs in console writes.

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "Lib_Menu_ListBox.h"
#include "PictureStyle.h"
#include "WidgetScreen.h"

namespace {

// Extended keys as the keyboard delivers them: scan code and virtual key.
struct ExtKey {
    std::uint16_t Scan;
    std::uint16_t Vk;
};
constexpr ExtKey Home{0x47, VKey::Home}, Up{0x48, VKey::Up}, PgUp{0x49, VKey::Prior},
    Left{0x4B, VKey::Left}, Right{0x4D, VKey::Right}, End{0x4F, VKey::End}, Down{0x50, VKey::Down},
    PgDn{0x51, VKey::Next}, F1{0x3B, VKey::F1};

// What the list looked like at the start of one pass of the key loop.
struct Pass {
    std::int32_t Picked;
    std::int32_t TopPage;
    std::string Text;      // the selected row's text as given to OnUpdate
    std::string SearchRow; // columns 1 to 22 of the frame's bottom row
    int RectOutputs;       // console writes so far
    int CellsWritten;      // cells written so far
};

class ListBoxKeysTest : public ::testing::Test {
protected:
    void SetUp() override {
        ApplyPictureStyle(List);
        List.OnUpdate = [this](std::int32_t picked, const ShortStr& text) {
            Passes.push_back({picked, List.TopPage, text.Str(), GlyphSpan(T.Dev, 25, 1, 22),
                              T.Dev.Counts.RectOutputs, T.Dev.Counts.CellsWritten});
        };
    }
    void AddItems(int n) {
        for (int i = 1; i <= n; ++i) List.Add("Item " + std::to_string(i), 0);
    }
    void AddRows(std::initializer_list<const char*> texts) {
        for (const char* text : texts) List.Add(text, 0);
    }
    void Press(ExtKey k) { T.Dev.PushExtendedKey(k.Scan, k.Vk); }
    void Type(const std::string& text) { T.Dev.PushText(text); }
    // Opens the list as the viewer does, under its header box: 18 rows from row 7.
    void Run() { List.Open(1, 6, 80, 25); }
    // (Picked, TopPage) at the start of each pass.
    std::vector<std::pair<int, int>> Visited() const {
        std::vector<std::pair<int, int>> out;
        for (const Pass& p : Passes) out.emplace_back(p.Picked, p.TopPage);
        return out;
    }
    // What the pass after pass i cost.
    int RectsOf(std::size_t i) const { return Passes[i + 1].RectOutputs - Passes[i].RectOutputs; }
    int CellsOf(std::size_t i) const { return Passes[i + 1].CellsWritten - Passes[i].CellsWritten; }
    // The bottom edge with nothing on it.
    static std::string CleanEdge() { return "╘" + Rep("═", 21); }

    TestConsole T;
    TListBox List{T.Io};
    std::vector<Pass> Passes;
};

using Positions = std::vector<std::pair<int, int>>;

TEST_F(ListBoxKeysTest, MovingPastEitherEndChangesAndDrawsNothing) {
    AddItems(5);
    Press(Up);
    Press(End);
    Press(Down);
    Press(Home);
    Press(Home);
    Type("\r");
    Run();
    EXPECT_EQ(Visited(), (Positions{{1, 1}, {1, 1}, {5, 1}, {5, 1}, {1, 1}, {1, 1}}));
    EXPECT_EQ(RectsOf(0), 0); // Up on the first item
    EXPECT_EQ(RectsOf(2), 0); // Down on the last
    EXPECT_EQ(RectsOf(4), 0); // Home on the first
    EXPECT_EQ(List.ExitCode, 13);
    EXPECT_FALSE(List.ExitExtended);
}

TEST_F(ListBoxKeysTest, DownOffTheBottomRowScrollsAndRedrawsThePage) {
    AddItems(100);
    List.Picked = 18;
    Press(Down);
    Type("\r");
    Run();
    EXPECT_EQ(Visited(), (Positions{{18, 1}, {19, 2}}));
    EXPECT_GE(RectsOf(0), 18);
    EXPECT_EQ(GlyphSpan(T.Dev, 7, 1, 9), "│ Item 2 ");
    EXPECT_EQ(GlyphSpan(T.Dev, 24, 1, 10), "│ Item 19 ");
    EXPECT_EQ(AttrRow(T.Dev, 24, {{'b', 9}, {'H', 0x1F}}).substr(0, 3), "bHH");
}

TEST_F(ListBoxKeysTest, PagingThroughAHundredItems) {
    AddItems(100);
    for (int i = 0; i < 7; ++i) Press(PgDn);
    Press(PgUp);
    Type("\r");
    Run();
    EXPECT_EQ(Visited(), (Positions{{1, 1},
                                    {19, 19},
                                    {37, 37},
                                    {55, 55},
                                    {73, 73},
                                    {91, 83},
                                    {100, 83},
                                    {100, 83},
                                    {82, 65}}));
    EXPECT_EQ(RectsOf(6), 0); // the PgDn that could go no further
    EXPECT_EQ(GlyphSpan(T.Dev, 7, 1, 10), "│ Item 65 ");
}

TEST_F(ListBoxKeysTest, LeftAndRightPageLikePgUpAndPgDn) {
    AddItems(100);
    Press(Right);
    Press(Right);
    Press(Left);
    Type("\r");
    Run();
    EXPECT_EQ(Visited(), (Positions{{1, 1}, {19, 19}, {37, 37}, {19, 19}}));
}

TEST_F(ListBoxKeysTest, ShortListPagesAndEndsOnItsLastItem) {
    AddItems(10);
    List.Picked = 3;
    Press(PgDn);
    Press(Home);
    Press(End);
    Press(PgUp);
    Type("\r");
    Run();
    EXPECT_EQ(Visited(), (Positions{{3, 1}, {10, 1}, {1, 1}, {10, 1}, {1, 1}}));
}

TEST_F(ListBoxKeysTest, SetPickedScrollsJustFarEnough) {
    AddItems(100);
    List.NoInput = true;
    Run();
    List.SetPicked(40);
    EXPECT_EQ(List.Picked, 40);
    EXPECT_EQ(List.TopPage, 23);
    List.SetPicked(10);
    EXPECT_EQ(List.Picked, 10);
    EXPECT_EQ(List.TopPage, 10);
    List.SetPicked(500);
    EXPECT_EQ(List.Picked, 100);
    EXPECT_EQ(List.TopPage, 83);
}

TEST_F(ListBoxKeysTest, SeparatorsAreSkippedBothWays) {
    AddRows({"first", "\x02-----", "\x02-----", "second"});
    Press(Down);
    Press(Up);
    Press(End);
    Press(Up);
    Type("\r");
    Run();
    EXPECT_EQ(Visited(), (Positions{{1, 1}, {4, 1}, {1, 1}, {4, 1}, {1, 1}}));
    EXPECT_EQ(GlyphSpan(T.Dev, 8, 1, 8), "│ ☻-----");
}

TEST_F(ListBoxKeysTest, SeparatorFoundBySearchIsLeftDownwardsOrElseUpwards) {
    AddRows({"apple", "\x02 fruits", "banana"});
    Type("f\r");
    Run();
    EXPECT_EQ(Visited(), (Positions{{1, 1}, {3, 1}}));

    TestConsole t;
    TListBox tail(t.Io);
    tail.Add("apple", 0);
    tail.Add("\x02 fruits", 0);
    t.Dev.PushText("f");
    std::vector<int> picks;
    tail.OnUpdate = [&](std::int32_t picked, const ShortStr&) { picks.push_back(picked); };
    tail.Open(1, 6, 80, 25);
    EXPECT_EQ(picks, (std::vector<int>{1, 1}));
}

TEST_F(ListBoxKeysTest, TypingFindsTheFirstMatchFromTheSelectionAndWraps) {
    AddRows({"apple", "banana", "cherry"});
    Type("an");
    Press(Down);
    Type("b\r");
    Run();
    // a: apple itself holds an A and stays. n: banana, the first from apple holding AN. b
    // (after Down to cherry): wraps round to banana.
    EXPECT_EQ(Visited(), (Positions{{1, 1}, {1, 1}, {2, 1}, {3, 1}, {2, 1}}));
    EXPECT_EQ(Passes[1].SearchRow, "╘═ a " + Rep("═", 17));
    EXPECT_EQ(Passes[2].SearchRow, "╘═ an " + Rep("═", 16));
    EXPECT_EQ(Passes[3].SearchRow, "╘" + Rep("═", 21)); // Down erased it
    EXPECT_EQ(Passes[4].SearchRow, "╘═ b " + Rep("═", 17));
    EXPECT_EQ(GlyphSpan(T.Dev, 25, 1, 22), "╘" + Rep("═", 21)); // Enter erased it
    EXPECT_EQ(List.ExitCode, 13);
}

TEST_F(ListBoxKeysTest, SearchFoldsOnlyTheAsciiLetters) {
    AddRows({"start", "CAFE\x82", "cafe\x90"});
    Type("cafe\x90\r");
    Run();
    // c finds the first row holding it in either case and the letters after it keep it; the
    // last byte is not a letter and must match exactly, which only the third row does.
    EXPECT_EQ(Visited(), (Positions{{1, 1}, {2, 1}, {2, 1}, {2, 1}, {2, 1}, {3, 1}}));
}

TEST_F(ListBoxKeysTest, BackspaceAndCtrlASearchAgainFromTheirOwnStart) {
    AddRows({"apple", "banana", "cherry", "papaya"});
    Type("ch\b\x01\x01\b\b\r");
    Run();
    // c: cherry. ch: cherry. Backspace to c: cherry still holds it. Ctrl-A: the next row with a
    // C after cherry, wrapping (none but cherry: it stays). Backspace to nothing finds nothing;
    // a further Backspace on an empty text does nothing.
    EXPECT_EQ(Visited(),
              (Positions{{1, 1}, {3, 1}, {3, 1}, {3, 1}, {3, 1}, {3, 1}, {3, 1}, {3, 1}}));
    EXPECT_EQ(Passes[3].SearchRow, "╘═ c " + Rep("═", 17));
    EXPECT_EQ(Passes[6].SearchRow, CleanEdge());

    Passes.clear();
    List.Picked = 1;
    Type("a\x01\x01\r");
    Run();
    // a stays on apple; each Ctrl-A goes on after the selected row.
    EXPECT_EQ(Visited(), (Positions{{1, 1}, {1, 1}, {2, 1}, {4, 1}}));
}

TEST_F(ListBoxKeysTest, SearchDisplayShowsTheLastFifteenCharactersInLowerCase) {
    AddItems(3);
    List.SearchAttr = 0x1E;
    std::vector<std::string> attrs;
    List.OnUpdate = [&](std::int32_t, const ShortStr&) {
        attrs.push_back(GlyphSpan(T.Dev, 25, 1, 22) + "|" +
                        AttrRow(T.Dev, 25, {{'b', 9}, {'s', 0x1E}}).substr(0, 22));
    };
    Type("ABCDEFGHIJKLMNOPQRST");
    T.Dev.PushChar(25); // Ctrl-Y means nothing, but it ends the search
    Type("\r");
    Run();
    ASSERT_EQ(attrs.size(), 22u);
    EXPECT_EQ(attrs[20], "╘═ fghijklmnopqrst ═══|bb" + Rep("s", 17) + "bbb");
    EXPECT_EQ(attrs[21], "╘" + Rep("═", 21) + "|" + Rep("b", 22));
    EXPECT_EQ(List.SearchStr, "");
}

TEST_F(ListBoxKeysTest, NarrowBoxKeepsTheSearchDisplayInsideItsBottomEdge) {
    TestConsole t;
    TListBox narrow(t.Io);
    narrow.Add("abcdefghijklmnop", 0);
    narrow.Add("abcdefghijklmnopq", 0);
    t.Dev.PushText("abcdefghijklmnopq");
    std::string bottom;
    narrow.OnUpdate = [&](std::int32_t, const ShortStr&) { bottom = GlyphSpan(t.Dev, 10, 9, 24); };
    narrow.Open(10, 5, 20, 10);
    // The frame's bottom row runs from 10 to 20, its shadow to 22; the display ends at 19.
    EXPECT_EQ(bottom, " ▀▄ lmnopq █    ");
}

TEST_F(ListBoxKeysTest, TabMarksTheRowAndMovesOn) {
    List.AllowTag = true;
    List.Add("one", 0);
    List.Add("two", 2);
    List.Add("three", 1);
    T.Dev.PushChar(9); // one: marked, on to two
    T.Dev.PushChar(9); // two cannot be marked: nothing happens
    Press(Down);
    T.Dev.PushChar(9); // three: unmarked; the last row, so the selection stays
    Type("\r");
    Run();
    EXPECT_EQ(Visited(), (Positions{{1, 1}, {2, 1}, {2, 1}, {3, 1}, {3, 1}}));
    EXPECT_EQ(List.List[1].Tag, 1);
    EXPECT_EQ(List.List[2].Tag, 2);
    EXPECT_EQ(List.List[3].Tag, 0);
    EXPECT_EQ(List.Marked, 1);
    EXPECT_EQ(RectsOf(1), 0);
    EXPECT_EQ(GlyphSpan(T.Dev, 7, 2, 3), "*o");
    // The mark taken off the last row shows at once.
    EXPECT_EQ(GlyphSpan(T.Dev, 9, 2, 3), " t");
}

TEST_F(ListBoxKeysTest, ExtendedExitKeys) {
    AddItems(30);
    List.ExitExtKeys = ShortStr("\x3B\x50"); // F1 and Down
    Type("it");
    Press(F1);
    Run();
    EXPECT_EQ(List.ExitCode, 59);
    EXPECT_TRUE(List.ExitExtended);
    EXPECT_EQ(GlyphSpan(T.Dev, 25, 1, 22), CleanEdge());

    Press(Down);
    Run();
    EXPECT_EQ(List.ExitCode, 80);
    EXPECT_TRUE(List.ExitExtended);
    EXPECT_EQ(List.Picked, 1); // "it" matched the selected row itself; Down did not move it

    Type("\x1B");
    Run();
    EXPECT_EQ(List.ExitCode, 27);
    EXPECT_FALSE(List.ExitExtended);
}

TEST_F(ListBoxKeysTest, ExitKeysAreExactBytes) {
    AddItems(3);
    List.ExitKeys = ShortStr("q");
    Type("Q\rq");
    Run();
    EXPECT_EQ(List.ExitCode, 'q');
    EXPECT_EQ(Passes.size(), 3u);
}

TEST_F(ListBoxKeysTest, EmptyListTakesEveryKeyAndStillEnds) {
    Press(Down);
    Press(PgDn);
    Press(End);
    Press(Up);
    T.Dev.PushChar(9);
    Type("abc\x01\b\r");
    List.AllowTag = true;
    Run();
    EXPECT_EQ(List.ExitCode, 13);
    EXPECT_EQ(List.Picked, 1);
    EXPECT_EQ(List.ListMax, 0);
    EXPECT_EQ(List.Marked, 0);
    for (const Pass& p : Passes) EXPECT_EQ(p.Text, "");
    EXPECT_EQ(GlyphSpan(T.Dev, 7, 1, 3), "│  ");
}

TEST_F(ListBoxKeysTest, ClearedListOpensAgainWithoutTouchingOldRows) {
    AddItems(100);
    Press(End);
    Type("\r");
    Run();
    EXPECT_EQ(List.Picked, 100);
    List.Clear();
    List.MoveSelection(true, true);
    List.MoveSelection(false, true);
    EXPECT_EQ(List.Picked, 100);
    Type("\r");
    Run();
    EXPECT_EQ(List.Picked, 1);
    EXPECT_EQ(List.TopPage, 1);
}

TEST_F(ListBoxKeysTest, SelectionAndPageSurviveToTheNextOpen) {
    AddItems(100);
    Press(PgDn);
    Press(Down);
    Type("\r");
    Run();
    EXPECT_EQ(List.Picked, 20);
    EXPECT_EQ(List.TopPage, 19);
    List.MoveSelection(false, true); // the reader stepping to the next row between openings
    Passes.clear();
    Type("\x1B");
    Run();
    EXPECT_EQ(Visited(), (Positions{{21, 19}}));
    EXPECT_EQ(Passes[0].Text, "Item 21");
}

TEST_F(ListBoxKeysTest, OneRowStepsWriteTwoRowsAndTheMarker) {
    AddItems(100);
    Press(Down);                             // 1 -> 2, the marker stays on its row
    for (int i = 0; i < 4; ++i) Press(Down); // ... 5 -> 6 moves the marker
    Press(Up);
    Type("\r");
    Run();
    ASSERT_EQ(Passes.size(), 7u);
    for (std::size_t i = 0; i < 6; ++i) {
        SCOPED_TRACE("step " + std::to_string(i + 1));
        EXPECT_GE(RectsOf(i), 2);
        EXPECT_LE(RectsOf(i), 4);
        EXPECT_GE(CellsOf(i), 2 * 78);
        EXPECT_LE(CellsOf(i), 2 * 78 + 2);
    }
    EXPECT_EQ(CellsOf(4), 2 * 78 + 2); // 5 -> 6: the marker moved
}

TEST_F(ListBoxKeysTest, SearchStepWithinTheWindowWritesTwoRowsTheMarkerAndTheDisplay) {
    AddItems(15);
    List.Add("target", 0);
    Type("ge\r");
    Run();
    ASSERT_EQ(Passes.size(), 3u);
    EXPECT_EQ(Passes[1].Picked, 16);
    EXPECT_EQ(Passes[1].TopPage, 1);
    // Two rows, at most two marker cells, and the 17 cells of the search display.
    EXPECT_LE(RectsOf(0), 2 + 2 + 2);
    EXPECT_LE(CellsOf(0), 2 * 78 + 2 + 17);
    EXPECT_GE(CellsOf(0), 2 * 78);
    // A search step that finds nothing new only shows the text.
    EXPECT_LE(CellsOf(1), 17);
}

TEST_F(ListBoxKeysTest, IdleHookRunsEveryIdleTimeAndCanEndOpen) {
    AddItems(3);
    List.TickSource = [this] { return T.Dev.NowMillis(); };
    List.LastIdle = 0;
    List.IdleTime = 100;
    std::vector<std::uint64_t> calls;
    List.OnIdle = [&](std::uint8_t& key) {
        calls.push_back(T.Dev.NowMillis());
        key = 'x';
        return calls.size() == 3;
    };
    Run();
    // More than 100 ms must have passed: never at exactly 100.
    EXPECT_EQ(calls, (std::vector<std::uint64_t>{200, 400, 600}));
    EXPECT_EQ(List.ExitCode, 'x');
    EXPECT_FALSE(List.ExitExtended);
    for (std::uint32_t limit : T.Dev.WaitLimits) EXPECT_EQ(limit, 100u);
}

TEST_F(ListBoxKeysTest, KeysArriveBetweenIdleCalls) {
    AddItems(3);
    List.TickSource = [this] { return T.Dev.NowMillis(); };
    List.LastIdle = 0;
    List.IdleTime = 100;
    int idleCalls = 0;
    List.OnIdle = [&](std::uint8_t&) {
        ++idleCalls;
        return false;
    };
    ConsoleInputEvent down{true, true, 1, VKey::Down, 0x50, 0, 0};
    T.Dev.PushEventAt(250, down);
    ConsoleInputEvent enter{true, true, 1, VKey::Return, 0x1C, 13, 0};
    T.Dev.PushEventAt(330, enter);
    Run();
    EXPECT_EQ(idleCalls, 1); // at 200; 330 is not more than 100 after it
    EXPECT_EQ(List.Picked, 2);
    EXPECT_EQ(List.ExitCode, 13);
}

TEST_F(ListBoxKeysTest, SearchHookCanBeReplacedOrLeftOut) {
    AddItems(3);
    std::vector<std::string> shown;
    List.OnSearch = [&](TListBox&, const ShortStr& text) { shown.push_back(text.Str()); };
    Type("it\r");
    Run();
    EXPECT_EQ(shown, (std::vector<std::string>{"", "I", "IT", ""}));

    TestConsole t;
    TListBox quiet(t.Io);
    quiet.OnSearch = nullptr;
    quiet.Add("one", 0);
    quiet.Add("two", 0);
    t.Dev.PushText("tw\r");
    quiet.Open(1, 6, 80, 25);
    EXPECT_EQ(quiet.Picked, 2);
    EXPECT_EQ(GlyphSpan(t.Dev, 25, 1, 5), "▀▄▄▄▄");
}

} // namespace
