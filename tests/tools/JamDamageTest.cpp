// Damaged bases: every kind is written, and each one really carries its damage in the bytes.

#include "JamDamage.h"
#include "JamSynth.h"
#include "JamWriter.h"
#include "JamgenFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>

using jamgen::JamBaseModel;
using jamgentest::Base;
using jamgentest::Header;

namespace {

JamBaseModel soundModel() {
    jamgen::SynthOptions options;
    options.Messages = 60;
    options.Seed = 3;
    return jamgen::MakeSyntheticBase(options);
}

bool fileExists(const std::string& path) {
    return std::filesystem::exists(path);
}

class JamDamageTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(jamgen::WriteJamBase(soundModel(), dir.File("sound"), &error, &sound)) << error;
    }
    Base Damaged(const std::string& kind) {
        std::string error;
        EXPECT_TRUE(jamgen::WriteDamagedBase(kind, soundModel(), path, &error))
            << kind << ": " << error;
        return Base(path);
    }
    // Headers reached through the live index records.
    static std::vector<Header> LiveHeaders(const Base& base) {
        std::vector<Header> headers;
        for (const auto& r : base.Records) {
            if (r.HdrOffset != 0xFFFFFFFF && r.HdrOffset + 76u <= base.Jhr.size()) {
                headers.push_back(base.HeaderAt(r.HdrOffset));
            }
        }
        return headers;
    }
    // DatLen values of the subfield area, walked without trusting them further than the file.
    static std::vector<std::uint32_t> DatLens(const Base& base, const Header& h) {
        std::vector<std::uint32_t> lens;
        std::uint64_t pos = 0;
        const std::uint64_t area = h.HdrOffset + 76ull;
        while (pos < h.SubfieldLen && area + pos + 8 <= base.Jhr.size()) {
            std::uint32_t len = jamgentest::U32(base.Jhr, area + pos + 4);
            lens.push_back(len);
            pos += 8ull + len;
        }
        return lens;
    }

    jamgentest::Scratch dir;
    std::string path = dir.File("damaged");
    jamgen::JamWriteInfo sound;
};

TEST(DamageKinds, AreNamedOnceAndCoverTheBadInputList) {
    std::set<std::string_view> names;
    for (const auto& kind : jamgen::DamageKinds()) {
        EXPECT_TRUE(names.insert(kind.Name).second) << kind.Name;
        EXPECT_FALSE(kind.Summary.empty()) << kind.Name;
        EXPECT_EQ(kind.Name.find(' '), std::string_view::npos) << kind.Name;
        EXPECT_TRUE(jamgen::IsDamageKind(kind.Name));
    }
    for (const char* needed : {"header-1023",
                               "header-1024",
                               "no-jdt",
                               "no-jdx",
                               "index-partial",
                               "all-deleted",
                               "only-empty-recipient",
                               "hdroffset-past-end",
                               "subfieldlen-huge",
                               "datlen-ffffffff",
                               "subfields-after-4000",
                               "text-past-end",
                               "text-near-2g",
                               "kludge-overflow",
                               "basenum-0",
                               "basenum-1",
                               "basenum-100",
                               "basenum-fffffff0",
                               "reply-cycle",
                               "self-link",
                               "chain-200000"}) {
        EXPECT_TRUE(names.count(needed)) << needed;
    }
    EXPECT_FALSE(jamgen::IsDamageKind("no-such-kind"));
}

TEST_F(JamDamageTest, UnknownKindIsRefused) {
    std::string error;
    EXPECT_FALSE(jamgen::WriteDamagedBase("no-such-kind", soundModel(), path, &error));
    EXPECT_NE(error.find("no-such-kind"), std::string::npos) << error;
    EXPECT_FALSE(fileExists(path + ".jhr"));
}

TEST_F(JamDamageTest, EveryKindWritesItsFiles) {
    for (const auto& kind : jamgen::DamageKinds()) {
        if (kind.Name.find("200000") != std::string_view::npos) continue; // checked below
        std::string k(kind.Name);
        Damaged(k);
        for (const char* ext : {".jhr", ".jdt", ".jdx"}) {
            EXPECT_EQ(fileExists(path + ext), k != std::string("no-") + (ext + 1)) << k << ext;
        }
    }
}

