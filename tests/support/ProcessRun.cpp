#ifndef _WIN32

#include "ProcessRun.h"

#include "PseudoTerminal.h"
#include "ScratchDir.h"
#include "TestFiles.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <thread>

namespace {

[[noreturn]] void startChild(const ProcessOptions& options, const std::string& in,
                             const std::string& out, const std::string& err, int terminal,
                             int pipeOut) {
    // As a shell starts it: a signal the test ignores is not ignored by the program.
    ::signal(SIGPIPE, SIG_DFL);
    const int inFd = ::open(in.c_str(), O_RDONLY);
    const int outFd = terminal >= 0  ? terminal
                      : pipeOut >= 0 ? pipeOut
                                     : ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int errFd = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (inFd < 0 || outFd < 0 || errFd < 0) ::_exit(126);
    if (!options.WorkDir.empty() && ::chdir(options.WorkDir.c_str()) != 0) ::_exit(126);
    ::dup2(inFd, 0);
    ::dup2(outFd, 1);
    ::dup2(errFd, 2);
    if (terminal >= 0) ::setenv("TERM", "xterm", 1);
    for (const auto& [name, value] : options.Env) ::setenv(name.c_str(), value.c_str(), 1);
    for (const std::string& name : options.Unset) ::unsetenv(name.c_str());
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(options.Program.c_str()));
    for (const std::string& a : options.Args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(options.Program.c_str(), argv.data());
    ::_exit(127);
}

// Takes what the program wrote to its terminal so far.
void readTerminal(int master, std::string& out) {
    char buffer[4096];
    pollfd p{master, POLLIN, 0};
    while (master >= 0 && ::poll(&p, 1, 0) > 0 && (p.revents & POLLIN)) {
        const ssize_t n = ::read(master, buffer, sizeof buffer);
        if (n <= 0) return;
        out.append(buffer, static_cast<std::size_t>(n));
    }
}

} // namespace

ProcessResult RunProcess(const ProcessOptions& options) {
    ProcessResult result;
    ScratchDir io("skein-run");
    const std::string in = options.InputFromNull ? "/dev/null" : io.File("in");
    const std::string out = io.File("out"), err = io.File("err");
    if (!io.Made() || (!options.InputFromNull && !WriteFileBytes(in, options.Input))) {
        result.Err = "no scratch folder for the run";
        return result;
    }
    std::optional<PseudoTerminal> terminal;
    if (options.OutputOnTerminal) terminal.emplace();
    const int outTerminalFd = terminal ? terminal->Slave : -1;
    const int shownFd = terminal ? terminal->Master : -1;
    // The pipe's reading end is closed before the program starts: nothing ever reads it.
    int pipeEnds[2] = {-1, -1};
    if (options.OutputToClosedPipe && ::pipe(pipeEnds) == 0) ::close(pipeEnds[0]);
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) startChild(options, in, out, err, outTerminalFd, pipeEnds[1]);
    if (pipeEnds[1] >= 0) ::close(pipeEnds[1]);
    if (pid < 0) {
        result.Err = "could not start " + options.Program;
        return result;
    }
    int status = 0;
    for (;;) {
        readTerminal(shownFd, result.Out);
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
    readTerminal(shownFd, result.Out);
    if (!options.OutputOnTerminal && !options.OutputToClosedPipe) result.Out = ReadFileBytes(out);
    result.Err = ReadFileBytes(err);
    return result;
}

std::string BuiltProgram(const std::string& name) {
    return std::string(SKEIN_BUILD_DIR) + "/" + name;
}

#endif
