// The JAM writer's bytes, read back by hand: fixed header, index records, message headers,
// subfields, texts, CRCs and the derived reply links.

#include "JamWriter.h"
#include "JamAppend.h"
#include "JamgenFiles.h"

#include <gtest/gtest.h>

#include <filesystem>

using jamgen::JamBaseModel;
using jamgen::JamField;
using jamgentest::Base;
using jamgentest::Header;

namespace {

class JamWriterTest : public ::testing::Test {
protected:
    Base Write(const JamBaseModel& model) {
        std::string error;
        EXPECT_TRUE(jamgen::WriteJamBase(model, path, &error, &info)) << error;
        return Base(path);
    }

    jamgentest::Scratch dir;
    std::string path = dir.File("area");
    jamgen::JamWriteInfo info;
};

TEST(JamCrc, MatchesTheReflectedCrc32WithoutFinalInversion) {
    // The common CRC-32 check value of "123456789" is 0xCBF43926 after the final inversion.
    EXPECT_EQ(jamgen::JamCrc32("123456789"), ~0xCBF43926u);
    EXPECT_EQ(jamgen::JamCrc32(""), 0xFFFFFFFFu);
}

TEST(JamCrc, LowerCasesAsciiLettersOnly) {
    EXPECT_EQ(jamgen::JamCrc32("SysOp"), jamgen::JamCrc32("sysop"));
    EXPECT_EQ(jamgen::JamCrc32("ALL"), jamgen::JamCrc32("all"));
    // 0x8E (Ä) and 0x84 (ä) are different bytes and stay different.
    EXPECT_NE(jamgen::JamCrc32("\x8E"), jamgen::JamCrc32("\x84"));
}

TEST(JamTimeStamp, KnownDates) {
    EXPECT_EQ(jamgen::JamTimeStamp(1970, 1, 1), 0u);
    EXPECT_EQ(jamgen::JamTimeStamp(1970, 1, 1, 23, 59, 59), 86399u);
    EXPECT_EQ(jamgen::JamTimeStamp(2000, 2, 29), 951782400u);
    EXPECT_EQ(jamgen::JamTimeStamp(2106, 2, 7, 6, 28, 15), 4294967295u);
}

TEST(JamTimeStamp, RefusesImpossibleAndUnrepresentableDates) {
    EXPECT_FALSE(jamgen::JamTimeStamp(2106, 2, 7, 6, 28, 16));
    EXPECT_FALSE(jamgen::JamTimeStamp(1969, 12, 31, 23, 59, 59));
    EXPECT_FALSE(jamgen::JamTimeStamp(1999, 2, 29));
    EXPECT_FALSE(jamgen::JamTimeStamp(1900, 2, 29));
    EXPECT_TRUE(jamgen::JamTimeStamp(2004, 2, 29));
    EXPECT_FALSE(jamgen::JamTimeStamp(2000, 13, 1));
    EXPECT_FALSE(jamgen::JamTimeStamp(2000, 4, 31));
    EXPECT_FALSE(jamgen::JamTimeStamp(2000, 1, 1, 24, 0, 0));
    EXPECT_FALSE(jamgen::JamTimeStamp(2000, 1, 1, 0, 60, 0));
}

TEST(JamFieldNames, RoundTripAndIgnoreCase) {
    for (int f = 0; f <= static_cast<int>(JamField::IdxHdrOffset); ++f) {
        auto field = static_cast<JamField>(f);
        EXPECT_EQ(jamgen::JamFieldFromName(jamgen::JamFieldName(field)), field);
    }
    EXPECT_EQ(jamgen::JamFieldFromName("subfieldlen"), JamField::SubfieldLen);
    EXPECT_EQ(jamgen::JamFieldFromName("TOCRC"), JamField::IdxToCRC);
    EXPECT_FALSE(jamgen::JamFieldFromName("Subfield"));
    EXPECT_EQ(jamgen::JamFieldOffset(JamField::TxtLen), 64);
    EXPECT_EQ(jamgen::JamFieldOffset(JamField::Revision), 4);
}

TEST_F(JamWriterTest, FixedHeaderHoldsSignatureCountersAndBaseNumber) {
    JamBaseModel model;
    model.Header.BaseMsgNum = 100;
    model.Header.ModCounter = 7;
    model.Header.DateCreated = 123456;
    model.AddMessage(100, "A", "B", "one");
    model.AddMessage(101, "A", "B", "two").Deleted = true;
    model.AddMessage(102, "A", "B", "three");
    Base base = Write(model);
    ASSERT_GE(base.Jhr.size(), 1024u);
    EXPECT_EQ(base.Jhr.substr(0, 4), std::string("JAM\0", 4));
    EXPECT_EQ(jamgentest::U32(base.Jhr, 4), 123456u);
    EXPECT_EQ(jamgentest::U32(base.Jhr, 8), 7u);
    EXPECT_EQ(jamgentest::U32(base.Jhr, 12), 2u) << "ActiveMsgs counts live messages";
    EXPECT_EQ(jamgentest::U32(base.Jhr, 20), 100u);
    EXPECT_EQ(base.Jhr.substr(24, 1000), std::string(1000, '\0'));
    EXPECT_EQ(info.ActiveMsgs, 2u);

    model.Header.ActiveMsgs = 99;
    EXPECT_EQ(jamgentest::U32(Write(model).Jhr, 12), 99u) << "a stored value is kept as given";
}

TEST_F(JamWriterTest, EmptyBaseIsTheFixedHeaderAlone) {
    Base base = Write(JamBaseModel{});
    EXPECT_EQ(base.Jhr.size(), 1024u);
    EXPECT_TRUE(base.Jdt.empty());
    EXPECT_TRUE(base.Jdx.empty());
}

TEST_F(JamWriterTest, HeadersSubfieldsAndTextsFollowTheLayout) {
    JamBaseModel model;
    auto& first = model.AddMessage(1, "Harold Pinkett", "All", "Modems", 951782400);
    first.AddSubfield(jamgen::kMsgId, "2:250/1 0001");
    first.AddSubfield(jamgen::kPid, "SkeinMail 1.2");
    first.Text = "Line one\rLine two\r";
    auto& second = model.AddMessage(2, "Marta", "Harold Pinkett", "Re: Modems", 951782460, 1);
    second.AddSubfield(jamgen::kReplyId, "2:250/1 0001");
    second.Text = "Short\r";
    Base base = Write(model);

    ASSERT_EQ(base.Jdx.size(), 16u);
    EXPECT_EQ(base.Records[0].HdrOffset, 1024u) << "the first header follows the fixed header";
    Header h1 = base.HeaderAt(base.Records[0].HdrOffset);
    EXPECT_EQ(h1.Signature, jamgen::kJamSignature);
    EXPECT_EQ(h1.Revision, 1);
    EXPECT_EQ(h1.MsgNum, 1u);
    EXPECT_EQ(h1.DateWritten, 951782400u);
    ASSERT_EQ(h1.Subs.size(), 5u);
    const std::uint16_t order[] = {jamgen::kSenderName, jamgen::kReceiverName, jamgen::kSubject,
                                   jamgen::kMsgId, jamgen::kPid};
    std::uint32_t total = 0;
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(h1.Subs[i].LoID, order[i]);
        EXPECT_EQ(h1.Subs[i].DatLen, h1.Subs[i].Data.size());
        total += 8 + h1.Subs[i].DatLen;
    }
    EXPECT_EQ(h1.SubfieldLen, total);
    EXPECT_EQ(h1.Subs[0].Data, "Harold Pinkett");
    EXPECT_EQ(h1.Subs[3].Data, "2:250/1 0001");
    EXPECT_EQ(h1.Text, "Line one\rLine two\r");
    EXPECT_EQ(h1.TxtOffset, 0u);

