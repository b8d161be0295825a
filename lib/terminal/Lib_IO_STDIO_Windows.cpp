#include "Lib_IO_STDIO_Windows.h"

#include "PcKeys.h"

#include <algorithm>

namespace {

constexpr int imageRows = 25;

constexpr std::uint16_t vkReturn = 0x0D;
constexpr std::uint16_t vkMenu = 0x12; // Alt
constexpr std::uint16_t vkNumpad0 = 0x60;
constexpr std::uint16_t vkNumpad9 = 0x69;
constexpr std::uint16_t scanSlash = 0x35;

constexpr std::uint32_t anyAlt = KeyState::RightAlt | KeyState::LeftAlt;
constexpr std::uint32_t anyCtrl = KeyState::RightCtrl | KeyState::LeftCtrl;

// Pressed alone, these keys only change the state of the others.
bool isModifierKey(std::uint16_t vk) {
    switch (vk) {
    case 0x10: // Shift
    case 0x11: // Ctrl
    case 0x12: // Alt
    case 0x14: // Caps Lock
    case 0x90: // Num Lock
    case 0x91: // Scroll Lock
        return true;
    default:
        return false;
    }
}

enum class Modifier { None, Shift, Ctrl, Alt };

// Only the strongest modifier held counts: Alt, then Ctrl, then Shift.
Modifier strongestModifier(std::uint32_t state) {
    if (state & anyAlt) return Modifier::Alt;
    if (state & anyCtrl) return Modifier::Ctrl;
    if (state & KeyState::Shift) return Modifier::Shift;
    return Modifier::None;
}

// Extended key codes of the keys whose code depends on the modifier, in the PC numbering.
struct KeyCodes {
    std::uint8_t Scan, None, Shift, Ctrl, Alt;
};
constexpr KeyCodes keyTable[] = {
    {0x0F, 15, 15, 148, 15},    // Tab
    {0x1C, 28, 28, 28, 166},    // Enter
    {0x37, 55, 55, 150, 55},    // keypad *
    {0x47, 71, 71, 119, 151},   // Home, keypad 7
    {0x48, 72, 72, 141, 152},   // Up, keypad 8
    {0x49, 73, 73, 132, 153},   // PgUp, keypad 9
    {0x4A, 74, 74, 142, 74},    // keypad -
    {0x4B, 75, 75, 115, 155},   // Left, keypad 4
    {0x4C, 76, 76, 143, 76},    // keypad 5
    {0x4D, 77, 77, 116, 157},   // Right, keypad 6
    {0x4E, 78, 78, 78, 78},     // keypad +
    {0x4F, 79, 79, 117, 159},   // End, keypad 1
    {0x50, 80, 80, 145, 160},   // Down, keypad 2
    {0x51, 81, 81, 118, 161},   // PgDn, keypad 3
    {0x52, 82, 82, 146, 162},   // Ins, keypad 0
    {0x53, 83, 83, 147, 163},   // Del, keypad .
    {0x57, 133, 135, 137, 139}, // F11
    {0x58, 134, 136, 138, 140}, // F12
};

int translatedCode(int scan, Modifier modifier) {
    if (scan >= 0x02 && scan <= 0x0D) { // the digit row, - and =
        return modifier == Modifier::Alt ? scan + 0x76 : scan;
    }
    if (scan >= 0x3B && scan <= 0x44) { // F1 to F10
        switch (modifier) {
        case Modifier::None:
            return scan;
        case Modifier::Shift:
            return scan + 25;
        case Modifier::Ctrl:
            return scan + 35;
        case Modifier::Alt:
            return scan + 45;
        }
    }
    for (const KeyCodes& key : keyTable) {
        if (key.Scan != scan) continue;
        switch (modifier) {
        case Modifier::None:
            return key.None;
        case Modifier::Shift:
            return key.Shift;
        case Modifier::Ctrl:
            return key.Ctrl;
        case Modifier::Alt:
            return key.Alt;
        }
    }
    return scan;
}

} // namespace

TIO_STDIO::TIO_STDIO(ConsoleDevice& console, int columns, int rows)
    : TIOBase(columns, rows), console_(console) {
    setUp();
}

TIO_STDIO::TIO_STDIO(std::unique_ptr<ConsoleDevice> console, int columns, int rows)
    : TIOBase(columns, rows), owned_(std::move(console)), console_(*owned_) {
    setUp();
}

void TIO_STDIO::setUp() {
    // Nothing is drawn here: the console keeps what it showed until the program draws.
    console_.SetRawInput();
    console_.SetSize(Screen.Columns, Screen.Rows);
    SetCloseEnabled(false);
}

