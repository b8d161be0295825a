#include "ReadState.h"
#include "Lib_FileIO.h"
#include "ScratchDir.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;

// Each test runs in a fresh directory, as the program does in the user's current directory.
class ReadStateTest : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = fs::current_path();
        ASSERT_TRUE(scratch_.Made());
        dir_ = scratch_.Path();
        fs::current_path(dir_);
    }
    void TearDown() override {
        SetFileFaultHook(nullptr);
        fs::current_path(previous_);
    }
    static Bytes Pattern(std::size_t size, std::uint8_t seed) {
        Bytes b(size);
        for (std::size_t i = 0; i < size; ++i) b[i] = static_cast<std::uint8_t>(seed + i * 37);
        return b;
    }
    static bool StartsWith(const Bytes& all, const Bytes& start) {
        return all.size() >= start.size() && std::equal(start.begin(), start.end(), all.begin());
    }
    // What the directory holds, to see that no temporary file is left behind.
    std::set<std::string> Entries() const {
        std::set<std::string> names;
        for (const auto& e : fs::directory_iterator(dir_))
            names.insert(e.path().filename().string());
        return names;
    }

    const std::string file_ = "skeinview_general.dat";
    fs::path previous_;
    ScratchDir scratch_{"skein-readstate"};
    fs::path dir_;
};

TEST_F(ReadStateTest, InitialSizeIsTheNextStepAboveTheActiveCount) {
    EXPECT_EQ(ReadStateFileName("general"), file_);
    EXPECT_EQ(InitialBitmapSize(0), 128);
    EXPECT_EQ(InitialBitmapSize(-100000), 128);
    EXPECT_EQ(InitialBitmapSize(1023), 128);
    EXPECT_EQ(InitialBitmapSize(1024), 256);
    EXPECT_EQ(InitialBitmapSize(2048), 384);
    EXPECT_EQ(InitialBitmapSize(5000), 640);
    EXPECT_EQ(InitialBitmapSize(INT32_MAX), 1 << 28);
}

TEST_F(ReadStateTest, EachNumberHasItsOwnBit) {
    struct Case {
        std::int32_t n;
        std::size_t byte;
        std::uint8_t value;
    };
    for (Case c : {Case{1, 0, 1}, Case{8, 0, 128}, Case{9, 1, 1}, Case{1024, 127, 128}}) {
        TReadState fresh;
        LoadReadState(fresh, "general", 0);
        MarkRead(fresh, c.n);
        Bytes expected(128, 0);
        expected[c.byte] = c.value;
        EXPECT_EQ(fresh.ReadBitmap, expected) << c.n;
    }
    // Numbers below 1 have no bit: never read, never marked, no growth.
    TReadState state;
    LoadReadState(state, "general", 0);
    for (std::int32_t n : {0, -1, INT32_MIN}) {
        EXPECT_FALSE(IsRead(state, n));
        MarkRead(state, n);
    }
    EXPECT_EQ(state.ReadBitmap, Bytes(128, 0));
    // Marking 1 to 1024 one by one, each is read only once it is marked.
    for (std::int32_t n = 1; n <= 1024; ++n) {
        ASSERT_FALSE(IsRead(state, n)) << n;
        MarkRead(state, n);
        ASSERT_TRUE(IsRead(state, n)) << n;
    }
    EXPECT_EQ(state.ReadBitmap, Bytes(128, 0xFF));
}

TEST_F(ReadStateTest, GrowsInWholeStepsKeepingItsMarks) {
    TReadState state;
    LoadReadState(state, "general", 0);
    MarkRead(state, 3);
    EXPECT_FALSE(IsRead(state, 1025)); // asking alone does not grow it
    EXPECT_EQ(state.ReadBitmapSize(), 128);
    MarkRead(state, 1025);
    EXPECT_EQ(state.ReadBitmapSize(), 256);
    EXPECT_EQ(state.ReadBitmap[128], 1);
    EXPECT_EQ(std::count(state.ReadBitmap.begin() + 129, state.ReadBitmap.end(), 0), 127);
    MarkRead(state, 100000); // byte 12499, in one step to 12544 bytes
    EXPECT_EQ(state.ReadBitmapSize(), 12544);
    EXPECT_TRUE(IsRead(state, 100000));
    EXPECT_FALSE(IsRead(state, 99999));
    EXPECT_TRUE(IsRead(state, 3));
    EXPECT_TRUE(SaveReadState(state, true));
    EXPECT_FALSE(state.Held());
    EXPECT_EQ(ReadFileOctets(file_).size(), 12544u);
}