    // Headers and texts lie back to back.
    EXPECT_EQ(base.Records[1].HdrOffset, 1024u + 76u + total);
    Header h2 = base.HeaderAt(base.Records[1].HdrOffset);
    EXPECT_EQ(h2.TxtOffset, h1.TxtLen);
    EXPECT_EQ(h2.Text, "Short\r");
    EXPECT_EQ(base.Jhr.size(), base.Records[1].HdrOffset + 76u + h2.SubfieldLen);
    EXPECT_EQ(base.Jdt.size(), h1.TxtLen + h2.TxtLen);
    EXPECT_EQ(info.HeaderFileSize, base.Jhr.size());
    EXPECT_EQ(info.Messages[1].HdrOffset, base.Records[1].HdrOffset);
}

TEST_F(JamWriterTest, CrcsOfRecipientMsgIdAndReply) {
    JamBaseModel model;
    model.AddMessage(1, "A", "SysOp", "s").AddSubfield(jamgen::kMsgId, "1:2/3 ABCD");
    model.AddMessage(2, "A", "", "to nobody").AddSubfield(jamgen::kReplyId, "1:2/3 abcd");
    auto& third = model.AddMessage(3, "A", "x", "s");
    third.Subfields.erase(third.Subfields.begin() + 1); // no RECEIVERNAME at all
    Base base = Write(model);

    EXPECT_EQ(base.Records[0].ToCrc, jamgen::JamCrc32("sysop"));
    EXPECT_EQ(base.Records[1].ToCrc, 0xFFFFFFFFu) << "the CRC of an empty name";
    EXPECT_EQ(base.Records[2].ToCrc, 0xFFFFFFFFu);
    Header h1 = *base.Message(1);
    Header h2 = *base.Message(2);
    EXPECT_EQ(h1.MsgIdCrc, jamgen::JamCrc32("1:2/3 abcd"));
    EXPECT_EQ(h1.ReplyCrc, 0xFFFFFFFFu) << "no REPLY subfield";
    EXPECT_EQ(h2.ReplyCrc, h1.MsgIdCrc);
    EXPECT_EQ(h2.MsgIdCrc, 0xFFFFFFFFu);
}