TEST_F(JamDamageTest, CutAndMissingFiles) {
    EXPECT_EQ(Damaged("header-0").Jhr.size(), 0u);
    EXPECT_EQ(Damaged("header-1023").Jhr.size(), 1023u);
    Base empty = Damaged("header-1024");
    EXPECT_EQ(empty.Jhr.size(), 1024u);
    EXPECT_TRUE(empty.Jdx.empty());
    EXPECT_TRUE(empty.Jdt.empty());

    Base cut = Damaged("header-cut");
    std::uint32_t last = 0;
    for (const auto& m : sound.Messages) last = std::max(last, m.HdrOffset);
    EXPECT_EQ(cut.Jhr.size(), last + 40u);

    EXPECT_TRUE(Damaged("index-empty").Jdx.empty());
    Base partial = Damaged("index-partial");
    EXPECT_EQ(partial.Jdx.size(), sound.IndexRecords * 8u + 4u);
    EXPECT_EQ(partial.Records.size(), sound.IndexRecords);
}

TEST_F(JamDamageTest, DeletionMarksInTheIndex) {
    Base allDeleted = Damaged("all-deleted");
    ASSERT_EQ(allDeleted.Records.size(), 60u);
    for (const auto& r : allDeleted.Records) {
        EXPECT_EQ(r.HdrOffset, 0xFFFFFFFFu);
        EXPECT_NE(r.ToCrc, 0xFFFFFFFFu) << "ToCRC stays that of a real name";
    }
    for (const auto& r : Damaged("all-empty-records").Records) {
        EXPECT_EQ(r.ToCrc, 0xFFFFFFFFu);
        EXPECT_EQ(r.HdrOffset, 0xFFFFFFFFu);
    }
    Base toCrc = Damaged("tocrc-ffffffff");
    for (std::size_t i = 0; i < toCrc.Records.size(); ++i) {
        EXPECT_EQ(toCrc.Records[i].ToCrc, 0xFFFFFFFFu);
        EXPECT_EQ(toCrc.HeaderAt(toCrc.Records[i].HdrOffset).MsgNum, i + 1);
    }
    Base lonely = Damaged("only-empty-recipient");
    std::vector<Header> live = LiveHeaders(lonely);
    ASSERT_EQ(live.size(), 1u);
    EXPECT_EQ(lonely.Records[live[0].MsgNum - 1].ToCrc, 0xFFFFFFFFu);
    ASSERT_NE(live[0].Find(jamgen::kReceiverName), nullptr);
    EXPECT_EQ(live[0].Find(jamgen::kReceiverName)->Data, "");
    EXPECT_EQ(live[0].ReplyTo, 0u);
}

TEST_F(JamDamageTest, OffsetsAndLengthsBeyondTheFiles) {
    Base past = Damaged("hdroffset-past-end");
    std::set<std::uint32_t> offsets;
    for (const auto& r : past.Records) offsets.insert(r.HdrOffset);
    const auto size = static_cast<std::uint32_t>(past.Jhr.size());
    EXPECT_TRUE(offsets.count(size)) << "at the end";
    EXPECT_TRUE(offsets.count(size + 1)) << "just past it";
    EXPECT_TRUE(offsets.count(0xFFFFFFFE)) << "far past it";
    EXPECT_LT(*offsets.begin(), size) << "some stay sound";

    Base huge = Damaged("subfieldlen-huge");
    for (const Header& h : LiveHeaders(huge)) EXPECT_GT(h.SubfieldLen, huge.Jhr.size());

    Base text = Damaged("text-past-end");
    int beyond = 0, runsOver = 0;
    for (const Header& h : LiveHeaders(text)) {
        beyond += h.TxtOffset >= text.Jdt.size();
        runsOver += h.TxtOffset < text.Jdt.size() && h.TxtOffset + h.TxtLen > text.Jdt.size();
    }
    EXPECT_GT(beyond, 0);
    EXPECT_GT(runsOver, 0);

    std::set<std::uint32_t> txtOffsets;
    for (const Header& h : LiveHeaders(Damaged("text-near-2g"))) txtOffsets.insert(h.TxtOffset);
    for (std::uint32_t v : {0x7FFFFFF0u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu}) {
        EXPECT_TRUE(txtOffsets.count(v)) << std::hex << v;
    }
}

