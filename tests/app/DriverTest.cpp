// The program as the user starts it: the command line, what it writes, its exit codes, the
// read-state file it leaves in the current directory, and the base files it must not touch.
// Each run gets a fresh current directory; keys come from a pipe-like file of bytes. Runs that
// show the screen have standard output on a pseudo-terminal; the others write to a file, where
// the program writes its thread list as text.

#include <gtest/gtest.h>

#include "ProcessRun.h"
#include "ReaderKeys.h"
#include "ScratchDir.h"
#include "TestFiles.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

const std::string programPath = SKEIN_BUILD_DIR "/skeinview";
const std::string demoBase = SKEIN_BUILD_DIR "/demo";
const std::string usage = "Syntax: Skeinview <path/base filename of JAM base>\n";

class DriverTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(scratch_.Made());
        root_ = scratch_.Path();
        cwd = root_ / "cwd";
        bases = root_ / "bases";
        for (const fs::path& p : {cwd, bases}) fs::create_directory(p);
    }

    // Runs the program in cwd with the given arguments; input is its whole standard input.
    // Standard output is a file, or a terminal onScreen.
    ProcessResult Run(const std::vector<std::string>& args, const std::string& input = "",
                      bool onScreen = false) {
        ProcessOptions options;
        options.Program = programPath;
        options.Args = args;
        options.WorkDir = cwd.string();
        options.Input = input;
        options.OutputOnTerminal = onScreen;
        return RunProcess(options);
    }
    ProcessResult RunOnScreen(const std::vector<std::string>& args, const std::string& input = "") {
        return Run(args, input, true);
    }

    // The demo base copied under a name of our own; returns its base path.
    std::string CopyDemo(const std::string& name = "demo") {
        for (const char* ext : {".jhr", ".jdt", ".jdx"})
            fs::copy_file(demoBase + ext, bases / (name + ext));
        return (bases / name).string();
    }

    std::set<std::string> CwdEntries() const {
        std::set<std::string> names;
        for (const auto& e : fs::directory_iterator(cwd)) names.insert(e.path().filename());
        return names;
    }

    // Expects the "Can't open" path: one line on each stream, exit code 1, nothing created.
    void ExpectCantOpen(const ProcessResult& r, const std::string& failedFile) {
        EXPECT_EQ(r.Exit, 1);
        EXPECT_EQ(r.Out, "Can't open\n");
        EXPECT_EQ(r.Err.rfind("skeinview: " + failedFile + ": ", 0), 0u) << r.Err;
        EXPECT_EQ(std::count(r.Err.begin(), r.Err.end(), '\n'), 1) << r.Err;
        EXPECT_EQ(r.Err.back(), '\n');
        EXPECT_TRUE(CwdEntries().empty());
    }

    fs::path cwd;
    fs::path bases;

private:
    ScratchDir scratch_{"skein-driver"};
    fs::path root_;
};

TEST_F(DriverTest, AWrongCommandLineGetsTheUsageLine) {
    const std::string base = CopyDemo();
    for (const auto& args : {std::vector<std::string>{}, std::vector<std::string>{base, base},
                             std::vector<std::string>{base, "x", "y"}}) {
        SCOPED_TRACE(std::to_string(args.size()) + " arguments");
        ProcessResult r = Run(args);
        EXPECT_EQ(r.Exit, 2);
        EXPECT_EQ(r.Out, usage);
        EXPECT_EQ(r.Err, "");
        EXPECT_TRUE(CwdEntries().empty());
    }
}

TEST_F(DriverTest, BasesThatCannotBeOpened) {
    const std::string base = CopyDemo();

    const ProcessResult missing = Run({(bases / "general").string()});
    ExpectCantOpen(missing, (bases / "general.jhr").string());
    EXPECT_NE(missing.Err.find("No such file or directory"), std::string::npos) << missing.Err;

    // A text file that is a directory fails at once instead of being read.
    fs::create_directory(bases / "dirs.jdt");
    fs::copy_file(bases / "demo.jhr", bases / "dirs.jhr");
    fs::copy_file(bases / "demo.jdx", bases / "dirs.jdx");
    ExpectCantOpen(Run({(bases / "dirs").string()}), (bases / "dirs.jdt").string());
    for (const char* ext : {".jhr", ".jdx"}) {
        fs::remove(bases / (std::string("dirs") + ext));
        fs::create_directory(bases / (std::string("dirs") + ext));
    }
    ExpectCantOpen(Run({(bases / "dirs").string()}), (bases / "dirs.jhr").string());
}