TIO_STDIO::~TIO_STDIO() {
    SetCloseEnabled(true);
}

void TIO_STDIO::SetCloseEnabled(bool enabled) {
    console_.SetCloseEnabled(enabled);
}

void TIO_STDIO::WriteChar(std::uint8_t ch) {
    if (WrapPending) {
        WrapPending = false;
        RefreshScreen();
    }
    // The cursor fields are open to every caller; keep them on the screen before writing.
    int x = std::clamp<int>(Screen.CursorX, Screen.WinLeft, Screen.WinRight);
    int y = std::clamp<int>(Screen.CursorY, Screen.WinTop, Screen.WinBottom);

    switch (ch) {
    case PcKey::Backspace: // moves left, erases nothing
        if (x > Screen.WinLeft) --x;
        break;
    case PcKey::LineFeed: // on the bottom row it scrolls and keeps the column
        if (y == Screen.WinBottom) {
            Screen.ScrollUp();
            RefreshScreen();
        } else {
            ++y;
            x = Screen.WinLeft;
        }
        break;
    case PcKey::Enter: // carriage return
        x = Screen.WinLeft;
        break;
    default: {
        TScreenCell& cell = Screen.At(x, y);
        cell.Ch = ch;
        cell.Attr = Screen.Attr;
        console_.FillChar(x - 1, y - 1, ch, 1);
        console_.FillAttr(x - 1, y - 1, Screen.Attr, 1);
        if (x < Screen.WinRight) {
            ++x;
        } else if (y < Screen.WinBottom) {
            x = Screen.WinLeft;
            ++y;
        } else {
            // The bottom-right cell never scrolls by itself: only what comes next decides.
            Screen.CursorX = static_cast<std::uint8_t>(Screen.WinLeft);
            Screen.CursorY = static_cast<std::uint16_t>(y);
            WrapPending = true;
            return;
        }
        break;
    }
    }
    Screen.CursorX = static_cast<std::uint8_t>(x);
    Screen.CursorY = static_cast<std::uint16_t>(y);
    console_.SetCursor(x - 1, y - 1);
}

void TIO_STDIO::WriteAt(std::int32_t column, std::int32_t row, std::uint8_t attr,
                        std::string_view text) {
    if (column < 1 || row < 1 || column > Screen.Columns || row > Screen.Rows) return;
    // The text is cut at the right edge of the screen; it never runs on to the next row.
    const std::size_t room = static_cast<std::size_t>(Screen.Columns - (column - 1));
    const std::size_t count = std::min(text.size(), room);
    if (count == 0) return;
    TScreenCell* first = &Screen.At(column, row);
    for (std::size_t i = 0; i < count; ++i) {
        first[i].Ch = static_cast<std::uint8_t>(text[i]);
        first[i].Attr = attr;
    }
    const int n = static_cast<int>(count);
    console_.WriteCells(first, n, column - 1, row - 1, column + n - 2, row - 1);
}

void TIO_STDIO::RefreshScreen() {
    // Rows in the buffer are always 80 cells wide, whatever the console's width.
    console_.WriteCells(Screen.Cells.get(), TScreenBuffer::RowCells, 0, 0, Screen.Columns - 1,
                        Screen.Rows - 1);
    console_.SetCursor(Screen.CursorX - 1, Screen.CursorY - 1);
}

void TIO_STDIO::ClearScreen() {
    Screen.Clear(Screen.Attr);
    // The whole console is redrawn now, so a deferred wrap has nothing left to redraw.
    WrapPending = false;
    RefreshScreen();
}

void TIO_STDIO::RestoreScreen(const TScreenImage& image) {
    const int rows = std::min(imageRows, Screen.Rows);
    std::copy(image.Cells, image.Cells + rows * TScreenBuffer::RowCells, Screen.Cells.get());
    console_.WriteCells(Screen.Cells.get(), TScreenBuffer::RowCells, 0, 0, Screen.Columns - 1,
                        rows - 1);
    // An image is the caller's data; its cursor is kept on the screen.
    Screen.CursorX = static_cast<std::uint8_t>(std::clamp(image.CursorX, 1, Screen.Columns));
    Screen.CursorY = static_cast<std::uint16_t>(std::clamp(image.CursorY, 1, Screen.Rows));
    Screen.Attr = image.Attr;
    WrapPending = false;
    console_.SetCursor(Screen.CursorX - 1, Screen.CursorY - 1);
}

