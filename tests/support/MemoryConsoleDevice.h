#pragma once
// A console held in memory: the cells and the cursor it shows, a scripted queue of input events
// and a count of the calls made. Tests draw on it and read back every cell, and type on it
// without a terminal. Positions are 0-based, as on the console itself.
//
// Time is simulated: WaitInput never sleeps; it moves the device's own clock to the moment the
// next scripted event is due, or by the whole time limit when nothing is due within it.

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "ConsoleDevice.h"

// Virtual key codes the scripts use most (the Windows VK_* numbering).
namespace VKey {
constexpr std::uint16_t Back = 0x08;
constexpr std::uint16_t Tab = 0x09;
constexpr std::uint16_t Return = 0x0D;
constexpr std::uint16_t Shift = 0x10;
constexpr std::uint16_t Control = 0x11;
constexpr std::uint16_t Menu = 0x12; // Alt
constexpr std::uint16_t Capital = 0x14;
constexpr std::uint16_t Escape = 0x1B;
constexpr std::uint16_t Space = 0x20;
constexpr std::uint16_t Prior = 0x21; // PgUp
constexpr std::uint16_t Next = 0x22;  // PgDn
constexpr std::uint16_t End = 0x23;
constexpr std::uint16_t Home = 0x24;
constexpr std::uint16_t Left = 0x25;
constexpr std::uint16_t Up = 0x26;
constexpr std::uint16_t Right = 0x27;
constexpr std::uint16_t Down = 0x28;
constexpr std::uint16_t Insert = 0x2D;
constexpr std::uint16_t Delete = 0x2E;
constexpr std::uint16_t Numpad0 = 0x60;
constexpr std::uint16_t Divide = 0x6F;
constexpr std::uint16_t F1 = 0x70;
constexpr std::uint16_t F2 = 0x71;
constexpr std::uint16_t NumLock = 0x90;
constexpr std::uint16_t Scroll = 0x91;
} // namespace VKey

// What an empty script does when the terminal waits for input.
enum class ScriptEnd {
    TimeOut, // the wait runs out: the clock moves by the limit and WaitInput reports TimedOut
    Fail,    // WaitInput reports Failed at once, as a console that cannot be read does
};

// The calls the terminal made, so tests can check what a drawing cost.
struct ConsoleCallCounts {
    int CharFills = 0;     // single-cell character writes (FillChar)
    int AttrFills = 0;     // single-cell attribute writes (FillAttr)
    int CursorMoves = 0;   // SetCursor
    int RectOutputs = 0;   // WriteCells
    int CellsWritten = 0;  // cells put on the console by rectangle outputs
    int Waits = 0;         // WaitInput
    int EventsRead = 0;    // ReadEvent that returned an event
    int CloseToggles = 0;  // SetCloseEnabled
    int LastRectLeft = -1; // the last rectangle output, inclusive
    int LastRectTop = -1;
    int LastRectRight = -1;
    int LastRectBottom = -1;
};

class MemoryConsoleDevice : public ConsoleDevice {
public:
    explicit MemoryConsoleDevice(int columns = 80, int rows = 25);

    // ConsoleDevice
    void SetRawInput() override { RawInput = true; }
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
    std::uint64_t NowMillis() override { return clock_; }

    // The screen as shown. Cells outside the console read as a blank in attribute 0.
    int Columns() const { return columns_; }
    int Rows() const { return rows_; }
    TScreenCell Cell(int x, int y) const;
    // The characters of row y, exactly as stored (one byte per cell).
    std::string RowText(int y) const;
    // The whole screen for a failure message: one line per row, bytes below 32 and from 127 shown
    // as '.', each line framed by '|'.
    std::string DumpText() const;
    // The attributes, one line per row: two hex digits per cell, the low byte of the attribute.
    std::string DumpAttrs() const;
    int CursorX() const { return cursorX_; }
    int CursorY() const { return cursorY_; }

    // The input script. Events are read in the order pushed; each is due at a time on the
    // device's clock (by default at once) and cannot be read before that.
    void PushEvent(const ConsoleInputEvent& event);
    void PushEventAt(std::uint64_t dueMs, const ConsoleInputEvent& event);
    void PushKeyPress(std::uint16_t vk, std::uint16_t scanCode, std::uint8_t ch,
                      std::uint32_t state = 0);
    void PushKeyRelease(std::uint16_t vk, std::uint16_t scanCode, std::uint8_t ch,
                        std::uint32_t state = 0);
    // A press and a release of one key.
    void PushKeyStroke(std::uint16_t vk, std::uint16_t scanCode, std::uint8_t ch,
                       std::uint32_t state = 0);
    // A character typed on a US keyboard: the key that gives it, with Shift where needed and
    // Ctrl for the control characters 1 to 26. Characters that no key gives arrive as from a
    // key with scan code 0.
    void PushChar(std::uint8_t ch);
    void PushText(const std::string& text);
    // A key that has no character (arrows, function keys, keypad): press and release.
    void PushExtendedKey(std::uint16_t scanCode, std::uint16_t vk, std::uint32_t state = 0);
    // An event that is not a key (mouse, focus, window size).
    void PushOtherEvent();
    std::size_t ScriptLeft() const { return script_.size(); }
    void SetScriptEnd(ScriptEnd end) { scriptEnd_ = end; }
    void AdvanceClock(std::uint64_t ms) { clock_ += ms; }

    ConsoleCallCounts Counts;
    void ResetCounts() { Counts = ConsoleCallCounts(); }
    // Time limits of every WaitInput, in order.
    std::vector<std::uint32_t> WaitLimits;

    bool RawInput = false;
    bool CloseEnabled = true;
    int SizeColumns = 0; // the size last set with SetSize, 0 before
    int SizeRows = 0;

private:
    struct ScriptedEvent {
        std::uint64_t DueMs;
        ConsoleInputEvent Event;
    };

    bool inside(int x, int y) const { return x >= 0 && y >= 0 && x < columns_ && y < rows_; }
    TScreenCell& cellRef(int x, int y) {
        return cells_[static_cast<std::size_t>(y) * static_cast<std::size_t>(columns_) +
                      static_cast<std::size_t>(x)];
    }

    int columns_;
    int rows_;
    std::vector<TScreenCell> cells_;
    int cursorX_ = 0;
    int cursorY_ = 0;
    std::deque<ScriptedEvent> script_;
    ScriptEnd scriptEnd_ = ScriptEnd::TimeOut;
    std::uint64_t clock_ = 0;
};
