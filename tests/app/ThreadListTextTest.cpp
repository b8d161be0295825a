// The thread list as text, as the program writes it when standard output is not a terminal: the
// demo base's text, every row of a base larger than the screen's list in the screen's order,
// six-digit message numbers, a reader that goes away, and the read-state file only read. The
// text's walk over a plan of the base gives exactly the rows of the walk through the files.

#include "JamDamage.h"
#include "JamSynth.h"
#include "JamWriter.h"
#include "ProcessRun.h"
#include "ReadState.h"
#include "ScratchDir.h"
#include "TestFiles.h"
#include "ThreadIndex.h"
#include "ThreadListRows.h"
#include "ThreadPlan.h"
#include "ThreadRows.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

const std::string programPath = SKEIN_BUILD_DIR "/skeinview";
const std::string demoBase = SKEIN_BUILD_DIR "/demo";
const std::string expectedDemo = SKEIN_SOURCE_DIR "/tests/e2e/expected/demo_threads.txt";

// The lines of text, each ended by a line feed; a last line without one is kept as it is.
Rows linesOf(const std::string& text) {
    Rows lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

// The message numbers whose rows show them read.
std::set<std::int32_t> readNumbers(const Rows& lines) {
    std::set<std::int32_t> read;
    for (const std::string& line : lines) {
        const ShortStr row(line);
        const std::int32_t n = RowNumber(row);
        if (n > 0 && line[ReadMarkIndex(row)] == ' ') read.insert(n);
    }
    return read;
}

class ThreadListTextTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(scratch_.Made()); }

    // A folder of the scratch one, made for a run's current folder.
    std::string Folder(const std::string& name) {
        fs::create_directory(scratch_.File(name));
        return scratch_.File(name);
    }

    // The program on base in the folder cwd, standard output to a file, under the locale LANG
    // (LC_ALL and LC_CTYPE unset). With a shell command, bash runs it with $0 the program and $1
    // the base instead.
    ProcessResult Run(const std::string& base, const std::string& cwd,
                      const std::string& lang = "C", const std::string& shell = "") {
        ProcessOptions options;
        options.Program = shell.empty() ? programPath : "/bin/bash";
        options.Args = shell.empty() ? Rows{base} : Rows{"-c", shell, programPath, base};
        options.WorkDir = cwd;
        options.InputFromNull = true;
        options.Env = {{"LANG", lang}};
        options.Unset = {"LC_ALL", "LC_CTYPE"};
        return RunProcess(options);
    }

    // A synthetic base written into the scratch folder; returns its path.
    std::string Synthetic(const jamgen::SynthOptions& options, jamgen::JamBaseModel* model = {}) {
        const std::string base =
            scratch_.File("synthetic" + std::to_string(options.Messages) + "-" +
                          std::to_string(options.Seed) + "-" + std::to_string(options.BaseMsgNum));
        const jamgen::JamBaseModel made = jamgen::MakeSyntheticBase(options);
        std::string error;
        EXPECT_TRUE(jamgen::WriteJamBase(made, base, &error)) << error;
        if (model != nullptr) *model = made;
        return base;
    }

private:
    ScratchDir scratch_{"skein-text"};
};

TEST_F(ThreadListTextTest, TheDemoBaseAsTextInAUtf8Locale) {
    const std::string cwd = Folder("cwd");
    const ProcessResult r = Run(demoBase, cwd, "C.UTF-8");
    EXPECT_EQ(r.Exit, 0) << r.Err;
    EXPECT_EQ(r.Err, "");
    EXPECT_EQ(r.Out, ReadFileBytes(expectedDemo));
    EXPECT_TRUE(fs::is_empty(cwd)) << "a listing makes no read-state file";
}

// A name or subject may hold any byte: in every locale each row stays one line and no control
// byte (an escape sequence, a line end) reaches the terminal or the mail it is sent to.
TEST_F(ThreadListTextTest, ControlBytesInNamesNeverReachTheText) {
    jamgen::JamBaseModel model;
    model.AddMessage(1, "Bell\a\x7F", "All", "Hi\r\nthere\x1B[2J\x1B]0;owned\x07\x8D");
    const std::string base = Folder("base") + "/ctl";
    std::string error;
    ASSERT_TRUE(jamgen::WriteJamBase(model, base, &error)) << error;
    const struct {
        const char* Lang;
        const char* Subject;
    } cases[] = {{"C", "Hi??there?[2J?]0;owned?\x8D"},
                 {"C.UTF-8", "Hi\u266A\u25D9there\u2190[2J\u2190]0;owned\u2022\u00EC"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Lang);
        const ProcessResult r = Run(base, Folder(c.Lang), c.Lang);
        EXPECT_EQ(r.Exit, 0) << r.Err;
        EXPECT_EQ(linesOf(r.Out).size(), 2u) << r.Out;
        EXPECT_NE(r.Out.find(c.Subject), std::string::npos) << r.Out;
        for (char ch : r.Out)
            EXPECT_TRUE(ch == '\n' || (static_cast<unsigned char>(ch) >= 0x20 && ch != 0x7F))
                << static_cast<int>(ch);
    }
}

