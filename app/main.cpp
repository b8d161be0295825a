// Skeinview: reads one JAM message base and shows it by threads.
//
// With standard output on a console it runs the thread list screen; otherwise (a file, a pipe)
// it writes the thread list there as text and ends.
//
// Exit codes: 0 after a normal run (and when the reader of the text goes away, as `| head`
// does), 1 when the base cannot be opened, the terminal cannot show the reader, the text cannot
// be written or the read marks of the run cannot be saved, 2 for a wrong command line.

#include "CommandLine.h"
#include "ConsoleDevice.h"
#include "Lib_Paths.h"
#include "ReaderKeys.h"
#include "ReaderState.h"
#include "TextOutput.h"
#include "ThreadListScreen.h"
#include "ThreadListText.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#ifndef _WIN32
#include "TermKind.h"
#endif

namespace {

constexpr int exitOk = 0;
constexpr int exitCantOpen = 1;
constexpr int exitCantShow = 1;
constexpr int exitCantWrite = 1;
constexpr int exitMarksLost = 1;
constexpr int exitUsage = 2;

// The count of active messages that sizes the read marks. A damaged base header may claim any
// count, up to two thousand million; no base holds more active messages than index records, and
// the marks grow by themselves for higher numbers, so the count is taken no higher than that.
std::int32_t activeCountForMarks(TJamMsgBase& base) {
    const std::int64_t records =
        base.LastNumber() - static_cast<std::int64_t>(base.BaseMsgNum()) + 1;
    return static_cast<std::int32_t>(std::min<std::int64_t>(base.ActiveCount(), records));
}

// Once the screen is gone the run is only saving its read marks: a late hang-up or termination
// (closing a terminal window sends more than one) must not cut that short.
void ignoreEndingSignals() {
    std::signal(SIGINT, SIG_IGN);
    std::signal(SIGTERM, SIG_IGN);
#ifdef SIGHUP
    std::signal(SIGHUP, SIG_IGN);
#endif
}

// A terminal without cursor addressing (TERM dumb, unset or empty) would show the screens as a
// stream of escape sequences: the run is refused with a line on why, before anything is opened.
bool terminalCannotShowTheReader() {
#ifdef _WIN32
    return false;
#else
    const char* term = std::getenv("TERM");
    if (!StandardOutputIsConsole() || KindOfTerm(term) != TermKind::NoFullScreen) return false;
    const std::string which = term == nullptr ? "TERM is not set"
                              : *term == '\0' ? "TERM is empty"
                                              : "TERM=" + std::string(term);
    std::fprintf(stderr,
                 "skeinview: this terminal (%s) cannot show the full-screen reader; run it in a "
                 "terminal emulator\n",
                 which.c_str());
    return true;
#endif
}

// Opens the base that argument names: its path and name without extension, or one of its files.
// A base named by a file (AREA.jhr) is the name without that ending when no base is named by the
// argument itself. On failure the reason is left in the base.
bool openBase(TReaderState& state, const std::string& argument) {
    auto open = [&](const ShortStr& name) {
        state.BaseDir = DirOfPath(name);
        state.BaseName = NameOfPath(name);
        state.MsgBase->SetBasePath((state.BaseDir + state.BaseName).View());
        return state.MsgBase->OpenBase() == 0;
    };
    const ShortStr named(argument);
    if (open(named)) return true;
    const std::optional<std::string> file = WithoutJamEnding(named.View());
    const bool noSuchBase = state.MsgBase->FailedFile() == state.MsgBase->BasePath() + ".jhr" &&
                            state.MsgBase->OpenError() == ENOENT;
    return file && noSuchBase && open(ShortStr(*file));
}

// The thread list as text on standard output. It marks nothing read, and the read-state file
// is only read: the run leaves it as it was.
int writeThreadList(TReaderState& state) {
    LoadReadState(state.ReadState, state.BaseName, activeCountForMarks(*state.MsgBase));
    TTextOutput output = CreateStandardTextOutput();
    if (WriteThreadList(*state.MsgBase, state.ReadState, output, DisplayCodePage()) ||
        output.ReaderGone())
        return exitOk;
    std::fprintf(stderr, "skeinview: writing the thread list: %s\n", std::strerror(output.Error()));
    return exitCantWrite;
}

} // namespace

int main(int argc, char** argv) {
#ifdef SIGPIPE
    // A closed pipe makes a write fail instead of ending the program, so that even the usage
    // line and "Can't open" end with their own exit codes.
    std::signal(SIGPIPE, SIG_IGN);
#endif
    const TCommandLine line = ParseCommandLine(argc, argv);
    switch (line.What) {
    case TCommandLine::Ask::Base:
        break;
    case TCommandLine::Ask::Help:
        std::printf("%.*s\n\n%s", static_cast<int>(UsageLine.size()), UsageLine.data(),
                    ReaderKeysText().c_str());
        return exitOk;
    case TCommandLine::Ask::Version:
        std::puts("skeinview " SKEIN_VERSION);
        return exitOk;
    case TCommandLine::Ask::UnknownOption:
        std::fprintf(stderr, "skeinview: unknown option '%s'\n%.*s\n", line.Option.c_str(),
                     static_cast<int>(UsageLine.size()), UsageLine.data());
        return exitUsage;
    case TCommandLine::Ask::WrongCount:
        std::printf("%.*s\n", static_cast<int>(UsageLine.size()), UsageLine.data());
        return exitUsage;
    }
    if (terminalCannotShowTheReader()) return exitCantShow;
    TReaderState state;
    state.MsgBase = TJamMsgBase::Create();
    if (!state.MsgBase) {
        std::puts("Can't open");
        std::fprintf(stderr, "skeinview: not enough memory for the base buffers\n");
        return exitCantOpen;
    }
    if (!openBase(state, line.Base)) {
        std::puts("Can't open");
        std::fflush(stdout);
        std::fprintf(stderr, "skeinview: %s\n", state.MsgBase->OpenFailureText().c_str());
        return exitCantOpen;
    }

    if (!StandardOutputIsConsole()) return writeThreadList(state);

    LoadReadState(state.ReadState, state.BaseName, activeCountForMarks(*state.MsgBase));
    state.Page.Locale = DisplayCodePage();
    ThreadListScreen(state, CreatePlatformConsole());
    ignoreEndingSignals();
    // A save that loses this run's marks has said why on standard error.
    const bool saved = SaveReadState(state.ReadState, true);
    state.MsgBase.reset();
    return saved || !state.ReadState.Changed ? exitOk : exitMarksLost;
}
