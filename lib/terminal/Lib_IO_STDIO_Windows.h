#pragma once
// The terminal object on a text console: cell output mirrored from the screen buffer, and the
// keyboard turned into bytes (a character, or 0 and a PC extended key code) in a small key ring.
// It is written against ConsoleDevice, so the same code runs on the Windows console, on a POSIX
// terminal and on the in-memory console of the tests.

#include <cstdint>
#include <memory>
#include <string_view>

#include "ConsoleDevice.h"
#include "Lib_IO_Base.h"

class TIO_STDIO : public TIOBase {
public:
    static constexpr int KeyRingSize = 128;

    // On a console that stays the caller's.
    TIO_STDIO(ConsoleDevice& console, int columns, int rows);
    // On a console of its own; the pointer must hold one (the platform's console factory always
    // gives one).
    TIO_STDIO(std::unique_ptr<ConsoleDevice> console, int columns, int rows);
    // Gives the console window its Close command back.
    ~TIO_STDIO() override;

    void WriteAt(std::int32_t column, std::int32_t row, std::uint8_t attr,
                 std::string_view text) override;
    void RefreshScreen() override;
    // The next byte of input; waits as long as it takes. When the console cannot be read any
    // more it returns Esc (27), so every key loop can still end.
    std::uint8_t ReadKey() override;
    // True as soon as a byte is ready; false when limitMs (ConsoleDevice::Infinite: no limit)
    // ran out first or the console cannot be read.
    bool KeyWait(std::uint32_t limitMs) override;
    void ClearScreen() override;
    void RestoreScreen(const TScreenImage& image) override;
    void WriteChar(std::uint8_t ch) override;

    void SetCloseEnabled(bool enabled);
    // Draws the whole screen anew on the console, as it stands in the buffer (Ctrl+L).
    void Repaint() { console_.Repaint(); }

    // The steps of key reading, open so that each can be checked on its own.
    // Reads pending events until one key is queued; true if one was.
    bool PollInput();
    // Stores one byte at the tail of the key ring; a byte that finds the ring full is dropped.
    void PushKey(std::uint8_t b);
    // The PC extended key code of a key without a character; with Alt, a keypad digit also adds
    // to the Alt+keypad number.
    std::uint8_t TranslateKey(std::uint16_t scanCode, std::uint32_t state, std::uint16_t vk);

    ConsoleDevice& Console() { return console_; }

    // Key ring: positions 1..KeyRingSize; empty when KeyHead == KeyTail.
    std::int32_t KeyHead = 0; // position of the last byte taken
    std::int32_t KeyTail = 0; // position of the last byte stored
    std::uint8_t KeyBuffer[KeyRingSize + 1] = {};
    bool AltCodeActive = false; // a number is being typed on the keypad with Alt held
    std::uint8_t AltCode = 0;   // that number so far, modulo 256
    // The bottom-right cell was just written: the next WriteChar first redraws the console.
    bool WrapPending = false;

private:
    enum class PollResult { Queued, Nothing, ReadFailed };
    PollResult pollEvents();
    void queueKeyPress(const ConsoleInputEvent& event);
    void setUp();

    std::unique_ptr<ConsoleDevice> owned_;
    ConsoleDevice& console_;
};
