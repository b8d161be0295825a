// The thread walk runs as one scan over the reader's block caches and leaves out the work that
// a full list makes useless. Whatever the cache sizes, it must give exactly the rows and read marks
// of the walk done the plain way: every message loaded with its subfields, every row built.

#include "JamSynth.h"
#include "JamWriter.h"
#include "Lib_MsgBase_JAM.h"
#include "Lib_Strings.h"
#include "ReadState.h"
#include "ScratchDir.h"
#include "ThreadIndex.h"
#include "ThreadRows.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

const TJamCacheSizes minimumSizes{1, 0, 1, 0, 1, 1, 1};

struct WalkResult {
    std::vector<std::string> Rows;
    std::vector<std::uint8_t> Bitmap;
};

// The walk written the plain way, recursively: each listed message loaded whole and each message
// listed at most once per thread. A reply heads a thread of its own when no root's thread
// reaches it and its parent is not there or does not name it among its replies.
class PlainWalk {
public:
    PlainWalk(TJamMsgBase& base, TReadState& state) : base_(base), state_(state) {}

    Rows Run() {
        markReached();
        base_.SeekNumber(0);
        while (base_.HasCurrent()) {
            base_.LoadHeader();
            const std::int64_t at = base_.CurNumber();
            const bool root = base_.ReplyTo() == 0;
            const bool heads = root || (!reached_.count(at) && !parentNames(at));
            base_.SeekNumber(static_cast<std::int32_t>(at));
            if (heads) AddThread(root, at);
            base_.SeekNumber(static_cast<std::int32_t>(at));
            base_.StepNext();
        }
        return rows_;
    }

private:
    // Everything each root's thread reaches, the roots taken in index order.
    void visit(std::int32_t n) {
        base_.SeekNumber(n);
        if (!base_.HasCurrent() || !reached_.insert(base_.CurNumber()).second) return;
        base_.LoadHeader();
        const std::int32_t r1 = base_.Reply1st();
        const std::int32_t rn = base_.ReplyNext();
        if (r1 != 0) visit(r1);
        if (rn != 0) visit(rn);
    }
    void markReached() {
        std::vector<std::int32_t> roots;
        base_.SeekNumber(0);
        for (; base_.HasCurrent(); base_.StepNext()) {
            base_.LoadHeader();
            if (base_.ReplyTo() == 0) roots.push_back(static_cast<std::int32_t>(base_.CurNumber()));
        }
        for (const std::int32_t root : roots) visit(root);
    }
    bool parentNames(std::int64_t at) {
        const std::int32_t parent = base_.ReplyTo();
        if (parent <= 0) return false;
        base_.SeekNumber(parent);
        if (!base_.HasCurrent() || base_.CurNumber() != parent) return false;
        base_.LoadHeader();
        std::set<std::int64_t> seen;
        for (std::int32_t n = base_.Reply1st(); n != 0; n = base_.ReplyNext()) {
            base_.SeekNumber(n);
            if (!base_.HasCurrent()) return false;
            if (base_.CurNumber() == at) return true;
            if (!seen.insert(base_.CurNumber()).second) return false;
            base_.LoadHeader();
        }
        return false;
    }

    void AddRow() {
        const std::int32_t n = ScanNumber(base_);
        rows_.push_back(
            MessageRow(n, IsRead(state_, n), base_.FromName(), base_.SubjectText()).Str());
    }

    void AddThread(bool root, std::int64_t head) {
        listed_.clear();
        listed_.insert(head);
        const std::size_t header = rows_.size();
        rows_.emplace_back();
        counter_ = 1;
        base_.LoadMessage();
        AddRow();
        const ShortStr subject = base_.SubjectText();
        if (base_.Reply1st() != 0) AddReply(base_.Reply1st());
        base_.SeekNumber(static_cast<std::int32_t>(head));
        base_.LoadHeader();
        if (root && base_.ReplyNext() != 0) AddReply(base_.ReplyNext());
        rows_[header] = "Thread (" + std::to_string(counter_) + " msgs): " + subject.Str();
    }
    void AddReply(std::int32_t n) {
        base_.SeekNumber(n);
        if (!base_.HasCurrent() || !listed_.insert(base_.CurNumber()).second) return;
        base_.LoadMessage();
        AddRow();
        ++counter_;
        const std::int32_t r1 = base_.Reply1st();
        const std::int32_t rn = base_.ReplyNext();
        if (r1 != 0) AddReply(r1);
        if (rn != 0) AddReply(rn);
    }

    TJamMsgBase& base_;
    TReadState& state_;
    Rows rows_;
    std::set<std::int64_t> listed_;
    std::set<std::int64_t> reached_;
    std::int32_t counter_ = 0;
};

class WalkCacheTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.Made()); }

    void Write(const jamgen::JamBaseModel& model) {
        std::string error;
        ASSERT_TRUE(jamgen::WriteJamBase(model, base_, &error)) << error;
    }

    std::unique_ptr<TJamMsgBase> Open(const TJamCacheSizes& sizes) {
        auto reader = TJamMsgBase::Create(sizes);
        reader->SetBasePath(base_);
        EXPECT_EQ(reader->OpenBase(), 0) << reader->OpenFailureText();
        return reader;
    }

    // A read state as loaded for the base, with every seventh number already read.
    TReadState ReadStateFor(TJamMsgBase& reader) {
        TReadState state;
        state.ReadBitmap.assign(static_cast<std::size_t>(InitialBitmapSize(reader.ActiveCount())),
                                0);
        for (std::int32_t n = 7; n < state.ReadBitmapSize() * 8; n += 7) MarkRead(state, n);
        return state;
    }

    WalkResult Plain(TJamMsgBase& reader) {
        TReadState state = ReadStateFor(reader);
        Rows rows = PlainWalk(reader, state).Run();
        return {rows, state.ReadBitmap};
    }

    WalkResult Built(TJamMsgBase& reader) {
        TReadState state = ReadStateFor(reader);
        CollectedRows rows;
        BuildThreadIndex(reader, state, rows);
        EXPECT_FALSE(reader.Scanning());
        return {rows.All, state.ReadBitmap};
    }

    void ExpectSame(const WalkResult& got, const WalkResult& expected) {
        ASSERT_EQ(got.Rows.size(), expected.Rows.size());
        for (std::size_t i = 0; i < got.Rows.size(); ++i)
            ASSERT_EQ(got.Rows[i], expected.Rows[i]) << "row " << i + 1;
        EXPECT_EQ(got.Bitmap, expected.Bitmap);
    }

    // The plain walk, then the built one with the default and the minimum caches, each on a
    // reader of its own and once more on a reader that has walked before.
    void ExpectWalksAlike() {
        auto plainReader = Open(TJamCacheSizes{});
        const WalkResult expected = Plain(*plainReader);
        ASSERT_FALSE(expected.Rows.empty());
        for (const TJamCacheSizes& sizes : {TJamCacheSizes{}, minimumSizes}) {
            SCOPED_TRACE(sizes.IndexRecords);
            auto reader = Open(sizes);
            ExpectSame(Built(*reader), expected);
            ExpectSame(Built(*reader), expected);
        }
    }

    ScratchDir dir_{"skein-walk"};
    std::string base_ = dir_.File("area");
};

// More messages than the screen once had rows for, a stored message count far too low (so that most
// numbers lie beyond the read-state array as loaded, also those whose rows the full list drops),
// and what a damaged base can hold: links back to the parent, to deleted numbers and beyond the
// end, and headers whose own number is not the one the index gives.
jamgen::JamBaseModel busyArea(std::uint32_t messages) {
    jamgen::SynthOptions options;
    options.Messages = messages;
    options.Seed = 9;
    jamgen::JamBaseModel model = jamgen::MakeSyntheticBase(options);
    model.Header.ActiveMsgs = 10;
    std::uint32_t i = 0;
    for (auto& m : model.Messages) {
        ++i;
        if (i % 97 == 0 && m.ReplyTo != 0) m.Overrides[jamgen::JamField::Reply1st] = m.ReplyTo;
        if (i % 89 == 0) m.Deleted = true;
        if (i % 211 == 0) m.Overrides[jamgen::JamField::ReplyNext] = messages + 50;
        if (i % 101 == 0) m.Overrides[jamgen::JamField::MsgNum] = i + 700000;
    }
    return model;
}

TEST_F(WalkCacheTest, ALargeDamagedAreaGivesTheRowsAndReadMarksOfThePlainWalk) {
    Write(busyArea(12000));
    ExpectWalksAlike();
    // Past the screen's old 10,000 rows, with the orphans of its deleted messages.
    auto reader = Open(TJamCacheSizes{});
    const WalkResult result = Built(*reader);
    EXPECT_GT(result.Rows.size(), 12000u);
}

TEST_F(WalkCacheTest, SmallAreaRowsAreThoseOfThePlainWalk) {
    Write(busyArea(700));
    ExpectWalksAlike();
}

TEST_F(WalkCacheTest, MessagesAppendedAfterAWalkAreListedByTheNext) {
    jamgen::SynthOptions options;
    options.Messages = 600;
    options.Seed = 4;
    Write(jamgen::MakeSyntheticBase(options));
    auto reader = Open(TJamCacheSizes{});
    const WalkResult before = Built(*reader);

    // The same area 300 messages later: new threads, and new replies linked into old ones.
    options.Messages = 900;
    Write(jamgen::MakeSyntheticBase(options));
    const WalkResult after = Built(*reader);
    EXPECT_GT(after.Rows.size(), before.Rows.size());
    auto fresh = Open(TJamCacheSizes{});
    ExpectSame(after, Plain(*fresh));
}

TEST_F(WalkCacheTest, ABaseGrowingWhileTheWalkRunsIsListedToItsNewEnd) {
    // New roots only, so that the threads already built stay as they are.
    jamgen::JamBaseModel model;
    for (std::uint32_t n = 1; n <= 300; ++n)
        model.AddMessage(n, "Writer " + std::to_string(n % 13), "All",
                         "Topic " + std::to_string(n / 3), 0, n % 3 == 0 ? 0 : n - n % 3);
    model.AddMessage(301, "Writer", "All", "Topic 100");
    Write(model);
    jamgen::JamBaseModel grown = model;
    for (std::uint32_t n = 302; n <= 340; ++n) grown.AddMessage(n, "Late", "All", "Late topic");

    auto reader = Open(TJamCacheSizes{});
    // The tosser appends when the walk first asks whether the index has grown, at its old end.
    int sizeAsks = 0;
    SetFileFaultHook([&](FileOp op, const std::string& path) {
        if (op == FileOp::Size && path == base_ + ".jdx" && ++sizeAsks == 2) {
            std::string error;
            EXPECT_TRUE(jamgen::WriteJamBase(grown, base_, &error)) << error;
        }
        return FileFault{};
    });
    const WalkResult got = Built(*reader);
    SetFileFaultHook(nullptr);
    EXPECT_GE(sizeAsks, 2);
    auto fresh = Open(TJamCacheSizes{});
    ExpectSame(got, Plain(*fresh));
    EXPECT_EQ(got.Rows.back().substr(0, 7), "    340");
}

} // namespace
