// The reader's screens: the thread list, the viewer and the way between them, driven by scripted
// keys on an in-memory console. Each screen is kept as it stood when a key was taken, so a test
// sees every screen the user would have seen.

#include "JamDescription.h"
#include "Lib_CharsetConverter.h"
#include "JamTestBase.h"
#include "MessageLines.h"
#include "ReaderState.h"
#include "ThreadListScreen.h"
#include "WidgetScreen.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

using jamgen::JamBaseModel;

// The terminal object owns its console and releases it when the list screen ends; this one
// hands every call to a console the test keeps, and copies its screen each time a key is taken.
class RecordingConsole : public ConsoleDevice {
public:
    RecordingConsole(MemoryConsoleDevice& dev, std::vector<MemoryConsoleDevice>& shots)
        : dev_(dev), shots_(shots) {}

    void SetRawInput() override { dev_.SetRawInput(); }
    void SetSize(int columns, int rows) override { dev_.SetSize(columns, rows); }
    void SetCloseEnabled(bool enabled) override { dev_.SetCloseEnabled(enabled); }
    void WriteCells(const TScreenCell* cells, int bufferColumns, int left, int top, int right,
                    int bottom) override {
        dev_.WriteCells(cells, bufferColumns, left, top, right, bottom);
    }
    void FillChar(int x, int y, std::uint8_t ch, int count) override {
        dev_.FillChar(x, y, ch, count);
    }
    void FillAttr(int x, int y, std::uint16_t attr, int count) override {
        dev_.FillAttr(x, y, attr, count);
    }
    void SetCursor(int x, int y) override { dev_.SetCursor(x, y); }
    ConsoleWait WaitInput(std::uint32_t timeoutMs) override { return dev_.WaitInput(timeoutMs); }
    bool ReadEvent(ConsoleInputEvent& event) override {
        if (!dev_.ReadEvent(event)) return false;
        if (event.IsKey && event.KeyDown) shots_.push_back(dev_);
        return true;
    }
    std::uint32_t PendingEvents() override { return dev_.PendingEvents(); }
    std::uint64_t NowMillis() override { return dev_.NowMillis(); }

private:
    MemoryConsoleDevice& dev_;
    std::vector<MemoryConsoleDevice>& shots_;
};

// A screen written as text, one line per row: glyphs, or attribute letters.
std::vector<std::string> pictureLines(const std::string& picture) {
    std::vector<std::string> lines;
    std::istringstream in(picture);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    if (!lines.empty() && lines.front().empty()) lines.erase(lines.begin());
    return lines;
}

// The reader's colours: '.' light grey text, b frame, H selected row, t scroll track, c header
// lines of the viewer.
const AttrLegend legend = {{'.', 7}, {'b', 9}, {'H', 0x1F}, {'t', 1}, {'c', 11}};

// A whole screen from the top rows of its picture: blankRow repeated down to row 24, then lastRow.
std::vector<std::string> framed(const char* top, const std::string& blankRow,
                                const std::string& lastRow) {
    std::vector<std::string> rows = pictureLines(top);
    while (rows.size() < 24) rows.push_back(blankRow);
    rows.push_back(lastRow);
    return rows;
}

void expectPicture(const MemoryConsoleDevice& dev, const char* glyphs, const char* attrs) {
    ExpectScreen(dev, framed(glyphs, "│" + Rep(" ", 78) + "░", "╘" + Rep("═", 78) + "╛"),
                 framed(attrs, "b" + Rep(".", 78) + "t", Rep("b", 80)), legend);
}

// The screen row (1-based) of the selection bar, found by its colour in column 2; 0 for none.
int selectedRow(const MemoryConsoleDevice& dev) {
    for (int y = 1; y <= dev.Rows(); ++y)
        if ((dev.Cell(1, y - 1).Attr & 0xFF) == 0x1F) return y;
    return 0;
}

// The viewer's header lines, each from its column to the frame's right edge, blanks trimmed.
std::string headerText(const MemoryConsoleDevice& dev, int row, int column) {
    std::string text = GlyphSpan(dev, row, column, 79);
    TrimTrailing(text, ' ');
    return text;
}