TEST_F(JamWriterTest, ReplyLinksChainRepliesInNumberOrder) {
    // 1 <- 2, 1 <- 4, 1 <- 6; 2 <- 3; 3 <- 5; 7 answers a message that is not there.
    JamBaseModel model;
    model.AddMessage(1, "A", "All", "root");
    model.AddMessage(4, "D", "A", "Re: root", 0, 1); // given out of order on purpose
    model.AddMessage(2, "B", "A", "Re: root", 0, 1);
    model.AddMessage(3, "C", "B", "Re: root", 0, 2);
    model.AddMessage(5, "E", "C", "Re: root", 0, 3);
    model.AddMessage(6, "F", "A", "Re: root", 0, 1);
    model.AddMessage(7, "G", "?", "Re: lost", 0, 40);
    Base base = Write(model);

    auto links = [&](std::uint32_t n) {
        Header h = *base.Message(n);
        return std::make_pair(h.Reply1st, h.ReplyNext);
    };
    EXPECT_EQ(links(1), std::make_pair(2u, 0u));
    EXPECT_EQ(links(2), std::make_pair(3u, 4u));
    EXPECT_EQ(links(3), std::make_pair(5u, 0u));
    EXPECT_EQ(links(4), std::make_pair(0u, 6u));
    EXPECT_EQ(links(5), std::make_pair(0u, 0u));
    EXPECT_EQ(links(6), std::make_pair(0u, 0u));
    EXPECT_EQ(links(7), std::make_pair(0u, 0u));
    EXPECT_EQ(base.Message(7)->ReplyTo, 40u) << "ReplyTo is written as given";
}

TEST_F(JamWriterTest, DeletedMessagesKeepTheirHeaderButLeaveIndexAndChains) {
    JamBaseModel model;
    model.AddMessage(1, "A", "All", "root");
    model.AddMessage(2, "B", "A", "Re: root", 0, 1).Deleted = true;
    model.AddMessage(3, "C", "B", "Re: root", 0, 2); // its parent is gone
    model.AddMessage(4, "D", "A", "Re: root", 0, 1);
    Base base = Write(model);

    EXPECT_EQ(base.Records[1].ToCrc, 0xFFFFFFFFu);
    EXPECT_EQ(base.Records[1].HdrOffset, 0xFFFFFFFFu);
    EXPECT_EQ(base.Message(1)->Reply1st, 4u);
    EXPECT_EQ(base.Message(3)->ReplyTo, 2u);
    Header gone = base.HeaderAt(info.Messages[1].HdrOffset);
    EXPECT_EQ(gone.MsgNum, 2u);
    EXPECT_NE(gone.Attribute & jamgen::kJamMsgDeleted, 0u);
    EXPECT_EQ(gone.Reply1st, 0u);
}

