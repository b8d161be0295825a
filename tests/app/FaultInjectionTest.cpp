// The reader when its files fail it: reads of the base that fail or come back short partway
// through the thread walk or through a text, and a read-state file that cannot be saved (a full
// disk, a failing rename) or read (a directory in its place, a file the reader may not open).
// Every run must end as a normal run does, show nothing that is not in the base, and leave the
// read-state file either rewritten with the run's marks or exactly as it was.
//
// Faults come from the file layer's hook, counted per file, so that a fault can start after a
// given number of good reads: in the middle of the walk rather than at its start.

#include "JamSynth.h"
#include "JamTestBase.h"
#include "Lib_FileIO.h"
#include "MemoryConsoleDevice.h"
#include "ReaderState.h"
#include "TestFiles.h"
#include "ThreadIndex.h"
#include "ThreadListScreen.h"
#include "ThreadRows.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Bytes = std::string;

// Small caches, so that one walk and one text take many reads and a fault can land in the middle.
const TJamCacheSizes smallCaches{16, 4, 64, 8};

// A hook that lets the first `pass` operations op on the file through and applies fault to the
// ones after (only to the next one when once is set).
FileFaultHook faultAfter(const std::string& path, FileOp op, int pass, FileFault fault,
                         bool once = false) {
    auto seen = std::make_shared<int>(0);
    return [=](FileOp o, const std::string& p) {
        if (o != op || p != path) return FileFault{};
        const int k = ++*seen;
        if (k <= pass || (once && k > pass + 1)) return FileFault{};
        return fault;
    };
}

FileFault failWith(int error = EIO) {
    return FileFault{true, error};
}

FileFault cutTo(std::size_t bytes) {
    FileFault fault;
    fault.MaxBytes = bytes;
    return fault;
}

class FaultInjectionTest : public jamtest::JamTest {
protected:
    void SetUp() override {
        jamgen::SynthOptions options;
        options.Messages = 80;
        options.Seed = 7;
        Write(jamgen::MakeSyntheticBase(options));
        // The read-state file lives in the current directory: the scratch folder for this test.
        previous_ = fs::current_path();
        fs::current_path(dir.File(""));
        clean_ = BuildRows(smallCaches);
        ASSERT_GT(clean_.size(), 20u);
    }
    void TearDown() override {
        SetFileFaultHook(nullptr);
        fs::current_path(previous_);
    }

    // The thread list as the reader builds it, under whatever hook is set.
    Rows BuildRows(const TJamCacheSizes& sizes) {
        auto reader = Open(sizes);
        TReadState marks{std::vector<std::uint8_t>(ReadBitmapStep, 0), ""};
        CollectedRows rows;
        BuildThreadIndex(*reader, marks, rows);
        return rows.All;
    }

    // The message numbers that rows show.
    static std::set<std::int32_t> Numbers(const Rows& rows) {
        std::set<std::int32_t> numbers;
        for (const std::string& row : rows)
            if (std::int32_t n = RowNumber(ShortStr(row)); n > 0) numbers.insert(n);
        return numbers;
    }

    // One whole run as the program makes it: open, load the marks, the thread list with the keys
    // given (then Esc, as when the keys run out), save the marks. True when the save wrote the
    // file; ended is set once the list screen has returned.
    bool RunReader(const std::vector<std::uint8_t>& keys, bool& ended) {
        ended = false;
        TReaderState state;
        state.BaseName = "base";
        state.MsgBase = TJamMsgBase::Create(smallCaches);
        state.MsgBase->SetBasePath(base);
        if (state.MsgBase->OpenBase() != 0) return false;
        LoadReadState(state.ReadState, state.BaseName, state.MsgBase->ActiveCount());
        auto dev = std::make_unique<MemoryConsoleDevice>();
        for (std::uint8_t key : keys) {
            if (key == Down)
                dev->PushExtendedKey(0x50, VKey::Down);
            else
                dev->PushChar(key);
        }
        dev->SetScriptEnd(ScriptEnd::Fail);
        ThreadListScreen(state, std::move(dev));
        ended = true;
        return SaveReadState(state.ReadState, true);
    }

    // The first message row of the list and the keys that open it: Down from the header row,
    // Enter, and Esc back to the list.
    std::int32_t FirstMessage() const { return RowNumber(ShortStr(clean_.at(1))); }
    static constexpr std::uint8_t Down = 0x80; // stands for the Down arrow in a key list
    const std::vector<std::uint8_t> OpenFirst{Down, 13, 27};

