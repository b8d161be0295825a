// Opening a base, walking its index and loading message headers.

#include "JamTestBase.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

using jamgen::JamBaseModel;
using jamgen::JamField;
using jamtest::JamTest;
using jamtest::Walk;
namespace fs = std::filesystem;

namespace {

using Numbers = std::vector<std::int64_t>;

class JamOpenTest : public JamTest {
protected:
    std::uint8_t OpenCode() {
        auto reader = TJamMsgBase::Create();
        reader->SetBasePath(base);
        std::uint8_t code = reader->OpenBase();
        failure = reader->OpenFailureText();
        return code;
    }
    std::string failure;
};

TEST_F(JamOpenTest, FixedHeaderMustBeWhole) {
    Write(JamBaseModel{});
    std::string error;
    ASSERT_TRUE(jamgen::TruncateFile(base + ".jhr", 1023, &error)) << error;
    EXPECT_EQ(OpenCode(), TJamMsgBase::ErrShortBaseHeader);
    EXPECT_NE(failure.find("base.jhr"), std::string::npos) << failure;

    // Exactly the fixed header and no messages: it opens, and holds nothing.
    ASSERT_TRUE(jamgen::TruncateFile(base + ".jhr", 1024, &error)) << error;
    auto reader = Open();
    reader->SeekNumber(0);
    EXPECT_FALSE(reader->HasCurrent());
}

TEST_F(JamOpenTest, EachMissingFileFailsAndIsNamed) {
    for (const char* ext : {".jhr", ".jdt", ".jdx"}) {
        SCOPED_TRACE(ext);
        Write(jamtest::Numbered(1, 1, 2));
        fs::remove(base + ext);
        EXPECT_EQ(OpenCode(), ENOENT);
        EXPECT_EQ(failure, base + ext + ": " + std::strerror(ENOENT));
    }
}

TEST_F(JamOpenTest, FilesThatAreNotRegularFailAtOnce) {
    for (const char* ext : {".jhr", ".jdt", ".jdx"}) {
        SCOPED_TRACE(ext);
        Write(jamtest::Numbered(1, 1, 2));
        fs::remove(base + ext);
        fs::create_directory(base + ext);
        EXPECT_NE(OpenCode(), 0);
        fs::remove(base + ext);
    }
#ifndef _WIN32
    // A FIFO with no writer would block an ordinary open for ever.
    Write(jamtest::Numbered(1, 1, 2));
    fs::remove(base + ".jdx");
    ASSERT_EQ(mkfifo((base + ".jdx").c_str(), 0600), 0);
    auto start = std::chrono::steady_clock::now();
    EXPECT_NE(OpenCode(), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
#endif
}

TEST_F(JamOpenTest, FailuresOfTheFileLayerAreReported) {
    Write(jamtest::Numbered(1, 1, 2));
    FailFileOp(FileOp::Open, ".jdt", EACCES);
    EXPECT_EQ(OpenCode(), EACCES);
    FailFileOp(FileOp::Read, ".jhr", EIO);
    EXPECT_EQ(OpenCode(), EIO);
}

#ifdef __linux__
// The access mode of every descriptor this process holds on path.
std::vector<int> accessModes(const std::string& path) {
    std::vector<int> modes;
    for (const auto& entry : fs::directory_iterator("/proc/self/fd")) {
        std::error_code ec;
        if (fs::read_symlink(entry.path(), ec) != fs::path(path)) continue;
        int fd = std::stoi(entry.path().filename().string());
        modes.push_back(fcntl(fd, F_GETFL) & O_ACCMODE);
    }
    return modes;
}

TEST_F(JamOpenTest, FilesAreOpenedForReadingOnly) {
    Write(jamtest::Numbered(1, 1, 2));
    auto reader = Open();
    for (const char* ext : {".jhr", ".jdt", ".jdx"}) {
        SCOPED_TRACE(ext);
        EXPECT_EQ(accessModes(base + ext), std::vector<int>{O_RDONLY});
    }
}
#endif

TEST_F(JamTest, ReadingLeavesTheFilesUntouched) {
    JamBaseModel model = jamtest::Numbered(1, 1, 30);
    model.Messages[3].Deleted = true;
    model.Messages[5].AddSubfield(jamgen::kMsgId, "1:2/3 cafe");
    Write(model);
    struct Snapshot {
        std::string bytes;
        fs::file_time_type mtime;
    };
    auto snap = [&](const char* ext) {
        Snapshot s;
        std::string error;
        EXPECT_TRUE(jamgen::ReadWholeFile(base + ext, &s.bytes, &error)) << error;
        s.mtime = fs::last_write_time(base + ext);
        return s;
    };
    const char* exts[] = {".jhr", ".jdt", ".jdx"};
    std::vector<Snapshot> before;
    for (const char* ext : exts) before.push_back(snap(ext));
    {
        auto reader = Open();
        reader->SeekNumber(0);
        while (reader->HasCurrent()) {
            reader->LoadMessage();
            jamtest::Lines(*reader);
            reader->StepNext();
        }
    }
    for (std::size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(exts[i]);
        Snapshot after = snap(exts[i]);
        EXPECT_EQ(after.bytes, before[i].bytes);
        EXPECT_TRUE(after.mtime == before[i].mtime);
    }
}

// --- The scan over the index ---

TEST_F(JamTest, SeekStandsOnTheFirstLiveNumberAtOrAfter) {
    JamBaseModel model = jamtest::Numbered(1, 1, 8);
    for (int i : {2, 3, 4}) model.Messages[i].Deleted = true; // messages 3 to 5
    Write(model);
    auto reader = Open();
    const std::pair<std::int32_t, std::int64_t> seeks[] = {{INT_MIN, 1}, {0, 1}, {1, 1}, {2, 2},
                                                           {3, 6},       {5, 6}, {8, 8}};
    for (auto [n, expected] : seeks) {
        reader->SeekNumber(n);
        ASSERT_TRUE(reader->HasCurrent()) << n;
        EXPECT_EQ(reader->CurNumber(), expected) << n;
    }
    reader->SeekNumber(2);
    reader->StepNext();
    EXPECT_EQ(reader->CurNumber(), 6);
    EXPECT_EQ(Walk(*reader), (Numbers{1, 2, 6, 7, 8}));

    // Off the end the scan rests one past the last number, however often it is stepped.
    reader->SeekNumber(9);
    EXPECT_FALSE(reader->HasCurrent());
    reader->SeekNumber(8);
    for (int i = 0; i < 3; ++i) {
        reader->StepNext();
        EXPECT_EQ(reader->CurNumber(), reader->LastNumber() + 1);
        EXPECT_FALSE(reader->HasCurrent());
    }
}

TEST_F(JamTest, DeletedRunsToTheEndLeaveNoCurrent) {
    JamBaseModel model = jamtest::Numbered(1, 1, 6);
    for (int i : {2, 3, 4, 5}) model.Messages[i].Deleted = true;
    model.Messages[0].Deleted = true;
    Write(model);
    auto reader = Open();
    reader->SeekNumber(3);
    EXPECT_FALSE(reader->HasCurrent());
    reader->SeekNumber(2);
    reader->StepNext();
    EXPECT_FALSE(reader->HasCurrent());
    EXPECT_EQ(Walk(*reader), Numbers{2});
}

TEST_F(JamTest, OnlyAnEmptyHeaderOffsetMarksADeletion) {
    JamBaseModel model = jamtest::Numbered(1, 1, 4);
    model.Messages[0].Overrides[JamField::IdxHdrOffset] = 0xFFFFFFFF;
    // An empty recipient name has the CRC 0xFFFFFFFF; the message is live all the same.
    model.Messages[1].Overrides[JamField::IdxToCRC] = 0xFFFFFFFF;
    model.Messages[2].Deleted = true;
    Write(model);
    auto reader = Open();
    EXPECT_EQ(Walk(*reader), (Numbers{2, 4}));
}

TEST_F(JamTest, OnlyLiveMessageWithEmptyRecipientIsListed) {
    JamBaseModel model;
    model.AddMessage(1, "Gone", "", "Deleted").Deleted = true;
    model.AddMessage(2, "Sysop", "", "To nobody");
    Write(model);
    auto reader = Open();
    EXPECT_EQ(Walk(*reader), Numbers{2});
    reader->SeekNumber(0);
    reader->LoadMessage();
    EXPECT_EQ(reader->ToName(), "");
    EXPECT_EQ(reader->SubjectText(), "To nobody");
}

TEST_F(JamTest, AllDeletedAndEmptyIndexesHoldNothing) {
    JamBaseModel model = jamtest::Numbered(1, 1, 5);
    for (auto& m : model.Messages) m.Deleted = true;
    Write(model);
    auto reader = Open();
    EXPECT_TRUE(Walk(*reader).empty());
    EXPECT_EQ(reader->CurNumber(), 6);

    Write(JamBaseModel{});
    reader = Open();
    EXPECT_EQ(reader->LastNumber(), 0);
    EXPECT_TRUE(Walk(*reader).empty());
}

TEST_F(JamTest, TrailingPartialIndexRecordIsIgnored) {
    Write(jamtest::Numbered(1, 1, 3));
    std::string error;
    ASSERT_TRUE(jamgen::TruncateFile(base + ".jdx", 20, &error)) << error;
    auto reader = Open();
    EXPECT_EQ(reader->LastNumber(), 2);
    EXPECT_EQ(Walk(*reader), (Numbers{1, 2}));
}

TEST_F(JamTest, BaseNumbersShiftTheIndex) {
    struct Case {
        std::uint32_t base;
        Numbers walk;
    };
    const Case cases[] = {
        {0, {0, 1, 2}},
        {1, {1, 2, 3}},
        {100, {100, 101, 102}},
        // Numbers past the signed 32-bit range cannot be named, so they are outside the base.
        {0x7FFFFFFE, {0x7FFFFFFE, 0x7FFFFFFF}},
        {0xFFFFFFF0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.base);
        Write(jamtest::Numbered(c.base, c.base, c.base + 2));
        auto reader = Open();
        EXPECT_EQ(reader->BaseMsgNum(), c.base);
        EXPECT_EQ(Walk(*reader), c.walk);
        reader->SeekNumber(5);
        if (!c.walk.empty() && c.walk.front() >= 5) {
            EXPECT_EQ(reader->CurNumber(), c.walk.front());
            reader->LoadHeader();
            EXPECT_EQ(reader->MsgNumber(), static_cast<std::int32_t>(c.walk.front()));
        }
    }
}

TEST_F(JamTest, WalkAcrossIndexBlocksMatchesTheLiveMessages) {
    JamBaseModel model = jamtest::Numbered(1, 1, 1300);
    Numbers live;
    for (auto& m : model.Messages) {
        // Deleted runs across the block edges (records 469-471, 499-501, 969-972).
        std::uint32_t r = m.Number - 1;
        m.Deleted = m.Number % 7 == 0 || (r >= 469 && r <= 471) || (r >= 499 && r <= 501) ||
                    (r >= 969 && r <= 972) || r >= 1290;
        if (!m.Deleted) live.push_back(m.Number);
    }
    Write(model);

    int indexReads = 0;
    SetFileFaultHook([&](FileOp op, const std::string& path) {
        if (op == FileOp::Read && path == base + ".jdx") ++indexReads;
        return FileFault{};
    });
    auto reader = Open();
    Numbers walked;
    reader->SeekNumber(0);
    while (reader->HasCurrent()) {
        reader->LoadHeader();
        EXPECT_EQ(reader->MsgNumber(), reader->CurNumber());
        walked.push_back(reader->CurNumber());
        reader->StepNext();
    }
    EXPECT_EQ(walked, live);
    // A forward walk reads the index a block at a time, not a record at a time.
    EXPECT_LE(indexReads, 4);

    // Steps back of up to 30 records need no read.
    reader->SeekNumber(600);
    int readsBefore = indexReads;
    reader->SeekNumber(575);
    EXPECT_EQ(reader->CurNumber(), 575);
    EXPECT_EQ(indexReads, readsBefore);

    // Jumps back and forth land right whichever block they need.
    for (std::int32_t n : {1290, 3, 970, 469, 500, 1, 1289}) {
        reader->SeekNumber(n);
        auto expected = std::lower_bound(live.begin(), live.end(), n);
        if (expected == live.end()) {
            EXPECT_FALSE(reader->HasCurrent()) << n;
        } else {
            EXPECT_EQ(reader->CurNumber(), *expected) << n;
        }
    }

    // The smallest caches give the same walk.
    auto tiny = Open(TJamCacheSizes{1, 0, 1, 0});
    EXPECT_EQ(Walk(*tiny), live);
}

TEST_F(JamTest, IndexReadFailureEndsTheScan) {
    Write(jamtest::Numbered(1, 1, 5));
    auto reader = Open();
    FailFileOp(FileOp::Read, ".jdx", EIO);
    reader->SeekNumber(0);
    EXPECT_FALSE(reader->HasCurrent());
    EXPECT_EQ(reader->LastIOError(), EIO);
}

// --- Loading headers ---

TEST_F(JamTest, HeaderFieldsAndLoadHeaderAlone) {
    JamBaseModel model;
    model.Header.ActiveMsgs = 77; // disagrees with the index, and is reported as stored
    model.AddMessage(1, "Alice", "Bob", "Root", 951782400);
    model.AddMessage(2, "Bob", "Alice", "Re: Root", 0, 1);
    model.AddMessage(3, "Carol", "Alice", "Re: Root", 0, 1);
    Write(model);
    auto reader = Open();
    EXPECT_EQ(reader->ActiveCount(), 77);

    reader->SeekNumber(1);
    reader->LoadMessage();
    reader->LoadHeader();
    EXPECT_EQ(reader->FromName(), "");
    EXPECT_EQ(reader->ToName(), "");
    EXPECT_EQ(reader->SubjectText(), "");
    EXPECT_EQ(reader->KludgeBlock(), "");
    EXPECT_EQ(reader->MsgNumber(), 1);
    EXPECT_EQ(reader->ReplyTo(), 0);
    EXPECT_EQ(reader->Reply1st(), 2);
    EXPECT_EQ(reader->ReplyNext(), 0);
    TDateRec date = reader->WrittenDate();
    EXPECT_EQ(date.Year, 2000);
    EXPECT_EQ(date.Month, 2);
    EXPECT_EQ(date.Day, 29);

    reader->SeekNumber(2);
    reader->LoadMessage();
    EXPECT_EQ(reader->FromName(), "Bob");
    EXPECT_EQ(reader->ToName(), "Alice");
    EXPECT_EQ(reader->ReplyTo(), 1);
    EXPECT_EQ(reader->ReplyNext(), 3);

    // Off the end: the texts are emptied, the header in memory stays.
    reader->SeekNumber(4);
    reader->LoadMessage();
    EXPECT_EQ(reader->FromName(), "");
    EXPECT_EQ(reader->MsgNumber(), 2);
    EXPECT_EQ(reader->HeaderBytes(), 0u);
}

TEST_F(JamTest, HeaderOffsetsBeyondTheFileKeepThePreviousHeader) {
    Write(jamtest::Numbered(1, 1, 4));
    PatchU32(".jdx", 1 * 8 + 4, static_cast<std::uint32_t>(info.HeaderFileSize) + 100);
    PatchU32(".jdx", 2 * 8 + 4, static_cast<std::uint32_t>(info.HeaderFileSize) - 40);
    PatchU32(".jdx", 3 * 8 + 4, 0xFFFFFFFE);
    auto reader = Open();
    reader->SeekNumber(1);
    reader->LoadMessage();
    ASSERT_EQ(reader->FromName(), "From 1");
    for (std::int32_t n : {2, 3, 4}) {
        SCOPED_TRACE(n);
        reader->SeekNumber(n);
        ASSERT_EQ(reader->CurNumber(), n);
        reader->LoadMessage();
        EXPECT_EQ(reader->LastIOError(), TJamMsgBase::ErrNoHeader);
        EXPECT_EQ(reader->HeaderBytes(), 0u);
        EXPECT_EQ(reader->MsgNumber(), 1);
        EXPECT_EQ(reader->FromName(), "");
        EXPECT_EQ(reader->SubjectText(), "");
    }
}

TEST_F(JamTest, HeaderReadFailureIsKeptNotReported) {
    Write(jamtest::Numbered(1, 1, 2));
    auto reader = Open();
    reader->SeekNumber(1);
    reader->LoadMessage();
    FailFileOp(FileOp::Read, ".jhr", EIO);
    reader->SeekNumber(2);
    reader->LoadMessage();
    EXPECT_EQ(reader->LastIOError(), EIO);
    EXPECT_EQ(reader->MsgNumber(), 1);
    EXPECT_EQ(reader->FromName(), "");
    SetFileFaultHook(nullptr);
    reader->LoadMessage();
    EXPECT_EQ(reader->LastIOError(), 0);
    EXPECT_EQ(reader->FromName(), "From 2");
}

TEST(JamBasePath, LongPathsAreKeptWhole) {
    auto reader = TJamMsgBase::Create();
    ASSERT_TRUE(reader);
    std::string path(130, 'p');
    reader->SetBasePath(path);
    EXPECT_EQ(reader->BasePath(), path);
    EXPECT_NE(reader->OpenBase(), 0);
    EXPECT_EQ(reader->FailedFile(), path + ".jhr");
}

} // namespace
