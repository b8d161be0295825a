// What the file layer promises on every platform, whichever system calls stand behind it: the
// base files are shared with every other program (a tosser may write, rename or delete them while
// the reader has them open), only regular files open, and failures carry the error numbers that
// the reader's messages are made from.

#include "Lib_FileIO.h"
#include "Lib_MsgBase_JAM.h"
#include "ScratchDir.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

constexpr FileAccess allModes[] = {FileAccess::ReadOnly, FileAccess::ReadWrite,
                                   FileAccess::CreateReadWrite};

#ifdef _WIN32
constexpr const char* nullDevice = "NUL";
#else
constexpr const char* nullDevice = "/dev/null";
#endif

class FilePlatformTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.Made()); }
    std::string Path(const std::string& name) const { return dir_.File(name); }
    static std::string ReadAll(TFile& f) {
        std::string bytes(static_cast<std::size_t>(f.Size()), '\0');
        if (f.ReadAt(0, bytes.data(), bytes.size()) < 0) return "(failed)";
        return bytes;
    }

    ScratchDir dir_{"skein-platform"};
};

TEST_F(FilePlatformTest, OpenFilesAreSharedWithOtherWriters) {
    std::string path = dir_.Put("area.jdt", "first");
    TFile reader;
    ASSERT_TRUE(reader.Open(path, FileAccess::ReadOnly));

    // Another program opens the same file for writing and appends while it is open here.
    TFile writer;
    ASSERT_TRUE(writer.Open(path, FileAccess::ReadWrite)) << std::strerror(writer.LastError());
    ASSERT_TRUE(writer.WriteAll("FIRST-and-more", 14));
    ASSERT_TRUE(writer.Sync());
    EXPECT_EQ(reader.Size(), 14);
    EXPECT_EQ(ReadAll(reader), "FIRST-and-more");

    // A third handle of our own that writes does not shut the others out either.
    TFile again;
    EXPECT_TRUE(again.Open(path, FileAccess::ReadWrite)) << std::strerror(again.LastError());
}

TEST_F(FilePlatformTest, OpenFilesCanBeRenamedAndDeletedByOthers) {
    std::string path = dir_.Put("area.jhr", "header bytes");
    std::string moved = Path("area.bak");
    TFile reader;
    ASSERT_TRUE(reader.Open(path, FileAccess::ReadOnly));

    ASSERT_TRUE(RenameFile(path, moved)) << std::strerror(errno);
    EXPECT_FALSE(fs::exists(path));
    EXPECT_EQ(ReadAll(reader), "header bytes"); // the open file goes on being readable

    EXPECT_TRUE(RemoveFile(moved)) << std::strerror(errno);
    reader.Close();
    EXPECT_FALSE(fs::exists(moved));
}

TEST_F(FilePlatformTest, RenameReplacesTheTarget) {
    std::string target = dir_.Put("skeinview_area.dat", "old bitmap");
    std::string temp = dir_.Put("skeinview_area.dat.tmp", "new");
    ASSERT_TRUE(RenameFile(temp, target)) << std::strerror(errno);
    EXPECT_EQ(ReadFileBytes(target), "new");
    EXPECT_FALSE(fs::exists(temp));

    errno = 0;
    EXPECT_FALSE(RenameFile(Path("missing"), target));
    EXPECT_EQ(errno, ENOENT);
    EXPECT_EQ(ReadFileBytes(target), "new");
    errno = 0;
    EXPECT_FALSE(RemoveFile(Path("missing")));
    EXPECT_EQ(errno, ENOENT);
}

TEST_F(FilePlatformTest, OnlyRegularFilesOpen) {
    fs::create_directory(Path("sub"));
    dir_.Put("sub/keep", "x");
    for (FileAccess access : allModes) {
        SCOPED_TRACE(static_cast<int>(access));
        TFile f;
        EXPECT_FALSE(f.Open(Path("sub"), access));
        EXPECT_EQ(f.LastError(), EISDIR);
        EXPECT_FALSE(f.IsOpen());
        EXPECT_FALSE(f.Open(nullDevice, access));
        EXPECT_EQ(f.LastError(), EINVAL);
        EXPECT_FALSE(f.IsOpen());
    }
    // Refusing them changed nothing.
    EXPECT_TRUE(fs::is_directory(Path("sub")));
    EXPECT_EQ(ReadFileBytes(Path("sub/keep")), "x");
    EXPECT_FALSE(RemoveFile(Path("sub")));
    EXPECT_TRUE(fs::is_directory(Path("sub")));
}

TEST_F(FilePlatformTest, MissingFilesAndFoldersAreNoSuchFile) {
    for (FileAccess access : allModes) {
        SCOPED_TRACE(static_cast<int>(access));
        TFile f;
        EXPECT_FALSE(f.Open(Path("no/such/folder/file"), access));
        EXPECT_EQ(f.LastError(), ENOENT);
        if (access != FileAccess::CreateReadWrite) {
            EXPECT_FALSE(f.Open(Path("missing.jhr"), access));
            EXPECT_EQ(f.LastError(), ENOENT);
        }
    }
    EXPECT_FALSE(fs::exists(Path("missing.jhr")));
}

TEST_F(FilePlatformTest, TheReaderSaysWhyABaseDoesNotOpen) {
    auto base = TJamMsgBase::Create();
    ASSERT_TRUE(base);
    base->SetBasePath(Path("area"));
    EXPECT_NE(base->OpenBase(), 0);
    EXPECT_EQ(base->OpenFailureText(), Path("area") + ".jhr: " + std::strerror(ENOENT));

    dir_.Put("area.jhr", std::string(1024, '\0'));
    fs::create_directory(Path("area.jdt"));
    EXPECT_NE(base->OpenBase(), 0);
    EXPECT_EQ(base->OpenFailureText(), Path("area") + ".jdt: " + std::strerror(EISDIR));
}

} // namespace
