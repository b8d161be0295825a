#include "WinConsoleDevice.h"

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "PcKeyEvents.h"

#ifdef _MSC_VER
#pragma comment(lib, "user32")
#endif

namespace {

constexpr std::uint8_t keyEsc = 27;
constexpr DWORD byteChunk = 256;

// A cell is laid out as the console's CHAR_INFO; copying it field by field keeps that a
// matter of values, not of reinterpreted memory.
static_assert(sizeof(CHAR_INFO) == sizeof(TScreenCell), "a cell is one CHAR_INFO");

HANDLE handleOf(void* h) {
    return static_cast<HANDLE>(h);
}

bool usable(void* h) {
    return h != nullptr && h != INVALID_HANDLE_VALUE;
}

// Wine's console in a terminal has no system menu (GetSystemMenu always gives none), and asking
// it for the console window can stall for seconds while it looks for a desktop.
bool consoleWindowHasMenu() {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll == nullptr || GetProcAddress(ntdll, "wine_get_version") == nullptr;
}

COORD coordOf(int x, int y) {
    COORD c;
    c.X = static_cast<SHORT>(std::clamp(x, 0, 0x7FFF));
    c.Y = static_cast<SHORT>(std::clamp(y, 0, 0x7FFF));
    return c;
}

SMALL_RECT rectOf(int left, int top, int right, int bottom) {
    SMALL_RECT r;
    r.Left = static_cast<SHORT>(left);
    r.Top = static_cast<SHORT>(top);
    r.Right = static_cast<SHORT>(right);
    r.Bottom = static_cast<SHORT>(bottom);
    return r;
}

// The console's code pages as the program found them, put back on every way out.
UINT foundOutputPage = 0;
UINT foundInputPage = 0;

void restoreCodePages() {
    if (foundOutputPage != 0) SetConsoleOutputCP(foundOutputPage);
    if (foundInputPage != 0) SetConsoleCP(foundInputPage);
}

BOOL WINAPI onConsoleEnd(DWORD event) {
    if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT)
        restoreCodePages();
    return FALSE; // the default handling goes on
}

} // namespace

WinConsoleDevice::~WinConsoleDevice() {
    restoreCodePages();
}

void WinConsoleDevice::SetCodePage(CodePage::Id page) {
    if (foundOutputPage == 0) {
        foundOutputPage = GetConsoleOutputCP();
        foundInputPage = GetConsoleCP();
        std::atexit(restoreCodePages);
        SetConsoleCtrlHandler(onConsoleEnd, TRUE);
    }
    SetConsoleOutputCP(static_cast<UINT>(page));
    SetConsoleCP(static_cast<UINT>(page));
}

WinConsoleDevice::WinConsoleDevice()
    : outputHandle_(GetStdHandle(STD_OUTPUT_HANDLE)), inputHandle_(GetStdHandle(STD_INPUT_HANDLE)) {
    DWORD mode = 0;
    inputIsConsole_ = usable(inputHandle_) && GetConsoleMode(handleOf(inputHandle_), &mode) != 0;
    closeMenuUsable_ = consoleWindowHasMenu();
}

void WinConsoleDevice::SetRawInput() {
    if (!inputIsConsole_) return;
    // No line input, no echo, no processed input: Ctrl+C arrives as the key it is. The handler
    // is there for consoles that raise the Ctrl+C signal all the same.
    SetConsoleMode(handleOf(inputHandle_), 0);
    SetConsoleCtrlHandler(nullptr, TRUE);
}

void WinConsoleDevice::SetSize(int columns, int rows) {
    if (!usable(outputHandle_)) return;
    HANDLE out = handleOf(outputHandle_);
    const COORD size = coordOf(columns, rows);
    const SMALL_RECT window = rectOf(0, 0, columns - 1, rows - 1);
    // The buffer may only shrink once the window fits it and the window may only grow once the
    // buffer holds it; asking for the buffer on both sides of the window covers either order.
    SetConsoleScreenBufferSize(out, size);
    SetConsoleWindowInfo(out, TRUE, &window);
    SetConsoleScreenBufferSize(out, size);
}

