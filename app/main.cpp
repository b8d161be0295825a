// Skeinview: reads one JAM message base and shows it by threads.
//
// Exit codes: 0 after a normal run, 1 when the base cannot be opened, 2 for a wrong command line.

#include "ConsoleDevice.h"
#include "Lib_Paths.h"
#include "ReaderState.h"
#include "ThreadListScreen.h"

#include <csignal>
#include <cstdio>

namespace {

constexpr int ExitOk = 0;
constexpr int ExitCantOpen = 1;
constexpr int ExitUsage = 2;

// Once the screen is gone the run is only saving its read marks: a late hang-up or termination
// (closing a terminal window sends more than one) must not cut that short.
void IgnoreEndingSignals() {
    std::signal(SIGINT, SIG_IGN);
    std::signal(SIGTERM, SIG_IGN);
#ifdef SIGHUP
    std::signal(SIGHUP, SIG_IGN);
#endif
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::puts("Syntax: Skeinview <path/base filename of JAM base>");
        return ExitUsage;
    }
    TReaderState state;
    const ShortStr argument(argv[1]);
    state.BaseDir = DirOfPath(argument);
    state.BaseName = NameOfPath(argument);

    state.MsgBase = TJamMsgBase::Create();
    if (!state.MsgBase) {
        std::puts("Can't open");
        std::fprintf(stderr, "skeinview: not enough memory for the base buffers\n");
        return ExitCantOpen;
    }
    state.MsgBase->SetBasePath((state.BaseDir + state.BaseName).View());
    state.MsgBase->SetScratchFile("msgbuf.tmp.txt");
    if (state.MsgBase->OpenBase() != 0) {
        std::puts("Can't open");
        std::fflush(stdout);
        std::fprintf(stderr, "skeinview: %s\n", state.MsgBase->OpenFailureText().c_str());
        return ExitCantOpen;
    }

    LoadReadState(state.ReadState, state.BaseName, state.MsgBase->ActiveCount());
    ThreadListScreen(state, CreatePlatformConsole());
    IgnoreEndingSignals();
    SaveReadState(state.ReadState, true);
    state.MsgBase.reset();
    return ExitOk;
}
