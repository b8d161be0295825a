#include "TermSignals.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

#include "TermOutputEncoder.h"

namespace {

constexpr int quitSignals[] = {SIGTERM, SIGHUP, SIGINT};
constexpr int fatalSignals[] = {SIGQUIT, SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
constexpr int handledSignals[] = {SIGTERM, SIGHUP,  SIGINT,  SIGQUIT, SIGSEGV,  SIGBUS, SIGFPE,
                                  SIGILL,  SIGABRT, SIGTSTP, SIGCONT, SIGWINCH, SIGPIPE};
constexpr int handledCount = sizeof handledSignals / sizeof handledSignals[0];

// The bytes a handler writes to take or give back the screen, prepared beforehand.
struct Sequence {
    char Bytes[TermSignals::SequenceRoom] = {};
    std::size_t Size = 0;

    void Set(std::string_view bytes) {
        Size = std::min(bytes.size(), sizeof Bytes);
        std::memcpy(Bytes, bytes.data(), Size);
    }
};

// The fatal handlers' own stack: a stack overflow leaves none on the main one.
alignas(16) char handlerStack[64 * 1024];

// A signal handler can reach nothing else: this is the one place where the terminal's state
// lives outside the device. Written only while the handlers are blocked or not yet installed,
// except for the flags.
struct HandlerState {
    volatile std::sig_atomic_t Installed = 0;
    volatile std::sig_atomic_t Quit = 0;
    volatile std::sig_atomic_t Repaint = 0;
    volatile std::sig_atomic_t ModesSet = 0;
    volatile std::sig_atomic_t ScreenTaken = 0;
    int InFd = -1;
    int OutFd = -1;
    int WakeFd = -1;
    termios Saved{};
    termios Raw{};
    Sequence Enter;
    Sequence Leave;
    struct sigaction Previous[handledCount] {};
    stack_t PreviousStack{};
    bool AtExitRegistered = false;
};
HandlerState state;

void writeAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return; // the terminal is gone: nothing more to do
        data += n;
        size -= static_cast<std::size_t>(n);
    }
}

void wake() {
    if (state.WakeFd < 0) return;
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = write(state.WakeFd, &byte, 1);
}

void giveBack() {
    if (state.ScreenTaken) {
        // CAN first: it ends any sequence the program was cut off in the middle of.
        writeAll(state.OutFd, "\x18", 1);
        writeAll(state.OutFd, state.Leave.Bytes, state.Leave.Size);
    }
    if (state.ModesSet) tcsetattr(state.InFd, TCSANOW, &state.Saved);
}

void takeAgain() {
    if (state.ModesSet) tcsetattr(state.InFd, TCSANOW, &state.Raw);
    if (state.ScreenTaken) {
        writeAll(state.OutFd, state.Enter.Bytes, state.Enter.Size);
    }
}

void setAction(int sig, void (*handler)(int), int flags = SA_RESTART) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = flags;
    sigaction(sig, &action, nullptr);
}

[[noreturn]] void dieBy(int sig) {
    giveBack();
    setAction(sig, SIG_DFL);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, sig);
    raise(sig);
    sigprocmask(SIG_UNBLOCK, &set, nullptr);
    // Only reached if the default action is to ignore (cannot happen for these signals).
    _exit(128 + sig);
}

void onQuit(int sig) {
    const int savedErrno = errno;
    (void)sig;
    // Repeats change nothing: closing a terminal window sends hang-up both from the kernel and
    // from the shell, and the first one has already started the ordinary way out, which saves
    // the read marks. SIGQUIT (and SIGKILL) still end the program at once.
    state.Quit = 1;
    wake();
    errno = savedErrno;
}

void onFatal(int sig) {
    dieBy(sig);
}

void onStop(int) {
    const int savedErrno = errno;
    giveBack();
    setAction(SIGTSTP, SIG_DFL);
    raise(SIGTSTP);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTSTP);
    sigprocmask(SIG_UNBLOCK, &set, nullptr); // stops here until SIGCONT
    sigprocmask(SIG_BLOCK, &set, nullptr);
    setAction(SIGTSTP, onStop);
    errno = savedErrno;
}

void onContinue(int) {
    const int savedErrno = errno;
    takeAgain();
    state.Repaint = 1;
    wake();
    errno = savedErrno;
}

void onResize(int) {
    const int savedErrno = errno;
    state.Repaint = 1;
    wake();
    errno = savedErrno;
}

void restoreAtExit() {
    TermSignals::RestoreNow();
}

void blockAll(sigset_t& old) {
    sigset_t all;
    sigfillset(&all);
    sigprocmask(SIG_BLOCK, &all, &old);
}

} // namespace

namespace TermSignals {

bool Install(int inFd, int outFd, int wakeFd) {
    if (state.Installed) return false;
    state.InFd = inFd;
    state.OutFd = outFd;
    state.WakeFd = wakeFd;
    state.Quit = 0;
    state.Repaint = 0;
    state.ModesSet = 0;
    state.ScreenTaken = 0;
    state.Enter.Set(TermSequences::Enter);
    state.Leave.Set(TermSequences::Leave);
    for (int i = 0; i < handledCount; ++i)
        sigaction(handledSignals[i], nullptr, &state.Previous[i]);
    stack_t stack{};
    stack.ss_sp = handlerStack;
    stack.ss_size = sizeof handlerStack;
    sigaltstack(&stack, &state.PreviousStack);
    for (int sig : quitSignals) setAction(sig, onQuit);
    for (int sig : fatalSignals) setAction(sig, onFatal, SA_ONSTACK);
    setAction(SIGTSTP, onStop);
    setAction(SIGCONT, onContinue);
    setAction(SIGWINCH, onResize);
    setAction(SIGPIPE, SIG_IGN);
    state.Installed = 1;
    if (!state.AtExitRegistered) {
        state.AtExitRegistered = true;
        std::atexit(restoreAtExit);
    }
    return true;
}

void Remove() {
    if (!state.Installed) return;
    sigset_t old;
    blockAll(old);
    for (int i = 0; i < handledCount; ++i)
        sigaction(handledSignals[i], &state.Previous[i], nullptr);
    sigaltstack(&state.PreviousStack, nullptr);
    state.Installed = 0;
    state.ModesSet = 0;
    state.ScreenTaken = 0;
    state.WakeFd = -1;
    sigprocmask(SIG_SETMASK, &old, nullptr);
}

void SetModes(const termios* saved, const termios* raw) {
    sigset_t old;
    blockAll(old);
    if (saved != nullptr && raw != nullptr) {
        state.Saved = *saved;
        state.Raw = *raw;
        state.ModesSet = 1;
    } else {
        state.ModesSet = 0;
    }
    sigprocmask(SIG_SETMASK, &old, nullptr);
}

void SetScreenSequences(std::string_view enter, std::string_view leave) {
    sigset_t old;
    blockAll(old);
    state.Enter.Set(enter);
    state.Leave.Set(leave);
    sigprocmask(SIG_SETMASK, &old, nullptr);
}

void SetScreenTaken(bool taken) {
    state.ScreenTaken = taken ? 1 : 0;
}

bool QuitRequested() {
    return state.Quit != 0;
}

bool TakeRepaint() {
    if (!state.Repaint) return false;
    state.Repaint = 0;
    return true;
}

void RestoreNow() {
    if (!state.Installed) return;
    sigset_t old;
    blockAll(old);
    giveBack();
    state.ModesSet = 0;
    state.ScreenTaken = 0;
    sigprocmask(SIG_SETMASK, &old, nullptr);
}

} // namespace TermSignals