TEST_F(ReadStateTest, FileOfAnyLengthIsTakenAndWrittenWholeWhenAMarkChanged) {
    // Missing: loading makes nothing; the end of the run writes it at full size.
    TReadState state;
    LoadReadState(state, "general", 5000);
    EXPECT_FALSE(fs::exists(file_));
    EXPECT_EQ(state.ReadBitmapSize(), 640);
    EXPECT_TRUE(SaveReadState(state, true));
    EXPECT_EQ(ReadFileOctets(file_), Bytes(640, 0));

    // Ten bytes fill the start; the rest stays clear. Nothing changed: the file stays as it is.
    WriteFileBytes(file_, Pattern(10, 1));
    LoadReadState(state, "general", 0);
    ASSERT_EQ(state.ReadBitmapSize(), 128);
    EXPECT_TRUE(StartsWith(state.ReadBitmap, Pattern(10, 1)));
    EXPECT_EQ(std::count(state.ReadBitmap.begin() + 10, state.ReadBitmap.end(), 0), 118);
    MarkRead(state, 1); // set in the file already: no change
    EXPECT_FALSE(state.Changed);
    EXPECT_FALSE(SaveReadState(state, false));
    EXPECT_EQ(ReadFileOctets(file_), Pattern(10, 1));
    MarkRead(state, 1000);
    EXPECT_TRUE(state.Changed);
    EXPECT_TRUE(SaveReadState(state, true));
    EXPECT_EQ(ReadFileOctets(file_).size(), 128u);

    // Longer than the active count asks for (the array grew in an earlier run): nothing is lost.
    WriteFileBytes(file_, Pattern(300, 7));
    LoadReadState(state, "general", 10);
    EXPECT_EQ(state.ReadBitmapSize(), 384);
    EXPECT_TRUE(StartsWith(state.ReadBitmap, Pattern(300, 7)));
    MarkRead(state, 3000);
    EXPECT_TRUE(SaveReadState(state, true));
    Bytes saved = ReadFileOctets(file_);
    EXPECT_EQ(saved.size(), 384u);
    EXPECT_TRUE(StartsWith(saved, Pattern(300, 7)));
}

TEST_F(ReadStateTest, AReadOnlyFileShowsItsMarksAndAFailedSaveIsToldOnlyWhenMarksAreLost) {
    WriteFileBytes(file_, Pattern(128, 3));
    SetFileFaultHook([&](FileOp op, const std::string&) {
        return op == FileOp::OpenToWrite ? FileFault{true, EACCES} : FileFault{};
    });
    TReadState state;
    LoadReadState(state, "general", 0);
    EXPECT_EQ(state.ReadBitmap, Pattern(128, 3));

    testing::internal::CaptureStderr();
    EXPECT_FALSE(SaveReadState(state, false)); // nothing changed: nothing lost, nothing said
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    MarkRead(state, 1024);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(SaveReadState(state, true));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "skeinview: " + file_ +
                  ": the read marks of this run were not saved: " + std::strerror(EACCES) + "\n");
    EXPECT_TRUE(state.Changed);
    EXPECT_EQ(ReadFileOctets(file_), Pattern(128, 3));
    EXPECT_EQ(Entries(), std::set<std::string>{file_});
}

// What a run cleared stays cleared, what another copy marked meanwhile stays marked: the file
// becomes what it holds by then, less what this run cleared, plus what it set.
TEST_F(ReadStateTest, SavingKeepsAClearedMarkClearedAndAnotherCopysNewMarks) {
    TReadState first;
    LoadReadState(first, "general", 0);
    for (std::int32_t n : {1, 2, 3}) MarkRead(first, n);
    EXPECT_TRUE(SaveReadState(first, true));

    TReadState mine, theirs;
    LoadReadState(mine, "general", 0);
    LoadReadState(theirs, "general", 0);
    MarkUnread(mine, 1);
    MarkUnread(mine, 9); // never read: nothing to clear
    MarkRead(mine, 4);
    MarkUnread(theirs, 2);
    MarkRead(theirs, 5);
    EXPECT_TRUE(SaveReadState(theirs, true));
    EXPECT_TRUE(SaveReadState(mine, false));
    for (std::int32_t n = 1; n <= 9; ++n)
        EXPECT_EQ(IsRead(mine, n), n == 3 || n == 4 || n == 5) << n;
    TReadState after;
    LoadReadState(after, "general", 0);
    EXPECT_EQ(after.ReadBitmap, mine.ReadBitmap);
}

