#include "MemoryConsoleDevice.h"

#include <algorithm>
#include <cstring>

namespace {

// The keys of a US keyboard as runs of consecutive scan codes: each plain row with the same
// row typed with Shift.
struct KeyRun {
    const char* Plain;
    const char* Shifted;
    std::uint16_t FirstScan;
};
constexpr KeyRun usKeyRuns[] = {
    {"1234567890-=", "!@#$%^&*()_+", 0x02},
    {"qwertyuiop[]", "QWERTYUIOP{}", 0x10},
    {"asdfghjkl;'`", "ASDFGHJKL:\"~", 0x1E},
    {"\\zxcvbnm,./", "|ZXCVBNM<>?", 0x2B},
};

// Virtual key codes of the punctuation keys, by their unshifted character.
std::uint16_t punctuationVk(char plain) {
    switch (plain) {
    case ';':
        return 0xBA;
    case '=':
        return 0xBB;
    case ',':
        return 0xBC;
    case '-':
        return 0xBD;
    case '.':
        return 0xBE;
    case '/':
        return 0xBF;
    case '`':
        return 0xC0;
    case '[':
        return 0xDB;
    case '\\':
        return 0xDC;
    case ']':
        return 0xDD;
    case '\'':
        return 0xDE;
    default:
        return 0;
    }
}

std::uint16_t plainVk(char plain) {
    if (plain >= 'a' && plain <= 'z') return static_cast<std::uint16_t>(plain - 'a' + 'A');
    if (plain >= '0' && plain <= '9') return static_cast<std::uint16_t>(plain);
    return punctuationVk(plain);
}

struct UsKey {
    std::uint16_t Vk = 0;
    std::uint16_t Scan = 0;
    std::uint32_t State = 0;
};

UsKey usKeyFor(std::uint8_t ch) {
    switch (ch) {
    case 8:
        return {VKey::Back, 0x0E, 0};
    case 9:
        return {VKey::Tab, 0x0F, 0};
    case 13:
        return {VKey::Return, 0x1C, 0};
    case 27:
        return {VKey::Escape, 0x01, 0};
    case ' ':
        return {VKey::Space, 0x39, 0};
    default:
        break;
    }
    if (ch >= 1 && ch <= 26) {
        // Ctrl with a letter gives the control character of that letter.
        UsKey letter = usKeyFor(static_cast<std::uint8_t>('a' + ch - 1));
        return {letter.Vk, letter.Scan, KeyState::LeftCtrl};
    }
    if (ch == 0) return {}; // strchr would find the terminator
    for (const KeyRun& run : usKeyRuns) {
        if (const char* at = std::strchr(run.Plain, static_cast<char>(ch))) {
            auto index = static_cast<std::uint16_t>(at - run.Plain);
            return {plainVk(*at), static_cast<std::uint16_t>(run.FirstScan + index), 0};
        }
        if (const char* at = std::strchr(run.Shifted, static_cast<char>(ch))) {
            auto index = static_cast<std::uint16_t>(at - run.Shifted);
            return {plainVk(run.Plain[index]), static_cast<std::uint16_t>(run.FirstScan + index),
                    KeyState::Shift};
        }
    }
    return {};
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
            resized[static_cast<std::size_t>(y) * static_cast<std::size_t>(columns) +
                    static_cast<std::size_t>(x)] = CellRef(x, y);
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
            if (!Inside(x, y)) continue;
            const TScreenCell& from =
                cells[static_cast<std::size_t>(y - top) * static_cast<std::size_t>(bufferColumns) +
                      static_cast<std::size_t>(x - left)];
            TScreenCell& to = CellRef(x, y);
            to.Ch = from.Ch;
            to.Attr = from.Attr;
        }
    }
}

void MemoryConsoleDevice::FillChar(int x, int y, std::uint8_t ch, int count) {
    ++Counts.CharFills;
    // A fill runs on to the next row at the right edge, as on the console.
    for (int i = 0; i < count && Inside(x, y); ++i) {
        CellRef(x, y).Ch = ch;
        if (++x == columns_) {
            x = 0;
            ++y;
        }
    }
}

void MemoryConsoleDevice::FillAttr(int x, int y, std::uint16_t attr, int count) {
    ++Counts.AttrFills;
    for (int i = 0; i < count && Inside(x, y); ++i) {
        CellRef(x, y).Attr = attr;
        if (++x == columns_) {
            x = 0;
            ++y;
        }
    }
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
    if (!Inside(x, y)) return TScreenCell{' ', 0, 0};
    return cells_[static_cast<std::size_t>(y) * static_cast<std::size_t>(columns_) +
                  static_cast<std::size_t>(x)];
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
    ConsoleInputEvent e;
    e.IsKey = true;
    e.KeyDown = true;
    e.VirtualKey = vk;
    e.ScanCode = scanCode;
    e.Char = ch;
    e.ControlState = state;
    PushEvent(e);
}

void MemoryConsoleDevice::PushKeyRelease(std::uint16_t vk, std::uint16_t scanCode, std::uint8_t ch,
                                         std::uint32_t state) {
    ConsoleInputEvent e;
    e.IsKey = true;
    e.KeyDown = false;
    e.VirtualKey = vk;
    e.ScanCode = scanCode;
    e.Char = ch;
    e.ControlState = state;
    PushEvent(e);
}

void MemoryConsoleDevice::PushKeyStroke(std::uint16_t vk, std::uint16_t scanCode, std::uint8_t ch,
                                        std::uint32_t state) {
    PushKeyPress(vk, scanCode, ch, state);
    PushKeyRelease(vk, scanCode, ch, state);
}

void MemoryConsoleDevice::PushChar(std::uint8_t ch) {
    UsKey key = usKeyFor(ch);
    PushKeyStroke(key.Vk, key.Scan, ch, key.State);
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