TEST_F(JamWriterTest, GapsAndMinimumIndexBecomeEmptyRecords) {
    JamBaseModel model;
    model.AddMessage(1, "A", "B", "one");
    model.AddMessage(4, "A", "B", "four");
    model.MinIndexRecords = 6;
    Base base = Write(model);
    ASSERT_EQ(base.Records.size(), 6u);
    for (std::size_t r : {1u, 2u, 4u, 5u}) {
        EXPECT_EQ(base.Records[r].ToCrc, 0xFFFFFFFFu) << r;
        EXPECT_EQ(base.Records[r].HdrOffset, 0xFFFFFFFFu) << r;
    }
    EXPECT_EQ(base.Message(4)->MsgNum, 4u);
}

TEST_F(JamWriterTest, NumbersWrapAroundTheTopOfTheRange) {
    JamBaseModel model;
    model.Header.BaseMsgNum = 0xFFFFFFF0;
    model.AddMessage(2, "A", "B", "after the wrap", 0, 0xFFFFFFF0);
    model.AddMessage(0xFFFFFFF0, "A", "B", "first");
    Base base = Write(model);
    ASSERT_EQ(base.Records.size(), 19u);
    EXPECT_EQ(base.HeaderAt(base.Records[0].HdrOffset).MsgNum, 0xFFFFFFF0u);
    EXPECT_EQ(base.HeaderAt(base.Records[18].HdrOffset).MsgNum, 2u);
    EXPECT_EQ(base.Message(0xFFFFFFF0)->Reply1st, 2u);
}

TEST_F(JamWriterTest, OverridesReplaceDerivedValuesOnly) {
    JamBaseModel model;
    auto& msg = model.AddMessage(1, "A", "B", "s");
    msg.Text = "text\r";
    msg.Overrides[JamField::SubfieldLen] = 0xFFFFFFF0;
    msg.Overrides[JamField::TxtOffset] = 0x7FFFFFF0;
    msg.Overrides[JamField::Revision] = 0x12345; // a 16-bit field keeps the low half
    msg.Overrides[JamField::IdxHdrOffset] = 5;
    msg.Overrides[JamField::IdxToCRC] = 0xFFFFFFFF;
    msg.Subfields[2].DatLenOverride = 0xFFFFFFFF;
    model.AddMessage(2, "C", "D", "untouched");
    Base base = Write(model);

    EXPECT_EQ(base.Records[0].HdrOffset, 5u);
    EXPECT_EQ(base.Records[0].ToCrc, 0xFFFFFFFFu);
    Header h = base.HeaderAt(info.Messages[0].HdrOffset);
    EXPECT_EQ(h.SubfieldLen, 0xFFFFFFF0u);
    EXPECT_EQ(h.TxtOffset, 0x7FFFFFF0u);
    EXPECT_EQ(h.TxtLen, 5u);
    EXPECT_EQ(h.Revision, 0x2345);
    EXPECT_EQ(jamgentest::U16(base.Jhr, info.Messages[0].HdrOffset + 6), 0) << "ReservedWord";
    const std::size_t subject = info.Messages[0].HdrOffset + 76 + 8 + 1 + 8 + 1;
    EXPECT_EQ(jamgentest::U32(base.Jhr, subject + 4), 0xFFFFFFFFu);
    EXPECT_EQ(base.Jhr.substr(subject + 8, 1), "s") << "the data itself is still written";
    // The real layout goes on as if nothing were overridden.
    EXPECT_EQ(info.Messages[1].HdrOffset, info.Messages[0].HdrOffset + 76 + 8 * 3 + 3);
    EXPECT_EQ(base.Records[1].HdrOffset, info.Messages[1].HdrOffset);
    Header h2 = *base.Message(2);
    EXPECT_EQ(h2.TxtOffset, 5u);
    EXPECT_EQ(h2.Revision, 1);
}