TEST_F(DriverTest, OptionsAndBasesNamedByTheirFiles) {
    const std::string base = CopyDemo();
    // A base whose files end in upper case, as DOS-era tools leave them.
    for (const std::string ext : {"jhr", "jdt", "jdx"}) {
        std::string upper = ext;
        for (char& c : upper) c = static_cast<char>(std::toupper(c));
        fs::copy_file(demoBase + "." + ext, bases / ("AREA." + upper));
    }
    const std::string firstRow = "Thread (1 msgs): Welcome to SYSOP.CHAT\n";
    const std::string unknown = "skeinview: unknown option '-x'\n" + usage;
    const struct {
        std::vector<std::string> Args;
        int Exit;
        std::string OutStart; // the start of standard output
        std::string Err;
        const char* MarksFile; // the marks a screen run of the same arguments keeps
    } cases[] = {
        {{}, 2, usage, "", nullptr},
        {{"--help"}, 0, usage + "\nKeys", "", nullptr},
        {{"-h", base}, 0, usage + "\nKeys", "", nullptr},
        {{"-V"}, 0, "skeinview 1.0.0\n", "", nullptr},
        {{"--version"}, 0, "skeinview 1.0.0\n", "", nullptr},
        {{"-x", base}, 2, "", unknown, nullptr},
        {{base, "-x"}, 2, "", unknown, nullptr},
        {{"--", "-x"},
         1,
         "Can't open\n",
         "skeinview: -x.jhr: No such file or directory\n",
         nullptr},
        {{"--", base}, 0, firstRow, "", "skeinview_demo.dat"},
        {{base + ".jhr"}, 0, firstRow, "", "skeinview_demo.dat"},
        {{base + ".JDX"}, 0, firstRow, "", "skeinview_demo.dat"},
        {{(bases / "AREA").string()}, 0, firstRow, "", "skeinview_AREA.dat"},
        {{(bases / "AREA.JHR").string()}, 0, firstRow, "", "skeinview_AREA.dat"},
    };
    for (const auto& c : cases) {
        std::string line;
        for (const std::string& arg : c.Args) line += " " + arg;
        SCOPED_TRACE("skeinview" + line);
        const ProcessResult r = Run(c.Args);
        EXPECT_EQ(r.Exit, c.Exit);
        EXPECT_EQ(r.Out.substr(0, c.OutStart.size()), c.OutStart);
        EXPECT_EQ(r.Err, c.Err);
        // A reader of the output gone before the first line changes no exit code.
        ProcessOptions gone;
        gone.Program = programPath;
        gone.Args = c.Args;
        gone.WorkDir = cwd.string();
        gone.OutputToClosedPipe = true;
        EXPECT_EQ(RunProcess(gone).Exit, c.Exit);
        if (c.MarksFile == nullptr) continue;
        EXPECT_EQ(RunOnScreen(c.Args).Exit, 0);
        EXPECT_EQ(CwdEntries(), std::set<std::string>{c.MarksFile});
        fs::remove(cwd / c.MarksFile);
    }
}

// The keys have one table; --help, the README and the manual page each name every key of it.
TEST_F(DriverTest, EveryKeyIsInTheHelpTheReadmeAndTheManualPage) {
    const std::string help = Run({"--help"}).Out;
    const std::string readme = ReadFileBytes(SKEIN_SOURCE_DIR "/README.md");
    const std::string manual = ReadFileBytes(SKEIN_SOURCE_DIR "/man/skeinview.1");
    for (const TReaderKey& key : ReaderKeys()) {
        EXPECT_NE(help.find(key.Keys), std::string::npos) << key.Keys;
        const auto orDash = [](std::string_view action) {
            return std::string(action.empty() ? "-" : action);
        };
        const std::string row = "| " + std::string(key.Keys) + " | " + orDash(key.OnList) + " | " +
                                orDash(key.InViewer) + " |";
        EXPECT_NE(readme.find(row), std::string::npos) << row;
        std::string_view names = key.Keys;
        while (!names.empty()) {
            const std::string_view name = names.substr(0, names.find(", "));
            names.remove_prefix(std::min(names.size(), name.size() + 2));
            EXPECT_NE(manual.find(name), std::string::npos) << name;
        }
    }
}

