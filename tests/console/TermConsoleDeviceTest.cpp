// The terminal device on a pseudo-terminal and on pipes: raw mode and its return, the screen
// taken and given back with the last lines, keys read through the terminal object, plain input,
// quitting by signal, repainting after a resize, and a terminal that is gone. What TERM says of
// the terminal, a terminal too small for the screen, one without an alternate screen, and the
// terminal given back after a stack overflow.

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <regex>
#include <string>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include "Lib_IO_STDIO_Windows.h"
#include "PseudoTerminal.h"
#include "TermConsoleDevice.h"
#include "TermKind.h"

namespace {

class Pipe {
public:
    Pipe() {
        int fds[2];
        if (pipe(fds) == 0) {
            readEnd = fds[0];
            writeEnd = fds[1];
        }
    }
    ~Pipe() {
        CloseRead();
        CloseWrite();
    }
    void CloseRead() {
        if (readEnd >= 0) close(readEnd);
        readEnd = -1;
    }
    void CloseWrite() {
        if (writeEnd >= 0) close(writeEnd);
        writeEnd = -1;
    }
    int readEnd = -1;
    int writeEnd = -1;
};

TermDeviceOptions optionsOn(int in, int out, bool signals = false) {
    TermDeviceOptions options;
    options.InFd = in;
    options.OutFd = out;
    options.Utf8 = true;
    options.HandleSignals = signals;
    return options;
}

std::string withoutCarriageReturns(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c != '\r') out.push_back(c);
    }
    return out;
}

void putText(ConsoleDevice& device, int x, int y, const std::string& text, std::uint16_t attr = 7) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        TScreenCell cell;
        cell.Ch = static_cast<std::uint8_t>(text[i]);
        cell.Attr = attr;
        device.WriteCells(&cell, 1, x + static_cast<int>(i), y, x + static_cast<int>(i), y);
    }
}

long elapsedMs(std::chrono::steady_clock::time_point since) {
    return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                 std::chrono::steady_clock::now() - since)
                                 .count());
}

TEST(TermLocale, Utf8IsTakenFromTheFirstLocaleVariableSet) {
    EXPECT_TRUE(LocaleIsUtf8(nullptr, nullptr, "en_US.UTF-8"));
    EXPECT_TRUE(LocaleIsUtf8(nullptr, nullptr, "C.utf8"));
    EXPECT_FALSE(LocaleIsUtf8(nullptr, nullptr, "C"));
    EXPECT_FALSE(LocaleIsUtf8(nullptr, nullptr, nullptr));
    EXPECT_FALSE(LocaleIsUtf8("POSIX", "en_US.UTF-8", "en_US.UTF-8"));
    EXPECT_TRUE(LocaleIsUtf8("", "de_DE.UTF-8", "C"));
    EXPECT_FALSE(LocaleIsUtf8(nullptr, "de_DE.ISO-8859-1", "en_US.UTF-8"));
}

TEST(TermKind, TermNamesTheKindOfTerminal) {
    const struct {
        const char* Term;
        TermKind Kind;
    } cases[] = {
        {nullptr, TermKind::NoFullScreen},
        {"", TermKind::NoFullScreen},
        {"dumb", TermKind::NoFullScreen},
        {"linux", TermKind::NoAlternateScreen},
        {"linux-16color", TermKind::NoAlternateScreen},
        {"vt100", TermKind::NoAlternateScreen},
        {"vt100-am", TermKind::NoAlternateScreen},
        {"vt102", TermKind::NoAlternateScreen},
        {"vt220", TermKind::NoAlternateScreen},
        {"vt220-8bit", TermKind::NoAlternateScreen},
        {"xterm-256color", TermKind::Full},
        {"xterm", TermKind::Full},
        {"screen", TermKind::Full},
        {"tmux-256color", TermKind::Full},
        {"rxvt-unicode", TermKind::Full},
        {"vt1000", TermKind::Full},
        {"linuxish", TermKind::Full},
        {"dumbterm", TermKind::Full},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(KindOfTerm(c.Term), c.Kind) << (c.Term == nullptr ? "unset" : c.Term);
    }
}