// The text holds every row of the base, in the order the screen's list shows them, as the
// screen's list does.
TEST_F(ThreadListTextTest, EveryRowInTheScreensOrder) {
    struct Case {
        const char* What;
        std::uint32_t Messages;
        std::uint32_t BaseMsgNum;
        const char* SomeRowStart; // a message row begins so
    };
    for (const Case& c : {Case{"more rows than the list once held", 12000, 1, "      1 N "},
                          Case{"six-digit numbers", 40, 123456, "  123456 N "}}) {
        SCOPED_TRACE(c.What);
        jamgen::SynthOptions options;
        options.Messages = c.Messages;
        options.BaseMsgNum = c.BaseMsgNum;
        jamgen::JamBaseModel model;
        const std::string base = Synthetic(options, &model);

        const ProcessResult r = Run(base, Folder(c.What));
        EXPECT_EQ(r.Exit, 0) << r.Err;
        EXPECT_EQ(r.Err, "");
        const Rows lines = linesOf(r.Out);

        auto reader = TJamMsgBase::Create();
        ASSERT_TRUE(reader);
        reader->SetBasePath(base);
        ASSERT_EQ(reader->OpenBase(), 0) << reader->OpenFailureText();
        TReadState unread;
        CollectedRows all;
        BuildThreadIndex(*reader, unread, all);
        // The screen's rows are the same, every one of them.
        TThreadListRows screen(unread);
        BuildWholeThreadIndex(*reader, unread, screen);

        EXPECT_EQ(lines, all.All);
        EXPECT_EQ(lines, RowTexts(screen));

        // Each live message of the base has its row, once.
        std::set<std::int32_t> listed;
        std::size_t messageRows = 0;
        for (const std::string& line : lines) {
            if (const std::int32_t n = RowNumber(ShortStr(line)); n > 0) {
                listed.insert(n);
                ++messageRows;
            }
        }
        std::set<std::int32_t> live;
        for (const auto& m : model.Messages)
            if (!m.Deleted) live.insert(static_cast<std::int32_t>(m.Number));
        EXPECT_EQ(listed, live);
        EXPECT_EQ(messageRows, live.size());
        EXPECT_NE(r.Out.find(std::string("\n") + c.SomeRowStart), std::string::npos);
    }
}

// "skeinview BASE | head" ends quietly once head has what it wants; a full disk is reported.
TEST_F(ThreadListTextTest, AReaderThatGoesAwayOrAFullDisk) {
    jamgen::SynthOptions options;
    options.Messages = 12000; // far more text than a pipe holds
    const std::string base = Synthetic(options);
    const std::string cwd = Folder("cwd");
    const Rows whole = linesOf(Run(base, cwd).Out);
    ASSERT_GT(whole.size(), 3u);

    const ProcessResult head = Run(base, cwd, "C", "set -o pipefail; \"$0\" \"$1\" | head -n 3");
    EXPECT_EQ(head.Exit, 0) << head.Err;
    EXPECT_EQ(head.Err, "");
    EXPECT_EQ(linesOf(head.Out), Rows(whole.begin(), whole.begin() + 3));

    const ProcessResult full = Run(base, cwd, "C", "\"$0\" \"$1\" >/dev/full");
    EXPECT_EQ(full.Exit, 1);
    EXPECT_EQ(full.Err, "skeinview: writing the thread list: No space left on device\n");
    EXPECT_TRUE(fs::is_empty(cwd));
}

// The listing shows the marks of the read-state file and leaves the file as it was; one it
// cannot read shows every message unread.
TEST_F(ThreadListTextTest, ReadMarksAreShownAndTheFileLeftAsItWas) {
    const std::string marks = "skeinview_demo.dat";
    std::string oneAndThree(ReadBitmapStep, '\0');
    oneAndThree[0] = 0x05;
    struct Case {
        const char* What;
        bool File;
        bool Directory;
        bool Unreadable;
        std::set<std::int32_t> Read;
    };
    for (const Case& c : {Case{"no file", false, false, false, {}},
                          Case{"messages 1 and 3 read", true, false, false, {1, 3}},
                          Case{"a directory in its place", false, true, false, {}},
                          Case{"a file it may not read", true, false, true, {}}}) {
        SCOPED_TRACE(c.What);
        if (c.Unreadable && geteuid() == 0) continue; // root reads it all the same
        const std::string cwd = Folder(c.What);
        const std::string path = cwd + "/" + marks;
        if (c.File) {
            ASSERT_TRUE(WriteFileBytes(path, oneAndThree));
        }
        if (c.Directory) fs::create_directory(path);
        if (c.Unreadable) ::chmod(path.c_str(), 0);
        const std::optional<FileState> before =
            c.File ? FileStateOf(path) : std::optional<FileState>();

        const ProcessResult r = Run(demoBase, cwd);
        EXPECT_EQ(r.Exit, 0) << r.Err;
        EXPECT_EQ(r.Err, "");
        EXPECT_EQ(readNumbers(linesOf(r.Out)), c.Read);
        EXPECT_EQ(fs::exists(path), c.File || c.Directory) << "made or removed";
        EXPECT_EQ(fs::is_directory(path), c.Directory);
        if (before) {
            const std::optional<FileState> after = FileStateOf(path);
            ASSERT_TRUE(after);
            EXPECT_TRUE(Untouched(*before, *after));
        }
    }
}

