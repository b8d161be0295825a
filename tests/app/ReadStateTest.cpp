#include "ReadState.h"
#include "Lib_FileIO.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;

// Every test runs in a fresh directory of its own, as the program would in the user's current
// directory; the previous directory comes back afterwards.
class ReadStateTest : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = fs::current_path();
        dir_ = fs::temp_directory_path() /
               ("skein_readstate_" + std::to_string(std::random_device{}()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        fs::current_path(dir_);
    }
    void TearDown() override {
        SetFileFaultHook(nullptr);
        fs::current_path(previous_);
        fs::remove_all(dir_);
    }

    static Bytes ReadFile(const std::string& name) {
        std::ifstream in(name, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    static void WriteFile(const std::string& name, const Bytes& bytes) {
        std::ofstream out(name, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
    }
    // The names in the directory, to see that no temporary file is left behind.
    std::set<std::string> Entries() const {
        std::set<std::string> names;
        for (const auto& e : fs::directory_iterator(dir_)) names.insert(e.path().filename());
        return names;
    }
    static Bytes Pattern(std::size_t size, std::uint8_t seed) {
        Bytes b(size);
        for (std::size_t i = 0; i < size; ++i) b[i] = static_cast<std::uint8_t>(seed + i * 37);
        return b;
    }

    const std::string file_ = "skeinview_general.dat";
    fs::path previous_;
    fs::path dir_;
};

TEST_F(ReadStateTest, InitialSizeIsTheNextStepAboveTheActiveCount) {
    EXPECT_EQ(InitialBitmapSize(0), 128);
    EXPECT_EQ(InitialBitmapSize(-5), 128);
    EXPECT_EQ(InitialBitmapSize(-100000), 128);
    EXPECT_EQ(InitialBitmapSize(1023), 128);
    EXPECT_EQ(InitialBitmapSize(1024), 256);
    EXPECT_EQ(InitialBitmapSize(2047), 256);
    EXPECT_EQ(InitialBitmapSize(2048), 384);
    EXPECT_EQ(InitialBitmapSize(3071), 384);
    EXPECT_EQ(InitialBitmapSize(5000), 640);
    EXPECT_EQ(InitialBitmapSize(INT32_MAX), 1 << 28);
    EXPECT_EQ(ReadStateFileName("general"), file_);
}

TEST_F(ReadStateTest, EachNumberHasItsOwnBit) {
    TReadState state;
    LoadReadState(state, "general", 0);
    ASSERT_EQ(state.ReadBitmapSize(), 128);

    struct Case {
        std::int32_t n;
        std::size_t byte;
        std::uint8_t value;
    };
    for (Case c : {Case{1, 0, 1}, Case{8, 0, 128}, Case{9, 1, 1}, Case{1024, 127, 128}}) {
        TReadState fresh;
        LoadReadState(fresh, "other", 0);
        EXPECT_FALSE(IsRead(fresh, c.n));
        MarkRead(fresh, c.n);
        EXPECT_TRUE(IsRead(fresh, c.n));
        EXPECT_EQ(fresh.ReadBitmap[c.byte], c.value) << c.n;
        EXPECT_EQ(fresh.ReadBitmapSize(), 128);
    }

    // Marking numbers one by one sets one new bit each time and no other number reads as read.
    for (std::int32_t n = 1; n <= 1024; ++n) {
        ASSERT_FALSE(IsRead(state, n)) << n;
        MarkRead(state, n);
        MarkRead(state, n); // a second mark changes nothing
        int bits = 0;
        for (std::uint8_t b : state.ReadBitmap)
            for (int i = 0; i < 8; ++i) bits += (b >> i) & 1;
        ASSERT_EQ(bits, n);
    }
    EXPECT_EQ(state.ReadBitmapSize(), 128);
}

TEST_F(ReadStateTest, NumbersBelowOneHaveNoBit) {
    TReadState state;
    LoadReadState(state, "general", 0);
    for (std::int32_t n : {0, -1, -8, INT32_MIN}) {
        EXPECT_FALSE(IsRead(state, n));
        MarkRead(state, n);
    }
    EXPECT_EQ(state.ReadBitmap, Bytes(128, 0));
}

TEST_F(ReadStateTest, GrowsInWholeStepsKeepingItsMarks) {
    TReadState state;
    LoadReadState(state, "general", 0);
    MarkRead(state, 3);
    EXPECT_FALSE(IsRead(state, 1025)); // reading alone grows it too
    EXPECT_EQ(state.ReadBitmapSize(), 256);
    EXPECT_TRUE(IsRead(state, 3));
    for (std::size_t i = 128; i < 256; ++i) ASSERT_EQ(state.ReadBitmap[i], 0);

    MarkRead(state, 100000); // byte 12499: one resize to 12544 bytes
    EXPECT_EQ(state.ReadBitmapSize(), 12544);
    EXPECT_TRUE(IsRead(state, 100000));
    EXPECT_FALSE(IsRead(state, 99999));
    EXPECT_TRUE(IsRead(state, 3));

    // Growth is written back at exit.
    EXPECT_TRUE(SaveReadState(state, true));
    EXPECT_FALSE(state.Held());
    EXPECT_EQ(ReadFile(file_).size(), 12544u);
}

TEST_F(ReadStateTest, MissingFileIsCreatedEmptyThenWrittenWhole) {
    TReadState state;
    LoadReadState(state, "general", 5000);
    EXPECT_TRUE(fs::exists(file_));
    EXPECT_EQ(fs::file_size(file_), 0u);
    EXPECT_EQ(state.ReadBitmapSize(), 640);
    MarkRead(state, 17);
    EXPECT_TRUE(SaveReadState(state, true));
    Bytes saved = ReadFile(file_);
    ASSERT_EQ(saved.size(), 640u);
    EXPECT_EQ(saved[2], 1);

    TReadState again;
    LoadReadState(again, "general", 0);
    EXPECT_TRUE(IsRead(again, 17));
    EXPECT_FALSE(IsRead(again, 18));
}

TEST_F(ReadStateTest, ShortFileFillsOnlyTheStart) {
    Bytes ten = Pattern(10, 1);
    WriteFile(file_, ten);
    TReadState state;
    LoadReadState(state, "general", 0);
    ASSERT_EQ(state.ReadBitmapSize(), 128);
    EXPECT_TRUE(std::equal(ten.begin(), ten.end(), state.ReadBitmap.begin()));
    for (std::size_t i = 10; i < 128; ++i) ASSERT_EQ(state.ReadBitmap[i], 0);

    EXPECT_TRUE(SaveReadState(state, true));
    Bytes saved = ReadFile(file_);
    ASSERT_EQ(saved.size(), 128u);
    EXPECT_TRUE(std::equal(ten.begin(), ten.end(), saved.begin()));
}

TEST_F(ReadStateTest, LongerFileIsLoadedWhole) {
    // Saved in an earlier run after the array grew past what the active count asks for.
    Bytes earlier = Pattern(300, 7);
    WriteFile(file_, earlier);
    TReadState state;
    LoadReadState(state, "general", 10);
    ASSERT_EQ(state.ReadBitmapSize(), 384);
    EXPECT_TRUE(std::equal(earlier.begin(), earlier.end(), state.ReadBitmap.begin()));

    EXPECT_TRUE(SaveReadState(state, false));
    Bytes saved = ReadFile(file_);
    ASSERT_EQ(saved.size(), 384u);
    EXPECT_TRUE(std::equal(earlier.begin(), earlier.end(), saved.begin()));
}

TEST_F(ReadStateTest, SavingKeepsTheMarksAnotherReaderSavedMeanwhile) {
    TReadState mine;
    TReadState theirs;
    LoadReadState(mine, "general", 0);
    LoadReadState(theirs, "general", 0);
    MarkRead(mine, 1);
    MarkRead(theirs, 2);
    MarkRead(theirs, 3000); // their array grew to 384 bytes
    EXPECT_TRUE(SaveReadState(theirs, true));
    EXPECT_TRUE(SaveReadState(mine, false));

    // The merged file is longer than my array was; my array grew to cover it.
    EXPECT_EQ(mine.ReadBitmapSize(), 384);
    EXPECT_TRUE(IsRead(mine, 3000));
    TReadState after;
    LoadReadState(after, "general", 0);
    EXPECT_EQ(after.ReadBitmapSize(), 384);
    for (std::int32_t n : {1, 2, 3000}) EXPECT_TRUE(IsRead(after, n)) << n;
    EXPECT_FALSE(IsRead(after, 4));
}

TEST_F(ReadStateTest, FailedSaveLeavesTheOldFileAndNoTemporaryFile) {
    const Bytes old = Pattern(128, 3);
    struct Fault {
        const char* what;
        FileOp op;
        FileFault fault;
    };
    const Fault faults[] = {
        {"write fails", FileOp::Write, FileFault{true, EIO, SIZE_MAX}},
        {"disk fills", FileOp::Write, FileFault{false, 0, 10}},
        {"sync fails", FileOp::Sync, FileFault{true, EIO, SIZE_MAX}},
        {"rename fails", FileOp::Rename, FileFault{true, EXDEV, SIZE_MAX}},
        {"temporary file not creatable", FileOp::Open, FileFault{true, EACCES, SIZE_MAX}},
    };
    for (const Fault& f : faults) {
        SCOPED_TRACE(f.what);
        WriteFile(file_, old);
        TReadState state;
        LoadReadState(state, "general", 0);
        MarkRead(state, 5000);
        SetFileFaultHook([&](FileOp op, const std::string& path) {
            bool temporary = path != file_;
            return op == f.op && temporary ? f.fault : FileFault{};
        });
        EXPECT_FALSE(SaveReadState(state, true));
        SetFileFaultHook(nullptr);
        EXPECT_FALSE(state.Held()); // released all the same
        EXPECT_EQ(ReadFile(file_), old);
        EXPECT_EQ(Entries(), std::set<std::string>{file_});
    }
}

TEST_F(ReadStateTest, UnreadableFileCountsAsAllUnreadAndIsLeftAlone) {
    const Bytes old = Pattern(128, 9);
    WriteFile(file_, old);
    FileOp failing = FileOp::Open;
    SetFileFaultHook([&](FileOp op, const std::string& path) {
        return op == failing && path == file_ ? FileFault{true, EACCES, SIZE_MAX} : FileFault{};
    });
    TReadState state;
    LoadReadState(state, "general", 0);
    EXPECT_EQ(state.ReadBitmap, Bytes(128, 0));
    MarkRead(state, 1);
    EXPECT_FALSE(SaveReadState(state, false));
    EXPECT_EQ(ReadFile(file_), old);

    // A file that opens but cannot be read back is not replaced either: its marks would be lost.
    failing = FileOp::Read;
    LoadReadState(state, "general", 0);
    EXPECT_EQ(state.ReadBitmap, Bytes(128, 0));
    MarkRead(state, 1);
    EXPECT_FALSE(SaveReadState(state, false));
    EXPECT_EQ(ReadFile(file_), old);
    EXPECT_EQ(Entries(), std::set<std::string>{file_});
}

TEST_F(ReadStateTest, DirectoryInTheWayIsNeitherReadNorReplaced) {
    fs::create_directory(file_);
    TReadState state;
    LoadReadState(state, "general", 0);
    EXPECT_EQ(state.ReadBitmap, Bytes(128, 0));
    MarkRead(state, 9);
    EXPECT_TRUE(IsRead(state, 9));
    EXPECT_FALSE(SaveReadState(state, true));
    EXPECT_TRUE(fs::is_directory(file_));
    EXPECT_EQ(Entries(), std::set<std::string>{file_});

    // A directory where the temporary file would go fails the save the same way.
    fs::remove(file_);
    WriteFile(file_, Pattern(128, 5));
    const std::string temp = TempPathFor(file_);
    fs::create_directory(temp);
    LoadReadState(state, "general", 0);
    MarkRead(state, 1);
    EXPECT_FALSE(SaveReadState(state, true));
    EXPECT_EQ(ReadFile(file_), Pattern(128, 5));
    EXPECT_TRUE(fs::is_directory(temp));
}

TEST_F(ReadStateTest, NothingHeldNothingWritten) {
    TReadState state;
    EXPECT_FALSE(SaveReadState(state, true));
    EXPECT_FALSE(IsRead(state, 1));
    MarkRead(state, 1);
    EXPECT_FALSE(state.Held());
    EXPECT_TRUE(Entries().empty());

    LoadReadState(state, "general", 0);
    EXPECT_TRUE(SaveReadState(state, true));
    fs::remove(file_);
    EXPECT_FALSE(SaveReadState(state, true)); // already released: the file is not made again
    EXPECT_FALSE(fs::exists(file_));
}

} // namespace