TEST_F(DriverTest, ArgumentsOfThreeHundredCharactersAreCutAt255) {
    // Nothing answers to the first 255 characters.
    const std::string longName(300, 'q');
    const ProcessResult r = Run({longName});
    ExpectCantOpen(r, std::string(255, 'q') + ".jhr");

    // The first 255 characters name a base in the current directory; the rest is not looked at.
    for (const char* ext : {".jhr", ".jdt", ".jdx"})
        fs::copy_file(demoBase + ext, cwd / (std::string("based") + ext));
    std::string path;
    for (int i = 0; i < 125; ++i) path += "./";
    path += "based";
    ASSERT_EQ(path.size(), 255u);
    const ProcessResult cut = Run({path + std::string(45, 'z')});
    EXPECT_EQ(cut.Exit, 0) << cut.Err;
    EXPECT_EQ(cut.Out.rfind("Thread (1 msgs): Welcome to SYSOP.CHAT\n", 0), 0u) << cut.Out;
}

TEST_F(DriverTest, ADemoRunLeavesAReadStateFileAndTheBaseUntouched) {
    const std::string base = CopyDemo();
    std::vector<FileState> before;
    for (const char* ext : {".jhr", ".jdt", ".jdx"}) before.push_back(*FileStateOf(base + ext));

    const ProcessResult r = RunOnScreen({base});
    EXPECT_EQ(r.Exit, 0) << r.Err;
    EXPECT_EQ(r.Err, "");
    EXPECT_EQ(CwdEntries(), std::set<std::string>{"skeinview_demo.dat"});
    const std::string marks = ReadFileBytes((cwd / "skeinview_demo.dat").string());
    EXPECT_GT(marks.size(), 0u);
    EXPECT_EQ(marks.size() % 128, 0u);
    EXPECT_EQ(marks, std::string(marks.size(), '\0')) << "nothing was read";

    for (std::size_t i = 0; i < before.size(); ++i) {
        const char* ext = std::array{".jhr", ".jdt", ".jdx"}[i];
        EXPECT_TRUE(Untouched(before[i], *FileStateOf(base + ext))) << ext;
    }
}

TEST_F(DriverTest, PipedKeysMarkWhatWasOpened) {
    const std::string base = CopyDemo();
    // Enter on the first thread's header row, Enter on its first message; the end of input
    // then reads as Esc, which leaves the viewer and then the list.
    ProcessResult r = RunOnScreen({base}, "\r\r");
    EXPECT_EQ(r.Exit, 0) << r.Err;
    std::string marks = ReadFileBytes((cwd / "skeinview_demo.dat").string());
    ASSERT_GE(marks.size(), 128u);
    EXPECT_EQ(static_cast<unsigned char>(marks[0]), 0x01);
    EXPECT_EQ(marks.substr(1), std::string(marks.size() - 1, '\0'));

    // A second run keeps the first run's mark and adds its own: End (the extended key 0 79)
    // and Enter open the message on the last row of the list.
    r = RunOnScreen({base}, std::string("\0\x4F\r", 3));
    EXPECT_EQ(r.Exit, 0) << r.Err;
    marks = ReadFileBytes((cwd / "skeinview_demo.dat").string());
    ASSERT_GE(marks.size(), 128u);
    EXPECT_EQ(marks.size() % 128, 0u);
    int bits = 0;
    for (unsigned char c : marks) bits += std::popcount(c);
    EXPECT_EQ(bits, 2);
    EXPECT_EQ(static_cast<unsigned char>(marks[0]) & 0x01, 0x01);
}

TEST_F(DriverTest, ABaseInTheCurrentDirectoryNeedsNoPath) {
    for (const char* ext : {".jhr", ".jdt", ".jdx"})
        fs::copy_file(demoBase + ext, cwd / (std::string("local") + ext));
    const ProcessResult r = RunOnScreen({"local"}, "\r\r");
    EXPECT_EQ(r.Exit, 0) << r.Err;
    EXPECT_EQ(ReadFileBytes((cwd / "skeinview_local.dat").string()).substr(0, 1), "\x01");
}

