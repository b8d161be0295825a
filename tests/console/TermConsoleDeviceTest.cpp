// The terminal device on a pseudo-terminal and on pipes: raw mode and its return, the screen
// taken and given back with the last lines, keys read through the terminal object, plain input,
// quitting by signal, repainting after a resize, and a terminal that is gone.

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include "Lib_IO_STDIO_Windows.h"
#include "TermConsoleDevice.h"

namespace {

class Pty {
public:
    Pty() {
        master = posix_openpt(O_RDWR | O_NOCTTY);
        if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) return;
        slave = open(ptsname(master), O_RDWR | O_NOCTTY);
        SetSize(80, 25);
    }
    ~Pty() {
        CloseMaster();
        if (slave >= 0) close(slave);
    }
    void SetSize(int columns, int rows) {
        winsize size{};
        size.ws_col = static_cast<unsigned short>(columns);
        size.ws_row = static_cast<unsigned short>(rows);
        ioctl(master, TIOCSWINSZ, &size);
    }
    void Type(const std::string& bytes) {
        ASSERT_EQ(write(master, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    // Everything the device wrote, once nothing more comes for a short while.
    std::string Output() {
        std::string out;
        char buffer[4096];
        pollfd p{master, POLLIN, 0};
        while (poll(&p, 1, 100) > 0 && (p.revents & POLLIN)) {
            const ssize_t n = read(master, buffer, sizeof buffer);
            if (n <= 0) break;
            out.append(buffer, static_cast<std::size_t>(n));
        }
        return out;
    }
    void CloseMaster() {
        if (master >= 0) close(master);
        master = -1;
    }
    int master = -1;
    int slave = -1;
};

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

TEST(TermDevice, RawModeIsSetAndGivenBack) {
    Pty pty;
    ASSERT_GE(pty.slave, 0);
    termios before{};
    ASSERT_EQ(tcgetattr(pty.slave, &before), 0);
    {
        TermConsoleDevice device(optionsOn(pty.slave, pty.slave));
        device.SetRawInput();
        termios raw{};
        ASSERT_EQ(tcgetattr(pty.slave, &raw), 0);
        EXPECT_EQ(raw.c_lflag & (ICANON | ECHO | ISIG), 0u);
        EXPECT_EQ(raw.c_iflag & (IXON | ICRNL), 0u);
    }
    termios after{};
    ASSERT_EQ(tcgetattr(pty.slave, &after), 0);
    EXPECT_EQ(after.c_lflag, before.c_lflag);
    EXPECT_EQ(after.c_iflag, before.c_iflag);
}

TEST(TermDevice, ScreenIsTakenAndGivenBackWithTheLinesAboveTheCursor) {
    Pty pty;
    ASSERT_GE(pty.slave, 0);
    {
        TermConsoleDevice device(optionsOn(pty.slave, pty.slave));
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

TEST(TermDevice, CellsAreDrawnBeforeEveryWait) {
    Pty pty;
    ASSERT_GE(pty.slave, 0);
    TermConsoleDevice device(optionsOn(pty.slave, pty.slave));
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
    Pty pty;
    ASSERT_GE(pty.slave, 0);
    pty.SetSize(40, 10);
    TermConsoleDevice device(optionsOn(pty.slave, pty.slave));
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

TEST(TermDevice, KeysAreReadThroughTheTerminalObject) {
    Pty pty;
    ASSERT_GE(pty.slave, 0);
    TIO_STDIO term(std::make_unique<TermConsoleDevice>(optionsOn(pty.slave, pty.slave)), 80, 25);
    pty.Type("q\x1bOP\x1b[1;5P\x03\r");
    const int expected[] = {'q', 0, 59, 0, 94, 3, 13};
    for (int byte : expected) {
        ASSERT_TRUE(term.KeyWait(2000));
        EXPECT_EQ(term.ReadKey(), byte);
    }
    EXPECT_FALSE(term.KeyWait(0));
}

TEST(TermDevice, LoneEscIsDeliveredAfterTheQuietTime) {
    Pty pty;
    ASSERT_GE(pty.slave, 0);
    TIO_STDIO term(std::make_unique<TermConsoleDevice>(optionsOn(pty.slave, pty.slave)), 80, 25);
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
    Pty pty;
    ASSERT_GE(pty.slave, 0);
    TermConsoleDevice device(optionsOn(pty.slave, pty.slave, /*signals=*/true));
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
    Pty pty;
    ASSERT_GE(pty.slave, 0);
    TIO_STDIO term(std::make_unique<TermConsoleDevice>(optionsOn(pty.slave, pty.slave)), 80, 25);
    term.WriteAt(1, 1, 7, "before");
    ASSERT_FALSE(term.KeyWait(0));
    pty.CloseMaster();
    term.WriteAt(1, 2, 7, "after");
    term.ClearScreen();
    ASSERT_TRUE(term.KeyWait(2000));
    EXPECT_EQ(term.ReadKey(), 27);
}

} // namespace