TEST(TermDevice, RawModeIsSetAndGivenBack) {
    PseudoTerminal pty;
    ASSERT_GE(pty.Slave, 0);
    termios before{};
    ASSERT_EQ(tcgetattr(pty.Slave, &before), 0);
    {
        TermConsoleDevice device(optionsOn(pty.Slave, pty.Slave));
        device.SetRawInput();
        termios raw{};
        ASSERT_EQ(tcgetattr(pty.Slave, &raw), 0);
        EXPECT_EQ(raw.c_lflag & (ICANON | ECHO | ISIG), 0u);
        EXPECT_EQ(raw.c_iflag & (IXON | ICRNL), 0u);
    }
    termios after{};
    ASSERT_EQ(tcgetattr(pty.Slave, &after), 0);
    EXPECT_EQ(after.c_lflag, before.c_lflag);
    EXPECT_EQ(after.c_iflag, before.c_iflag);
}

TEST(TermDevice, ScreenIsTakenAndGivenBackWithTheLinesAboveTheCursor) {
    PseudoTerminal pty;
    ASSERT_GE(pty.Slave, 0);
    {
        TermConsoleDevice device(optionsOn(pty.Slave, pty.Slave));
        device.SetRawInput();
        device.SetSize(80, 25);
        EXPECT_NE(pty.Output().find("\x1b[?1049h"), std::string::npos);
        putText(device, 0, 0, "Thanks for reading", 0x1F);
        putText(device, 0, 1, "\xc4\xc4 bye");
        device.SetCursor(0, 2);
        EXPECT_EQ(pty.Output(), ""); // nothing is written until the program waits or ends
    }
    const std::string out = pty.Output();
    const std::size_t leave = out.find("\x1b[?1049l");
    ASSERT_NE(leave, std::string::npos);
    const std::string after = out.substr(leave + 8);
    EXPECT_EQ(withoutCarriageReturns(after), "Thanks for reading\n\xe2\x94\x80\xe2\x94\x80 bye\n");
    EXPECT_NE(out.find("Thanks for reading"), std::string::npos);
}

TEST(TermDevice, WithoutAnAlternateScreenTheLastScreenStaysOnceWithTheCursorBelowIt) {
    PseudoTerminal pty;
    ASSERT_GE(pty.Slave, 0);
    TermDeviceOptions options = optionsOn(pty.Slave, pty.Slave);
    options.AlternateScreen = false;
    std::string out;
    {
        TermConsoleDevice device(options);
        device.SetSize(80, 25);
        putText(device, 0, 0, "Thanks for reading");
        putText(device, 0, 1, "bye");
        device.SetCursor(0, 2);
        device.WaitInput(0);
        out = pty.Output();
        EXPECT_NE(out.find("\x1b[2J"), std::string::npos) << "the screen is cleared on the way in";
    }
    out += pty.Output();
    EXPECT_EQ(out.find("\x1b[?1049"), std::string::npos);
    EXPECT_EQ(CountOf(out, "Thanks for reading"), 1u);
    out = withoutCarriageReturns(out);
    const std::string leave = "\x1b[0m\x1b(B\x1b[?7h\x1b[2;1H\n";
    ASSERT_GE(out.size(), leave.size());
    EXPECT_EQ(out.substr(out.size() - leave.size()), leave) << "the prompt goes below the text";
}

TEST(TermDevice, CellsAreDrawnBeforeEveryWait) {
    PseudoTerminal pty;
    ASSERT_GE(pty.Slave, 0);
    TermConsoleDevice device(optionsOn(pty.Slave, pty.Slave));
    device.SetSize(80, 25);
    pty.Output();
    putText(device, 10, 4, "Hi");
    device.SetCursor(0, 24);
    EXPECT_EQ(device.WaitInput(0), ConsoleWait::TimedOut);
    const std::string out = pty.Output();
    EXPECT_NE(out.find("\x1b[5;11H"), std::string::npos) << out;
    EXPECT_NE(out.find("Hi"), std::string::npos);
    EXPECT_EQ(out.substr(out.size() - 7), "\x1b[25;1H"); // the cursor goes last
}

