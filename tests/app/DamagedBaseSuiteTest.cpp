// Every damaged base that jamgen can write, run through the whole program as a user would start
// it with standard input not a terminal (so the run builds the thread list and ends at the end of
// input). Each run must end by itself within the time limit, with exit code 0 (shown and ended)
// or 1 ("Can't open"), without a sanitizer report, and leave the base files exactly as they were:
// the same bytes and the same modification and change times.

#include "JamDamage.h"
#include "JamSynth.h"
#include "JamWriter.h"
#include "ScratchDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

const std::string programPath = SKEIN_BUILD_DIR "/skeinview";
// Generous for a sanitizer build on a busy machine; a sound run takes a fraction of it.
constexpr auto timeLimit = std::chrono::seconds(120);
// Exit codes the sanitizers are told to use, so that a report is never taken for "Can't open".
constexpr int asanExit = 86;
constexpr int ubsanExit = 87;

std::string slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// What a base file is before the run, to compare with after it.
struct FileState {
    std::string Bytes;
    timespec Modified{};
    timespec Changed{};
};

std::optional<FileState> stateOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    return FileState{slurp(path), st.st_mtim, st.st_ctim};
}

bool sameTime(const timespec& a, const timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

struct RunResult {
    bool Finished = false; // ended by itself within the limit
    int Exit = -1;         // exit code, or -1 when ended by a signal
    int Signal = 0;
    std::string Out;
    std::string Err;
    double Seconds = 0;
};

class DamagedBaseRun : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(scratch_.Made());
        root_ = scratch_.Path();
        fs::create_directory(root_ / "cwd");
        fs::create_directory(root_ / "bases");
    }

    // Runs the program on base in its own current directory, input from /dev/null.
    RunResult Run(const std::string& base) {
        const fs::path out = root_ / "out", err = root_ / "err";
        const fs::path cwd = root_ / "cwd";
        RunResult result;
        const auto start = std::chrono::steady_clock::now();
        const pid_t pid = ::fork();
        if (pid == 0) {
            const int inFd = ::open("/dev/null", O_RDONLY);
            const int outFd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            const int errFd = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (inFd < 0 || outFd < 0 || errFd < 0 || ::chdir(cwd.c_str()) != 0) ::_exit(126);
            ::dup2(inFd, 0);
            ::dup2(outFd, 1);
            ::dup2(errFd, 2);
            const std::string asan = "exitcode=" + std::to_string(asanExit);
            const std::string ubsan =
                "halt_on_error=1:print_stacktrace=1:exitcode=" + std::to_string(ubsanExit);
            ::setenv("ASAN_OPTIONS", asan.c_str(), 1);
            ::setenv("UBSAN_OPTIONS", ubsan.c_str(), 1);
            ::execl(programPath.c_str(), programPath.c_str(), base.c_str(),
                    static_cast<char*>(nullptr));
            ::_exit(127);
        }
        if (pid < 0) {
            ADD_FAILURE() << "could not start " << programPath;
            return result;
        }
        int status = 0;
        for (;;) {
            const pid_t done = ::waitpid(pid, &status, WNOHANG);
            if (done == pid) {
                result.Finished = true;
                break;
            }
            if (std::chrono::steady_clock::now() - start > timeLimit) {
                ::kill(pid, SIGKILL);
                ::waitpid(pid, &status, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        result.Seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (WIFEXITED(status)) result.Exit = WEXITSTATUS(status);
        if (WIFSIGNALED(status)) result.Signal = WTERMSIG(status);
        result.Out = slurp(out);
        result.Err = slurp(err);
        return result;
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
    for (const char* ext : {".jhr", ".jdt", ".jdx"}) before[ext] = stateOf(base + ext);
    // Only a missing file or a header file without its whole base header keeps a base shut.
    const bool openable =
        before[".jhr"] && before[".jdt"] && before[".jdx"] && before[".jhr"]->Bytes.size() >= 1024;

    const RunResult run = Run(base);
    EXPECT_TRUE(run.Finished) << "still running after " << timeLimit.count() << " s";
    EXPECT_EQ(run.Signal, 0) << run.Err;
    EXPECT_EQ(run.Err.find("Sanitizer"), std::string::npos) << run.Err;
    EXPECT_EQ(run.Err.find("runtime error"), std::string::npos) << run.Err;
    if (openable) {
        EXPECT_EQ(run.Exit, 0) << run.Out << run.Err;
        EXPECT_EQ(run.Out, "");
        // The read-state file is written whole, in steps of 128 bytes.
        const fs::path marks = root_ / "cwd" / "skeinview_damaged.dat";
        ASSERT_TRUE(fs::exists(marks));
        EXPECT_EQ(fs::file_size(marks) % 128, 0u);
        EXPECT_GE(fs::file_size(marks), 128u);
    } else {
        EXPECT_EQ(run.Exit, 1) << run.Out << run.Err;
        EXPECT_EQ(run.Out, "Can't open\n");
    }

    for (const auto& [ext, was] : before) {
        SCOPED_TRACE(ext);
        const std::optional<FileState> now = stateOf(base + ext);
        ASSERT_EQ(now.has_value(), was.has_value()) << "a base file was made or removed";
        if (!was) continue;
        EXPECT_TRUE(now->Bytes == was->Bytes) << "the bytes changed";
        EXPECT_TRUE(sameTime(now->Modified, was->Modified)) << "modified";
        EXPECT_TRUE(sameTime(now->Changed, was->Changed)) << "changed";
    }
    RecordProperty("seconds", std::to_string(run.Seconds));
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

    const RunResult run = Run(base);
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
