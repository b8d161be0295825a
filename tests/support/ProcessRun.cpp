#ifndef _WIN32

#include "ProcessRun.h"

#include "ScratchDir.h"
#include "TestFiles.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <thread>

namespace {

// The side of a pseudo-terminal of 80x25 that the test reads; the child's standard output opens
// the other side by its name.
class OutputTerminal {
public:
    OutputTerminal() {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) return;
        const char* name = ::ptsname(master_);
        if (name == nullptr) return;
        winsize size{};
        size.ws_col = 80;
        size.ws_row = 25;
        ::ioctl(master_, TIOCSWINSZ, &size);
        ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
        ::fcntl(master_, F_SETFD, FD_CLOEXEC);
        slaveName_ = name;
    }
    ~OutputTerminal() {
        if (master_ >= 0) ::close(master_);
    }
    OutputTerminal(const OutputTerminal&) = delete;
    OutputTerminal& operator=(const OutputTerminal&) = delete;

    bool Made() const { return !slaveName_.empty(); }
    const std::string& SlaveName() const { return slaveName_; }
    // Appends what the program wrote so far; the terminal must be read while the program runs,
    // or a program that draws much would wait for room.
    void Drain(std::string& out) {
        char buffer[4096];
        ssize_t n = 0;
        while ((n = ::read(master_, buffer, sizeof buffer)) > 0)
            out.append(buffer, static_cast<std::size_t>(n));
    }

private:
    int master_ = -1;
    std::string slaveName_;
};

[[noreturn]] void startChild(const ProcessOptions& options, const std::string& in,
                             const std::string& out, const std::string& err) {
    const int inFd = ::open(in.c_str(), O_RDONLY);
    const int outFd = options.OutputOnTerminal
                          ? ::open(out.c_str(), O_RDWR | O_NOCTTY)
                          : ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int errFd = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (inFd < 0 || outFd < 0 || errFd < 0) ::_exit(126);
    if (!options.WorkDir.empty() && ::chdir(options.WorkDir.c_str()) != 0) ::_exit(126);
    ::dup2(inFd, 0);
    ::dup2(outFd, 1);
    ::dup2(errFd, 2);
    if (options.OutputOnTerminal) ::setenv("TERM", "xterm", 1);
    for (const auto& [name, value] : options.Env) {
        if (value.empty()) {
            ::unsetenv(name.c_str());
        } else {
            ::setenv(name.c_str(), value.c_str(), 1);
        }
    }
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(options.Program.c_str()));
    for (const std::string& a : options.Args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(options.Program.c_str(), argv.data());
    ::_exit(127);
}

} // namespace

ProcessResult RunProcess(const ProcessOptions& options) {
    ProcessResult result;
    ScratchDir io("skein-run");
    const std::string in = options.InputFromNull ? "/dev/null" : io.File("in");
    const std::string err = io.File("err");
    if (!io.Made() || (!options.InputFromNull && !WriteFileBytes(in, options.Input))) {
        result.Err = "no scratch folder for the run";
        return result;
    }
    std::optional<OutputTerminal> terminal;
    if (options.OutputOnTerminal && !terminal.emplace().Made()) {
        result.Err = "no pseudo-terminal for the run";
        return result;
    }
    const std::string out = terminal ? terminal->SlaveName() : io.File("out");
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) startChild(options, in, out, err);
    if (pid < 0) {
        result.Err = "could not start " + options.Program;
        return result;
    }
    int status = 0;
    for (;;) {
        if (terminal) terminal->Drain(result.Out);
        if (::waitpid(pid, &status, WNOHANG) == pid) {
            result.Finished = true;
            break;
        }
        if (std::chrono::steady_clock::now() - start > options.TimeLimit) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    result.Seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (WIFEXITED(status)) result.Exit = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) result.Signal = WTERMSIG(status);
    if (terminal) {
        terminal->Drain(result.Out);
    } else {
        result.Out = ReadFileBytes(out);
    }
    result.Err = ReadFileBytes(err);
    return result;
}

std::string BuiltProgram(const std::string& name) {
    return std::string(SKEIN_BUILD_DIR) + "/" + name;
}

#endif