// What the reader shows of the three threads below: the first screen of the list, and the first
// message in the viewer (its kludge lines left out, the empty line after them kept). Each picture
// stops above the blank rows of its list box; expectPicture adds them and the frame's last row.
const char* const listGlyphs = R"(
╒══════════════════════════════════════════════════════════════════════════════╕
│ Thread (5 msgs): Five in a row                                               █
│       1 N Alice               Five in a row                                  ░
│       2 N Bob                 Re: Five in a row                              ░
│       3 N Alice               Re: Five in a row                              ░
│       4 N Bob                 Re: Five in a row                              ░
│       5 N Alice               Re: Five in a row                              ░
│ Thread (2 msgs): Second thread                                               ░
│       6 N Carol               Second thread                                  ░
│       7 N Alice               Re: Second thread                              ░
│ Thread (1 msgs): No text                                                     ░
│       8 N Dave                No text                                        ░
)";

const char* const listAttrs = R"(
bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb
bHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHb
)";

const char* const viewerGlyphs = R"(
╒═════════════════════════════ ENTER/Next message ═════════════════════════════╕
│ From: Alice                                     Msg #: 1                     │
│   To: All                                      Thread: 1 of 5                │
│ Subj: Five in a row                              Date: 01 Feb 1995 20:15     │
╘══════════════════════════════════════════════════════════════════════════════╛
╒══════════════════════════════════════════════════════════════════════════════╕
│                                                                              █
│ Hello all,                                                                   ░
│ this is the first.                                                           ░
)";

const char* const viewerAttrs = R"(
bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbHHHHHHHHHHHHHHHHHHHHbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb
bbcccccccccccbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbccccccccbbbbbbbbbbbbbbbbbbbbbb
bbcccccccccbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbccccccccccccccbbbbbbbbbbbbbbbbb
bbcccccccccccccccccccbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbcccccccccccccccccccccccbbbbbb
bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb
bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb
bHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHb
)";

class ReaderScreenTest : public jamtest::JamTest {
protected:
    void Run(const JamBaseModel& model) {
        Write(model);
        state.MsgBase = Open();
        ASSERT_TRUE(state.MsgBase);
        state.ReadState.ReadBitmap.assign(ReadBitmapStep, 0);
        ThreadListScreen(state, std::make_unique<RecordingConsole>(dev, shots));
    }
    void Enter() { dev.PushChar(13); }
    void Esc() { dev.PushChar(27); }
    void Down(int times = 1) {
        for (int i = 0; i < times; ++i) dev.PushExtendedKey(0x50, VKey::Down);
    }
    void End() { dev.PushExtendedKey(0x4F, VKey::End); }
    // The screen as it stood when key number i (from 0) was taken.
    const MemoryConsoleDevice& Shot(std::size_t i) {
        static const MemoryConsoleDevice none;
        if (i < shots.size()) return shots[i];
        ADD_FAILURE() << "only " << shots.size() << " keys were taken";
        return none;
    }
    bool Read(std::int32_t n) { return IsRead(state.ReadState, n); }

    MemoryConsoleDevice dev;
    std::vector<MemoryConsoleDevice> shots;
    TReaderState state;
};

// Three threads: a chain of five, a root with one reply, and a message with no text.
JamBaseModel threeThreads() {
    JamBaseModel model;
    const std::uint32_t date = *jamgen::JamTimeStamp(1995, 2, 1, 20, 15);
    auto& first = model.AddMessage(1, "Alice", "All", "Five in a row", date);
    first.AddSubfield(jamgen::kMsgId, "77:100/1 2f1a0001");
    first.AddSubfield(jamgen::kPid, "SkeinMail 1.2");
    first.Text = "\x01TID: kludge in the text\r\rHello all,\rthis is the first.\r";
    for (std::uint32_t n = 2; n <= 5; ++n) {
        auto& m = model.AddMessage(n, n % 2 ? "Alice" : "Bob", "All", "Re: Five in a row",
                                   date + n * 60, n - 1);
        m.Text = "Reply number " + std::to_string(n) + "\r";
    }
    // A kludge longer than a screen line, then lines as wide as the text list and wider.
    model.Messages[1].Text = "\x01" + std::string(100, 'K') + "\r" + std::string(38, 'a') + " " +
                             std::string(38, 'b') + "\r" + std::string(39, 'c') + " " +
                             std::string(40, 'd') + "\rSecond text\r";
    model.AddMessage(6, "Carol", "Alice", "Second thread", date);
    model.AddMessage(7, "Alice", "Carol", "Re: Second thread", date, 6).Text = "Short\r";
    model.AddMessage(8, "Dave", "All", "No text", date);
    return model;
}

