#pragma once
// The console on a POSIX terminal (xterm and its kin, tmux and screen, the Linux console): raw
// input through termios, the alternate screen, cells drawn with VT/xterm sequences and keys read
// through the input decoder. It keeps its own copy of every cell it was given, so it can repaint
// by itself after a resize or a stop.
//
// Standard input that is not a terminal is read as plain bytes, one key each (a 0 byte and the
// next byte are one extended key); its end, like a request to quit (SIGTERM, SIGHUP, SIGINT),
// reads as Esc for every further key, so the program's ordinary way out runs. Standard output
// that is not a terminal gets nothing at all; the cells are still kept.
//
// A terminal smaller than the screen is asked once to grow to it (the xterm window operation)
// and, if it did grow, given its size back whenever the program gives the terminal back (and
// asked again when it resumes). While it stays smaller it shows the part of the screen that
// fits, and over the last row of that part a notice of the size needed, until the next key
// (which is read as usual) or size change; the notice is the device's own and never enters the
// cells kept.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <termios.h>

#include "ConsoleDevice.h"
#include "Lib_CodePage.h"
#include "TermInputDecoder.h"
#include "TermOutputEncoder.h"

struct TermDeviceOptions {
    int InFd = 0;
    int OutFd = 1;
    bool Utf8 = true; // the terminal shows UTF-8; otherwise line drawing and ASCII
    CodePage::Id Page = CodePage::Id::Us; // the code page whose glyphs the bytes show
    bool HandleSignals = true;            // install the signal handlers (one device at a time)
    bool AlternateScreen = true;          // otherwise the program draws on the normal screen itself
};

// Whether a locale name (the first set of LC_ALL, LC_CTYPE, LANG) uses UTF-8.
bool LocaleIsUtf8(const char* lcAll, const char* lcCtype, const char* lang);

// The options on standard input and output that this process's environment asks for: UTF-8 or
// not (LocaleIsUtf8), the code page (CodePage::FromLocale) and, from TERM, whether the terminal
// has an alternate screen.
TermDeviceOptions TermOptionsFromEnvironment();

class TermConsoleDevice : public ConsoleDevice {
public:
    explicit TermConsoleDevice(const TermDeviceOptions& options);
    // Gives the terminal back: the normal screen with the last screen's text above the cursor
    // (written to it as plain lines, unless the program drew there itself for want of an
    // alternate screen) and the cursor below that text, the size and the terminal modes found
    // at the start.
    ~TermConsoleDevice() override;
    TermConsoleDevice(const TermConsoleDevice&) = delete;
    TermConsoleDevice& operator=(const TermConsoleDevice&) = delete;

    void SetRawInput() override;
    void SetSize(int columns, int rows) override;
    void SetCloseEnabled(bool enabled) override;
    void WriteCells(const TScreenCell* cells, int bufferColumns, int left, int top, int right,
                    int bottom) override;
    void FillChar(int x, int y, std::uint8_t ch, int count) override;
    void FillAttr(int x, int y, std::uint16_t attr, int count) override;
    void SetCursor(int x, int y) override;
    ConsoleWait WaitInput(std::uint32_t timeoutMs) override;
    bool ReadEvent(ConsoleInputEvent& event) override;
    std::uint32_t PendingEvents() override;

    // From now on every key is Esc (what SIGTERM, SIGHUP and SIGINT do).
    void RequestQuit() { quit_ = true; }
    // Draws the whole screen anew from the cells kept, at the terminal's present size.
    void Repaint() override;
    void SetCodePage(CodePage::Id page) override;
    // Writes what is pending, in one write.
    void Flush();

    bool InputIsTerminal() const { return inTty_; }
    bool OutputIsTerminal() const { return outTty_; }
    const TScreenCell& Cell(int x, int y) const {
        return cells_[static_cast<std::size_t>(y * columns_ + x)];
    }

private:
    bool quitting() const;
    bool drawing() const { return outTty_ && outputAlive_ && screenTaken_; }
    void takeScreen();
    void readTerminalSize();
    void sizeChecked();
    std::string enterBytes(bool askSize) const;
    std::string leaveBytes() const;
    int noticeRow() const;
    std::string noticeBytes() const;
    void dismissNotice();
    int farewellRows() const;
    void readInput();
    void putCell(int x, int y, const TScreenCell& cell);
    void writeOut(const std::string& bytes);
    std::string farewellText() const;

    TermDeviceOptions options_;
    bool inTty_ = false;
    bool outTty_ = false;
    bool outputAlive_ = true;
    bool screenTaken_ = false;
    bool rawOn_ = false;
    bool signalsOwned_ = false;
    bool inputEnded_ = false;
    bool quit_ = false;
    termios savedModes_{};
    termios rawModes_{};
    int wakeRead_ = -1;
    int wakeWrite_ = -1;

    int columns_ = 80;
    int rows_ = 25;
    std::vector<TScreenCell> cells_;
    int cursorX_ = 0;
    int cursorY_ = 0;

    int foundColumns_ = 0; // the terminal's size when asked to grow; 0: never asked
    int foundRows_ = 0;
    bool grown_ = false;       // the terminal has the size it was asked for
    bool noticeShown_ = false; // the notice holds its row of the terminal
    bool noticeDue_ = false;   // and is yet to be drawn

    TermOutputEncoder encoder_;
    TermInputDecoder decoder_;
};

// The device on standard input and output, with the locale's options and the signal handlers.
std::unique_ptr<ConsoleDevice> CreateTermConsoleDevice();