TEST_F(JamDamageTest, SubfieldLengthsThatLieOrWrap) {
    Base ff = Damaged("datlen-ffffffff");
    for (const Header& h : LiveHeaders(ff)) {
        std::vector<std::uint32_t> lens = DatLens(ff, h);
        EXPECT_NE(std::find(lens.begin(), lens.end(), 0xFFFFFFFFu), lens.end()) << h.MsgNum;
    }
    Base wrap = Damaged("datlen-wrap");
    bool onItself = false;
    for (const Header& h : LiveHeaders(wrap)) {
        std::vector<std::uint32_t> lens = DatLens(wrap, h);
        onItself |= std::find(lens.begin(), lens.end(), 0xFFFFFFF8u) != lens.end();
    }
    EXPECT_TRUE(onItself) << "8 + DatLen = 2^32";

    Base late = Damaged("subfields-after-4000");
    std::set<std::uint32_t> starts;
    for (const Header& h : LiveHeaders(late)) {
        const jamgentest::Sub* subject = h.Find(jamgen::kSubject);
        ASSERT_NE(subject, nullptr) << h.MsgNum;
        EXPECT_GE(subject->Offset, 3992u);
        EXPECT_GE(h.SubfieldLen, subject->Offset + 8u + subject->DatLen);
        starts.insert(subject->Offset);
    }
    EXPECT_TRUE(starts.count(3995) && starts.count(4000) && starts.count(4100));
}

TEST_F(JamDamageTest, KludgesOverflowTheKludgeBlock) {
    Base base = Damaged("kludge-overflow");
    for (const Header& h : LiveHeaders(base)) {
        std::size_t block = 0; // 0x01, label of up to 9 bytes, at most 240 bytes kept, CR
        for (const auto& s : h.Subs) {
            if (s.LoID >= 4 && s.LoID != jamgen::kSubject) {
                block += 1 + 9 + std::min<std::size_t>(s.Data.size(), 240) + 1;
            }
        }
        EXPECT_GT(block, 2 * 2001u) << h.MsgNum;
        bool overLong = std::any_of(h.Subs.begin(), h.Subs.end(),
                                    [](const auto& s) { return s.Data.size() > 240; });
        EXPECT_TRUE(overLong);
    }
}

TEST_F(JamDamageTest, BaseNumbers) {
    for (std::uint32_t number : {0u, 1u, 100u}) {
        char kind[32];
        std::snprintf(kind, sizeof kind, "basenum-%u", number);
        Base base = Damaged(kind);
        EXPECT_EQ(base.BaseMsgNum(), number);
        EXPECT_EQ(base.HeaderAt(base.Records[0].HdrOffset).MsgNum, number);
    }
    Base top = Damaged("basenum-fffffff0");
    EXPECT_EQ(top.BaseMsgNum(), 0xFFFFFFF0u);
    ASSERT_EQ(top.Records.size(), 60u);
    EXPECT_EQ(top.HeaderAt(top.Records[15].HdrOffset).MsgNum, 0xFFFFFFFFu);
    EXPECT_EQ(top.HeaderAt(top.Records[16].HdrOffset).MsgNum, 0u);
    EXPECT_EQ(top.HeaderAt(top.Records[17].HdrOffset).MsgNum, 1u);
}

TEST_F(JamDamageTest, ReplyLinksThatLoopOrPointNowhere) {
    // From any root, a walk over Reply1st and ReplyNext comes back to a message it has seen.
    Base cycle = Damaged("reply-cycle");
    bool loops = false;
    for (const Header& root : LiveHeaders(cycle)) {
        if (root.ReplyTo != 0) continue;
        std::set<std::uint32_t> seen{root.MsgNum};
        std::vector<std::uint32_t> todo{root.Reply1st};
        while (!todo.empty() && !loops) {
            std::uint32_t n = todo.back();
            todo.pop_back();
            auto h = cycle.Message(n);
            if (n == 0 || !h) continue;
            if (!seen.insert(n).second) loops = true;
            todo.push_back(h->Reply1st);
            todo.push_back(h->ReplyNext);
        }
    }
    EXPECT_TRUE(loops);

    bool self1st = false, selfNext = false;
    for (const Header& h : LiveHeaders(Damaged("self-link"))) {
        self1st |= h.Reply1st == h.MsgNum;
        selfNext |= h.ReplyNext == h.MsgNum;
    }
    EXPECT_TRUE(self1st && selfNext);

    bool beyond = false;
    for (const Header& h : LiveHeaders(Damaged("links-past-last"))) {
        beyond |= h.Reply1st > 60 || h.ReplyNext > 60;
    }
    EXPECT_TRUE(beyond);

    Base stale = Damaged("stale-links");
    bool toDeleted = false;
    for (const Header& h : LiveHeaders(stale)) {
        for (std::uint32_t link : {h.Reply1st, h.ReplyNext}) {
            toDeleted |= link != 0 && !stale.Message(link);
        }
    }
    EXPECT_TRUE(toDeleted);

    Base orphans = Damaged("parent-deleted");
    bool orphan = false;
    for (const Header& h : LiveHeaders(orphans)) orphan |= h.ReplyTo && !orphans.Message(h.ReplyTo);
    EXPECT_TRUE(orphan);
}