TEST_F(JamWriterTest, RefusesModelsItCannotWrite) {
    std::string error;
    JamBaseModel twice;
    twice.AddMessage(3, "A", "B", "s");
    twice.AddMessage(3, "A", "B", "s");
    EXPECT_FALSE(jamgen::WriteJamBase(twice, path, &error));
    EXPECT_NE(error.find("message 3 is given twice"), std::string::npos) << error;

    JamBaseModel below;
    below.Header.BaseMsgNum = 10;
    below.AddMessage(9, "A", "B", "s");
    EXPECT_FALSE(jamgen::CheckJamModel(below, &error));
    EXPECT_NE(error.find("message 9"), std::string::npos) << error;

    JamBaseModel fine;
    fine.AddMessage(1, "A", "B", "s");
    EXPECT_FALSE(jamgen::WriteJamBase(fine, dir.File("no/such/folder/base"), &error));
    EXPECT_NE(error.find("no/such/folder/base.jhr"), std::string::npos) << error;
}

TEST_F(JamWriterTest, FileHelpersPatchTruncateAndReport) {
    std::string error;
    const std::string file = dir.File("bytes");
    ASSERT_TRUE(jamgen::WriteWholeFile(file, "abcdefgh", &error)) << error;
    ASSERT_TRUE(jamgen::PatchFileBytes(file, 2, "XY", &error)) << error;
    ASSERT_TRUE(jamgen::PatchFileU32(file, 10, 0x01020304, &error)) << error;
    std::string bytes;
    ASSERT_TRUE(jamgen::ReadWholeFile(file, &bytes, &error)) << error;
    EXPECT_EQ(bytes, std::string("abXYefgh\0\0\x04\x03\x02\x01", 14));
    ASSERT_TRUE(jamgen::TruncateFile(file, 3, &error)) << error;
    EXPECT_EQ(ReadFileBytes(file), "abX");

    EXPECT_FALSE(jamgen::PatchFileBytes(dir.File("missing"), 0, "x", &error));
    EXPECT_NE(error.find("missing"), std::string::npos);
    EXPECT_FALSE(jamgen::TruncateFile(dir.File("missing"), 0, &error));
    EXPECT_FALSE(jamgen::ReadWholeFile(dir.File(""), &bytes, &error)) << "a folder is no file";
    EXPECT_FALSE(std::filesystem::exists(dir.File("missing")));
}

} // namespace

namespace {

// Appending as a tosser does gives, byte for byte, the base written whole at once: new headers
// and texts at the ends of their files, the index grown over a gap, replies linked into old and
// new chains in number order, the counters raised.
TEST_F(JamWriterTest, AppendingGivesTheBaseWrittenWholeAtOnce) {
    JamBaseModel before;
    before.Header.ModCounter = 7;
    before.AddMessage(1, "A", "All", "First");
    before.AddMessage(2, "B", "A", "Re: First", 0, 1);
    before.AddMessage(3, "C", "All", "Second");
    JamBaseModel added;
    added.AddMessage(4, "D", "A", "Re: First", 0, 1);      // at the end of 1's chain
    added.AddMessage(6, "E", "C", "Re: Second", 0, 3);     // after a gap
    added.AddMessage(7, "F", "E", "Re: Re: Second", 0, 6); // under a new message
    added.AddMessage(8, "G", "All", "Gone").Deleted = true;
    added.AddMessage(9, "H", "A", "Re: First", 0, 1);
    Write(before);
    std::string error;
    ASSERT_TRUE(jamgen::AppendJamMessages(added, path, &error)) << error;

    JamBaseModel whole = before;
    whole.Header.ModCounter = 8;
    for (const auto& m : added.Messages) whole.Messages.push_back(m);
    const std::string wholePath = dir.File("whole");
    ASSERT_TRUE(jamgen::WriteJamBase(whole, wholePath, &error)) << error;
    for (const char* ext : {".jhr", ".jdt", ".jdx"})
        EXPECT_EQ(ReadFileBytes(path + ext), ReadFileBytes(wholePath + ext)) << ext;

    EXPECT_FALSE(jamgen::AppendJamMessages(added, path, &error)); // not above the base now
    EXPECT_EQ(error, "message 4 is not above the base");
}

} // namespace
