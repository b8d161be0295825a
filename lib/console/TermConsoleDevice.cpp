#include "TermConsoleDevice.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/ioctl.h>
#include <unistd.h>

#include "PcKeyEvents.h"
#include "TermKind.h"
#include "TermSignals.h"

namespace {

constexpr int maxSide = 1000; // far beyond 80 x 25; only guards the cell copy's size
constexpr std::size_t flushBytes = 64 * 1024;

bool openWakePipe(int& readEnd, int& writeEnd) {
    int fds[2];
    if (pipe(fds) != 0) return false;
    for (int fd : fds) {
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
        fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
    readEnd = fds[0];
    writeEnd = fds[1];
    return true;
}

// The xterm window operation that asks the terminal for a size in cells.
std::string sizeRequest(int columns, int rows) {
    return "\x1b[8;" + std::to_string(rows) + ";" + std::to_string(columns) + "t";
}

void drain(int fd) {
    char scratch[64];
    while (read(fd, scratch, sizeof scratch) > 0) {
    }
}

} // namespace

bool LocaleIsUtf8(const char* lcAll, const char* lcCtype, const char* lang) {
    const char* name = nullptr;
    for (const char* candidate : {lcAll, lcCtype, lang}) {
        if (candidate != nullptr && *candidate != '\0') {
            name = candidate;
            break;
        }
    }
    if (name == nullptr) return false;
    std::string folded;
    for (const char* p = name; *p != '\0'; ++p) {
        if (*p == '-') continue;
        folded.push_back(static_cast<char>(*p >= 'A' && *p <= 'Z' ? *p - 'A' + 'a' : *p));
    }
    return folded.find("utf8") != std::string::npos;
}

TermConsoleDevice::TermConsoleDevice(const TermDeviceOptions& options)
    : options_(options), inTty_(isatty(options.InFd) == 1), outTty_(isatty(options.OutFd) == 1),
      cells_(static_cast<std::size_t>(columns_ * rows_)), encoder_(options.Utf8, options.Page),
      decoder_(inTty_ ? TermInputDecoder::Mode::Terminal : TermInputDecoder::Mode::Plain,
               options.Utf8, options.Page) {
    openWakePipe(wakeRead_, wakeWrite_);
    if (options_.HandleSignals) {
        signalsOwned_ = TermSignals::Install(options_.InFd, options_.OutFd, wakeWrite_);
    }
}

TermConsoleDevice::~TermConsoleDevice() {
    dismissNotice();
    Flush();
    if (outTty_ && screenTaken_) {
        std::string farewell;
        if (options_.AlternateScreen) {
            farewell = TermSequences::Leave;
            farewell += farewellText();
        } else {
            // The last screen is on the normal screen already: the cursor goes below its text.
            const int rows = std::min(farewellRows(), encoder_.TerminalRows());
            farewell = TermSequences::LeaveInPlace;
            farewell += rows == 0 ? "\x1b[H" : "\x1b[" + std::to_string(rows) + ";1H\r\n";
        }
        readTerminalSize();
        if (grown_) farewell += sizeRequest(foundColumns_, foundRows_);
        writeOut(farewell);
    }
    if (signalsOwned_) TermSignals::SetScreenTaken(false);
    if (rawOn_) tcsetattr(options_.InFd, TCSANOW, &savedModes_);
    if (signalsOwned_) {
        TermSignals::SetModes(nullptr, nullptr);
        TermSignals::Remove();
    }
    if (wakeRead_ >= 0) close(wakeRead_);
    if (wakeWrite_ >= 0) close(wakeWrite_);
}

void TermConsoleDevice::SetRawInput() {
    if (!inTty_ || rawOn_) return;
    if (tcgetattr(options_.InFd, &savedModes_) != 0) return;
    rawModes_ = savedModes_;
    // No line input and no echo; Ctrl+C, Ctrl+Z, Ctrl+S and Ctrl+Q are keys like any other; CR
    // stays CR so that Enter is 13.
    rawModes_.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR |
                                                ICRNL | IXON | IXOFF);
    rawModes_.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    rawModes_.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB);
    rawModes_.c_cflag |= CS8;
    rawModes_.c_cc[VMIN] = 1;
    rawModes_.c_cc[VTIME] = 0;
    if (tcsetattr(options_.InFd, TCSANOW, &rawModes_) != 0) return;
    rawOn_ = true;
    if (signalsOwned_) TermSignals::SetModes(&savedModes_, &rawModes_);
}

