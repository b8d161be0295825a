// Synthetic echo areas: the same bytes for the same seed, believable thread shapes, kludges and
// texts.

#include "JamSynth.h"
#include "JamWriter.h"
#include "JamgenFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

using jamgen::JamBaseModel;
using jamgen::JamMessage;
using jamgen::SynthOptions;

namespace {

JamBaseModel make(std::uint32_t messages, std::uint64_t seed, std::uint32_t base = 1) {
    SynthOptions options;
    options.Messages = messages;
    options.Seed = seed;
    options.BaseMsgNum = base;
    return jamgen::MakeSyntheticBase(options);
}

TEST(SynthRandom, IsTheSameSequenceEverywhere) {
    // splitmix64 from seed 0: its first outputs are published constants.
    jamgen::SynthRandom rng(0);
    EXPECT_EQ(rng.Next(), 0xE220A8397B1DCDAFull);
    EXPECT_EQ(rng.Next(), 0x6E789E6AA1B965F4ull);
    jamgen::SynthRandom bounded(42);
    for (int i = 0; i < 1000; ++i) EXPECT_LT(bounded.Below(7), 7u);
    EXPECT_EQ(bounded.Below(0), 0u);
}

TEST(SynthBase, SameSeedWritesTheSameBytesAndOtherSeedsDiffer) {
    jamgentest::Scratch dir;
    std::string error;
    ASSERT_TRUE(jamgen::WriteJamBase(make(1500, 7), dir.File("a"), &error)) << error;
    ASSERT_TRUE(jamgen::WriteJamBase(make(1500, 7), dir.File("b"), &error)) << error;
    ASSERT_TRUE(jamgen::WriteJamBase(make(1500, 8), dir.File("c"), &error)) << error;
    for (const char* ext : {".jhr", ".jdt", ".jdx"}) {
        EXPECT_EQ(ReadFileBytes(dir.File("a") + ext), ReadFileBytes(dir.File("b") + ext)) << ext;
    }
    EXPECT_NE(ReadFileBytes(dir.File("a.jdt")), ReadFileBytes(dir.File("c.jdt")));
    EXPECT_EQ(ReadFileBytes(dir.File("a.jdx")).size(), 1500u * 8);
}

class SynthShape : public ::testing::Test {
protected:
    void SetUp() override {
        model = make(4000, 11, 500);
        for (const JamMessage& m : model.Messages) byNumber[m.Number] = &m;
    }
    const JamMessage& Root(const JamMessage& m) const {
        const JamMessage* at = &m;
        while (at->ReplyTo) at = byNumber.at(at->ReplyTo);
        return *at;
    }
    int Depth(const JamMessage& m) const {
        int depth = 0;
        for (const JamMessage* at = &m; at->ReplyTo; at = byNumber.at(at->ReplyTo)) ++depth;
        return depth;
    }

    JamBaseModel model;
    std::map<std::uint32_t, const JamMessage*> byNumber;
};

TEST_F(SynthShape, NumbersRunOnFromTheBaseAndRepliesPointBack) {
    ASSERT_EQ(model.Messages.size(), 4000u);
    EXPECT_EQ(model.Header.BaseMsgNum, 500u);
    for (std::size_t i = 0; i < model.Messages.size(); ++i) {
        const JamMessage& m = model.Messages[i];
        EXPECT_EQ(m.Number, 500 + i);
        EXPECT_FALSE(m.Deleted);
        if (m.ReplyTo) {
            EXPECT_LT(m.ReplyTo, m.Number);
            EXPECT_TRUE(byNumber.count(m.ReplyTo)) << m.Number;
        }
    }
}

TEST_F(SynthShape, ThreadsComeInSeveralShapes) {
    std::map<std::uint32_t, int> threadSize, directReplies;
    int deepest = 0, repliesToReplies = 0;
    for (const JamMessage& m : model.Messages) {
        ++threadSize[Root(m).Number];
        deepest = std::max(deepest, Depth(m));
        if (m.ReplyTo) {
            ++directReplies[m.ReplyTo];
            repliesToReplies += byNumber.at(m.ReplyTo)->ReplyTo != 0;
        }
    }
    int singles = 0, big = 0;
    for (const auto& [root, size] : threadSize) {
        singles += size == 1;
        big += size >= 20;
    }
    int widest = 0;
    for (const auto& [parent, count] : directReplies) widest = std::max(widest, count);
    EXPECT_GT(singles * 100, int(threadSize.size()) * 25) << "many single messages";
    EXPECT_GT(big, 5) << "some long threads";
    EXPECT_GE(deepest, 25) << "some deep chains";
    EXPECT_GE(widest, 15) << "some wide trees";
    EXPECT_GT(repliesToReplies, 400);
    // Threads interleave: a reply does not always follow its parent directly.
    int apart = 0;
    for (const JamMessage& m : model.Messages) apart += m.ReplyTo && m.Number - m.ReplyTo > 5;
    EXPECT_GT(apart, 500);
}

TEST_F(SynthShape, EveryMessageCarriesHeadersAndKludges) {
    std::set<std::string> msgIds;
    for (const JamMessage& m : model.Messages) {
        for (std::uint16_t id : {jamgen::kSenderName, jamgen::kReceiverName, jamgen::kSubject,
                                 jamgen::kMsgId, jamgen::kPid, jamgen::kTzUtcInfo,
                                 jamgen::kFtsKludge, jamgen::kSeenBy2D, jamgen::kPath2D}) {
            ASSERT_NE(m.FindSubfield(id), nullptr) << m.Number << " lacks " << id;
        }
        EXPECT_TRUE(msgIds.insert(*m.FindSubfield(jamgen::kMsgId)).second) << m.Number;
        const std::string& subject = *m.FindSubfield(jamgen::kSubject);
        if (m.ReplyTo == 0) {
            EXPECT_EQ(*m.FindSubfield(jamgen::kReceiverName), "All");
            EXPECT_EQ(m.FindSubfield(jamgen::kReplyId), nullptr);
            continue;
        }
        const JamMessage& parent = *byNumber.at(m.ReplyTo);
        EXPECT_EQ(subject, "Re: " + *Root(m).FindSubfield(jamgen::kSubject));
        EXPECT_EQ(*m.FindSubfield(jamgen::kReceiverName),
                  *parent.FindSubfield(jamgen::kSenderName));
        ASSERT_NE(m.FindSubfield(jamgen::kReplyId), nullptr);
        EXPECT_EQ(*m.FindSubfield(jamgen::kReplyId), *parent.FindSubfield(jamgen::kMsgId));
        EXPECT_GE(m.DateWritten, parent.DateWritten);
    }
}

TEST_F(SynthShape, TextsAreOneToThreeKilobytesOfShortLines) {
    for (const JamMessage& m : model.Messages) {
        ASSERT_GE(m.Text.size(), 1000u) << m.Number;
        ASSERT_LE(m.Text.size(), 3300u) << m.Number;
        ASSERT_EQ(m.Text.back(), '\r');
        EXPECT_NE(m.Text.find("\r * Origin: "), std::string::npos);
        EXPECT_NE(m.Text.find("\r--- "), std::string::npos);
        std::size_t start = 0;
        for (std::size_t cr = m.Text.find('\r'); cr != std::string::npos;
             start = cr + 1, cr = m.Text.find('\r', start)) {
            ASSERT_LE(cr - start, 79u) << m.Number;
        }
        EXPECT_EQ(m.Text.find('\n'), std::string::npos);
        if (m.ReplyTo) {
            EXPECT_NE(m.Text.find("> "), std::string::npos) << "replies quote";
        }
    }
}

} // namespace