TEST_F(ReaderScreenTest, FromTheListIntoTheViewerAndOut) {
    Enter(); // on the header row: to the first message
    Enter(); // opens it
    Esc();   // back to the list
    Esc();   // ends
    Run(threeThreads());
    ASSERT_EQ(shots.size(), 4u);

    expectPicture(Shot(0), listGlyphs, listAttrs);

    // The selection moved to the first message; the viewer did not open.
    EXPECT_EQ(selectedRow(Shot(1)), 3);
    EXPECT_EQ(GlyphRow(Shot(1), 1), GlyphRow(Shot(0), 1));
    EXPECT_EQ(GlyphRow(Shot(1), 3), GlyphRow(Shot(0), 3));

    expectPicture(Shot(2), viewerGlyphs, viewerAttrs);

    // Back on the list, the message is read: its "N" is gone and its bit is set.
    EXPECT_EQ(selectedRow(Shot(3)), 3);
    EXPECT_EQ(GlyphSpan(Shot(3), 3, 1, 20), "│       1   Alice   ");
    EXPECT_EQ(GlyphSpan(Shot(3), 4, 1, 20), "│       2 N Bob     ");
    EXPECT_TRUE(Read(1));
    EXPECT_FALSE(Read(2));

    // Esc on the list leaves the banner alone on a cleared screen, the cursor below it.
    ExpectScreen(dev, {"Halvek BBS v2.0 Message Reader Concept", std::string(ReaderWebAddress)},
                 {""}, legend);
    EXPECT_EQ(dev.CursorX(), 0);
    EXPECT_EQ(dev.CursorY(), 2);
    EXPECT_EQ(state.Console, nullptr);
}

TEST_F(ReaderScreenTest, EnterStepsThroughTheThreadToTheNextHeader) {
    Down(3); // the third message of the thread of five
    Enter();
    Enter();
    Enter();
    Enter(); // on the thread's last message
    Esc();
    Run(threeThreads());
    ASSERT_EQ(shots.size(), 8u);

    EXPECT_EQ(selectedRow(Shot(3)), 5);
    for (int n = 3; n <= 5; ++n) {
        SCOPED_TRACE("message " + std::to_string(n));
        const MemoryConsoleDevice& viewer = Shot(static_cast<std::size_t>(n + 1));
        EXPECT_EQ(headerText(viewer, 2, 51), "Msg #: " + std::to_string(n));
        EXPECT_EQ(headerText(viewer, 3, 50), "Thread: " + std::to_string(n) + " of 5");
        EXPECT_EQ(headerText(viewer, 2, 3).substr(0, 9), n % 2 ? "From: Ali" : "From: Bob");
        EXPECT_EQ(GlyphRow(viewer, 7), "│ Reply number " + std::to_string(n) + Rep(" ", 63) + "█");
    }

    // Enter on the last message moved the selection onto the next thread's header row.
    const MemoryConsoleDevice& list = Shot(7);
    EXPECT_EQ(selectedRow(list), 8);
    EXPECT_EQ(GlyphSpan(list, 8, 1, 32), "│ Thread (2 msgs): Second thread");
    for (int n = 1; n <= 5; ++n) {
        EXPECT_EQ(GlyphSpan(list, n + 2, 11, 11), n >= 3 ? " " : "N") << "row of message " << n;
        EXPECT_EQ(Read(n), n >= 3) << "message " << n;
    }
}

TEST_F(ReaderScreenTest, KludgeLinesAreLeftOutWholeAndEveryCharacterShows) {
    Down(2); // message 2, whose text opens with a kludge of 101 bytes
    Enter();
    Esc();
    Esc();
    Run(threeThreads());
    ASSERT_EQ(shots.size(), 5u);
    const MemoryConsoleDevice& viewer = Shot(3);
    EXPECT_EQ(headerText(viewer, 3, 50), "Thread: 2 of 5");
    // The kludge is dropped with the pieces it wraps into. A line of 77 characters fills the
    // list to its scroll track, whole; one of 80 wraps at its blank, so that none is hidden.
    EXPECT_EQ(GlyphRow(viewer, 7), "│ " + std::string(38, 'a') + " " + std::string(38, 'b') + "█");
    EXPECT_EQ(GlyphRow(viewer, 8), "│ " + std::string(39, 'c') + Rep(" ", 38) + "░");
    EXPECT_EQ(GlyphRow(viewer, 9), "│ " + std::string(40, 'd') + Rep(" ", 37) + "░");
    EXPECT_EQ(GlyphRow(viewer, 10), "│ Second text" + Rep(" ", 66) + "░");
    EXPECT_EQ(GlyphRow(viewer, 11), "│" + Rep(" ", 78) + "░");
}

