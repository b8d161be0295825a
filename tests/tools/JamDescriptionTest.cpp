// The readable base description: items, subfield order, text escapes, code page 437, errors
// with their line numbers, and the bundled demo base.

#include "JamDescription.h"
#include "Cp437.h"
#include "JamWriter.h"
#include "JamgenFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

using jamgen::JamBaseModel;
using jamgen::JamField;
using jamgen::JamMessage;

namespace {

JamBaseModel parse(const std::string& text) {
    JamBaseModel model;
    std::string error;
    EXPECT_TRUE(jamgen::ParseJamDescription(text, "test.txt", &model, &error)) << error;
    return model;
}

std::string errorOf(const std::string& text) {
    JamBaseModel model;
    std::string error;
    EXPECT_FALSE(jamgen::ParseJamDescription(text, "test.txt", &model, &error)) << text;
    return error;
}

TEST(JamDescription, BaseSettingsAndMessageFields) {
    JamBaseModel model = parse("# a comment\n"
                               "BaseMsgNum: 10\n"
                               "ModCounter: 0x20\n"
                               "DateCreated: 2000-02-29\n"
                               "ActiveMsgs: 99\n"
                               "IndexRecords: 5\n"
                               "\n"
                               "Msg: 11\n"
                               "date: 1970-01-01 23:59:59\n"
                               "Received: 1970-01-02 00:00\n"
                               "Processed: 12345\n"
                               "ReplyTo: 10\n"
                               "Attribute: 0x20\n"
                               "TimesRead: 3\n"
                               "Deleted: yes\n");
    EXPECT_EQ(model.Header.BaseMsgNum, 10u);
    EXPECT_EQ(model.Header.ModCounter, 32u);
    EXPECT_EQ(model.Header.DateCreated, 951782400u);
    EXPECT_EQ(model.Header.ActiveMsgs, 99u);
    EXPECT_EQ(model.MinIndexRecords, 5u);
    ASSERT_EQ(model.Messages.size(), 1u);
    const JamMessage& m = model.Messages[0];
    EXPECT_EQ(m.Number, 11u);
    EXPECT_EQ(m.DateWritten, 86399u);
    EXPECT_EQ(m.DateReceived, 86400u);
    EXPECT_EQ(m.DateProcessed, 12345u);
    EXPECT_EQ(m.ReplyTo, 10u);
    EXPECT_EQ(m.Attribute, 0x20u);
    EXPECT_EQ(m.TimesRead, 3u);
    EXPECT_TRUE(m.Deleted);
    EXPECT_TRUE(m.Text.empty());
}

TEST(JamDescription, SubfieldsKeepTheirOrderTypesAndData) {
    JamBaseModel model = parse("Msg: 1\n"
                               "MSGID: 77:100/1 0001\n"
                               "From: Harold Pinkett  \n"
                               "to:   All\n"
                               "Subject: Re: colons: kept\n"
                               "CHRS: CP437 2\n"
                               "Kludge: RESCANNED 77:100/1\n"
                               "SEEN-BY: 100/1 3\n"
                               "PATH2D: 100/1\n"
                               "TZUTC: -0500\n"
                               "Via: 77:100/1 @19950201\n"
                               "FLAGS: LOK\n"
                               "OADDRESS: 77:100/1\n"
                               "Subfield: 9999 any data\n"
                               "DatLen: 0xFFFFFFFF\n"
                               "Subfield: 12\n");
    const std::vector<std::pair<std::uint16_t, std::string>> expected = {
        {jamgen::kMsgId, "77:100/1 0001"},
        {jamgen::kSenderName, "Harold Pinkett"},
        {jamgen::kReceiverName, "All"},
        {jamgen::kSubject, "Re: colons: kept"},
        {jamgen::kFtsKludge, "CHRS: CP437 2"},
        {jamgen::kFtsKludge, "RESCANNED 77:100/1"},
        {jamgen::kSeenBy2D, "100/1 3"},
        {jamgen::kPath2D, "100/1"},
        {jamgen::kTzUtcInfo, "-0500"},
        {jamgen::kTrace, "77:100/1 @19950201"},
        {jamgen::kFlags, "LOK"},
        {jamgen::kOAddress, "77:100/1"},
        {9999, "any data"},
        {12, ""},
    };
    const auto& subs = model.Messages.at(0).Subfields;
    ASSERT_EQ(subs.size(), expected.size());
    for (std::size_t i = 0; i < subs.size(); ++i) {
        EXPECT_EQ(subs[i].LoID, expected[i].first) << i;
        EXPECT_EQ(subs[i].Data, expected[i].second) << i;
    }
    EXPECT_EQ(subs[12].DatLenOverride, 0xFFFFFFFFu);
    EXPECT_FALSE(subs[13].DatLenOverride);
}

TEST(JamDescription, RawOverridesOfHeaderAndIndexFields) {
    JamBaseModel model = parse("Msg: 1\n"
                               "Set: SubfieldLen 0xFFFFFFF0\n"
                               "Set: txtoffset 2147483647\n"
                               "Set: HdrOffset 0xFFFFFFFF\n"
                               "Set: ToCRC 0\n");
    const auto& o = model.Messages[0].Overrides;
    EXPECT_EQ(o.at(JamField::SubfieldLen), 0xFFFFFFF0u);
    EXPECT_EQ(o.at(JamField::TxtOffset), 0x7FFFFFFFu);
    EXPECT_EQ(o.at(JamField::IdxHdrOffset), 0xFFFFFFFFu);
    EXPECT_EQ(o.at(JamField::IdxToCRC), 0u);
}

TEST(JamDescription, TextLinesEndInCrUnlessContinued) {
    JamBaseModel model = parse("Msg: 1\n"
                               "|first\n"
                               "|\n"
                               "|  indented, trailing blanks kept  \n"
                               "|crlf\\r\\n\\\n"
                               "|soft \\s\\\n"
                               "|wrap\n"
                               "|no end\\\n");
    EXPECT_EQ(model.Messages[0].Text, "first\r\r  indented, trailing blanks kept  \r"
                                      "crlf\r\nsoft \x8Dwrap\rno end");
}

TEST(JamDescription, EscapesGiveAnyByte) {
    JamBaseModel model = parse("Msg: 1\n"
                               "Subject: tab\\there \\\\ \\x41\\x8d\\xFF\n"
                               "|nul\\0byte \\x01kludge-like\\x0d\n");
    EXPECT_EQ(*model.Messages[0].FindSubfield(jamgen::kSubject), "tab\there \\ A\x8D\xFF");
    EXPECT_EQ(model.Messages[0].Text, std::string("nul\0byte \x01kludge-like\r\r", 23));
}

TEST(JamDescription, Utf8IsStoredAsCodePage437) {
    JamBaseModel model = parse("Msg: 1\n"
                               "From: Dieter Mühlbauer\n"
                               "|╔═╗ é ñ ß ░▒▓█ £ ½\n");
    EXPECT_EQ(*model.Messages[0].FindSubfield(jamgen::kSenderName), "Dieter M\x81hlbauer");
    EXPECT_EQ(model.Messages[0].Text, "\xC9\xCD\xBB \x82 \xA4 \xE1 \xB0\xB1\xB2\xDB \x9C \xAB\r");
}

TEST(JamDescription, CodePageTableIsABijectionOverTheHighHalf) {
    std::set<char32_t> seen;
    for (int b = 0x80; b <= 0xFF; ++b) {
        char32_t ch = jamgen::Cp437ToUnicode(static_cast<unsigned char>(b));
        EXPECT_TRUE(seen.insert(ch).second) << "byte " << b;
        EXPECT_EQ(jamgen::UnicodeToCp437(ch), b);
    }
    EXPECT_EQ(jamgen::UnicodeToCp437(U'A'), 'A');
    EXPECT_FALSE(jamgen::UnicodeToCp437(U'€'));
}

TEST(JamDescription, CodePageLinesStoreTheLinesAfterThemInThatCodePage) {
    JamBaseModel model = parse("Msg: 1\n"
                               "Subject: Ça\n"
                               "CodePage: 866\n"
                               "Msg: 2\n"
                               "Subject: Привет ╔═\n"
                               "|Ёж \\x80\n"
                               "CodePage: 737\n"
                               "Msg: 3\n"
                               "Subject: Ωω\n");
    EXPECT_EQ(*model.Messages[0].FindSubfield(jamgen::kSubject), "\x80\x61");
    EXPECT_EQ(*model.Messages[1].FindSubfield(jamgen::kSubject),
              "\x8F\xE0\xA8\xA2\xA5\xE2 \xC9\xCD");
    EXPECT_EQ(model.Messages[1].Text, "\xF0\xA6 \x80\r");
    EXPECT_EQ(*model.Messages[2].FindSubfield(jamgen::kSubject), "\x97\xE0");
}

TEST(JamDescription, CrLfFilesAndByteOrderMarkReadTheSame) {
    JamBaseModel plain = parse("Msg: 1\nFrom: A\n|text\n");
    JamBaseModel dos = parse("\xEF\xBB\xBFMsg: 1\r\nFrom: A\r\n|text\r\n");
    EXPECT_EQ(dos.Messages[0].Text, plain.Messages[0].Text);
    EXPECT_EQ(*dos.Messages[0].FindSubfield(jamgen::kSenderName), "A");
}

TEST(JamDescription, DeletedNumbersMarkMessagesOrExtendTheIndex) {
    JamBaseModel model = parse("DeletedNumbers: 2, 9\n"
                               "Msg: 1\n"
                               "Msg: 2\n"
                               "DeletedNumbers: 3\n"
                               "Msg: 3\n");
    EXPECT_FALSE(model.Messages[0].Deleted);
    EXPECT_TRUE(model.Messages[1].Deleted);
    EXPECT_TRUE(model.Messages[2].Deleted);
    EXPECT_EQ(model.MinIndexRecords, 9u);
}

TEST(JamDescription, ErrorsNameTheLine) {
    const std::map<std::string, std::string> cases = {
        {"Msg: 1\nFrm: x\n", "test.txt:2: unknown key 'Frm'"},
        {"\n\nFrom: x\n", "test.txt:3: 'From' outside a message"},
        {"|text\n", "test.txt:1: a text line outside a message"},
        {"Msg: 1\nBaseMsgNum: 5\n", "test.txt:2: base setting 'BaseMsgNum' after the first"},
        {"Msg: 1\nReplyTo: seven\n", "test.txt:2: 'seven' is not a number for ReplyTo"},
        {"Msg: 1\nReplyTo: 4294967296\n", "test.txt:2: '4294967296' is not a number"},
        {"Msg: 1\nDate: 1999-02-29\n", "test.txt:2: '1999-02-29' is not a date"},
        {"Msg: 1\nDate: 2000-01-01 12\n", "test.txt:2: '2000-01-01 12' is not a date"},
        {"Msg: 1\n|bad \\q\n", "test.txt:2: unknown escape \\q"},
        {"Msg: 1\n|bad \\x4\n", "test.txt:2: \\x needs two hex digits"},
        {"Msg: 1\nSubject: ends in \\\n", "test.txt:2: a backslash ends the value"},
        {"Msg: 1\n|price 10 €\n", "test.txt:2: character U+20AC has no code page 437 byte"},
        {"CodePage: 866\nMsg: 1\n|Ça\n", "test.txt:3: character U+00C7 has no code page 866 byte"},
        {"CodePage: 1251\n", "test.txt:1: code page 1251 is not one of 437, 720, 737, 862 and 866"},
        {"CodePage: ru\n", "test.txt:1: 'ru' is not a number for CodePage"},
        {"Msg: 1\n|\xC3\n", "test.txt:2: malformed UTF-8"},
        {"Msg: 1\n|\xC3(\n", "test.txt:2: malformed UTF-8"},
        {"Msg: 1\nMsg: 2\nMsg: 1\n", "test.txt:3: message 1 is given twice"},
        {"BaseMsgNum: 10\nMsg: 9\n", "test.txt:2: message 9 does not fit"},
        {"Msg: 1\nDatLen: 5\n", "test.txt:2: DatLen needs a subfield before it"},
        {"Msg: 1\nSet: Color 5\n", "test.txt:2: Set: unknown field 'Color'"},
        {"Msg: 1\nSet: TxtLen\n", "test.txt:2: Set: TxtLen needs a number"},
        {"Msg: 1\nDeleted: maybe\n", "test.txt:2: Deleted takes yes or no"},
        {"Msg: 1\nSubfield: big data\n", "test.txt:2: Subfield needs a type number"},
        {"Msg: 1\nSubfield: 65536 x\n", "test.txt:2: Subfield needs a type number"},
        {"Msg: 1\njust words\n", "test.txt:2: expected 'Key: value'"},
        {"BaseMsgNum: 10\nDeletedNumbers: 3\n", "test.txt:2: deleted number 3 does not fit"},
    };
    for (const auto& [text, expected] : cases) {
        std::string error = errorOf(text);
        EXPECT_EQ(error.rfind(expected, 0), 0u) << "got: " << error;
    }
}

TEST(JamDescription, LoadReportsAMissingFile) {
    JamBaseModel model;
    std::string error;
    EXPECT_FALSE(jamgen::LoadJamDescription("/nonexistent/demo.txt", &model, &error));
    EXPECT_NE(error.find("/nonexistent/demo.txt"), std::string::npos) << error;
}

// The bundled demo must keep the shapes that the reader's screens are shown with.
class DemoDescription : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(jamgen::LoadJamDescription(std::string(SKEIN_SOURCE_DIR) + "/samples/demo.txt",
                                               &model, &error))
            << error;
        for (const JamMessage& m : model.Messages) byNumber[m.Number] = &m;
    }
    int Depth(const JamMessage& m) const {
        int depth = 0;
        for (auto it = byNumber.find(m.ReplyTo); it != byNumber.end() && depth < 100;
             it = byNumber.find(it->second->ReplyTo)) {
            ++depth;
        }
        return depth;
    }

    JamBaseModel model;
    std::map<std::uint32_t, const JamMessage*> byNumber;
};