TEST(TermDevice, CellsBeyondASmallTerminalAreKeptButNotDrawn) {
    PseudoTerminal pty;
    ASSERT_GE(pty.Slave, 0);
    pty.SetSize(40, 10);
    TermConsoleDevice device(optionsOn(pty.Slave, pty.Slave));
    device.SetSize(80, 25);
    putText(device, 50, 2, "Z");
    putText(device, 5, 20, "W");
    putText(device, 5, 2, "Y");
    device.WaitInput(0);
    const std::string out = pty.Output();
    EXPECT_NE(out.find('Y'), std::string::npos);
    EXPECT_EQ(out.find('Z'), std::string::npos);
    EXPECT_EQ(out.find('W'), std::string::npos);
    EXPECT_EQ(device.Cell(50, 2).Ch, 'Z');
}

// A terminal smaller than 80x25 is asked once to grow, never to shrink a side, and only one that
// grew is given its size back; one large enough is never asked.
TEST(TermDevice, SmallTerminalIsAskedToGrowAndGivenItsSizeBack) {
    const struct {
        int Columns, Rows;
        const char* Request; // nullptr: never asked
        bool Grows;
        const char* GiveBack;
    } cases[] = {
        {80, 24, "\x1b[8;25;80t", true, "\x1b[8;24;80t"},
        {80, 24, "\x1b[8;25;80t", false, nullptr},
        {120, 24, "\x1b[8;25;120t", true, "\x1b[8;24;120t"},
        {60, 30, "\x1b[8;30;80t", true, "\x1b[8;30;60t"},
        {80, 25, nullptr, false, nullptr},
        {100, 30, nullptr, false, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.Columns) + "x" + std::to_string(c.Rows) +
                     (c.Grows ? " grows" : ""));
        PseudoTerminal pty;
        ASSERT_GE(pty.Slave, 0);
        pty.SetSize(c.Columns, c.Rows);
        std::string out;
        {
            TermConsoleDevice device(optionsOn(pty.Slave, pty.Slave));
            device.SetSize(80, 25);
            putText(device, 0, 24, "last row");
            device.WaitInput(0);
            out = pty.Output();
            if (c.Grows) {
                pty.SetSize(std::max(c.Columns, 80), std::max(c.Rows, 25));
                device.Repaint(); // what the size change's signal does
                device.WaitInput(0);
                const std::string grown = pty.Output();
                EXPECT_NE(grown.find("last row"), std::string::npos) << "the whole screen";
                EXPECT_EQ(grown.find("Skeinview needs"), std::string::npos);
                out += grown;
            }
        }
        out += pty.Output();
        const std::regex sizeRequest("\x1b\\[8;[0-9]+;[0-9]+t");
        const auto requests = std::distance(
            std::sregex_iterator(out.begin(), out.end(), sizeRequest), std::sregex_iterator());
        EXPECT_EQ(requests, (c.Request ? 1 : 0) + (c.GiveBack ? 1 : 0)) << out;
        if (c.Request) {
            EXPECT_NE(out.find(c.Request), std::string::npos);
        }
        if (c.GiveBack) {
            EXPECT_NE(out.find(std::string("\x1b[?1049l") + c.GiveBack), std::string::npos);
        }
    }
}

// The notice is the device's own: it covers the last row the terminal shows, goes at the next
// key (which is read as usual) or size change, and never enters the cells.
TEST(TermDevice, TerminalThatStaysSmallShowsTheNoticeUntilTheNextKey) {
    PseudoTerminal pty;
    ASSERT_GE(pty.Slave, 0);
    pty.SetSize(80, 24);
    TermConsoleDevice device(optionsOn(pty.Slave, pty.Slave));
    device.SetRawInput();
    device.SetSize(80, 25);
    putText(device, 0, 0, "top row");
    putText(device, 0, 23, "cut row");
    putText(device, 0, 24, "lost row");
    device.WaitInput(0);
    std::string out = pty.Output();
    EXPECT_NE(out.find("top row"), std::string::npos);
    EXPECT_EQ(out.find("cut row"), std::string::npos);
    EXPECT_NE(out.find("\x1b[24;1H\x1b[0;7m Skeinview needs 80x25; this terminal is 80x24   "),
              std::string::npos)
        << out;
    EXPECT_EQ(device.Cell(0, 23).Ch, 'c');

    pty.Type("x");
    ASSERT_EQ(device.WaitInput(2000), ConsoleWait::Signalled);
    ConsoleInputEvent event;
    ASSERT_TRUE(device.ReadEvent(event));
    EXPECT_EQ(event.Char, 'x');
    device.WaitInput(0);
    out = pty.Output();
    EXPECT_NE(out.find("cut row"), std::string::npos) << "the row under the notice comes back";
    EXPECT_EQ(out.find("lost row"), std::string::npos);

    pty.SetSize(80, 23);
    device.Repaint();
    device.WaitInput(0);
    EXPECT_NE(
        pty.Output().find("\x1b[23;1H\x1b[0;7m Skeinview needs 80x25; this terminal is 80x23"),
        std::string::npos)
        << "a size change that is still too small shows the notice anew";
}

