// The subfield walk: names, subject and kludge lines, and damaged subfield areas.

#include "JamTestBase.h"

#include <gtest/gtest.h>

#include <algorithm>

using jamgen::JamBaseModel;
using jamgen::JamField;
using jamgen::JamMessage;
using jamtest::JamTest;

namespace {

class JamSubfieldTest : public JamTest {
protected:
    // Writes the one message and loads it.
    std::unique_ptr<TJamMsgBase> Load(const JamMessage& msg, int followers = 0) {
        JamBaseModel model;
        model.Messages.push_back(msg);
        for (int i = 1; i <= followers; ++i)
            model.AddMessage(msg.Number + i, "Next", "Someone", "Following");
        Write(model);
        auto reader = Open();
        reader->SeekNumber(msg.Number);
        reader->LoadMessage();
        return reader;
    }
    static std::vector<std::string> KludgeLines(const TJamMsgBase& reader) {
        std::vector<std::string> lines;
        std::string_view block = reader.KludgeBlock();
        while (!block.empty()) {
            std::size_t cr = block.find('\r');
            lines.emplace_back(block.substr(0, cr));
            block.remove_prefix(cr == std::string_view::npos ? block.size() : cr + 1);
        }
        return lines;
    }
    static JamMessage Message(std::uint32_t number = 1) {
        JamMessage msg;
        msg.Number = number;
        return msg;
    }
};

TEST_F(JamSubfieldTest, NamesAndSubjectAreCutAndRepeatsReplace) {
    JamMessage msg = Message();
    msg.AddSubfield(jamgen::kSenderName, "First sender");
    msg.AddSubfield(jamgen::kSenderName, std::string(70, 's'));
    msg.AddSubfield(jamgen::kReceiverName, std::string(66, 'r'));
    msg.AddSubfield(jamgen::kSubject, std::string(300, 'x'));
    auto reader = Load(msg);
    EXPECT_EQ(reader->FromName(), std::string(65, 's'));
    EXPECT_EQ(reader->ToName(), std::string(65, 'r'));
    EXPECT_EQ(reader->SubjectText(), std::string(100, 'x'));
    EXPECT_EQ(reader->KludgeBlock(), "");

    msg.AddSubfield(jamgen::kSubject, "");
    reader = Load(msg);
    EXPECT_EQ(reader->SubjectText(), "");
}

TEST_F(JamSubfieldTest, KludgeLinesFollowHeaderOrderWithLabels) {
    JamMessage msg = Message();
    const std::pair<std::uint16_t, std::string> subfields[] = {
        {jamgen::kOAddress, "1:2/3"},
        {jamgen::kMsgId, "1:2/3 1234abcd"},
        {jamgen::kReplyId, "1:2/4 0"},
        {jamgen::kPid, "Editor 1"},
        {jamgen::kTrace, "1:2/3 @x"},
        {jamgen::kDAddress, "1:2/4"},
        {jamgen::kSeenBy2D, "2/3 4"},
        {jamgen::kPath2D, "2/3"},
        {jamgen::kFlags, "DIR"},
        {jamgen::kTzUtcInfo, "0100"},
        {jamgen::kFtsKludge, "CHRS: CP437 2"},
        {jamgen::kEnclosedFile, "file.zip"},
        {4711, "odd"},
        {jamgen::kMsgId, "second id"},
    };
    for (const auto& [id, data] : subfields) msg.AddSubfield(id, data);
    auto reader = Load(msg);
    const std::vector<std::string> expected = {
        "\x01MSGID: 1:2/3 1234abcd",
        "\x01REPLY: 1:2/4 0",
        "\x01PID: Editor 1",
        "\x01Via: 1:2/3 @x",
        "\x01SEEN-BY: 2/3 4",
        "\x01PATH: 2/3",
        "\x01"
        "FLAGS: DIR",
        "\x01TZUTC: 0100",
        "\x01"
        "CHRS: CP437 2",
        "\x01"
        "file.zip",
        "\x01odd",
        "\x01MSGID: second id",
    };
    EXPECT_EQ(KludgeLines(*reader), expected);

    // The names alone, for a list: the same header, no kludge lines.
    msg.AddSubfield(jamgen::kSenderName, "Sysop");
    msg.AddSubfield(jamgen::kSubject, "Hello");
    reader = Load(msg);
    reader->LoadNames();
    EXPECT_EQ(reader->FromName(), "Sysop");
    EXPECT_EQ(reader->SubjectText(), "Hello");
    EXPECT_EQ(reader->KludgeBlock(), "");
    // The same names as views, cut as the kept names are; the later of two subjects wins.
    msg.AddSubfield(jamgen::kSubject, std::string(120, 's'));
    reader = Load(msg);
    const TJamMsgBase::TNameViews names = reader->LoadNameViews();
    EXPECT_EQ(names.From, "Sysop");
    EXPECT_EQ(names.Subject, std::string(100, 's'));
    EXPECT_EQ(reader->FromName(), "");
}

TEST_F(JamSubfieldTest, KludgeTextsAreCutToTheirLimits) {
    JamMessage msg = Message();
    msg.AddSubfield(jamgen::kTzUtcInfo, std::string(80, 't'));
    msg.AddSubfield(jamgen::kSeenBy2D, std::string(300, 'b'));
    msg.AddSubfield(2000, std::string(300, 'k'));
    auto reader = Load(msg);
    auto lines = KludgeLines(*reader);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "\x01TZUTC: " + std::string(65, 't'));
    EXPECT_EQ(lines[1], "\x01SEEN-BY: " + std::string(240, 'b'));
    EXPECT_EQ(lines[2], "\x01" + std::string(240, 'k'));
}