// The walk over a plan read in one pass, and the walk through the files when the plan does not
// fit or the base changes, against the walk through the files alone: the same rows for every
// base, sound or damaged. Each reader holds a header in memory before its walk, as a header that
// cannot be read leaves the one before it standing.
TEST_F(ThreadListTextTest, ThePlannedWalkGivesTheRowsOfTheWalkThroughTheFiles) {
    struct Case {
        std::string What;
        std::string Base;
        std::function<void()> Grow; // appends to the base when the walk asks the index's size
    };
    std::vector<Case> cases{{"demo", demoBase, {}}};
    for (const std::uint32_t messages : {1u, 37u, 2000u, 15000u}) {
        for (const std::uint64_t seed : {1u, 5u}) {
            jamgen::SynthOptions options;
            options.Messages = messages;
            options.Seed = seed;
            // Numbers that run past the signed 32-bit range, whose messages the reader leaves out.
            options.BaseMsgNum = seed == 1 ? 1 : 2147483647u - messages / 2;
            cases.push_back(
                {"synthetic " + std::to_string(messages) + " seed " + std::to_string(seed),
                 Synthetic(options),
                 {}});
        }
    }
    jamgen::SynthOptions small;
    small.Messages = 60;
    for (const jamgen::DamageKind& kind : jamgen::DamageKinds()) {
        const std::string base = Folder("damaged-" + std::string(kind.Name)) + "/base";
        std::string error;
        ASSERT_TRUE(
            jamgen::WriteDamagedBase(kind.Name, jamgen::MakeSyntheticBase(small), base, &error))
            << error;
        cases.push_back({std::string(kind.Name), base, {}});
    }
    // New messages appended when the walk first asks whether the index has grown; their
    // parents' links are rewritten too.
    jamgen::JamBaseModel growing;
    const std::string grows = Synthetic(small, &growing);
    for (std::uint32_t n = 61; n <= 90; ++n)
        growing.AddMessage(n, "Late", "All", "Late topic", 0, n - 30);
    cases.push_back({"growing", grows, [&] {
                         std::string error;
                         EXPECT_TRUE(jamgen::WriteJamBase(growing, grows, &error)) << error;
                     }});

    TReadState marks;
    marks.ReadBitmap.assign(static_cast<std::size_t>(ReadBitmapStep), 0x35);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        // The walk through the files alone runs last, on the base as the others left it: one
        // that grew while they read it is walked whole as it has become.
        bool opened = false;
        auto walk = [&](std::optional<std::size_t> budget, ThreadListWalk* how,
                        const TJamCacheSizes& sizes = {}) {
            if (c.Grow && budget) Synthetic(small); // the base as it was before it grew
            CollectedRows rows;
            auto reader = TJamMsgBase::Create(sizes);
            reader->SetBasePath(c.Base);
            opened = reader->OpenBase() == 0;
            if (!opened) return rows.All;
            reader->SeekNumber(0);
            reader->StepNext();
            reader->LoadHeader();
            int sizeAsks = 0;
            if (c.Grow && budget)
                SetFileFaultHook([&](FileOp op, const std::string& path) {
                    if (op == FileOp::Size && path == c.Base + ".jdx" && ++sizeAsks == 2) c.Grow();
                    return FileFault{};
                });
            if (budget)
                *how = BuildWholeThreadIndex(*reader, marks, rows, *budget);
            else
                BuildThreadIndex(*reader, marks, rows);
            SetFileFaultHook(nullptr);
            return rows.All;
        };
        ThreadListWalk planned = ThreadListWalk::Stepped;
        ThreadListWalk noRoom = ThreadListWalk::Planned;
        ThreadListWalk smallBlocks = ThreadListWalk::Stepped;
        const Rows plannedRows = walk(ThreadPlanBudget, &planned);
        const Rows noRoomRows = walk(0, &noRoom);
        // Blocks of a few records and a few headers: the plan's runs of headers end often.
        const Rows smallBlockRows =
            walk(ThreadPlanBudget, &smallBlocks, TJamCacheSizes{7, 2, 64, 8, 2, 1000, 2});
        const Rows stepped = walk(std::nullopt, nullptr);
        EXPECT_EQ(plannedRows, stepped);
        EXPECT_EQ(noRoomRows, stepped);
        EXPECT_EQ(smallBlockRows, stepped);
        if (!opened) continue;
        // Only a base that changes while it is read is walked through the files, and one that
        // needs room for its plan when it has none.
        EXPECT_EQ(planned, c.Grow ? ThreadListWalk::Stepped : ThreadListWalk::Planned);
        if (!stepped.empty()) {
            EXPECT_EQ(noRoom, ThreadListWalk::Stepped);
        }
    }
}

} // namespace
