#pragma once
// The primitives of a text console that the terminal object is written against. On Windows they
// are the console calls themselves; on POSIX terminals our own VT layer stands in; in tests an
// in-memory console does. Coordinates here are 0-based, as the console counts.

#include <chrono>
#include <cstdint>
#include <memory>

#include "Lib_CodePage.h"
#include "Lib_ScreenBuffer.h"

// Control key state bits of a key event, as the Windows console reports them.
namespace KeyState {
constexpr std::uint32_t RightAlt = 0x1;
constexpr std::uint32_t LeftAlt = 0x2;
constexpr std::uint32_t RightCtrl = 0x4;
constexpr std::uint32_t LeftCtrl = 0x8;
constexpr std::uint32_t Shift = 0x10;
constexpr std::uint32_t Enhanced = 0x100;
} // namespace KeyState

// One input event. Only key events matter to the terminal; everything else is read and dropped.
struct ConsoleInputEvent {
    bool IsKey = false;
    bool KeyDown = false;
    std::uint16_t RepeatCount = 1;
    std::uint16_t VirtualKey = 0;   // Windows virtual key code (VK_*)
    std::uint16_t ScanCode = 0;     // PC keyboard scan code
    std::uint8_t Char = 0;          // character byte, 0 when the key has none
    std::uint32_t ControlState = 0; // KeyState bits
};

// What the wait on the console input ended with.
enum class ConsoleWait { Signalled, TimedOut, Failed };

class ConsoleDevice {
public:
    static constexpr std::uint32_t Infinite = 0xFFFFFFFFu;

    virtual ~ConsoleDevice() = default;

    // Input mode 0: no line input, no echo, no processed input (Ctrl+C is an ordinary key).
    virtual void SetRawInput() = 0;
    // Screen buffer of columns x rows with the visible window covering all of it.
    virtual void SetSize(int columns, int rows) = 0;
    // Grey out (false) or give back (true) the console window's Close command.
    virtual void SetCloseEnabled(bool enabled) = 0;

    // Rectangle output: cells of a buffer that is bufferColumns cells wide, taken from its
    // origin (0, 0), to the console rectangle (left, top)-(right, bottom), both inclusive.
    virtual void WriteCells(const TScreenCell* cells, int bufferColumns, int left, int top,
                            int right, int bottom) = 0;
    // Single-cell output at (x, y), count 1 in this program.
    virtual void FillChar(int x, int y, std::uint8_t ch, int count) = 0;
    virtual void FillAttr(int x, int y, std::uint16_t attr, int count) = 0;
    virtual void SetCursor(int x, int y) = 0;

    // The code page the program's bytes are in from now on: the glyph each shows, and the byte a
    // typed character gives. Until set, the one of the platform's console in its locale.
    virtual void SetCodePage(CodePage::Id) {}

    // Draws the whole screen anew, forgetting what the console is thought to show (the user's
    // Ctrl+L after another program wrote over it). A console that keeps its own cells, as the
    // Windows console does, has nothing to do.
    virtual void Repaint() {}

    // Wait for input for at most timeoutMs (Infinite: no limit).
    virtual ConsoleWait WaitInput(std::uint32_t timeoutMs) = 0;
    // Read one event; false when none could be read (the event is then left as it is).
    virtual bool ReadEvent(ConsoleInputEvent& event) = 0;
    // Number of events that can be read without waiting.
    virtual std::uint32_t PendingEvents() = 0;

    // Milliseconds on the clock that WaitInput's time limits run on. A real console uses the
    // steady clock; the in-memory console keeps its own, so that waits cost no real time.
    virtual std::uint64_t NowMillis() {
        using namespace std::chrono;
        return static_cast<std::uint64_t>(
            duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
    }
};

// The console of the platform the program runs on: the Windows console on Windows, the
// terminal device elsewhere. Never empty.
std::unique_ptr<ConsoleDevice> CreatePlatformConsole();

// The code page whose glyphs the platform's console shows: the locale's on POSIX, the console's
// own output code page on Windows.
CodePage::Id DisplayCodePage();
