// Every damaged base that jamgen can write, run through the whole program as a user would start
// it with standard input not a terminal, twice: on a terminal (so the run builds the thread list
// and ends at the end of input) and with standard output to a file (so it writes the whole thread
// list as text). Each run must end by itself within the time limit, with exit code 0 (shown and
// ended) or 1 ("Can't open"), without a sanitizer report, and leave the base files exactly as
// they were: the same bytes and the same modification and change times. The text run leaves the
// read-state file as the screen run wrote it.

#include "JamDamage.h"
#include "JamSynth.h"
#include "JamWriter.h"
#include "ProcessRun.h"
#include "ScratchDir.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const std::string programPath = SKEIN_BUILD_DIR "/skeinview";
// Generous for a sanitizer build on a busy machine; a sound run takes a fraction of it.
constexpr auto timeLimit = std::chrono::seconds(120);
constexpr int asanExit = 86;
constexpr int ubsanExit = 87;

class DamagedBaseRun : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(scratch_.Made());
        root_ = scratch_.Path();
        fs::create_directory(root_ / "cwd");
        fs::create_directory(root_ / "bases");
    }

    // Runs the program on base in its own current directory, input from /dev/null and output
    // on a terminal onScreen, else to a file. The sanitizers are told exit codes of their own, so
    // that a report is never taken for "Can't open".
    ProcessResult Run(const std::string& base, bool onScreen) {
        ProcessOptions options;
        options.Program = programPath;
        options.Args = {base};
        options.WorkDir = (root_ / "cwd").string();
        options.InputFromNull = true;
        options.OutputOnTerminal = onScreen;
        options.TimeLimit = timeLimit;
        options.Env = {{"ASAN_OPTIONS", "exitcode=" + std::to_string(asanExit)},
                       {"UBSAN_OPTIONS", "halt_on_error=1:print_stacktrace=1:exitcode=" +
                                             std::to_string(ubsanExit)}};
        return RunProcess(options);
    }

    ScratchDir scratch_{"skein-damaged"};
    fs::path root_;
};

class DamagedBaseSuiteTest : public DamagedBaseRun,
                             public ::testing::WithParamInterface<std::string> {};

TEST_P(DamagedBaseSuiteTest, RunsToItsEndAndLeavesTheBaseAsItWas) {
    ASSERT_TRUE(fs::exists(programPath)) << programPath << " is not built";
    const std::string kind = GetParam();
    const std::string base = (root_ / "bases" / "damaged").string();
    jamgen::SynthOptions options;
    options.Messages = 60; // as jamgen --damage KIND writes it
    std::string error;
    ASSERT_TRUE(jamgen::WriteDamagedBase(kind, jamgen::MakeSyntheticBase(options), base, &error))
        << error;

    std::map<std::string, std::optional<FileState>> before;
    for (const char* ext : {".jhr", ".jdt", ".jdx"}) before[ext] = FileStateOf(base + ext);
    // Only a missing file or a header file without its whole base header keeps a base shut.
    const bool openable =
        before[".jhr"] && before[".jdt"] && before[".jdx"] && before[".jhr"]->Bytes.size() >= 1024;

    const fs::path marks = root_ / "cwd" / "skeinview_damaged.dat";
    std::optional<FileState> marksBefore;
    for (const bool onScreen : {true, false}) {
        SCOPED_TRACE(onScreen ? "on a terminal" : "to a file");
        const ProcessResult run = Run(base, onScreen);
        EXPECT_TRUE(run.Finished) << "still running after " << timeLimit.count() << " s";
        EXPECT_EQ(run.Signal, 0) << run.Err;
        EXPECT_EQ(run.Err.find("Sanitizer"), std::string::npos) << run.Err;
        EXPECT_EQ(run.Err.find("runtime error"), std::string::npos) << run.Err;
        EXPECT_EQ(run.Exit, openable ? 0 : 1) << run.Out << run.Err;
        RecordProperty(onScreen ? "seconds" : "text_seconds", std::to_string(run.Seconds));
        if (!openable) {
            if (!onScreen) {
                EXPECT_EQ(run.Out, "Can't open\n");
            }
            continue;
        }
        if (onScreen) {
            // The read-state file is written whole, in steps of 128 bytes.
            ASSERT_TRUE(fs::exists(marks));
            EXPECT_EQ(fs::file_size(marks) % 128, 0u);
            EXPECT_GE(fs::file_size(marks), 128u);
            marksBefore = FileStateOf(marks.string());
        } else {
            EXPECT_TRUE(Untouched(*marksBefore, *FileStateOf(marks.string())));
        }
    }

    for (const auto& [ext, was] : before) {
        SCOPED_TRACE(ext);
        const std::optional<FileState> now = FileStateOf(base + ext);
        ASSERT_EQ(now.has_value(), was.has_value()) << "a base file was made or removed";
        if (!was) continue;
        EXPECT_TRUE(Untouched(*was, *now)) << "the bytes or their times changed";
    }
}

// Regression: the read marks were sized from the base header's count of active messages alone, so
// a header claiming two thousand million of them made every run write a read-state file of 256 MB.
TEST_F(DamagedBaseRun, HugeActiveCountMadeEveryRunWriteAQuarterGigabyteReadStateFile) {
    ASSERT_TRUE(fs::exists(programPath)) << programPath << " is not built";
    const std::string base = (root_ / "bases" / "damaged").string();
    jamgen::SynthOptions options;
    options.Messages = 60;
    std::string error;
    ASSERT_TRUE(jamgen::WriteJamBase(jamgen::MakeSyntheticBase(options), base, &error)) << error;
    ASSERT_TRUE(jamgen::PatchFileU32(base + ".jhr", 12, 0x7FFFFFFF, &error)) << error;

    const ProcessResult run = Run(base, true);
    EXPECT_TRUE(run.Finished);
    EXPECT_EQ(run.Exit, 0) << run.Err;
    // Sixty messages need the first 128-byte step only.
    EXPECT_EQ(fs::file_size(root_ / "cwd" / "skeinview_damaged.dat"), 128u);
}

std::vector<std::string> kindNames() {
    std::vector<std::string> names;
    for (const jamgen::DamageKind& kind : jamgen::DamageKinds()) names.emplace_back(kind.Name);
    return names;
}

INSTANTIATE_TEST_SUITE_P(EveryKind, DamagedBaseSuiteTest, ::testing::ValuesIn(kindNames()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             std::string name = info.param;
                             for (char& c : name)
                                 if (c == '-') c = '_';
                             return name;
                         });

} // namespace
