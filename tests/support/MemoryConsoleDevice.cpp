#include "MemoryConsoleDevice.h"

#include <algorithm>

#include "PcKeyEvents.h"

namespace {

// The key event of a byte typed on a US keyboard, with the character as typed. Here LF is
// Ctrl+J, and the bytes that need more than Ctrl and a letter (0, 28 to 31) or that no key gives
// (DEL, the code page's upper half) come from a key with scan code 0.
ConsoleInputEvent usKeyFor(std::uint8_t ch) {
    if (ch == 10) {
        ConsoleInputEvent key = PcKeyEvents::Typed('j', 0);
        key.ControlState = KeyState::LeftCtrl;
        return key;
    }
    if (ch == 0 || (ch >= 28 && ch <= 31) || ch >= 127) return PcKeyEvents::Character(ch);
    return PcKeyEvents::Typed(ch, 0);
}

ConsoleInputEvent keyEvent(bool down, std::uint16_t vk, std::uint16_t scanCode, std::uint8_t ch,
                           std::uint32_t state) {
    return {.IsKey = true,
            .KeyDown = down,
            .VirtualKey = vk,
            .ScanCode = scanCode,
            .Char = ch,
            .ControlState = state};
}

// Where cell (x, y) is kept in a screen of the given width.
std::size_t cellIndex(int x, int y, int columns) {
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(columns) +
           static_cast<std::size_t>(x);
}

// Calls fn for count cells from (x, y) on, running on to the next row at the right edge as a
// console's fills do, and stopping at the end of the screen.
template <typename Fn> void forEachInRun(int x, int y, int count, int columns, int rows, Fn fn) {
    for (int i = 0; i < count && x >= 0 && y >= 0 && x < columns && y < rows; ++i) {
        fn(x, y);
        if (++x == columns) {
            x = 0;
            ++y;
        }
    }
}

} // namespace

MemoryConsoleDevice::MemoryConsoleDevice(int columns, int rows)
    : columns_(std::max(columns, 1)), rows_(std::max(rows, 1)),
      cells_(static_cast<std::size_t>(columns_) * static_cast<std::size_t>(rows_)) {}

void MemoryConsoleDevice::SetSize(int columns, int rows) {
    SizeColumns = columns;
    SizeRows = rows;
    columns = std::max(columns, 1);
    rows = std::max(rows, 1);
    if (columns == columns_ && rows == rows_) return;
    // A console keeps what it showed where the old and the new size overlap.
    std::vector<TScreenCell> resized(static_cast<std::size_t>(columns) *
                                     static_cast<std::size_t>(rows));
    for (int y = 0; y < std::min(rows, rows_); ++y) {
        for (int x = 0; x < std::min(columns, columns_); ++x) {
            resized[cellIndex(x, y, columns)] = cellRef(x, y);
        }
    }
    cells_ = std::move(resized);
    columns_ = columns;
    rows_ = rows;
}

void MemoryConsoleDevice::SetCloseEnabled(bool enabled) {
    CloseEnabled = enabled;
    ++Counts.CloseToggles;
}

void MemoryConsoleDevice::WriteCells(const TScreenCell* cells, int bufferColumns, int left, int top,
                                     int right, int bottom) {
    ++Counts.RectOutputs;
    Counts.LastRectLeft = left;
    Counts.LastRectTop = top;
    Counts.LastRectRight = right;
    Counts.LastRectBottom = bottom;
    if (right < left || bottom < top) return;
    Counts.CellsWritten += (right - left + 1) * (bottom - top + 1);
    for (int y = top; y <= bottom; ++y) {
        for (int x = left; x <= right; ++x) {
            if (!inside(x, y)) continue;
            const TScreenCell& from = cells[cellIndex(x - left, y - top, bufferColumns)];
            TScreenCell& to = cellRef(x, y);
            to.Ch = from.Ch;
            to.Attr = from.Attr;
        }
    }
}

void MemoryConsoleDevice::FillChar(int x, int y, std::uint8_t ch, int count) {
    ++Counts.CharFills;
    forEachInRun(x, y, count, columns_, rows_, [&](int cx, int cy) { cellRef(cx, cy).Ch = ch; });
}

void MemoryConsoleDevice::FillAttr(int x, int y, std::uint16_t attr, int count) {
    ++Counts.AttrFills;
    forEachInRun(x, y, count, columns_, rows_,
                 [&](int cx, int cy) { cellRef(cx, cy).Attr = attr; });
}

void MemoryConsoleDevice::SetCursor(int x, int y) {
    ++Counts.CursorMoves;
    cursorX_ = x;
    cursorY_ = y;
}