void TermConsoleDevice::SetSize(int columns, int rows) {
    columns_ = std::clamp(columns, 1, maxSide);
    rows_ = std::clamp(rows, 1, maxSide);
    cells_.assign(static_cast<std::size_t>(columns_ * rows_), TScreenCell{});
    cursorX_ = std::min(cursorX_, columns_ - 1);
    cursorY_ = std::min(cursorY_, rows_ - 1);
    if (outTty_ && !screenTaken_) takeScreen();
}

void TermConsoleDevice::SetCloseEnabled(bool) {
    // A terminal has no Close command; closing its window hangs up, which ends the program
    // the ordinary way (SIGHUP).
}

void TermConsoleDevice::WriteCells(const TScreenCell* cells, int bufferColumns, int left, int top,
                                   int right, int bottom) {
    if (cells == nullptr || bufferColumns <= 0) return;
    right = std::min(right, left + bufferColumns - 1); // never read beyond a buffer row
    for (int y = top; y <= bottom; ++y) {
        for (int x = left; x <= right; ++x) {
            const TScreenCell& cell =
                cells[static_cast<std::size_t>((y - top) * bufferColumns + (x - left))];
            if (x < 0 || y < 0 || x >= columns_ || y >= rows_) continue;
            cells_[static_cast<std::size_t>(y * columns_ + x)] = cell;
            putCell(x, y, cell);
        }
    }
}

void TermConsoleDevice::FillChar(int x, int y, std::uint8_t ch, int count) {
    // Like the console, a fill goes on into the next row.
    const int first = y * columns_ + x;
    for (int i = 0; i < count; ++i) {
        const int at = first + i;
        if (x < 0 || y < 0 || at >= columns_ * rows_) break;
        TScreenCell& cell = cells_[static_cast<std::size_t>(at)];
        cell.Ch = ch;
        putCell(at % columns_, at / columns_, cell);
    }
}

void TermConsoleDevice::FillAttr(int x, int y, std::uint16_t attr, int count) {
    const int first = y * columns_ + x;
    for (int i = 0; i < count; ++i) {
        const int at = first + i;
        if (x < 0 || y < 0 || at >= columns_ * rows_) break;
        TScreenCell& cell = cells_[static_cast<std::size_t>(at)];
        cell.Attr = attr;
        putCell(at % columns_, at / columns_, cell);
    }
}

void TermConsoleDevice::SetCursor(int x, int y) {
    cursorX_ = std::clamp(x, 0, columns_ - 1);
    cursorY_ = std::clamp(y, 0, rows_ - 1);
}

ConsoleWait TermConsoleDevice::WaitInput(std::uint32_t timeoutMs) {
    Flush();
    const std::uint64_t start = NowMillis();
    bool polled = false;
    for (;;) {
        if (signalsOwned_ && TermSignals::TakeRepaint()) {
            Repaint();
            Flush();
        }
        const std::uint64_t now = NowMillis();
        decoder_.Tick(now);
        if (quitting() || inputEnded_ || decoder_.Ready() > 0) return ConsoleWait::Signalled;

        int waitMs = -1;
        if (timeoutMs != Infinite) {
            const std::uint64_t end = start + timeoutMs;
            if (now >= end && polled) return ConsoleWait::TimedOut;
            waitMs = static_cast<int>(std::min<std::uint64_t>(end > now ? end - now : 0, INT_MAX));
        }
        if (decoder_.HasDeadline()) {
            const std::uint64_t due = decoder_.Deadline();
            const int dueMs =
                static_cast<int>(std::min<std::uint64_t>(due > now ? due - now : 0, INT_MAX));
            if (waitMs < 0 || dueMs < waitMs) waitMs = dueMs;
        }

        pollfd fds[2] = {{options_.InFd, POLLIN, 0}, {wakeRead_, POLLIN, 0}};
        const int result = poll(fds, wakeRead_ >= 0 ? 2 : 1, waitMs);
        polled = true;
        if (result < 0) {
            if (errno == EINTR) continue;
            return ConsoleWait::Failed;
        }
        if (wakeRead_ >= 0 && fds[1].revents != 0) drain(wakeRead_);
        if (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) readInput();
        if (fds[0].revents & POLLNVAL) {
            inputEnded_ = true; // not an open file at all: nothing will ever come
            decoder_.Finish();
        }
    }
}