TEST_F(JamSubfieldTest, SubfieldsPastTheFirst4000BytesAreNotSeen) {
    JamMessage msg = Message();
    msg.AddSubfield(jamgen::kSenderName, "Alice");
    // Filler so that the next subfield starts at offset 4100 of the subfield area.
    msg.AddSubfield(9999, std::string(4100 - 13 - 8, 'f'));
    msg.AddSubfield(jamgen::kSubject, "Too far");
    auto reader = Load(msg, 1);
    EXPECT_EQ(reader->FromName(), "Alice");
    EXPECT_EQ(reader->SubjectText(), "");

    // A subfield whose head ends exactly at byte 4000 is seen, its data cut to nothing; one
    // whose head would cross byte 4000 is dropped.
    for (std::size_t start : {3992u, 3993u}) {
        SCOPED_TRACE(start);
        msg = Message();
        msg.AddSubfield(9999, std::string(start - 8, 'f'));
        msg.AddSubfield(jamgen::kPid, "Cut");
        reader = Load(msg, 1);
        auto lines = KludgeLines(*reader);
        ASSERT_EQ(lines.size(), start == 3992 ? 2u : 1u);
        if (start == 3992) {
            EXPECT_EQ(lines[1], "\x01PID: ");
        }
    }
}

TEST_F(JamSubfieldTest, LengthsBeyondTheBytesReadAreCutAndEnd) {
    // DatLen of all ones (the next offset would wrap a 32-bit sum), and a DatLen that makes the
    // next 32-bit offset land back on the same subfield.
    for (std::uint32_t datLen : {0xFFFFFFFFu, 0xFFFFFFF8u}) {
        SCOPED_TRACE(datLen);
        JamMessage msg = Message();
        msg.AddSubfield(jamgen::kPid, "Tool");
        msg.AddSubfield(jamgen::kSenderName, "Alice");
        msg.Subfields.back().DatLenOverride = datLen;
        msg.AddSubfield(jamgen::kSubject, "Hidden");
        auto reader = Load(msg, 1);
        // The sender takes what remains of the subfield area, and nothing follows it.
        std::string rest = reader->FromName().Str();
        EXPECT_EQ(rest.substr(0, 5), "Alice");
        EXPECT_EQ(rest.size(), 5u + 8u + 6u);
        EXPECT_EQ(reader->SubjectText(), "");
        EXPECT_EQ(KludgeLines(*reader), std::vector<std::string>{"\x01PID: Tool"});
    }
}