ConsoleWait MemoryConsoleDevice::WaitInput(std::uint32_t timeoutMs) {
    ++Counts.Waits;
    WaitLimits.push_back(timeoutMs);
    if (!script_.empty()) {
        std::uint64_t due = script_.front().DueMs;
        if (due <= clock_) return ConsoleWait::Signalled;
        if (timeoutMs == Infinite || due - clock_ <= timeoutMs) {
            clock_ = due;
            return ConsoleWait::Signalled;
        }
        clock_ += timeoutMs;
        return ConsoleWait::TimedOut;
    }
    // An unlimited wait on a finished script could never end; it fails instead.
    if (scriptEnd_ == ScriptEnd::Fail || timeoutMs == Infinite) return ConsoleWait::Failed;
    clock_ += timeoutMs;
    return ConsoleWait::TimedOut;
}

bool MemoryConsoleDevice::ReadEvent(ConsoleInputEvent& event) {
    if (script_.empty() || script_.front().DueMs > clock_) return false;
    event = script_.front().Event;
    script_.pop_front();
    ++Counts.EventsRead;
    return true;
}

std::uint32_t MemoryConsoleDevice::PendingEvents() {
    std::uint32_t pending = 0;
    for (const ScriptedEvent& e : script_) {
        if (e.DueMs > clock_) break;
        ++pending;
    }
    return pending;
}

TScreenCell MemoryConsoleDevice::Cell(int x, int y) const {
    if (!inside(x, y)) return TScreenCell{' ', 0, 0};
    return cells_[cellIndex(x, y, columns_)];
}

std::string MemoryConsoleDevice::RowText(int y) const {
    std::string row;
    for (int x = 0; x < columns_; ++x) row += static_cast<char>(Cell(x, y).Ch);
    return row;
}

std::string MemoryConsoleDevice::DumpText() const {
    std::string dump;
    for (int y = 0; y < rows_; ++y) {
        dump += '|';
        for (int x = 0; x < columns_; ++x) {
            std::uint8_t ch = Cell(x, y).Ch;
            dump += (ch < 32 || ch >= 127) ? '.' : static_cast<char>(ch);
        }
        dump += "|\n";
    }
    return dump;
}

std::string MemoryConsoleDevice::DumpAttrs() const {
    static const char hex[] = "0123456789ABCDEF";
    std::string dump;
    for (int y = 0; y < rows_; ++y) {
        for (int x = 0; x < columns_; ++x) {
            auto attr = static_cast<std::uint8_t>(Cell(x, y).Attr & 0xFF);
            dump += hex[attr >> 4];
            dump += hex[attr & 0xF];
        }
        dump += '\n';
    }
    return dump;
}

void MemoryConsoleDevice::PushEvent(const ConsoleInputEvent& event) {
    PushEventAt(clock_, event);
}

void MemoryConsoleDevice::PushEventAt(std::uint64_t dueMs, const ConsoleInputEvent& event) {
    script_.push_back(ScriptedEvent{dueMs, event});
}

void MemoryConsoleDevice::PushKeyPress(std::uint16_t vk, std::uint16_t scanCode, std::uint8_t ch,
                                       std::uint32_t state) {
    PushEvent(keyEvent(true, vk, scanCode, ch, state));
}

void MemoryConsoleDevice::PushKeyRelease(std::uint16_t vk, std::uint16_t scanCode, std::uint8_t ch,
                                         std::uint32_t state) {
    PushEvent(keyEvent(false, vk, scanCode, ch, state));
}

void MemoryConsoleDevice::PushKeyStroke(std::uint16_t vk, std::uint16_t scanCode, std::uint8_t ch,
                                        std::uint32_t state) {
    PushKeyPress(vk, scanCode, ch, state);
    PushKeyRelease(vk, scanCode, ch, state);
}

void MemoryConsoleDevice::PushChar(std::uint8_t ch) {
    const ConsoleInputEvent key = usKeyFor(ch);
    PushKeyStroke(key.VirtualKey, key.ScanCode, ch, key.ControlState);
}

void MemoryConsoleDevice::PushText(const std::string& text) {
    for (char c : text) PushChar(static_cast<std::uint8_t>(c));
}

void MemoryConsoleDevice::PushExtendedKey(std::uint16_t scanCode, std::uint16_t vk,
                                          std::uint32_t state) {
    PushKeyStroke(vk, scanCode, 0, state);
}

void MemoryConsoleDevice::PushOtherEvent() {
    PushEvent(ConsoleInputEvent{});
}
