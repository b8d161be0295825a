// Reading a message as display lines: line ends, wrapping, the kludge block, damaged texts.

#include "JamTestBase.h"

#include <gtest/gtest.h>

#include <cerrno>

using jamgen::JamBaseModel;
using jamgen::JamField;
using jamgen::JamMessage;
using jamtest::JamTest;
using Lines = std::vector<std::string>;

namespace {

class JamTextTest : public JamTest {
protected:
    // Writes message 2 with the text (after message 1, so its text does not start the file) and
    // returns its lines at the width.
    Lines Read(const std::string& text, unsigned width = 79,
               const std::vector<std::string>& kludges = {}, bool softCRIsLetter = false) {
        JamBaseModel model;
        model.AddMessage(1, "Before", "Someone", "First").Text = "Other text\r";
        JamMessage& msg = model.AddMessage(2, "Alice", "Bob", "Subject");
        for (const std::string& k : kludges) msg.AddSubfield(9999, k);
        msg.Text = text;
        Write(model);
        reader = Open();
        reader->SetSoftCRIsLetter(softCRIsLetter);
        reader->SeekNumber(2);
        reader->LoadMessage();
        return jamtest::Lines(*reader, width);
    }
    std::unique_ptr<TJamMsgBase> reader;
};

std::string chars(std::size_t n, char first = 'a') {
    std::string s;
    for (std::size_t i = 0; i < n; ++i) s += static_cast<char>(first + i % 26);
    return s;
}

TEST_F(JamTextTest, LineEnds) {
    EXPECT_EQ(Read(""), Lines{});
    EXPECT_EQ(Read("abc"), Lines{"abc"});
    EXPECT_EQ(Read("abc\r"), Lines{"abc"});
    EXPECT_EQ(Read("one\r\ntwo\r\n"), (Lines{"one", "two"}));
    EXPECT_EQ(Read("one\rtwo\r"), (Lines{"one", "two"}));
    // Bytes that are dropped make no line of their own at the end.
    EXPECT_EQ(Read(std::string("abc\r\n\0", 6)), Lines{"abc"});
    EXPECT_EQ(Read("abc\x8D"), Lines{"abc"});
    EXPECT_EQ(Read("\n\n"), Lines{});
    EXPECT_EQ(Read("ab\ncd\r"), Lines{"abcd"});
    EXPECT_EQ(Read(std::string("a\x8D"
                               "b\0c\r",
                               6)),
              Lines{"abc"});
    EXPECT_EQ(Read("\r\r x\r"), (Lines{"", "", " x"}));
    // LF alone ends no line: the text is one long line, wrapped by width.
    EXPECT_EQ(Read("aaaa\nbbbb\ncccc", 5), (Lines{"aaaabb", "bbcccc"}));
}

TEST_F(JamTextTest, SoftLineEndOrTheLetterOf866) {
    struct Case {
        const char* text;
        bool letter;
        Lines lines;
    };
    // In code page 866 a lone 0x8D is the capital letter EN; before an LF it is the old soft line
    // end wherever it stands. Elsewhere it is always dropped.
    const Case cases[] = {
        {"\x8D\xAE\xA2\xAE\xE1\xE2\xA8\r", true, {"\x8D\xAE\xA2\xAE\xE1\xE2\xA8"}},
        {"\x8D\xAE\xA2\xAE\xE1\xE2\xA8\r", false, {"\xAE\xA2\xAE\xE1\xE2\xA8"}},
        {"one\x8D\ntwo\r", true, {"onetwo"}},
        {"abc\x8D", true, {"abc\x8D"}},
        {"abc\r\x8D\n", true, {"abc"}},
        {"\x8D\r", true, {"\x8D"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Read(c.text, 79, {}, c.letter), c.lines) << c.text << (c.letter ? " in 866" : "");
}

TEST_F(JamTextTest, WrappingAtWidth79) {
    const std::string hundred = chars(100);
    EXPECT_EQ(Read(hundred), (Lines{hundred.substr(0, 80), hundred.substr(80)}));
    EXPECT_EQ(Read(chars(80) + "\r"), (Lines{chars(80)}));

    // Last blank before column 80 at column 60: the line ends with it.
    std::string spaced = chars(59) + " " + chars(40, 'A') + "\r";
    EXPECT_EQ(Read(spaced), (Lines{chars(59) + " ", chars(40, 'A')}));

    // Blanks at columns 80, 81 and 82: the first ends the line, the second is dropped.
    std::string blanks = chars(79) + "   " + "tail\r";
    EXPECT_EQ(Read(blanks), (Lines{chars(79) + " ", " tail"}));

    // One leading blank, then a word longer than the width.
    EXPECT_EQ(Read(" " + hundred + "\r"), (Lines{" ", hundred.substr(0, 80), hundred.substr(80)}));

    // A line that fills the width exactly, followed by nothing but blanks and dropped bytes up to
    // its line end, is one line, whole: not cut at its last blank, no empty line after it.
    const std::string full = chars(30) + " " + chars(46);
    struct Case {
        std::string text;
        Lines lines;
    };
    const Case cases[] = {
        {chars(77) + "\r", {chars(77)}},
        {full + "\r", {full}},
        {full + "  \n \r" + "next\r", {full, "next"}},
        {full + "   ", {full}},
        {full + " x\r", {chars(30) + " ", chars(46) + " x"}},
        {chars(76) + " tail\r", {chars(76) + " ", "tail"}},
        {chars(78) + "\r", {chars(77), "z"}},
    };
    for (const Case& c : cases) EXPECT_EQ(Read(c.text, 76), c.lines) << c.text;

    // Words wrap, and only the first blank after a wrap is dropped.
    std::string words;
    for (int i = 0; i < 30; ++i) words += "word" + std::to_string(i) + " ";
    Lines got = Read(words + "\r");
    std::string joined;
    for (const std::string& line : got) {
        EXPECT_LE(line.size(), 80u);
        joined += line;
    }
    EXPECT_EQ(joined, words);
}

TEST_F(JamTextTest, KludgeLinesComeFirstAndWrapLikeText) {
    EXPECT_EQ(Read("", 79, {"k1", "k2"}), (Lines{"\x01k1", "\x01k2"}));

    // A last kludge line of exactly 80 characters: returned whole, then the text's first line,
    // whose leading blank stays.
    std::string k80 = chars(79);
    EXPECT_EQ(Read(" body\r", 79, {"k1", k80}), (Lines{"\x01k1", "\x01" + k80, " body"}));

    // A long kludge line wraps at a blank like any other line; its second piece says it goes on
    // from the first, the text's line after it does not.
    std::string longKludge = chars(50) + " " + chars(50);
    EXPECT_EQ(Read("x\r", 79, {longKludge}), (Lines{"\x01" + chars(50) + " ", chars(50), "x"}));
    reader->RewindText();
    std::vector<bool> continues;
    while (!reader->TextDone()) {
        reader->ReadTextLine(79);
        continues.push_back(reader->LineContinues());
    }
    EXPECT_EQ(continues, (std::vector<bool>{false, true, false}));
}

TEST_F(JamTextTest, RewindReadsAgainAndDoneStaysDone) {
    Lines first = Read("one\rtwo three\r", 5, {"kl"});
    EXPECT_EQ(first, (Lines{"\x01kl", "one", "two ", "three"}));
    EXPECT_EQ(jamtest::Lines(*reader, 5), first);
    EXPECT_TRUE(reader->TextDone());
    EXPECT_EQ(reader->ReadTextLine(79), "");
    EXPECT_TRUE(reader->TextDone());
}

TEST_F(JamTextTest, WidthIsCappedToAShortString) {
    std::string text = chars(600);
    Lines got = Read(text, 1000);
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0], text.substr(0, 255));
    EXPECT_EQ(got[1], text.substr(255, 255));
    EXPECT_EQ(got[2], text.substr(510));
}

TEST_F(JamTextTest, LongTextsReadTheSameWithAnyCache) {
    std::string text;
    Lines expected;
    for (int i = 0; i < 3000; ++i) {
        expected.push_back("Line " + std::to_string(i) + " " +
                           chars(static_cast<std::size_t>(i % 60)));
        text += expected.back() + "\r";
    }
    EXPECT_EQ(Read(text), expected);
    auto tiny = Open(TJamCacheSizes{500, 30, 3, 1});
    tiny->SeekNumber(2);
    tiny->LoadMessage();
    EXPECT_EQ(jamtest::Lines(*tiny), expected);
    // The next message read through the same cache.
    tiny->SeekNumber(1);
    tiny->LoadMessage();
    EXPECT_EQ(jamtest::Lines(*tiny), Lines{"Other text"});
}

TEST_F(JamTextTest, TextsBeyondTheFileEndWithIt) {
    // TxtOffset and TxtLen as stored, against a text file of 8 bytes.
    JamBaseModel model;
    model.AddMessage(1, "A", "B", "S").Text = "abc\rdef\r";
    Write(model);
    const std::uint64_t size = info.TextFileSize;
    const std::pair<std::uint32_t, std::uint32_t> fields[] = {
        {0, 0xFFFFFFFF},                            // runs to the end of the file
        {static_cast<std::uint32_t>(size) + 10, 5}, // starts past the end
        {0x7FFFFFF0, 0x20},                         // near 2^31
        {0xFFFFFF00, 0xFFFFFFFF},                   // the end beyond 2^32
        {4, 0xFFFFFFFF},                            // from the second line on
    };
    const Lines expected[] = {{"abc", "def"}, {}, {}, {}, {"def"}};
    for (std::size_t i = 0; i < std::size(fields); ++i) {
        SCOPED_TRACE(i);
        model.Messages[0].Overrides[JamField::TxtOffset] = fields[i].first;
        model.Messages[0].Overrides[JamField::TxtLen] = fields[i].second;
        Write(model);
        reader = Open();
        reader->SeekNumber(1);
        reader->LoadMessage();
        EXPECT_EQ(jamtest::Lines(*reader), expected[i]);
    }
}

TEST_F(JamTextTest, TextReadFailureEndsTheText) {
    Read("abc\rdef\r");
    FailFileOp(FileOp::Read, ".jdt", EIO);
    // A fresh reader, so that nothing of the text is cached yet.
    auto fresh = Open();
    fresh->SeekNumber(2);
    fresh->LoadMessage();
    EXPECT_EQ(jamtest::Lines(*fresh), Lines{});
    EXPECT_EQ(fresh->LastIOError(), EIO);
    EXPECT_TRUE(fresh->TextDone());
}

TEST_F(JamTextTest, ReadingOnAfterANewHeaderStaysInBounds) {
    Read("text\r", 79, {"a kludge line"});
    reader->RewindText();
    reader->ReadTextLine(3);
    reader->LoadHeader(); // empties the kludge block while its reading is under way
    for (int i = 0; i < 10 && !reader->TextDone(); ++i) reader->ReadTextLine(79);
    EXPECT_TRUE(reader->TextDone());
}

} // namespace