TEST_F(JamSubfieldTest, SubfieldLenBoundsTheWalk) {
    // Far beyond the file, on the last header: only the bytes read are walked.
    JamMessage msg = Message();
    msg.AddSubfield(jamgen::kSenderName, "Alice");
    msg.AddSubfield(jamgen::kSubject, "Hello");
    msg.Overrides[JamField::SubfieldLen] = 0x7FFFFFFF;
    auto reader = Load(msg);
    EXPECT_EQ(reader->FromName(), "Alice");
    EXPECT_EQ(reader->SubjectText(), "Hello");
    EXPECT_EQ(reader->KludgeBlock(), "");

    // Shorter than the subfields written: the one it ends in is cut there.
    msg.Overrides[JamField::SubfieldLen] = 8 + 5 + 8 + 3;
    reader = Load(msg, 1);
    EXPECT_EQ(reader->FromName(), "Alice");
    EXPECT_EQ(reader->SubjectText(), "Hel");

    // Zero: no subfields at all.
    msg.Overrides[JamField::SubfieldLen] = 0;
    reader = Load(msg, 1);
    EXPECT_EQ(reader->FromName(), "");
}

TEST_F(JamSubfieldTest, HeaderCutByTheEndOfTheFile) {
    JamMessage msg = Message();
    msg.AddSubfield(jamgen::kSenderName, "Alice");
    msg.AddSubfield(jamgen::kSubject, "Hello there");
    JamBaseModel model;
    model.Messages.push_back(msg);
    Write(model);
    std::string error;
    ASSERT_TRUE(jamgen::TruncateFile(base + ".jhr", info.HeaderFileSize - 4, &error)) << error;
    auto reader = Open();
    reader->SeekNumber(1);
    reader->LoadMessage();
    EXPECT_EQ(reader->LastIOError(), 0);
    EXPECT_EQ(reader->FromName(), "Alice");
    EXPECT_EQ(reader->SubjectText(), "Hello t");
}

TEST_F(JamSubfieldTest, KludgeBlockOverflowKeepsLineEnds) {
    JamMessage msg = Message();
    msg.AddSubfield(jamgen::kSenderName, "Alice");
    for (int i = 0; i < 10; ++i)
        msg.AddSubfield(jamgen::kSeenBy2D, std::string(240, static_cast<char>('a' + i)));
    msg.Text = "First body line\rSecond\r";
    auto reader = Load(msg);
    // Lines of 250 bytes and their CR: seven fit whole, the eighth is cut, the rest dropped.
    std::string_view block = reader->KludgeBlock();
    EXPECT_EQ(block.size(), 2001u);
    EXPECT_EQ(block.back(), '\r');
    auto lines = KludgeLines(*reader);
    ASSERT_EQ(lines.size(), 8u);
    for (std::size_t i = 0; i < 7; ++i) EXPECT_EQ(lines[i].size(), 250u);
    EXPECT_EQ(lines[7], "\x01SEEN-BY: " + std::string(2001 - 7 * 251 - 11, 'h'));

    // The body's first line is still a line of its own.
    auto shown = jamtest::Lines(*reader, 254);
    ASSERT_GE(shown.size(), 2u);
    EXPECT_EQ(shown[shown.size() - 2], "First body line");
    EXPECT_EQ(shown.back(), "Second");
}

TEST(JamKludgeBlock, AppendKeepsRoomForTheLineEnd) {
    auto reader = TJamMsgBase::Create();
    ASSERT_TRUE(reader);
    std::string line(1999, 'x');
    reader->AppendKludge(line); // 1999 bytes and the CR: one byte of room left
    EXPECT_EQ(reader->KludgeBlock().size(), 2000u);
    reader->AppendKludge("y"); // no room for a byte and its CR
    EXPECT_EQ(reader->KludgeBlock().size(), 2000u);
    reader->AppendKludge(""); // an empty line is only its CR
    EXPECT_EQ(reader->KludgeBlock().size(), 2001u);
    reader->AppendKludge("");
    EXPECT_EQ(reader->KludgeBlock().size(), 2001u);
    EXPECT_EQ(reader->KludgeBlock().substr(1999), "\r\r");
}

} // namespace