void WinConsoleDevice::SetCloseEnabled(bool enabled) {
    if (!closeMenuUsable_) return;
    HWND window = GetConsoleWindow();
    if (window == nullptr) return;
    HMENU menu = GetSystemMenu(window, FALSE);
    if (menu == nullptr) return;
    EnableMenuItem(menu, SC_CLOSE, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

void WinConsoleDevice::WriteCells(const TScreenCell* cells, int bufferColumns, int left, int top,
                                  int right, int bottom) {
    if (!usable(outputHandle_) || right < left || bottom < top || bufferColumns <= 0) return;
    const int rows = bottom - top + 1;
    const std::size_t count =
        static_cast<std::size_t>(bufferColumns) * static_cast<std::size_t>(rows);
    cellBuffer_.resize(count * sizeof(CHAR_INFO));
    auto* info = reinterpret_cast<CHAR_INFO*>(cellBuffer_.data());
    for (std::size_t i = 0; i < count; ++i) {
        CHAR_INFO ci;
        ci.Char.UnicodeChar = 0;
        ci.Char.AsciiChar = static_cast<CHAR>(cells[i].Ch);
        ci.Attributes = cells[i].Attr;
        std::memcpy(info + i, &ci, sizeof ci);
    }
    SMALL_RECT target = rectOf(left, top, right, bottom);
    WriteConsoleOutputA(handleOf(outputHandle_), info, coordOf(bufferColumns, rows), coordOf(0, 0),
                        &target);
}

void WinConsoleDevice::FillChar(int x, int y, std::uint8_t ch, int count) {
    if (!usable(outputHandle_) || count <= 0) return;
    DWORD written = 0;
    FillConsoleOutputCharacterA(handleOf(outputHandle_), static_cast<CHAR>(ch),
                                static_cast<DWORD>(count), coordOf(x, y), &written);
}

void WinConsoleDevice::FillAttr(int x, int y, std::uint16_t attr, int count) {
    if (!usable(outputHandle_) || count <= 0) return;
    DWORD written = 0;
    FillConsoleOutputAttribute(handleOf(outputHandle_), attr, static_cast<DWORD>(count),
                               coordOf(x, y), &written);
}

void WinConsoleDevice::SetCursor(int x, int y) {
    if (!usable(outputHandle_)) return;
    SetConsoleCursorPosition(handleOf(outputHandle_), coordOf(x, y));
}

ConsoleWait WinConsoleDevice::WaitInput(std::uint32_t timeoutMs) {
    if (!usable(inputHandle_)) return ConsoleWait::Failed;
    // Input that is not a console is read as it comes: a read waits for its bytes (or finds the
    // end of input, which then reads as Esc), so it is always ready to be read.
    if (!inputIsConsole_) return ConsoleWait::Signalled;
    switch (WaitForSingleObject(handleOf(inputHandle_), timeoutMs)) {
    case WAIT_OBJECT_0:
        return ConsoleWait::Signalled;
    case WAIT_TIMEOUT:
        return ConsoleWait::TimedOut;
    default:
        return ConsoleWait::Failed;
    }
}

bool WinConsoleDevice::ReadEvent(ConsoleInputEvent& event) {
    if (!usable(inputHandle_)) return false;
    if (!inputIsConsole_) return readByteEvent(event);

    INPUT_RECORD record;
    DWORD read = 0;
    if (!ReadConsoleInputA(handleOf(inputHandle_), &record, 1, &read) || read == 0) return false;
    event = ConsoleInputEvent{};
    if (record.EventType != KEY_EVENT) return true; // mouse, size, focus, menu: dropped above
    const KEY_EVENT_RECORD& key = record.Event.KeyEvent;
    event.IsKey = true;
    event.KeyDown = key.bKeyDown != 0;
    event.RepeatCount = key.wRepeatCount;
    event.VirtualKey = key.wVirtualKeyCode;
    event.ScanCode = key.wVirtualScanCode;
    event.Char = static_cast<std::uint8_t>(key.uChar.AsciiChar);
    event.ControlState = key.dwControlKeyState;
    // Some consoles (Wine's in a terminal) report Esc without its character; the key is known
    // by its virtual key code all the same.
    if (event.Char == 0 && event.VirtualKey == VK_ESCAPE) event.Char = keyEsc;
    return true;
}

std::uint32_t WinConsoleDevice::PendingEvents() {
    if (!usable(inputHandle_)) return 0;
    if (!inputIsConsole_) {
        // Only what is already read can be taken without waiting; after the end, Esc always can.
        if (inputEnded_) return 1;
        return static_cast<std::uint32_t>(bytes_.size() - bytePos_);
    }
    DWORD count = 0;
    if (!GetNumberOfConsoleInputEvents(handleOf(inputHandle_), &count)) return 0;
    return count;
}

std::uint64_t WinConsoleDevice::NowMillis() {
    return GetTickCount64();
}

bool WinConsoleDevice::readByteEvent(ConsoleInputEvent& event) {
    std::uint8_t b = 0;
    if (!nextByte(b)) {
        event = PcKeyEvents::PlainByte(keyEsc);
        return true;
    }
    if (b != 0) {
        event = PcKeyEvents::PlainByte(b);
        return true;
    }
    std::uint8_t code = 0;
    // A 0 with nothing after it is cut off by the end of input: Esc, like every key after it.
    event = nextByte(code) ? PcKeyEvents::PlainExtended(code) : PcKeyEvents::PlainByte(keyEsc);
    return true;
}

bool WinConsoleDevice::nextByte(std::uint8_t& b) {
    if (bytePos_ == bytes_.size()) fillByteBuffer();
    if (bytePos_ == bytes_.size()) return false;
    b = bytes_[bytePos_++];
    return true;
}

void WinConsoleDevice::fillByteBuffer() {
    bytes_.clear();
    bytePos_ = 0;
    if (inputEnded_) return;
    bytes_.resize(byteChunk);
    DWORD read = 0;
    // A pipe gives what has arrived so far; a failed read counts as the end of input.
    if (!ReadFile(handleOf(inputHandle_), bytes_.data(), byteChunk, &read, nullptr) || read == 0) {
        inputEnded_ = true;
        read = 0;
    }
    bytes_.resize(read);
}