    const std::string stateFile_ = "skeinview_base.dat";
    Rows clean_;
    fs::path previous_;
};

// --- The thread walk ---

TEST_F(FaultInjectionTest, ReadsFailingOrCutPartwayThroughTheWalkEndItWithRealMessagesOnly) {
    // A read that comes back short says the file ends there (the file layer reads on to the end
    // otherwise), as when a file is cut while the reader runs. Either way the walk ends, lists
    // at most each message once per thread, and shows no number the base does not have.
    const std::set<std::int32_t> real = Numbers(clean_);
    const FileFault faults[] = {failWith(), cutTo(0), cutTo(8), cutTo(20), cutTo(75), cutTo(90)};
    for (const char* ext : {".jdx", ".jhr"}) {
        for (const FileFault& fault : faults) {
            // The header file's first read is the base header of OpenBase.
            for (int pass : {1, 3, 10, 40}) {
                for (bool once : {false, true}) {
                    SCOPED_TRACE(
                        std::string(ext) + " after " + std::to_string(pass) +
                        (once ? " reads, once, " : " reads, from then on, ") +
                        (fault.Fail ? "failing" : "cut to " + std::to_string(fault.MaxBytes)));
                    SetFileFaultHook(faultAfter(base + ext, FileOp::Read, pass, fault, once));
                    const Rows rows = BuildRows(smallCaches);
                    SetFileFaultHook(nullptr);
                    EXPECT_LE(rows.size(), 2 * clean_.size());
                    for (std::int32_t n : Numbers(rows)) EXPECT_EQ(real.count(n), 1u) << n;
                }
            }
        }
    }
}

// --- A text ---

TEST_F(FaultInjectionTest, TextReadsFailingOrCutPartwayEndTheTextWithNothingForeign) {
    // The longest message, so that its text takes many reads of the small cache.
    auto reader = Open(smallCaches);
    std::int32_t longest = 0;
    std::vector<std::string> whole;
    for (std::int32_t n : Numbers(clean_)) {
        reader->SeekNumber(n);
        reader->LoadMessage();
        std::vector<std::string> lines = jamtest::Lines(*reader);
        if (lines.size() > whole.size()) {
            whole = lines;
            longest = n;
        }
    }
    ASSERT_GT(whole.size(), 5u);

    for (const FileFault& fault : {failWith(), cutTo(0), cutTo(1), cutTo(9), cutTo(40)}) {
        for (int pass : {0, 1, 2, 5}) {
            for (bool once : {false, true}) {
                SCOPED_TRACE("after " + std::to_string(pass) +
                             (once ? " reads, once, " : " reads, ") +
                             (fault.Fail ? "failing" : "cut to " + std::to_string(fault.MaxBytes)));
                auto faulty = Open(smallCaches);
                faulty->SeekNumber(longest);
                faulty->LoadMessage();
                SetFileFaultHook(faultAfter(base + ".jdt", FileOp::Read, pass, fault, once));
                const std::vector<std::string> lines = jamtest::Lines(*faulty);
                SetFileFaultHook(nullptr);
                EXPECT_TRUE(faulty->TextDone());
                // The text ends where the bytes ran out: what came before is the text as it is, and
                // the last line read is the start of the line that stood there.
                ASSERT_LE(lines.size(), whole.size());
                for (std::size_t i = 0; i + 1 < lines.size(); ++i)
                    EXPECT_EQ(lines[i], whole[i]) << i;
                if (!lines.empty()) {
                    const std::string& last = lines.back();
                    EXPECT_EQ(whole[lines.size() - 1].substr(0, last.size()), last);
                }
                if (fault.Fail && lines.size() < whole.size()) {
                    EXPECT_NE(faulty->LastIOError(), 0);
                }
            }
        }
    }
}

// --- Whole runs ---