TEST_F(ReadStateTest, SavingKeepsTheMarksAnotherReaderSavedMeanwhile) {
    TReadState mine, theirs;
    LoadReadState(mine, "general", 0);
    LoadReadState(theirs, "general", 0);
    MarkRead(mine, 1);
    MarkRead(theirs, 2);
    MarkRead(theirs, 3000); // their array grew to 384 bytes
    EXPECT_TRUE(SaveReadState(theirs, true));
    EXPECT_TRUE(SaveReadState(mine, false));
    EXPECT_EQ(mine.ReadBitmapSize(), 384); // grown to cover the longer file

    TReadState after;
    LoadReadState(after, "general", 0);
    EXPECT_EQ(after.ReadBitmapSize(), 384);
    for (std::int32_t n : {1, 2, 3000}) EXPECT_TRUE(IsRead(after, n)) << n;
    EXPECT_FALSE(IsRead(after, 4));
}

TEST_F(ReadStateTest, FailedSaveLeavesTheOldFileAndNoTemporaryFile) {
    struct Fault {
        const char* what;
        FileOp op;
        FileFault fault;
    };
    const Fault faults[] = {
        {"write fails", FileOp::Write, FileFault{true, EIO}},
        {"disk fills", FileOp::Write, FileFault{false, 0, 10}},
        {"sync fails", FileOp::Sync, FileFault{true, EIO}},
        {"rename fails", FileOp::Rename, FileFault{true, EXDEV}},
        {"temporary file not creatable", FileOp::Open, FileFault{true, EACCES}},
    };
    for (const Fault& f : faults) {
        SCOPED_TRACE(f.what);
        WriteFileBytes(file_, Pattern(128, 3));
        TReadState state;
        LoadReadState(state, "general", 0);
        MarkRead(state, 5000);
        SetFileFaultHook([&](FileOp op, const std::string& path) {
            return op == f.op && path != file_ ? f.fault : FileFault{};
        });
        EXPECT_FALSE(SaveReadState(state, true));
        SetFileFaultHook(nullptr);
        EXPECT_FALSE(state.Held()); // released all the same
        EXPECT_EQ(ReadFileOctets(file_), Pattern(128, 3));
        EXPECT_EQ(Entries(), std::set<std::string>{file_});
    }
}

TEST_F(ReadStateTest, FileThatCannotBeReadCountsAsAllUnreadAndIsKept) {
    WriteFileBytes(file_, Pattern(128, 9));
    // Not openable, then openable but not readable: its marks cannot be merged, so it stays.
    for (FileOp failing : {FileOp::Open, FileOp::Read}) {
        SetFileFaultHook([&](FileOp op, const std::string& path) {
            return op == failing && path == file_ ? FileFault{true, EACCES} : FileFault{};
        });
        TReadState state;
        LoadReadState(state, "general", 0);
        EXPECT_EQ(state.ReadBitmap, Bytes(128, 0));
        MarkRead(state, 1);
        EXPECT_FALSE(SaveReadState(state, true));
        EXPECT_EQ(ReadFileOctets(file_), Pattern(128, 9));
    }
    EXPECT_EQ(Entries(), std::set<std::string>{file_});
}

TEST_F(ReadStateTest, DirectoryInTheWayIsLeftAlone) {
    fs::create_directory(file_);
    TReadState state;
    LoadReadState(state, "general", 0);
    EXPECT_EQ(state.ReadBitmap, Bytes(128, 0));
    MarkRead(state, 9);
    EXPECT_TRUE(IsRead(state, 9)); // the run goes on with its marks in memory
    EXPECT_FALSE(SaveReadState(state, true));
    EXPECT_TRUE(fs::is_directory(file_));
    EXPECT_EQ(Entries(), std::set<std::string>{file_});

    // Where the temporary file would go, too.
    fs::remove(file_);
    WriteFileBytes(file_, Pattern(128, 5));
    fs::create_directory(TempPathFor(file_));
    LoadReadState(state, "general", 0);
    MarkRead(state, 1);
    EXPECT_FALSE(SaveReadState(state, true));
    EXPECT_EQ(ReadFileOctets(file_), Pattern(128, 5));
    EXPECT_TRUE(fs::is_directory(TempPathFor(file_)));
}

TEST_F(ReadStateTest, NothingHeldNothingWritten) {
    TReadState state;
    EXPECT_FALSE(IsRead(state, 1));
    EXPECT_FALSE(SaveReadState(state, true));
    EXPECT_TRUE(Entries().empty());
    LoadReadState(state, "general", 0);
    EXPECT_TRUE(SaveReadState(state, true)); // no file yet: made
    fs::remove(file_);
    EXPECT_FALSE(SaveReadState(state, true)); // already released
    EXPECT_FALSE(fs::exists(file_));
}

} // namespace