TEST_F(JamDamageTest, HeadersThatDisagreeWithTheIndex) {
    Base mismatch = Damaged("msgnum-mismatch");
    int wrong = 0;
    for (std::size_t i = 0; i < mismatch.Records.size(); ++i) {
        wrong += mismatch.HeaderAt(mismatch.Records[i].HdrOffset).MsgNum != i + 1;
    }
    EXPECT_EQ(wrong, 60);

    Base garbage = Damaged("index-garbage");
    std::set<std::uint32_t> real;
    for (const auto& m : sound.Messages) real.insert(m.HdrOffset);
    int elsewhere = 0;
    for (const auto& r : garbage.Records) {
        EXPECT_LT(r.HdrOffset, garbage.Jhr.size());
        elsewhere += real.count(r.HdrOffset) == 0;
    }
    EXPECT_GT(elsewhere, 30);

    Base unsigned_ = Damaged("bad-signatures");
    EXPECT_NE(unsigned_.Jhr.substr(0, 4), std::string("JAM\0", 4));
    for (const Header& h : LiveHeaders(unsigned_)) EXPECT_EQ(h.Signature, 0u);

    EXPECT_EQ(jamgentest::U32(Damaged("active-mismatch").Jhr, 12), 0xFFFFFFFFu);
}

TEST_F(JamDamageTest, OddFieldAndTextContents) {
    for (const Header& h : LiveHeaders(Damaged("long-fields"))) {
        EXPECT_GE(h.Find(jamgen::kSenderName)->Data.size(), 300u);
        EXPECT_GE(h.Find(jamgen::kSubject)->Data.size(), 1000u);
    }
    for (const Header& h : LiveHeaders(Damaged("control-bytes"))) {
        const std::string& subject = h.Find(jamgen::kSubject)->Data;
        EXPECT_NE(subject.find('\x1B'), std::string::npos);
        EXPECT_NE(subject.find('\0'), std::string::npos);
        EXPECT_EQ(h.Text.substr(0, 4), "\x1B[2J");
    }
    std::uint32_t longest = 0;
    bool onlyCr = false;
    for (const Header& h : LiveHeaders(Damaged("text-odd"))) {
        longest = std::max(longest, h.TxtLen);
        onlyCr |= h.TxtLen > 0 && h.Text == std::string(h.TxtLen, '\r');
    }
    EXPECT_GE(longest, 100000u);
    EXPECT_TRUE(onlyCr);
}

TEST_F(JamDamageTest, ThreadsOfTwoHundredThousand) {
    Base chain = Damaged("chain-200000");
    ASSERT_EQ(chain.Records.size(), 200000u);
    EXPECT_EQ(chain.Message(1)->Reply1st, 2u);
    for (std::uint32_t n : {2u, 1000u, 199999u}) {
        Header h = *chain.Message(n);
        EXPECT_EQ(h.ReplyTo, n - 1);
        EXPECT_EQ(h.Reply1st, n + 1);
        EXPECT_EQ(h.ReplyNext, 0u);
    }
    EXPECT_EQ(chain.Message(200000)->Reply1st, 0u);

    Base wide = Damaged("wide-200000");
    ASSERT_EQ(wide.Records.size(), 200000u);
    EXPECT_EQ(wide.Message(1)->Reply1st, 2u);
    for (std::uint32_t n : {2u, 77777u}) {
        Header h = *wide.Message(n);
        EXPECT_EQ(h.ReplyTo, 1u);
        EXPECT_EQ(h.Reply1st, 0u);
        EXPECT_EQ(h.ReplyNext, n + 1);
    }
    EXPECT_EQ(wide.Message(200000)->ReplyNext, 0u);
}

} // namespace