void TIO_STDIO::PushKey(std::uint8_t b) {
    std::int32_t next = KeyTail + 1;
    if (next > KeyRingSize) next = 1;
    // A ring of 128 positions holds 127 bytes: storing one more would make it look empty.
    // Position 0 (nothing taken yet) is read on from like position 128.
    const std::int32_t head = KeyHead == 0 ? KeyRingSize : KeyHead;
    if (next == head) return;
    KeyTail = next;
    KeyBuffer[KeyTail] = b;
}

std::uint8_t TIO_STDIO::ReadKey() {
    if (KeyHead == KeyTail && !KeyWait(ConsoleDevice::Infinite)) return PcKey::Esc;
    ++KeyHead;
    if (KeyHead > KeyRingSize) KeyHead = 1;
    return KeyBuffer[KeyHead];
}

bool TIO_STDIO::KeyWait(std::uint32_t limitMs) {
    if (KeyHead != KeyTail) return true;
    const bool unlimited = limitMs == ConsoleDevice::Infinite;
    const std::uint64_t deadline = console_.NowMillis() + limitMs;
    for (;;) {
        std::uint32_t wait = ConsoleDevice::Infinite;
        if (!unlimited) {
            // Events that are no key presses do not stretch the caller's time limit.
            const std::uint64_t now = console_.NowMillis();
            wait = now >= deadline ? 0 : static_cast<std::uint32_t>(deadline - now);
        }
        if (console_.WaitInput(wait) != ConsoleWait::Signalled) return false;
        switch (pollEvents()) {
        case PollResult::Queued:
            return true;
        case PollResult::ReadFailed:
            return false; // signalled but unreadable: do not spin
        case PollResult::Nothing:
            break;
        }
        if (!unlimited && console_.NowMillis() >= deadline) return false;
    }
}

bool TIO_STDIO::PollInput() {
    return pollEvents() == PollResult::Queued;
}

TIO_STDIO::PollResult TIO_STDIO::pollEvents() {
    do {
        ConsoleInputEvent event;
        if (!console_.ReadEvent(event)) return PollResult::ReadFailed;
        if (event.IsKey) {
            if (!event.KeyDown) {
                // Releasing Alt delivers the number typed on the keypad while it was held.
                if (event.VirtualKey == vkMenu && AltCodeActive && AltCode > 0) {
                    PushKey(AltCode);
                    AltCodeActive = false;
                    AltCode = 0;
                    return PollResult::Queued;
                }
            } else if (!isModifierKey(event.VirtualKey)) {
                // The repeat count is not looked at: one event is one key.
                queueKeyPress(event);
                return PollResult::Queued;
            }
        }
    } while (console_.PendingEvents() > 0);
    return PollResult::Nothing;
}

void TIO_STDIO::queueKeyPress(const ConsoleInputEvent& event) {
    const std::uint8_t ch = event.Char;
    const std::uint32_t s = event.ControlState;
    if (ch == PcKey::Tab && (s & KeyState::Shift) != 0 && (s & (anyAlt | anyCtrl)) == 0) {
        // Shift+Tab, which the console gives as a Tab, is 0 and 15 as a PC's keyboard says it.
        PushKey(PcKey::Extended);
        PushKey(PcKey::ShiftTab);
    } else if (ch != 0 && (s & (anyAlt | KeyState::Enhanced)) == 0) {
        PushKey(ch);
    } else if (ch == PcKey::Enter && event.VirtualKey == vkReturn) {
        PushKey(PcKey::Enter); // Enter, the keypad's Enter, and Enter with Alt
    } else if ((s & KeyState::RightAlt) && (s & KeyState::LeftCtrl) && ch != 0) {
        PushKey(ch); // AltGr gives the character printed on the key
    } else if (event.ScanCode == scanSlash) {
        PushKey('/'); // the keypad's slash, and slash with Alt
    } else {
        PushKey(0);
        PushKey(TranslateKey(event.ScanCode, s, event.VirtualKey));
    }
}

std::uint8_t TIO_STDIO::TranslateKey(std::uint16_t scanCode, std::uint32_t state,
                                     std::uint16_t vk) {
    const Modifier modifier = strongestModifier(state);
    if (modifier == Modifier::Alt && vk >= vkNumpad0 && vk <= vkNumpad9) {
        // The key still gives its own Alt code below; the composed byte follows on Alt's release.
        AltCodeActive = true;
        AltCode = static_cast<std::uint8_t>((AltCode * 10 + (vk - vkNumpad0)) % 256);
    }
    return static_cast<std::uint8_t>(translatedCode(scanCode, modifier) & 0xFF);
}
