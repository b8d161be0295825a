#include "Lib_FileIO.h"
#include "ScratchDir.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <future>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr FileAccess allModes[] = {FileAccess::ReadOnly, FileAccess::ReadWrite,
                                   FileAccess::CreateReadWrite};

class FileIOTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.Made()); }
    void TearDown() override { SetFileFaultHook(nullptr); }
    ScratchDir dir_{"skein-fileio"};
};

TEST_F(FileIOTest, ReadsComeBackShortOnlyAtTheEnd) {
    TFile f;
    ASSERT_TRUE(f.Open(dir_.Put("data", "0123456789"), FileAccess::ReadOnly));
    EXPECT_EQ(f.Size(), 10);
    char buf[16] = {};
    EXPECT_EQ(f.ReadAt(3, buf, 4), 4);
    EXPECT_EQ(std::string(buf, 4), "3456");
    EXPECT_EQ(f.ReadAt(6, buf, 16), 4);
    EXPECT_EQ(f.ReadAt(10, buf, 16), 0);
    EXPECT_EQ(f.ReadAt(1000, buf, 16), 0);
    EXPECT_EQ(f.LastError(), 0);
    EXPECT_EQ(f.ReadAt(-1, buf, 1), -1);
    EXPECT_EQ(f.LastError(), EINVAL);
    TFile moved(std::move(f));
    EXPECT_EQ(moved.ReadAt(0, buf, 2), 2);
    moved.Close();
    EXPECT_EQ(moved.Size(), -1);
    EXPECT_EQ(moved.ReadAt(0, buf, 1), -1);
}

TEST_F(FileIOTest, OpenModes) {
    std::string missing = dir_.File("missing");
    TFile f;
    EXPECT_FALSE(f.Open(missing, FileAccess::ReadWrite));
    EXPECT_EQ(f.LastError(), ENOENT);
    EXPECT_FALSE(fs::exists(missing));

    std::string path = dir_.Put("old", "old contents");
    ASSERT_TRUE(f.Open(path, FileAccess::CreateReadWrite)); // truncates
    EXPECT_TRUE(f.WriteAll("abc", 3));
    char buf[8];
    EXPECT_EQ(f.ReadAt(0, buf, 8), 3); // reading does not move the write position
    EXPECT_TRUE(f.WriteAll("def", 3));
    EXPECT_TRUE(f.Sync());
    ASSERT_TRUE(f.Open(path, FileAccess::ReadWrite)); // keeps the bytes, writes from the start
    EXPECT_TRUE(f.WriteAll("XY", 2));
    ASSERT_TRUE(f.Open(path, FileAccess::ReadOnly));
    EXPECT_FALSE(f.WriteAll("Z", 1));
    f.Close();
    EXPECT_EQ(ReadFileBytes(path), "XYcdef");
}

TEST_F(FileIOTest, DirectoriesAndFifosFailAtOnce) {
#ifdef _WIN32
    GTEST_SKIP() << "no FIFOs on Windows";
#else
    std::string dir = dir_.File("sub");
    std::string fifo = dir_.File("fifo");
    fs::create_directory(dir);
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (FileAccess access : allModes) {
        TFile f;
        EXPECT_FALSE(f.Open(dir, access));
        EXPECT_EQ(f.LastError(), EISDIR);
        // An open that waited for a writer would never come back; free it and report.
        auto opened = std::async(std::launch::async, [&] {
            TFile g;
            return g.Open(fifo, access) ? 0 : g.LastError();
        });
        if (opened.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
            int writer = ::open(fifo.c_str(), O_RDWR);
            opened.wait();
            ::close(writer);
            FAIL() << "Open blocked on a FIFO";
        }
        EXPECT_EQ(opened.get(), EINVAL);
    }
    EXPECT_TRUE(fs::is_directory(dir));
    EXPECT_TRUE(fs::is_fifo(fifo));
#endif
}

TEST_F(FileIOTest, FaultHookFailsTheNamedFilesOperations) {
    std::string path = dir_.Put("f", "0123456789");
    std::string other = dir_.Put("other", "x");
    FileOp failing = FileOp::Open;
    SetFileFaultHook([&](FileOp op, const std::string& p) {
        return op == failing && p == path ? FileFault{true, EACCES} : FileFault{};
    });
    TFile f;
    EXPECT_FALSE(f.Open(path, FileAccess::ReadWrite));
    EXPECT_EQ(f.LastError(), EACCES);
    EXPECT_TRUE(TFile().Open(other, FileAccess::ReadOnly));

    // Each operation fails alone.
    char buf[4];
    failing = FileOp::Size;
    ASSERT_TRUE(f.Open(path, FileAccess::ReadWrite));
    EXPECT_EQ(f.Size(), -1);
    EXPECT_EQ(f.ReadAt(0, buf, 4), 4);
    failing = FileOp::Read;
    EXPECT_EQ(f.ReadAt(0, buf, 4), -1);
    EXPECT_EQ(f.Size(), 10);
    failing = FileOp::Write;
    EXPECT_FALSE(f.WriteAll("zz", 2));
    EXPECT_TRUE(f.Sync());
    failing = FileOp::Sync;
    EXPECT_FALSE(f.Sync());
    EXPECT_EQ(f.LastError(), EACCES);
    f.Close();
    EXPECT_EQ(ReadFileBytes(path), "0123456789");

    failing = FileOp::Rename;
    EXPECT_FALSE(RenameFile(path, other));
    EXPECT_EQ(errno, EACCES);
    EXPECT_EQ(ReadFileBytes(other), "x");
    SetFileFaultHook(nullptr);
    EXPECT_TRUE(RenameFile(path, other));
    EXPECT_EQ(ReadFileBytes(other), "0123456789");
    EXPECT_TRUE(RemoveFile(other));
    EXPECT_FALSE(RemoveFile(other));
    EXPECT_EQ(errno, ENOENT);
}

TEST_F(FileIOTest, FaultHookCutsReadsAndWritesShort) {
    std::string path = dir_.Put("s", "0123456789");
    SetFileFaultHook([](FileOp op, const std::string&) {
        return op == FileOp::Read || op == FileOp::Write ? FileFault{false, 0, 3} : FileFault{};
    });
    TFile f;
    ASSERT_TRUE(f.Open(path, FileAccess::ReadWrite));
    char buf[10];
    EXPECT_EQ(f.ReadAt(0, buf, 10), 3); // a short read is no failure
    EXPECT_EQ(f.LastError(), 0);
    EXPECT_FALSE(f.WriteAll("abcdef", 6)); // stores what fits, then fails as a full disk does
    EXPECT_EQ(f.LastError(), ENOSPC);
    EXPECT_TRUE(f.WriteAll("XY", 2));
    f.Close();
    EXPECT_EQ(ReadFileBytes(path), "abcXY56789");
    EXPECT_EQ(fs::path(TempPathFor(path)).parent_path(), fs::path(path).parent_path());
    EXPECT_NE(TempPathFor(path), path);
}

} // namespace
