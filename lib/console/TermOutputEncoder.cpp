#include "TermOutputEncoder.h"

#include <algorithm>
#include <charconv>

#include "TermGlyphs.h"

namespace {

// PC colours count blue as 1 and red as 4; ANSI colours the other way round.
int ansiColour(int pcColour) {
    return ((pcColour & 1) << 2) | (pcColour & 2) | ((pcColour & 4) >> 2);
}

} // namespace

TermOutputEncoder::TermOutputEncoder(bool utf8, CodePage::Id page) : utf8_(utf8), page_(page) {}

int TermOutputEncoder::ForegroundSgr(int pcColour) {
    return ((pcColour & 8) ? 90 : 30) + ansiColour(pcColour);
}

int TermOutputEncoder::BackgroundSgr(int pcColour) {
    return ((pcColour & 8) ? 100 : 40) + ansiColour(pcColour);
}

void TermOutputEncoder::SetTerminalSize(int columns, int rows) {
    columns_ = std::max(columns, 1);
    rows_ = std::max(rows, 1);
}

void TermOutputEncoder::Forget() {
    cursorX_ = -1;
    cursorY_ = -1;
    foreground_ = -1;
    background_ = -1;
    lineDrawing_ = -1;
}

void TermOutputEncoder::PutCell(int x, int y, std::uint8_t ch, std::uint16_t attr) {
    if (x < 0 || y < 0 || x >= columns_ || y >= rows_) return;
    moveTo(x, y);
    setColours(attr);
    if (utf8_) {
        appendUtf8(out_, ch);
    } else {
        const TermGlyphs::StandIn standIn = TermGlyphs::ToStandIn(page_, ch);
        selectLineDrawing(standIn.Dec);
        out_.push_back(standIn.Ch);
    }
    // With autowrap off the cursor stays on the last column, but terminals differ in where
    // exactly; and a pictograph may be drawn wider than one cell. Either way, place it anew.
    cursorX_ = x + 1;
    if (cursorX_ >= columns_ || (utf8_ && TermGlyphs::WidthUnsure(ch))) cursorX_ = -1;
}

void TermOutputEncoder::ClearWindow() {
    out_.append("\x1b[0m\x1b[2J");
    foreground_ = -1;
    background_ = -1;
}

void TermOutputEncoder::PlaceCursor(int x, int y) {
    moveTo(std::clamp(x, 0, columns_ - 1), std::clamp(y, 0, rows_ - 1));
}

std::string TermOutputEncoder::PlainText(const TScreenCell* cells, int count) const {
    int used = count;
    while (used > 0 && (cells[used - 1].Ch == ' ' || cells[used - 1].Ch == 0)) --used;
    std::string text;
    for (int i = 0; i < used; ++i) {
        if (utf8_) {
            appendUtf8(text, cells[i].Ch);
        } else {
            text.push_back(TermGlyphs::ToStandIn(page_, cells[i].Ch).Ascii);
        }
    }
    return text;
}

void TermOutputEncoder::appendUtf8(std::string& to, std::uint8_t ch) const {
    char glyph[4];
    to.append(glyph, TermGlyphs::EncodeUtf8(CodePage::ToUnicode(page_, ch), glyph));
}

void TermOutputEncoder::moveTo(int x, int y) {
    if (x == cursorX_ && y == cursorY_) return;
    out_.append("\x1b[");
    appendNumber(y + 1);
    out_.push_back(';');
    appendNumber(x + 1);
    out_.push_back('H');
    cursorX_ = x;
    cursorY_ = y;
}

void TermOutputEncoder::setColours(std::uint16_t attr) {
    const int fg = attr & 0x0F;
    const int bg = (attr >> 4) & 0x0F;
    if (fg == foreground_ && bg == background_) return;
    out_.append("\x1b[");
    if (foreground_ < 0 || background_ < 0) {
        // Whatever else the terminal had on (bold, reverse, underline) goes first.
        out_.append("0;");
        foreground_ = -1;
        background_ = -1;
    }
    if (fg != foreground_) {
        appendNumber(ForegroundSgr(fg));
        if (bg != background_) out_.push_back(';');
    }
    if (bg != background_) appendNumber(BackgroundSgr(bg));
    out_.push_back('m');
    foreground_ = fg;
    background_ = bg;
}

void TermOutputEncoder::selectLineDrawing(bool on) {
    const int want = on ? 1 : 0;
    if (lineDrawing_ == want) return;
    out_.append(on ? "\x1b(0" : "\x1b(B");
    lineDrawing_ = want;
}

void TermOutputEncoder::appendNumber(int value) {
    char digits[12];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    out_.append(digits, result.ptr);
}