TEST_F(FaultInjectionTest, RunsWithFailingBaseReadsEndNormallyAndKeepTheirMarks) {
    const std::int32_t first = FirstMessage();
    ASSERT_GT(first, 0);
    struct Case {
        const char* what;
        FileFaultHook hook;
        // The opened message can surely be read, so it is marked; otherwise it may not be found.
        bool surelyMarked;
    };
    const Case cases[] = {
        {"text unreadable", faultAfter(base + ".jdt", FileOp::Read, 0, failWith()), true},
        {"text cut to a byte a read", faultAfter(base + ".jdt", FileOp::Read, 0, cutTo(1)), true},
        {"index fails once the list is built",
         faultAfter(base + ".jdx", FileOp::Read, 20, failWith()), false},
        {"index size unknown once the list is built",
         faultAfter(base + ".jdx", FileOp::Size, 200, failWith()), false},
        {"none", nullptr, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove(stateFile_);
        SetFileFaultHook(c.hook);
        bool ended = false;
        EXPECT_TRUE(RunReader(OpenFirst, ended));
        SetFileFaultHook(nullptr);
        EXPECT_TRUE(ended);
        TReadState after;
        LoadReadState(after, "base", 0);
        if (c.surelyMarked) {
            EXPECT_TRUE(IsRead(after, first));
        }
        for (std::int32_t n : Numbers(clean_)) {
            if (n != first) {
                EXPECT_FALSE(IsRead(after, n)) << n;
            }
        }
    }
}

// Regression: a header that could not be read left the previously loaded header in memory, and
// the viewer marked that message read (and showed its number and date) in place of the one
// opened.
TEST_F(FaultInjectionTest, UnreadableHeaderInTheViewerMarkedTheLastLoadedMessage) {
    std::int64_t headerReads = 0;
    SetFileFaultHook([&](FileOp op, const std::string& path) {
        if (op == FileOp::Read && path == base + ".jhr") ++headerReads;
        return FileFault{};
    });
    bool ended = false;
    ASSERT_TRUE(RunReader({27}, ended)); // the list alone: count its header reads
    fs::remove(stateFile_);

    // The list is built; every header read after that fails.
    SetFileFaultHook(
        faultAfter(base + ".jhr", FileOp::Read, static_cast<int>(headerReads), failWith()));
    EXPECT_TRUE(RunReader(OpenFirst, ended));
    SetFileFaultHook(nullptr);
    EXPECT_TRUE(ended);
    TReadState after;
    LoadReadState(after, "base", 0);
    for (std::int32_t n : Numbers(clean_)) EXPECT_FALSE(IsRead(after, n)) << n;
}

TEST_F(FaultInjectionTest, SavesThatFailLeaveTheOldFileWholeAndTheRunEndsNormally) {
    const Bytes old(128, '\x55'); // marks of an earlier run
    const std::string temp = TempPathFor(stateFile_);
    struct Case {
        const char* what;
        FileFaultHook hook;
    };
    const Case cases[] = {
        {"disk full after 10 bytes", faultAfter(temp, FileOp::Write, 0, cutTo(10))},
        {"disk full at once", faultAfter(temp, FileOp::Write, 0, failWith(ENOSPC))},
        {"rename fails", faultAfter(temp, FileOp::Rename, 0, failWith(EXDEV))},
        {"sync fails", faultAfter(temp, FileOp::Sync, 0, failWith())},
        // Loaded fine; by the time of saving it cannot be opened any more.
        {"file unreadable at exit", faultAfter(stateFile_, FileOp::Open, 1, failWith(EACCES))},
        {"file unreadable throughout", faultAfter(stateFile_, FileOp::Open, 0, failWith(EACCES))},
        {"file readable but its reads fail", faultAfter(stateFile_, FileOp::Read, 0, failWith())},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(WriteFileBytes(stateFile_, old));
        SetFileFaultHook(c.hook);
        bool ended = false;
        EXPECT_FALSE(RunReader(OpenFirst, ended));
        SetFileFaultHook(nullptr);
        EXPECT_TRUE(ended);
        EXPECT_EQ(ReadFileBytes(stateFile_), old);
        EXPECT_FALSE(fs::exists(temp));
    }
}

TEST_F(FaultInjectionTest, ADirectoryInPlaceOfTheReadStateFileIsLeftAlone) {
    fs::create_directory(stateFile_);
    fs::create_directory(fs::path(stateFile_) / "inside");
    bool ended = false;
    EXPECT_FALSE(RunReader(OpenFirst, ended));
    EXPECT_TRUE(ended);
    EXPECT_TRUE(fs::is_directory(fs::path(stateFile_) / "inside"));
    EXPECT_FALSE(fs::exists(TempPathFor(stateFile_)));
}

} // namespace