bool TermConsoleDevice::ReadEvent(ConsoleInputEvent& event) {
    if (quitting()) {
        event = PcKeyEvents::Escape();
        return true;
    }
    if (decoder_.Pop(event)) {
        dismissNotice();
        return true;
    }
    if (inputEnded_) {
        event = PcKeyEvents::Escape();
        return true;
    }
    return false;
}

std::uint32_t TermConsoleDevice::PendingEvents() {
    if (quitting() || inputEnded_) return 1;
    return static_cast<std::uint32_t>(decoder_.Ready());
}

void TermConsoleDevice::SetCodePage(CodePage::Id page) {
    if (page == encoder_.Page()) return;
    encoder_.SetPage(page);
    decoder_.SetPage(page);
    Repaint();
}

void TermConsoleDevice::Repaint() {
    if (!drawing()) return;
    readTerminalSize();
    sizeChecked();
    encoder_.Forget();
    encoder_.ClearWindow();
    for (int y = 0; y < rows_; ++y) {
        for (int x = 0; x < columns_; ++x) putCell(x, y, Cell(x, y));
    }
}

void TermConsoleDevice::Flush() {
    if (drawing()) {
        std::string out = encoder_.Pending();
        encoder_.DropPending();
        if (noticeDue_) {
            out += noticeBytes();
            noticeDue_ = false;
            encoder_.Forget(); // the notice's colours and position are not the encoder's
        }
        encoder_.PlaceCursor(cursorX_, cursorY_);
        out += encoder_.Pending();
        writeOut(out);
    }
    encoder_.DropPending();
}

bool TermConsoleDevice::quitting() const {
    return quit_ || (signalsOwned_ && TermSignals::QuitRequested());
}

void TermConsoleDevice::takeScreen() {
    readTerminalSize();
    const int columns = encoder_.TerminalColumns();
    const int rows = encoder_.TerminalRows();
    if (columns < columns_ || rows < rows_) {
        foundColumns_ = columns;
        foundRows_ = rows;
    }
    writeOut(enterBytes(foundColumns_ > 0));
    screenTaken_ = true;
    encoder_.Forget();
    sizeChecked();
    if (signalsOwned_) TermSignals::SetScreenTaken(true);
}