TEST_F(ReaderScreenTest, TheLastRowAndAMessageWithoutText) {
    End();
    Enter(); // the last row of the whole list: message 8, which has no text
    Enter(); // leaves the viewer with Enter: there is no next row
    Esc();
    Run(threeThreads());
    ASSERT_EQ(shots.size(), 4u);

    EXPECT_EQ(selectedRow(Shot(1)), 12);
    const MemoryConsoleDevice& viewer = Shot(2);
    EXPECT_EQ(headerText(viewer, 2, 51), "Msg #: 8");
    EXPECT_EQ(headerText(viewer, 3, 50), "Thread: 1 of 1");
    EXPECT_EQ(headerText(viewer, 4, 3).substr(0, 13), "Subj: No text");
    for (int y = 7; y <= 24; ++y) EXPECT_EQ(GlyphSpan(viewer, y, 2, 79), Rep(" ", 78)) << y;

    EXPECT_EQ(selectedRow(Shot(3)), 12);
    EXPECT_EQ(GlyphSpan(Shot(3), 12, 1, 20), "│       8   Dave    ");
    EXPECT_TRUE(Read(8));
}

TEST_F(ReaderScreenTest, AnEmptyBaseShowsAnEmptyListAndEnterDoesNothing) {
    Enter();
    Esc();
    Run(JamBaseModel());
    ASSERT_EQ(shots.size(), 2u);
    std::vector<std::string> glyphs = {"╒" + Rep("═", 78) + "╕"};
    for (int y = 2; y <= 24; ++y) glyphs.push_back("│" + Rep(" ", 78) + (y == 24 ? "█" : "░"));
    glyphs.push_back("╘" + Rep("═", 78) + "╛");
    // The bar stands on the blank first row, the marker at the end of the track.
    EXPECT_EQ(selectedRow(Shot(0)), 2);
    ExpectScreen(Shot(0), glyphs, {}, legend);
    EXPECT_EQ(Shot(1).DumpText(), Shot(0).DumpText());
    EXPECT_EQ(Shot(1).DumpAttrs(), Shot(0).DumpAttrs());
    EXPECT_EQ(GlyphRow(dev, 1), "Halvek BBS v2.0 Message Reader Concept");
}

TEST_F(ReaderScreenTest, EveryRowIsReachableAndTypingStaysOnTheFirstMatch) {
    // 6,000 threads of one message: 12,000 rows, more than the list once held.
    JamBaseModel model;
    for (std::uint32_t n = 1; n <= 6000; ++n)
        model.AddMessage(n, "Sender", "All", "Topic " + std::to_string(n));
    dev.PushText("pic 59");
    End();
    Enter(); // the last row: the newest message
    Esc();
    Esc();
    Run(model);
    ASSERT_EQ(shots.size(), 10u);
    // Each letter keeps the first row that holds the text typed so far: the first row for "pic",
    // Topic 5's header for "pic 5", Topic 59's for "pic 59".
    EXPECT_EQ(selectedRow(Shot(3)), 2);
    EXPECT_EQ(selectedRow(Shot(5)), 10);
    EXPECT_EQ(GlyphSpan(Shot(6), 24, 1, 32), "│ Thread (1 msgs): Topic 59     ");
    EXPECT_EQ(selectedRow(Shot(6)), 24);
    EXPECT_EQ(GlyphSpan(Shot(7), 24, 1, 20), "│    6000 N Sender  ");
    EXPECT_EQ(headerText(Shot(8), 2, 51), "Msg #: 6000");
    EXPECT_EQ(headerText(Shot(8), 3, 50), "Thread: 1 of 1");
    EXPECT_TRUE(Read(6000));
}

