// What saving the read state keeps of what the user set up on a POSIX system: a symbolic link
// named as the read-state file (the marks go to the file it leads to), the file's permission bits,
// and the refusal to follow a link that another user owns.

#include "Lib_FileIO.h"
#include "ReadState.h"
#include "ScratchDir.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const std::string stateFile = "skeinview_general.dat";

class ReadStateLinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = fs::current_path();
        ASSERT_TRUE(scratch_.Made());
        fs::current_path(scratch_.Path());
        fs::create_directory("data");
    }
    void TearDown() override { fs::current_path(previous_); }

    // Loads the marks, marks message 1 and saves: the file then holds its old bytes with bit 0
    // of byte 0 set, 128 bytes in all. gone is removed before saving.
    static bool MarkOneAndSave(const std::string& gone) {
        TReadState state;
        LoadReadState(state, "general", 0);
        MarkRead(state, 1);
        if (!gone.empty()) fs::remove(gone);
        return SaveReadState(state, true);
    }
    static unsigned ModeOf(const std::string& path) {
        struct stat st {};
        return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 0777 : 01000;
    }
    // Nothing but the expected names in the folder: no temporary file left behind.
    static bool OnlyHolds(const fs::path& dir, std::set<std::string> names) {
        std::set<std::string> found;
        for (const auto& e : fs::directory_iterator(dir)) found.insert(e.path().filename());
        return found == names;
    }

    ScratchDir scratch_{"skein-readlink"};
    fs::path previous_;
};

TEST_F(ReadStateLinkTest, MarksGoThroughTheUsersOwnLinksAndKeepTheMode) {
    const std::string old = std::string("\x10", 1) + std::string(127, '\0');
    std::string marked = old;
    marked[0] = '\x11';
    const std::string fresh = std::string("\x01", 1) + std::string(127, '\0');
    struct Case {
        const char* what;
        std::string linkTo;      // what skeinview_general.dat leads to
        std::string further;     // a second link, data/next.dat, leads here when not empty
        std::string target;      // the file that gets the marks
        unsigned mode;           // its mode before and after; 0: it does not exist yet
        bool goneAtSave = false; // removed after loading: the save makes it new
    };
    const std::string abs = fs::current_path().string();
    const Case cases[] = {
        {"relative link", "data/marks.dat", "", "data/marks.dat", 0600},
        {"absolute link", abs + "/data/marks.dat", "", "data/marks.dat", 0640},
        {"chain, relative to each link's folder", "data/next.dat", "marks.dat", "data/marks.dat",
         0604},
        {"plain file", "", "", stateFile, 0600},
        {"dangling link", "data/made.dat", "", "data/made.dat", 0},
        {"dangling by the time of saving", "data/made.dat", "", "data/made.dat", 0, true},
        {"plain file gone by the time of saving", "", "", stateFile, 0, true},
    };
    const mode_t umaskBefore = ::umask(027);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (const auto& e : fs::directory_iterator("data")) fs::remove(e.path());
        fs::remove(stateFile);
        if (c.mode != 0) {
            ASSERT_TRUE(WriteFileBytes(c.target, old));
            fs::permissions(c.target, static_cast<fs::perms>(c.mode));
        }
        if (!c.linkTo.empty()) fs::create_symlink(c.linkTo, stateFile);
        if (!c.further.empty()) fs::create_symlink(c.further, "data/next.dat");

        EXPECT_TRUE(MarkOneAndSave(c.goneAtSave ? c.target : ""));
        EXPECT_EQ(ReadFileBytes(c.target), c.mode != 0 ? marked : fresh);
        // A new file gets 0666 less the umask.
        EXPECT_EQ(ModeOf(c.target), c.mode != 0 ? c.mode : 0640u);
        if (!c.linkTo.empty()) {
            ASSERT_TRUE(fs::is_symlink(stateFile));
            EXPECT_EQ(fs::read_symlink(stateFile), c.linkTo);
        }
        EXPECT_TRUE(OnlyHolds(".", {stateFile, "data"}));
    }
    ::umask(umaskBefore);
}

TEST_F(ReadStateLinkTest, ALinkOfAnotherUserIsNotFollowed) {
    if (::geteuid() != 0) GTEST_SKIP() << "only root can give a link to another user";
    const std::string victim = "data/victim.dat";
    ASSERT_TRUE(WriteFileBytes(victim, std::string(128, '\x22')));
    fs::create_symlink("data/victim.dat", stateFile);
    ASSERT_EQ(::lchown(stateFile.c_str(), 12345, 12345), 0);
    const FileState before = *FileStateOf(victim);

    TReadState state;
    LoadReadState(state, "general", 0);
    EXPECT_FALSE(IsRead(state, 2)); // the victim's marks are not taken either
    MarkRead(state, 1);
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(SaveReadState(state, true));
    const std::string said = ::testing::internal::GetCapturedStderr();

    EXPECT_EQ(said, "skeinview: " + stateFile +
                        ": a symbolic link of another user is not followed; the read marks were "
                        "not saved\n");
    EXPECT_TRUE(Untouched(before, *FileStateOf(victim)));
    EXPECT_TRUE(fs::is_symlink(stateFile));
    EXPECT_TRUE(OnlyHolds("data", {"victim.dat"}));
    EXPECT_TRUE(OnlyHolds(".", {stateFile, "data"}));
}

TEST_F(ReadStateLinkTest, ALinkPlantedAtTheTemporaryNameIsNotWrittenThrough) {
    const std::string victim = "data/victim.dat";
    ASSERT_TRUE(WriteFileBytes(victim, std::string(128, '\x22')));
    ASSERT_TRUE(WriteFileBytes(stateFile, std::string(128, '\0')));
    fs::create_symlink(fs::absolute(victim), TempPathFor(stateFile));
    const FileState before = *FileStateOf(victim);
    EXPECT_FALSE(MarkOneAndSave(""));
    EXPECT_TRUE(Untouched(before, *FileStateOf(victim)));
    EXPECT_EQ(ReadFileBytes(stateFile), std::string(128, '\0'));
}

} // namespace
