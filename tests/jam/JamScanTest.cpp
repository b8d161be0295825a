// Scans (BeginScan/EndScan): a scan reads headers and index records through its block caches and
// must give exactly what reading every header from the file gives, with any cache size, on sound
// and on damaged bases; and a base that grows meanwhile must be read on into its new messages.

#include "JamDamage.h"
#include "JamSynth.h"
#include "JamTestBase.h"

#include <gtest/gtest.h>

#include <sstream>

using jamgen::JamBaseModel;
using jamtest::JamTest;
using jamtest::Walk;

namespace {

using Numbers = std::vector<std::int64_t>;

// The smallest caches: one index record, one byte of text, header blocks of one byte.
const TJamCacheSizes minimumSizes{1, 0, 1, 0, 1, 1, 1};
// Small enough that blocks are refilled and evicted all the time, and headers straddle blocks.
const TJamCacheSizes smallSizes{7, 3, 64, 5, 2, 1000, 2};

// Everything a caller can see of the message loaded last.
std::string loadedText(TJamMsgBase& r) {
    std::ostringstream out;
    const TDateRec d = r.WrittenDate();
    out << r.CurNumber() << ' ' << r.MsgNumber() << ' ' << r.ReplyTo() << ' ' << r.Reply1st() << ' '
        << r.ReplyNext() << ' ' << r.TxtOffset() << ' ' << r.TxtLen() << ' ' << d.Year << '-'
        << d.Month << '-' << d.Day << ' ' << d.Hour << ':' << d.Min << ':' << d.Sec << " read "
        << (r.HeaderBytes() > 0) << " err " << r.LastIOError() << " [" << r.FromName().Str()
        << "] [" << r.ToName().Str() << "] [" << r.SubjectText().Str() << "] [" << r.KludgeBlock()
        << ']';
    return out.str();
}

// What one reader makes of a base: a full walk loading every header alone and then with its
// subfields, a thread-like pass that follows every reply link and comes back, and jumps
// back and forth over the whole number range, both below and beyond the base.
std::vector<std::string> walkTrace(TJamMsgBase& r, bool scan) {
    std::vector<std::string> trace;
    if (scan) r.BeginScan();
    r.SeekNumber(0);
    while (r.HasCurrent()) {
        r.LoadHeader();
        trace.push_back("H " + loadedText(r));
        r.LoadMessage();
        trace.push_back("M " + loadedText(r));
        const std::int64_t here = r.CurNumber();
        for (std::int32_t link : {r.Reply1st(), r.ReplyNext(), r.ReplyTo()}) {
            if (link == 0) continue;
            r.SeekNumber(link);
            r.LoadMessage();
            trace.push_back("L " + loadedText(r));
        }
        r.SeekNumber(static_cast<std::int32_t>(here));
        r.StepNext();
    }
    const std::int64_t last = r.LastNumber();
    std::uint32_t x = 12345;
    for (int i = 0; i < 300; ++i) {
        x = x * 1103515245u + 12345u;
        const auto n = static_cast<std::int32_t>((x >> 8) % static_cast<std::uint32_t>(last + 5));
        r.SeekNumber(n);
        r.LoadMessage();
        trace.push_back("J " + std::to_string(n) + ' ' + std::to_string(r.HasCurrent()) + ' ' +
                        loadedText(r));
    }
    if (scan) r.EndScan();
    return trace;
}

class JamScanTest : public JamTest {
protected:
    // Reading every header from the file, then the scan with the default, small and minimum
    // caches: all four traces must be the same.
    void ExpectScansReadAsPlainReads() {
        auto plain = Open();
        ASSERT_TRUE(plain);
        const std::vector<std::string> expected = walkTrace(*plain, false);
        ASSERT_FALSE(expected.empty());
        for (const TJamCacheSizes& sizes : {TJamCacheSizes{}, smallSizes, minimumSizes}) {
            SCOPED_TRACE(sizes.HeaderBlockBytes);
            auto reader = Open(sizes);
            ASSERT_TRUE(reader);
            const std::vector<std::string> got = walkTrace(*reader, true);
            ASSERT_EQ(got.size(), expected.size());
            for (std::size_t i = 0; i < got.size(); ++i) ASSERT_EQ(got[i], expected[i]) << i;
        }
    }
    void Rewrite(const JamBaseModel& model) {
        std::string error;
        ASSERT_TRUE(jamgen::WriteJamBase(model, base, &error)) << error;
    }
};

TEST_F(JamScanTest, SyntheticBaseReadsAlikeWithEveryCacheSize) {
    jamgen::SynthOptions options;
    options.Messages = 1500;
    options.Seed = 3;
    JamBaseModel model = jamgen::MakeSyntheticBase(options);
    // Deleted runs, and headers whose subfields reach past what a load takes.
    for (auto& m : model.Messages) m.Deleted = m.Number % 11 == 0 || (m.Number / 100) % 7 == 3;
    model.Messages[40].AddSubfield(jamgen::kSeenBy2D, std::string(5000, 's'));
    model.Messages[41].AddSubfield(jamgen::kSubject, std::string(3990, 'x'));
    Write(model);
    ExpectScansReadAsPlainReads();
}

TEST_F(JamScanTest, DamagedBasesReadAlikeWithEveryCacheSize) {
    jamgen::SynthOptions options;
    options.Messages = 120;
    for (const auto& kind : jamgen::DamageKinds()) {
        SCOPED_TRACE(std::string(kind.Name));
        std::string error;
        ASSERT_TRUE(
            jamgen::WriteDamagedBase(kind.Name, jamgen::MakeSyntheticBase(options), base, &error))
            << error;
        auto probe = TJamMsgBase::Create();
        probe->SetBasePath(base);
        if (probe->OpenBase() != 0) continue; // damaged so that it does not open at all
        // The bases of very long threads are there for the walk's depth; their headers are sound.
        if (probe->LastNumber() > 5000) continue;
        ExpectScansReadAsPlainReads();
    }
}

TEST_F(JamScanTest, ScanReadsOnIntoMessagesAppendedAfterItsEnd) {
    for (const TJamCacheSizes& sizes : {TJamCacheSizes{}, minimumSizes}) {
        SCOPED_TRACE(sizes.IndexRecords);
        JamBaseModel model = jamtest::Numbered(1, 1, 40);
        model.Messages[39].Deleted = true; // the old end is a deleted record
        Write(model);
        auto reader = Open(sizes);
        reader->BeginScan();
        reader->SeekNumber(0);
        Numbers seen;
        while (reader->HasCurrent()) {
            seen.push_back(reader->CurNumber());
            reader->StepNext();
        }
        ASSERT_EQ(seen.size(), 39u);
        EXPECT_EQ(reader->CurNumber(), 41);

        // A tosser adds messages 41 to 45 and rewrites the header of message 1 on the way.
        JamBaseModel grown = jamtest::Numbered(1, 1, 45);
        grown.Messages[39].Deleted = true;
        grown.Messages[0].Subfields[2].Data = "Changed subject";
        Rewrite(grown);

        // The scan stands past its end: asked again, it finds the new messages.
        EXPECT_TRUE(reader->HasCurrent() || (reader->StepNext(), reader->HasCurrent()));
        EXPECT_EQ(reader->CurNumber(), 41);
        while (reader->HasCurrent()) {
            reader->LoadMessage();
            EXPECT_EQ(reader->FromName(), "From " + std::to_string(reader->CurNumber()));
            seen.push_back(reader->CurNumber());
            reader->StepNext();
        }
        EXPECT_EQ(seen.size(), 44u);
        EXPECT_EQ(seen.back(), 45);
        // Once the scan saw the base grow, nothing it held from before is served.
        reader->SeekNumber(1);
        reader->LoadMessage();
        EXPECT_EQ(reader->SubjectText(), "Changed subject");
        reader->EndScan();
    }
}

TEST_F(JamScanTest, ScanSeekBeyondItsEndAsksTheIndexAgain) {
    Write(jamtest::Numbered(1, 1, 10));
    auto reader = Open();
    reader->BeginScan();
    reader->SeekNumber(5);
    reader->LoadMessage();
    Rewrite(jamtest::Numbered(1, 1, 30));
    // A reply link to a message the scan has not seen yet.
    reader->SeekNumber(25);
    ASSERT_TRUE(reader->HasCurrent());
    EXPECT_EQ(reader->CurNumber(), 25);
    reader->LoadMessage();
    EXPECT_EQ(reader->SubjectText(), "Subject 25");
    reader->SeekNumber(31);
    EXPECT_FALSE(reader->HasCurrent());
    reader->EndScan();
}

TEST_F(JamScanTest, OutsideAScanEveryStepReadsTheFilesAsTheyAreNow) {
    Write(jamtest::Numbered(1, 1, 10));
    auto reader = Open();
    EXPECT_EQ(Walk(*reader).size(), 10u);
    reader->SeekNumber(3);
    reader->LoadMessage();
    EXPECT_EQ(reader->SubjectText(), "Subject 3");

    // The same sizes, a header rewritten in place: only the file tells.
    JamBaseModel changed = jamtest::Numbered(1, 1, 10);
    changed.Messages[2].Subfields[2].Data = "Subject X";
    Rewrite(changed);
    reader->SeekNumber(3);
    reader->LoadMessage();
    EXPECT_EQ(reader->SubjectText(), "Subject X");
    // And after a scan, too: its blocks end with it.
    reader->BeginScan();
    reader->SeekNumber(3);
    reader->LoadMessage();
    reader->EndScan();
    changed.Messages[2].Subfields[2].Data = "Subject Y";
    Rewrite(changed);
    reader->SeekNumber(3);
    reader->LoadMessage();
    EXPECT_EQ(reader->SubjectText(), "Subject Y");

    Rewrite(jamtest::Numbered(1, 1, 12));
    EXPECT_EQ(Walk(*reader).size(), 12u);

    // A message deleted after a scan is passed over by the next seek: the index blocks the scan
    // held end with it.
    reader->BeginScan();
    EXPECT_EQ(Walk(*reader).size(), 12u);
    reader->EndScan();
    PatchU32(".jdx", 2 * 8 + 4, 0xFFFFFFFF);
    reader->SeekNumber(3);
    EXPECT_EQ(reader->CurNumber(), 4);
}

TEST_F(JamScanTest, AScanTakesNoSystemCallPerStep) {
    jamgen::SynthOptions options;
    options.Messages = 2000;
    Write(jamgen::MakeSyntheticBase(options));
    auto reader = Open();
    int calls = 0;
    SetFileFaultHook([&](FileOp op, const std::string&) {
        if (op == FileOp::Read || op == FileOp::Size) ++calls;
        return FileFault{};
    });
    reader->BeginScan();
    reader->SeekNumber(0);
    int steps = 0;
    while (reader->HasCurrent()) {
        reader->LoadMessage();
        reader->StepNext();
        ++steps;
    }
    reader->EndScan();
    EXPECT_EQ(steps, 2000);
    // Header blocks of 128 KiB over a header file of about 700 KB, the index in one block, and
    // the sizes asked at the start and once more at the end.
    EXPECT_LE(calls, 20);
    EXPECT_GE(info.HeaderFileSize, 128u * 1024u * 4u);
}

TEST_F(JamScanTest, ReadFailuresInAScanAreKeptAsOutsideIt) {
    Write(jamtest::Numbered(1, 1, 5));
    auto reader = Open();
    reader->BeginScan();
    reader->SeekNumber(1);
    reader->LoadMessage();
    ASSERT_EQ(reader->FromName(), "From 1");
    FailFileOp(FileOp::Read, ".jhr", EIO);
    // Message 2 lies in the block already read: it needs no read at all.
    reader->SeekNumber(2);
    reader->LoadMessage();
    EXPECT_EQ(reader->FromName(), "From 2");
    // A fresh scan must read, and the failure keeps the header before it.
    reader->EndScan();
    reader->BeginScan();
    reader->SeekNumber(3);
    reader->LoadMessage();
    EXPECT_EQ(reader->LastIOError(), EIO);
    EXPECT_EQ(reader->MsgNumber(), 2);
    EXPECT_EQ(reader->FromName(), "");
    SetFileFaultHook(nullptr);
    reader->LoadMessage();
    EXPECT_EQ(reader->FromName(), "From 3");
    reader->EndScan();
}

} // namespace