TEST(TermDevice, KeysAreReadThroughTheTerminalObject) {
    PseudoTerminal pty;
    ASSERT_GE(pty.Slave, 0);
    TIO_STDIO term(std::make_unique<TermConsoleDevice>(optionsOn(pty.Slave, pty.Slave)), 80, 25);
    pty.Type("q\x1bOP\x1b[1;5P\x03\r");
    const int expected[] = {'q', 0, 59, 0, 94, 3, 13};
    for (int byte : expected) {
        ASSERT_TRUE(term.KeyWait(2000));
        EXPECT_EQ(term.ReadKey(), byte);
    }
    EXPECT_FALSE(term.KeyWait(0));
}

TEST(TermDevice, LoneEscIsDeliveredAfterTheQuietTime) {
    PseudoTerminal pty;
    ASSERT_GE(pty.Slave, 0);
    TIO_STDIO term(std::make_unique<TermConsoleDevice>(optionsOn(pty.Slave, pty.Slave)), 80, 25);
    pty.Type("\x1b");
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(term.KeyWait(2000));
    const long waited = elapsedMs(start);
    EXPECT_EQ(term.ReadKey(), 27);
    EXPECT_GE(waited, static_cast<long>(TermInputDecoder::EscQuietMs) - 5);
    EXPECT_LT(waited, 1000);
}

TEST(TermDevice, KeyWaitRunsOutAfterItsLimit) {
    Pipe input;
    Pipe output;
    TIO_STDIO term(std::make_unique<TermConsoleDevice>(optionsOn(input.readEnd, output.writeEnd)),
                   80, 25);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(term.KeyWait(100));
    const long waited = elapsedMs(start);
    EXPECT_GE(waited, 95);
    EXPECT_LT(waited, 1000);
}

TEST(TermDevice, PlainInputIsOneKeyPerByteAndItsEndReadsAsEsc) {
    Pipe input;
    Pipe output;
    const std::string typed("ab\0H\x1b", 5);
    ASSERT_EQ(write(input.writeEnd, typed.data(), typed.size()), 5);
    input.CloseWrite();
    {
        TIO_STDIO term(
            std::make_unique<TermConsoleDevice>(optionsOn(input.readEnd, output.writeEnd)), 80, 25);
        const int expected[] = {'a', 'b', 0, 72, 27, 27, 27};
        for (int byte : expected) EXPECT_EQ(term.ReadKey(), byte);
        EXPECT_TRUE(term.KeyWait(ConsoleDevice::Infinite)); // never blocks on a closed input
        term.ClearScreen();
        term.WriteText("bye\r\n");
    }
    output.CloseWrite();
    char byte = 0;
    EXPECT_EQ(read(output.readEnd, &byte, 1), 0)
        << "nothing is drawn on output that is no terminal";
}

// Closing a terminal window sends hang-up more than once; a repeat must not cut short the way
// out that saves the read marks (the test process itself would die here if it did).
TEST(TermDevice, QuitSignalsMakeEveryKeyEscAndRepeatsDoNotEndTheProgram) {
    Pipe input;
    Pipe output;
    struct sigaction before {};
    sigaction(SIGTERM, nullptr, &before);
    {
        TIO_STDIO term(std::make_unique<TermConsoleDevice>(
                           optionsOn(input.readEnd, output.writeEnd, /*signals=*/true)),
                       80, 25);
        ASSERT_EQ(write(input.writeEnd, "xyz", 3), 3);
        raise(SIGTERM);
        raise(SIGHUP);
        raise(SIGHUP);
        for (int i = 0; i < 3; ++i) {
            ASSERT_TRUE(term.KeyWait(ConsoleDevice::Infinite));
            EXPECT_EQ(term.ReadKey(), 27);
        }
    }
    struct sigaction after {};
    sigaction(SIGTERM, nullptr, &after);
    EXPECT_EQ(after.sa_handler, before.sa_handler) << "the handler found is put back";
}