// The list's own commands, one after another: Tab and Shift+Tab to the unread, Ctrl+R, Ctrl+U,
// Ctrl+K (asked, Enter), the notice when nothing is unread, the help box and back, Ctrl+C.
TEST_F(ReaderScreenTest, TheListsKeysDoWhatTheirTableSays) {
    const auto shiftTab = [&] { dev.PushKeyStroke(VKey::Tab, 0x0F, 9, KeyState::Shift); };
    dev.PushChar(9);  // 0: Tab to message 1
    dev.PushChar(18); // 1: Ctrl+R, thread 1 read
    dev.PushChar(9);  // 2: Tab to message 6
    shiftTab();       // 3: back round the list to message 8
    dev.PushExtendedKey(0x47, VKey::Home);
    dev.PushChar(21); // 5: Ctrl+U on thread 1's header row
    dev.PushChar(11); // 6: Ctrl+K ...
    Enter();          // 7: ... yes
    dev.PushChar(9);  // 8: Tab: nothing unread
    dev.PushExtendedKey(0x3B, VKey::F1);
    Down();          // 10: closes the help box
    dev.PushChar(3); // 11: Ctrl+C
    Run(threeThreads());
    ASSERT_EQ(shots.size(), 12u);
    EXPECT_EQ(selectedRow(Shot(1)), 3);  // message 1
    EXPECT_EQ(selectedRow(Shot(3)), 9);  // message 6
    EXPECT_EQ(selectedRow(Shot(4)), 12); // message 8
    EXPECT_EQ(GlyphSpan(Shot(4), 3, 1, 12), "│       1   ");
    EXPECT_EQ(GlyphSpan(Shot(6), 3, 1, 12), "│       1 N ");
    EXPECT_NE(GlyphSpan(Shot(7), 10, 20, 61).find("Mark every message"), std::string::npos);
    EXPECT_EQ(GlyphSpan(Shot(9), 25, 1, 14), "╘═ no unread ═");
    EXPECT_EQ(selectedRow(Shot(9)), 2);
    EXPECT_NE(Shot(10).DumpText().find("Keys of the thread list"), std::string::npos);
    EXPECT_EQ(Shot(11).DumpText(), Shot(8).DumpText()) << "the help box gone, the list as it was";
    for (std::int32_t n = 1; n <= 8; ++n) EXPECT_TRUE(Read(n)) << n;
    EXPECT_EQ(GlyphRow(dev, 1), "Halvek BBS v2.0 Message Reader Concept");
}

// The viewer's own commands: Ctrl+U keeps it open, F2 shows the kludges, Tab opens the next
// unread message with its place in its thread, Ctrl+C ends the program.
TEST_F(ReaderScreenTest, TheViewersKeysDoWhatTheirTableSays) {
    Down();
    Enter();          // 1: message 1
    dev.PushChar(21); // 2: Ctrl+U
    dev.PushExtendedKey(0x3C, VKey::F2);
    dev.PushChar(9); // 4: Tab
    dev.PushChar(3); // 5: Ctrl+C
    Run(threeThreads());
    ASSERT_EQ(shots.size(), 6u);
    EXPECT_EQ(GlyphSpan(Shot(3), 8, 1, 40), "│ Hello all,                            ");
    EXPECT_EQ(GlyphSpan(Shot(4), 7, 1, 32), "│ @MSGID: 77:100/1 2f1a0001     ");
    EXPECT_EQ(GlyphSpan(Shot(4), 8, 1, 21), "│ @PID: SkeinMail 1.2");
    EXPECT_EQ(AttrRow(Shot(4), 8, {{'.', 7}, {'k', 8}, {'b', 9}, {'t', 1}}).substr(2, 3), "kkk");
    EXPECT_EQ(headerText(Shot(5), 2, 51), "Msg #: 2");
    EXPECT_EQ(headerText(Shot(5), 3, 50), "Thread: 2 of 5");
    EXPECT_FALSE(Read(1)); // Ctrl+U held
    EXPECT_TRUE(Read(2));
}