TEST_F(DemoDescription, HasThreadsOfSeveralShapes) {
    EXPECT_GE(model.Messages.size(), 24u);
    int deepest = 0;
    std::map<std::uint32_t, int> replies;
    int singles = 0;
    for (const JamMessage& m : model.Messages) {
        deepest = std::max(deepest, Depth(m));
        if (m.ReplyTo) ++replies[m.ReplyTo];
    }
    for (const JamMessage& m : model.Messages) {
        if (m.ReplyTo == 0 && !m.Deleted && replies.count(m.Number) == 0) ++singles;
    }
    int widest = 0;
    for (const auto& [parent, count] : replies) widest = std::max(widest, count);
    EXPECT_GE(deepest, 5) << "a chain five deep";
    EXPECT_GE(widest, 6) << "a wide tree";
    EXPECT_GE(singles, 3) << "single messages";
    bool orphan = std::any_of(model.Messages.begin(), model.Messages.end(), [&](const auto& m) {
        auto parent = byNumber.find(m.ReplyTo);
        return !m.Deleted && parent != byNumber.end() && parent->second->Deleted;
    });
    EXPECT_TRUE(orphan) << "a message whose parent is deleted";
}

TEST_F(DemoDescription, HasTheTextCasesTheViewerShows) {
    bool crlf = false, soft = false, box = false, accent = false, empty = false, longLine = false;
    std::set<std::uint16_t> kludges;
    for (const JamMessage& m : model.Messages) {
        crlf |= m.Text.find("\r\n") != std::string::npos;
        soft |= m.Text.find('\x8D') != std::string::npos;
        box |= m.Text.find('\xCD') != std::string::npos; // double horizontal line
        accent |=
            m.Text.find('\x81') != std::string::npos || m.Text.find('\x82') != std::string::npos;
        empty |= m.Text.empty() && !m.Deleted;
        std::size_t start = 0;
        for (std::size_t cr = m.Text.find('\r'); cr != std::string::npos;
             start = cr + 1, cr = m.Text.find('\r', start)) {
            longLine |= cr - start > 79;
        }
        for (const auto& sub : m.Subfields) kludges.insert(sub.LoID);
    }
    EXPECT_TRUE(crlf);
    EXPECT_TRUE(soft);
    EXPECT_TRUE(box);
    EXPECT_TRUE(accent);
    EXPECT_TRUE(empty);
    EXPECT_TRUE(longLine);
    for (std::uint16_t id :
         {jamgen::kMsgId, jamgen::kReplyId, jamgen::kPid, jamgen::kTzUtcInfo, jamgen::kFtsKludge}) {
        EXPECT_TRUE(kludges.count(id)) << "subfield type " << id;
    }
    EXPECT_TRUE(std::any_of(model.Messages.begin(), model.Messages.end(),
                            [](const JamMessage& m) { return m.Deleted; }));
}

TEST_F(DemoDescription, WritesABaseWhoseEveryReplyLinkResolves) {
    jamgentest::Scratch dir;
    std::string error;
    ASSERT_TRUE(jamgen::WriteJamBase(model, dir.File("demo"), &error)) << error;
    jamgentest::Base base(dir.File("demo"));
    for (const JamMessage& m : model.Messages) {
        auto h = base.Message(m.Number);
        ASSERT_EQ(h.has_value(), !m.Deleted) << m.Number;
        if (!h) continue;
        for (std::uint32_t link : {h->Reply1st, h->ReplyNext}) {
            if (link != 0) {
                EXPECT_TRUE(base.Message(link)) << m.Number << " links to " << link;
            }
        }
    }
}

} // namespace