TEST(TermDevice, QuitSignalWakesAWaitInProgress) {
    Pipe input;
    Pipe output;
    TermConsoleDevice device(optionsOn(input.readEnd, output.writeEnd, /*signals=*/true));
    // The signal comes while the device waits; a timer delivers it from outside the wait.
    struct sigaction alarmAction {};
    alarmAction.sa_handler = [](int) { raise(SIGHUP); };
    sigaction(SIGALRM, &alarmAction, nullptr);
    alarm(1);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(device.WaitInput(10000), ConsoleWait::Signalled);
    EXPECT_LT(elapsedMs(start), 5000);
    ConsoleInputEvent event;
    ASSERT_TRUE(device.ReadEvent(event));
    EXPECT_EQ(event.Char, 27);
    signal(SIGALRM, SIG_DFL);
}

TEST(TermDevice, ResizeRepaintsTheWholeScreen) {
    PseudoTerminal pty;
    ASSERT_GE(pty.Slave, 0);
    TermConsoleDevice device(optionsOn(pty.Slave, pty.Slave, /*signals=*/true));
    device.SetSize(80, 25);
    putText(device, 0, 0, "Hello");
    putText(device, 70, 24, "corner");
    device.WaitInput(0);
    pty.Output();
    pty.SetSize(100, 30);
    raise(SIGWINCH);
    device.WaitInput(0);
    const std::string out = pty.Output();
    EXPECT_NE(out.find("\x1b[2J"), std::string::npos);
    EXPECT_NE(out.find("Hello"), std::string::npos);
    EXPECT_NE(out.find("corner"), std::string::npos);
}

TEST(TermDevice, TerminalThatIsGoneIsNoErrorAndReadsAsEsc) {
    PseudoTerminal pty;
    ASSERT_GE(pty.Slave, 0);
    TIO_STDIO term(std::make_unique<TermConsoleDevice>(optionsOn(pty.Slave, pty.Slave)), 80, 25);
    term.WriteAt(1, 1, 7, "before");
    ASSERT_FALSE(term.KeyWait(0));
    pty.CloseMaster();
    term.WriteAt(1, 2, 7, "after");
    term.ClearScreen();
    ASSERT_TRUE(term.KeyWait(2000));
    EXPECT_EQ(term.ReadKey(), 27);
}

} // namespace

namespace {

volatile int stackLimit = -1; // never reached: keeps the recursion from looking endless

int exhaustStack(int depth) {
    volatile char frame[512];
    frame[0] = static_cast<char>(depth);
    if (depth == stackLimit) return 0;
    return exhaustStack(depth + 1) + frame[0];
}

// A stack overflow leaves the fatal signal's handler no room on the main stack; on a stack of its
// own it gives the terminal back (screen, modes and size) before the program dies of the signal.
TEST(TermSignals, StackOverflowGivesTheTerminalBack) {
    PseudoTerminal pty;
    ASSERT_GE(pty.Slave, 0);
    pty.SetSize(80, 24);
    termios before{};
    ASSERT_EQ(tcgetattr(pty.Slave, &before), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        TermConsoleDevice device(optionsOn(pty.Slave, pty.Slave, /*signals=*/true));
        device.SetRawInput();
        device.SetSize(80, 25);
        pty.SetSize(80, 25);
        device.Repaint();
        device.Flush();
        _exit(exhaustStack(0) == 0 ? 3 : 4);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "exit status " << status;
    EXPECT_EQ(WTERMSIG(status), SIGSEGV);
    const std::string out = pty.Output();
    EXPECT_NE(out.find("\x18\x1b[0m\x1b(B\x1b[?7h\x1b[?1049l\x1b[8;24;80t"), std::string::npos)
        << out;
    termios after{};
    ASSERT_EQ(tcgetattr(pty.Slave, &after), 0);
    EXPECT_EQ(after.c_lflag, before.c_lflag);
}

} // namespace