void TermConsoleDevice::readTerminalSize() {
    winsize size{};
    if (ioctl(options_.OutFd, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 && size.ws_row > 0) {
        encoder_.SetTerminalSize(size.ws_col, size.ws_row);
    } else {
        encoder_.SetTerminalSize(80, 25);
    }
    // Only a terminal that took the size asked for gets its own size back: one that refused
    // keeps it anyway, and one the user resized since keeps the user's.
    grown_ = foundColumns_ > 0 && encoder_.TerminalColumns() == std::max(foundColumns_, columns_) &&
             encoder_.TerminalRows() == std::max(foundRows_, rows_);
}

void TermConsoleDevice::sizeChecked() {
    noticeShown_ = encoder_.TerminalColumns() < columns_ || encoder_.TerminalRows() < rows_;
    noticeDue_ = noticeShown_;
    if (signalsOwned_) TermSignals::SetScreenSequences(enterBytes(grown_), leaveBytes());
}

std::string TermConsoleDevice::enterBytes(bool askSize) const {
    std::string enter(options_.AlternateScreen ? TermSequences::Enter
                                               : TermSequences::EnterInPlace);
    // The size asked never shrinks a side that is large enough already.
    if (askSize)
        enter += sizeRequest(std::max(foundColumns_, columns_), std::max(foundRows_, rows_));
    return enter;
}

std::string TermConsoleDevice::leaveBytes() const {
    // Without an alternate screen a stop or a crash leaves the shell a cleared screen rather
    // than the program's.
    std::string leave(options_.AlternateScreen ? TermSequences::Leave
                                               : TermSequences::LeaveInPlace);
    if (!options_.AlternateScreen) leave += "\x1b[H\x1b[2J";
    if (grown_) leave += sizeRequest(foundColumns_, foundRows_);
    return leave;
}

int TermConsoleDevice::noticeRow() const {
    return std::min(encoder_.TerminalRows(), rows_) - 1;
}

std::string TermConsoleDevice::noticeBytes() const {
    std::string text = " Skeinview needs " + std::to_string(columns_) + "x" +
                       std::to_string(rows_) + "; this terminal is " +
                       std::to_string(encoder_.TerminalColumns()) + "x" +
                       std::to_string(encoder_.TerminalRows());
    text.resize(static_cast<std::size_t>(std::min(encoder_.TerminalColumns(), columns_)), ' ');
    // The ASCII set and reverse colours, whatever the cells left the terminal in.
    return "\x1b(B\x1b[" + std::to_string(noticeRow() + 1) + ";1H\x1b[0;7m" + text + "\x1b[0m";
}

void TermConsoleDevice::dismissNotice() {
    if (!noticeShown_) return;
    noticeShown_ = false;
    noticeDue_ = false;
    const int y = noticeRow();
    for (int x = 0; x < columns_; ++x) putCell(x, y, Cell(x, y));
}

void TermConsoleDevice::readInput() {
    char buffer[512];
    const ssize_t n = read(options_.InFd, buffer, sizeof buffer);
    if (n > 0) {
        decoder_.Feed(std::string_view(buffer, static_cast<std::size_t>(n)), NowMillis());
        return;
    }
    if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) return;
    // The end of input, or a terminal that hung up: every further key reads as Esc.
    inputEnded_ = true;
    decoder_.Finish();
}

void TermConsoleDevice::putCell(int x, int y, const TScreenCell& cell) {
    if (!drawing() || (noticeShown_ && y == noticeRow())) return;
    encoder_.PutCell(x, y, cell.Ch, cell.Attr);
    // A long drawing between two waits still shows as it goes.
    if (encoder_.Pending().size() >= flushBytes) Flush();
}

void TermConsoleDevice::writeOut(const std::string& bytes) {
    if (!outTty_ || !outputAlive_ || bytes.empty()) return;
    const char* data = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t n = write(options_.OutFd, data, left);
        if (n > 0) {
            data += n;
            left -= static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd out{options_.OutFd, POLLOUT, 0};
            if (poll(&out, 1, 1000) > 0) continue;
        }
        // EIO, EPIPE or a terminal that takes nothing: it is gone, and nothing more is drawn.
        outputAlive_ = false;
        return;
    }
}

int TermConsoleDevice::farewellRows() const {
    // The rows above the cursor, and the cursor's row if it has text.
    const int cursorRow = std::min(cursorY_, rows_ - 1);
    const TScreenCell* row = &cells_[static_cast<std::size_t>(cursorRow * columns_)];
    return cursorRow + (encoder_.PlainText(row, columns_).empty() ? 0 : 1);
}

std::string TermConsoleDevice::farewellText() const {
    // What the program left on its screen, as plain lines, so that it stays readable in the
    // shell.
    std::string text;
    const int rows = farewellRows();
    for (int y = 0; y < rows; ++y) {
        text += encoder_.PlainText(&cells_[static_cast<std::size_t>(y * columns_)], columns_);
        text += "\r\n";
    }
    return text;
}

TermDeviceOptions TermOptionsFromEnvironment() {
    const char* lcAll = std::getenv("LC_ALL");
    const char* lcCtype = std::getenv("LC_CTYPE");
    const char* lang = std::getenv("LANG");
    TermDeviceOptions options;
    options.Utf8 = LocaleIsUtf8(lcAll, lcCtype, lang);
    options.Page = CodePage::FromLocale(lcAll, lcCtype, lang);
    options.AlternateScreen = KindOfTerm(std::getenv("TERM")) != TermKind::NoAlternateScreen;
    return options;
}

std::unique_ptr<ConsoleDevice> CreateTermConsoleDevice() {
    return std::make_unique<TermConsoleDevice>(TermOptionsFromEnvironment());
}
