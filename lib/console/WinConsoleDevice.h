#pragma once
// The Windows text console. Every console call may fail (no console, no window, no system menu,
// output redirected); a failed call is simply left without effect and the program goes on.
//
// When standard input is not a console (a pipe or a file), keys are read from it as bytes: each
// byte is one key, a 0 byte followed by a code is an extended key, and once the input has ended
// every further key is Esc, so that a scripted run always comes to an end.

#include <cstdint>
#include <vector>

#include "ConsoleDevice.h"

class WinConsoleDevice : public ConsoleDevice {
public:
    WinConsoleDevice();
    // Gives the console its code pages back.
    ~WinConsoleDevice() override;
    WinConsoleDevice(const WinConsoleDevice&) = delete;
    WinConsoleDevice& operator=(const WinConsoleDevice&) = delete;

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
    std::uint64_t NowMillis() override;
    // The console's output and input code pages become page for the run; the ones found are put
    // back at exit, whichever way it comes (the console closed, a logoff, a crash's exit too).
    void SetCodePage(CodePage::Id page) override;

private:
    bool readByteEvent(ConsoleInputEvent& event);
    bool nextByte(std::uint8_t& b);
    void fillByteBuffer();

    void* outputHandle_ = nullptr; // HANDLE
    void* inputHandle_ = nullptr;  // HANDLE
    bool inputIsConsole_ = false;
    bool closeMenuUsable_ = true;

    // Keys from an input that is not a console.
    std::vector<std::uint8_t> bytes_;
    std::size_t bytePos_ = 0;
    bool inputEnded_ = false;

    // Rectangle output goes through this, kept between calls so that drawing allocates nothing.
    std::vector<unsigned char> cellBuffer_;
};