// A base of mixed charsets shown in the page its messages declare most (866): names, subjects
// and text of a UTF-8, a KOI8-R and a LATIN-1 message converted into it, 0x8D a letter of the
// CP866 one, and the search blind to the case of Cyrillic letters.
TEST_F(ReaderScreenTest, EachMessageInItsOwnCharsetShowsInThePageOfTheBase) {
    JamBaseModel model;
    std::string error;
    ASSERT_TRUE(jamgen::ParseJamDescription(R"(Msg: 1
Charset: CP866
From: Иван
Subject: Новости: НАРОД
|НАРОД
Msg: 2
Charset: KOI8-R
From: Ольга
Subject: Погода
|Снег
Msg: 3
Charset: UTF-8
From: Андрей
Subject: Хроники
|Привет… «веб»
Msg: 4
Charset: LATIN-1
From: José
Subject: Grüße
)",
                                            "mixed", &model, &error))
        << error;
    for (const std::uint8_t typed : {0xE5, 0xE0, 0xAE}) // хро: code page 866 bytes, as typed
        dev.PushKeyStroke(0, 0, typed);
    Enter();
    Enter(); // message 3
    Esc();
    Esc();
    Run(model);
    // A typed byte of the upper half may take more than one console event: count from the end.
    ASSERT_GE(shots.size(), 7u);
    const std::size_t typed = shots.size() - 4, viewer = shots.size() - 2;
    // The cells hold code page 866 bytes: compared as such.
    // The cells hold code page 866 bytes: a row from column 3 against a text written in UTF-8.
    const auto shows = [&](const MemoryConsoleDevice& d, int y, const char* utf8) {
        const std::string expected =
            TCharsetConverter(Charset::Id::Utf8, CodePage::Id::Cyrillic).Convert(utf8);
        std::string bytes;
        for (std::size_t x = 0; x < expected.size(); ++x)
            bytes += static_cast<char>(d.Cell(static_cast<int>(x) + 2, y - 1).Ch);
        return bytes == expected;
    };
    EXPECT_TRUE(shows(Shot(0), 3, "      1 N Иван                Новости: Н"));
    EXPECT_TRUE(shows(Shot(0), 5, "      2 N Ольга               Погода"));
    EXPECT_TRUE(shows(Shot(0), 7, "      3 N Андрей              Хроники"));
    EXPECT_TRUE(shows(Shot(0), 9, "      4 N Jose                Gruse"));
    EXPECT_EQ(selectedRow(Shot(typed)), 6); // Хроники's header row, found in lower case
    EXPECT_TRUE(shows(Shot(typed), 25, " хро "));
    EXPECT_TRUE(shows(Shot(viewer), 4, "Subj: Хроники"));
    EXPECT_TRUE(shows(Shot(viewer), 7, "Привет. \"веб\""));
}

TEST(MessageLinesTest, KindsOfLines) {
    const struct {
        const char* Line;
        LineKind Kind;
    } cases[] = {
        {" AB> quoted", LineKind::Quote},        {">", LineKind::Quote},
        {">> deeper", LineKind::Quote},          {"MK>> two", LineKind::Quote},
        {"C:\\> dir", LineKind::Body},           {"=> arrow", LineKind::Body},
        {"ABCDE> five", LineKind::Body},         {"--- GoldRiver 3.1", LineKind::Tearline},
        {"___ Blue Wave", LineKind::Tearline},   {" * Origin: Night Owl", LineKind::Tearline},
        {"\x01MSGID: 1:2/3", LineKind::Kludge},  {"", LineKind::Body},
        {"  -- not a tearline", LineKind::Body},
    };
    for (const auto& c : cases) EXPECT_EQ(KindOfLine(c.Line), c.Kind) << c.Line;
}

TEST_F(ReaderScreenTest, WideNumbersOpenTheMessageTheRowShows) {
    JamBaseModel model;
    model.Header.BaseMsgNum = 999999;
    model.AddMessage(999999, "Eve", "All", "Wide");
    model.AddMessage(1000000, "Frank", "Eve", "Re: Wide", 0, 999999);
    Down(2);
    Enter();
    Esc();
    Esc();
    Run(model);
    ASSERT_EQ(shots.size(), 5u);
    EXPECT_EQ(GlyphSpan(Shot(2), 4, 1, 20), "│   1000000 N Frank ");
    EXPECT_EQ(headerText(Shot(3), 2, 51), "Msg #: 1000000");
    EXPECT_EQ(headerText(Shot(3), 3, 50), "Thread: 2 of 2");
    EXPECT_EQ(GlyphSpan(Shot(4), 4, 1, 20), "│   1000000   Frank ");
    EXPECT_EQ(GlyphSpan(Shot(4), 3, 1, 20), "│   999999 N Eve    ");
    EXPECT_TRUE(Read(1000000));
    EXPECT_FALSE(Read(999999));
}

} // namespace