TEST_F(DriverTest, BackslashesSeparateFoldersAsSlashesDo) {
    CopyDemo();
    // A base that is not there is named as it was typed.
    ExpectCantOpen(Run({"..\\bases\\general"}), "..\\bases\\general.jhr");
    // Opened from the folder beside it, with the read-state file named from the last part.
    const ProcessResult r = RunOnScreen({"..\\bases\\demo"}, "\r\r");
    EXPECT_EQ(r.Exit, 0) << r.Err;
    EXPECT_EQ(r.Err, "");
    EXPECT_EQ(CwdEntries(), std::set<std::string>{"skeinview_demo.dat"});
    EXPECT_EQ(ReadFileBytes((cwd / "skeinview_demo.dat").string()).substr(0, 1), "\x01");
}

// Marks that cannot be saved are told, with exit code 1; when nothing was opened nothing is lost
// and nothing is said. A folder's modes do not bind root: root runs the program as nobody.
TEST_F(DriverTest, MarksThatCannotBeSavedAreToldWithExitCodeOne) {
    const std::string base = CopyDemo();
    const auto readable = fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                          fs::perms::others_read | fs::perms::others_exec;
    for (const fs::path& p : {cwd.parent_path(), cwd, bases}) fs::permissions(p, readable);
    ProcessOptions options;
    options.Program = programPath;
    options.Args = {base};
    if (::geteuid() == 0) {
        if (!fs::exists("/usr/bin/setpriv")) GTEST_SKIP() << "no setpriv to run as another user";
        options.Program = "/usr/bin/setpriv";
        options.Args = {"--reuid=65534", "--regid=65534", "--clear-groups", programPath, base};
    } else {
        fs::permissions(cwd, fs::perms::owner_write, fs::perm_options::remove);
    }
    options.WorkDir = cwd.string();
    options.OutputOnTerminal = true;
    for (const std::string keys : {"", "\r\r"}) {
        options.Input = keys;
        const ProcessResult r = RunProcess(options);
        EXPECT_EQ(r.Exit, keys.empty() ? 0 : 1);
        EXPECT_EQ(r.Err, keys.empty() ? ""
                                      : "skeinview: skeinview_demo.dat: the read marks of this "
                                        "run were not saved: " +
                                            std::string(std::strerror(EACCES)) + "\n");
    }
    EXPECT_TRUE(CwdEntries().empty());
    fs::permissions(cwd, fs::perms::owner_write, fs::perm_options::add);
}

// On a terminal (standard output a pseudo-terminal), TERM decides: one that cannot show a
// full-screen program is refused before anything is opened or made, with the reason on standard
// error and not one byte on the terminal; one without an alternate screen is drawn on in place and
// keeps the banner once.
TEST_F(DriverTest, TermDecidesWhetherAndHowTheTerminalIsUsed) {
    const std::string base = CopyDemo();
    const std::string refusal =
        " cannot show the full-screen reader; run it in a terminal emulator\n";
    const struct {
        const char* Term; // "": set empty; nullptr: not set
        const char* Refused;
    } cases[] = {
        {"dumb", "skeinview: this terminal (TERM=dumb)"},
        {"", "skeinview: this terminal (TERM is empty)"},
        {nullptr, "skeinview: this terminal (TERM is not set)"},
        {"linux", nullptr},
        {"xterm-256color", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Term == nullptr ? "unset" : c.Term);
        ProcessOptions options;
        options.Program = programPath;
        options.Args = {base};
        options.WorkDir = cwd.string();
        options.OutputOnTerminal = true;
        if (c.Term == nullptr) {
            options.Unset = {"TERM"};
        } else {
            options.Env = {{"TERM", c.Term}};
        }
        const ProcessResult r = RunProcess(options);
        if (c.Refused != nullptr) {
            EXPECT_EQ(r.Exit, 1);
            EXPECT_EQ(r.Err, c.Refused + refusal);
            EXPECT_EQ(r.Out, "");
            EXPECT_TRUE(CwdEntries().empty());
            continue;
        }
        EXPECT_EQ(r.Exit, 0) << r.Err;
        const bool alternate = std::string(c.Term) != "linux";
        EXPECT_EQ(r.Out.find("\x1b[?1049h") != std::string::npos, alternate);
        // The banner is drawn on the screen; leaving the alternate screen writes it again as a
        // line of text, leaving the normal screen only moves the cursor below it.
        const std::size_t left = r.Out.rfind("\x1b[?7h");
        ASSERT_NE(left, std::string::npos);
        EXPECT_EQ(r.Out.find("Halvek BBS", left) != std::string::npos, alternate);
    }
}

} // namespace
