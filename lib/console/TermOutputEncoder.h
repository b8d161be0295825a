#pragma once
// Console cells to the bytes a VT/xterm terminal understands. Characters are bytes of the
// console's code page shown as their Unicode glyphs in UTF-8 (or as VT100 line drawing and
// ASCII stand-ins on a terminal without UTF-8); attributes are PC colour attributes shown as SGR
// colours. The encoder remembers what it last told the terminal (cursor, colours, character set)
// and sends only what changes. It never writes anything itself: the bytes collect in Pending().

#include <cstdint>
#include <string>
#include <string_view>

#include "Lib_CodePage.h"
#include "Lib_ScreenBuffer.h"

namespace TermSequences {
// Take the screen: the alternate screen, autowrap off (so the last cell never scrolls), plain
// colours, the ASCII character set, and a cleared screen.
constexpr std::string_view Enter = "\x1b[?1049h\x1b[?7l\x1b[0m\x1b(B\x1b[H\x1b[2J";
// Give it back: plain colours, ASCII set, autowrap on, the normal screen.
constexpr std::string_view Leave = "\x1b[0m\x1b(B\x1b[?7h\x1b[?1049l";
// The same on a terminal without an alternate screen (the Linux console, VT100, VT220): the
// program draws on the normal screen itself.
constexpr std::string_view EnterInPlace = "\x1b[?7l\x1b[0m\x1b(B\x1b[H\x1b[2J";
constexpr std::string_view LeaveInPlace = "\x1b[0m\x1b(B\x1b[?7h";
} // namespace TermSequences

class TermOutputEncoder {
public:
    explicit TermOutputEncoder(bool utf8, CodePage::Id page = CodePage::Id::Us);

    bool Utf8() const { return utf8_; }
    CodePage::Id Page() const { return page_; }
    // The code page whose glyphs the bytes show from now on (the screen is drawn anew after).
    void SetPage(CodePage::Id page) { page_ = page; }

    // The size of the terminal window. Cells beyond it are not drawn.
    void SetTerminalSize(int columns, int rows);
    int TerminalColumns() const { return columns_; }
    int TerminalRows() const { return rows_; }

    // What the terminal shows is no longer known (just taken over, resumed, resized): the next
    // output sends position, colours and character set in full.
    void Forget();

    // Cell (x, y), 0-based, shows ch in attr.
    void PutCell(int x, int y, std::uint8_t ch, std::uint16_t attr);
    // Clears the whole terminal window in plain colours.
    void ClearWindow();
    // The visible cursor goes to (x, y), kept inside the window.
    void PlaceCursor(int x, int y);

    const std::string& Pending() const { return out_; }
    void DropPending() { out_.clear(); }

    // One row of cells as plain text, without any escape sequence and without trailing blanks:
    // for lines written to the normal screen when the program ends.
    std::string PlainText(const TScreenCell* cells, int count) const;

    // The SGR colour number of a PC colour (0-15) as foreground or background.
    static int ForegroundSgr(int pcColour);
    static int BackgroundSgr(int pcColour);

private:
    void moveTo(int x, int y);
    void setColours(std::uint16_t attr);
    void selectLineDrawing(bool on);
    void appendNumber(int value);
    void appendUtf8(std::string& to, std::uint8_t ch) const;

    std::string out_;
    bool utf8_;
    CodePage::Id page_;
    int columns_ = 80;
    int rows_ = 25;
    int cursorX_ = -1; // -1: not known
    int cursorY_ = -1;
    int foreground_ = -1; // PC colour last sent, -1: not known
    int background_ = -1;
    int lineDrawing_ = -1; // VT100 line drawing set selected: 1, ASCII: 0, not known: -1
};
