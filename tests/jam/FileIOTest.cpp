#include "Lib_FileIO.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <random>
#include <string>
#include <vector>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

class FileIOTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("skein_fileio_" + std::to_string(std::random_device{}()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override {
        SetFileFaultHook(nullptr);
        fs::remove_all(dir_);
    }

    std::string PathOf(const std::string& name) const { return (dir_ / name).string(); }

    std::string WriteBytes(const std::string& name, const std::string& bytes) const {
        std::string path = PathOf(name);
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    static std::string ReadBytes(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    fs::path dir_;
};

TEST_F(FileIOTest, RegularFileReadsAtOffsetsAndShortAtEnd) {
    std::string path = WriteBytes("data.bin", "0123456789");
    TFile f;
    ASSERT_TRUE(f.Open(path, FileAccess::ReadOnly));
    EXPECT_TRUE(f.IsOpen());
    EXPECT_EQ(f.Size(), 10);

    char buf[16] = {};
    EXPECT_EQ(f.ReadAt(3, buf, 4), 4);
    EXPECT_EQ(std::string(buf, 4), "3456");
    EXPECT_EQ(f.ReadAt(6, buf, 16), 4); // fewer at the end of the file
    EXPECT_EQ(std::string(buf, 4), "6789");
    EXPECT_EQ(f.ReadAt(10, buf, 16), 0); // at the end: nothing, no failure
    EXPECT_EQ(f.ReadAt(1000, buf, 16), 0);
    EXPECT_EQ(f.LastError(), 0);
    EXPECT_EQ(f.ReadAt(-1, buf, 1), -1);
    EXPECT_EQ(f.LastError(), EINVAL);

    f.Close();
    EXPECT_FALSE(f.IsOpen());
    EXPECT_EQ(f.Size(), -1);
    EXPECT_EQ(f.ReadAt(0, buf, 1), -1);
}

TEST_F(FileIOTest, OpenModesCreateTruncateAndWriteSequentially) {
    std::string missing = PathOf("missing.bin");
    TFile f;
    EXPECT_FALSE(f.Open(missing, FileAccess::ReadWrite));
    EXPECT_EQ(f.LastError(), ENOENT);
    EXPECT_FALSE(f.IsOpen());
    EXPECT_FALSE(fs::exists(missing)); // only CreateReadWrite creates

    std::string path = WriteBytes("old.bin", "old contents that are long");
    ASSERT_TRUE(f.Open(path, FileAccess::CreateReadWrite));
    EXPECT_EQ(f.Size(), 0);
    EXPECT_TRUE(f.WriteAll("abc", 3));
    EXPECT_TRUE(f.WriteAll("def", 3)); // goes on where the last write stopped
    EXPECT_TRUE(f.Sync());
    char buf[8] = {};
    EXPECT_EQ(f.ReadAt(0, buf, 8), 6); // reading does not move the write position
    EXPECT_TRUE(f.WriteAll("g", 1));
    f.Close();
    EXPECT_EQ(ReadBytes(path), "abcdefg");

    // ReadWrite keeps the contents and writes from the start.
    ASSERT_TRUE(f.Open(path, FileAccess::ReadWrite));
    EXPECT_TRUE(f.WriteAll("XY", 2));
    f.Close();
    EXPECT_EQ(ReadBytes(path), "XYcdefg");

    // A read-only file cannot be written.
    TFile r;
    ASSERT_TRUE(r.Open(path, FileAccess::ReadOnly));
    EXPECT_FALSE(r.WriteAll("Z", 1));
    EXPECT_NE(r.LastError(), 0);
}

TEST_F(FileIOTest, MovedFileKeepsItsHandle) {
    std::string path = WriteBytes("m.bin", "hello");
    TFile a;
    ASSERT_TRUE(a.Open(path, FileAccess::ReadOnly));
    TFile b(std::move(a));
    EXPECT_TRUE(b.IsOpen());
    EXPECT_EQ(b.Path(), path);
    TFile c;
    c = std::move(b);
    char buf[5];
    EXPECT_EQ(c.ReadAt(0, buf, 5), 5);
    EXPECT_EQ(std::string(buf, 5), "hello");
}

TEST_F(FileIOTest, DirectoryFailsInEveryMode) {
    std::string path = PathOf("sub");
    fs::create_directory(path);
    for (FileAccess access :
         {FileAccess::ReadOnly, FileAccess::ReadWrite, FileAccess::CreateReadWrite}) {
        TFile f;
        EXPECT_FALSE(f.Open(path, access));
        EXPECT_EQ(f.LastError(), EISDIR);
        EXPECT_FALSE(f.IsOpen());
    }
    EXPECT_TRUE(fs::is_directory(path));
}

#ifndef _WIN32
TEST_F(FileIOTest, FifoFailsAtOnceWithoutBlocking) {
    std::string path = PathOf("fifo");
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    for (FileAccess access :
         {FileAccess::ReadOnly, FileAccess::ReadWrite, FileAccess::CreateReadWrite}) {
        auto opened = std::async(std::launch::async, [&] {
            TFile f;
            bool ok = f.Open(path, access);
            return std::make_pair(ok, f.LastError());
        });
        if (opened.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
            // Free the blocked open with a writer so that the test can end, then report it.
            int w = ::open(path.c_str(), O_RDWR);
            opened.wait();
            ::close(w);
            FAIL() << "Open blocked on a FIFO";
        }
        auto [ok, error] = opened.get();
        EXPECT_FALSE(ok);
        EXPECT_EQ(error, EINVAL);
    }
    EXPECT_TRUE(fs::is_fifo(path));
}
#endif

TEST_F(FileIOTest, FaultHookFailsOperationsOnTheNamedFile) {
    std::string path = WriteBytes("f.bin", "0123456789");
    std::string other = WriteBytes("other.bin", "x");
    std::vector<FileOp> failing;
    SetFileFaultHook([&](FileOp op, const std::string& p) {
        FileFault fault;
        for (FileOp f : failing)
            if (f == op && p == path) fault.Fail = true, fault.Error = EACCES;
        return fault;
    });

    failing = {FileOp::Open};
    TFile f;
    EXPECT_FALSE(f.Open(path, FileAccess::ReadWrite));
    EXPECT_EQ(f.LastError(), EACCES);
    TFile g;
    EXPECT_TRUE(g.Open(other, FileAccess::ReadOnly)); // other files are not touched

    failing = {FileOp::Size, FileOp::Read, FileOp::Write, FileOp::Sync};
    ASSERT_TRUE(f.Open(path, FileAccess::ReadWrite));
    char buf[4];
    EXPECT_EQ(f.Size(), -1);
    EXPECT_EQ(f.ReadAt(0, buf, 4), -1);
    EXPECT_FALSE(f.WriteAll("zz", 2));
    EXPECT_FALSE(f.Sync());
    EXPECT_EQ(f.LastError(), EACCES);
    f.Close();
    EXPECT_EQ(ReadBytes(path), "0123456789"); // the failed write wrote nothing

    failing = {FileOp::Rename};
    EXPECT_FALSE(RenameFile(path, other));
    EXPECT_EQ(errno, EACCES);
    EXPECT_EQ(ReadBytes(other), "x");

    failing = {};
    EXPECT_TRUE(RenameFile(path, other));
    EXPECT_EQ(ReadBytes(other), "0123456789");
    EXPECT_FALSE(fs::exists(path));
    EXPECT_TRUE(RemoveFile(other));
    EXPECT_FALSE(RemoveFile(other));
    EXPECT_EQ(errno, ENOENT);
}

TEST_F(FileIOTest, FaultHookCutsReadsAndWritesShort) {
    std::string path = WriteBytes("s.bin", "0123456789");
    std::size_t maxBytes = 3;
    int error = 0;
    SetFileFaultHook([&](FileOp op, const std::string&) {
        FileFault fault;
        if (op == FileOp::Read || op == FileOp::Write)
            fault.MaxBytes = maxBytes, fault.Error = error;
        return fault;
    });

    TFile f;
    ASSERT_TRUE(f.Open(path, FileAccess::ReadWrite));
    char buf[10];
    EXPECT_EQ(f.ReadAt(0, buf, 10), 3); // a short read is not a failure
    EXPECT_EQ(f.LastError(), 0);

    // A cut write stores what fits, then fails as a full disk does.
    EXPECT_FALSE(f.WriteAll("abcdef", 6));
    EXPECT_EQ(f.LastError(), ENOSPC);
    maxBytes = 1;
    error = EIO;
    EXPECT_FALSE(f.WriteAll("XY", 2));
    EXPECT_EQ(f.LastError(), EIO);
    EXPECT_TRUE(f.WriteAll("Q", 1)); // within the limit
    f.Close();
    SetFileFaultHook(nullptr);
    EXPECT_EQ(ReadBytes(path), "abcXQ56789");
}

TEST_F(FileIOTest, TempPathLiesBesideTheFile) {
    std::string path = PathOf("state.dat");
    std::string temp = TempPathFor(path);
    EXPECT_NE(temp, path);
    EXPECT_EQ(fs::path(temp).parent_path(), fs::path(path).parent_path());
    EXPECT_EQ(temp.rfind(path, 0), 0u);
    EXPECT_EQ(TempPathFor(path), temp);
}

} // namespace
