#pragma once
// The terminal object: the one way the program draws on the screen and reads the keyboard.
// TIOBase holds the screen buffer and the drawing built on the virtual operations; TIO_STDIO
// (Lib_IO_STDIO_Windows) implements them on a ConsoleDevice.

#include <cstdint>
#include <memory>
#include <string_view>

#include "Lib_ScreenBuffer.h"

// A saved screen: 25 rows of 80 cells, byte for byte, with the cursor and the attribute.
struct TScreenImage {
    TScreenCell Cells[25 * 80];
    std::int32_t CursorX = 1;
    std::int32_t CursorY = 1;
    std::uint8_t Attr = 7;
};

// A scroll-position marker track and a 3-character percentage.
struct TPercentBar {
    std::uint8_t Mode = 0; // 0 nothing, 1 marker and percentage, 2 marker only, 3 percentage only
    std::uint8_t Kind = 0; // the marker is drawn only when 1 (a vertical track)
    std::uint8_t BarX = 0;
    std::uint8_t BarY = 0;
    std::uint8_t BarLen = 1;
    std::uint8_t TrackChar = 0;
    std::uint8_t TrackAttr = 0;
    std::uint8_t MarkChar = 0;
    std::uint8_t MarkAttr = 0;
    std::uint8_t PctX = 0;
    std::uint8_t PctY = 0;
    std::uint8_t PctAttr = 0;
    std::uint8_t LastMark = 0;
    std::uint8_t LastPct = 0;
};

class TIOBase {
public:
    TIOBase(int columns, int rows); // creates Screen
    virtual ~TIOBase() = default;
    TIOBase(const TIOBase&) = delete;
    TIOBase& operator=(const TIOBase&) = delete;

    virtual void WriteAt(std::int32_t column, std::int32_t row, std::uint8_t attr,
                         std::string_view text) = 0;
    virtual void RefreshScreen() {}
    virtual std::uint8_t ReadKey() = 0;
    virtual bool KeyWait(std::uint32_t limitMs) = 0;
    virtual void ClearScreen() {}
    virtual void RestoreScreen(const TScreenImage& image) = 0;
    virtual void WriteChar(std::uint8_t ch) { (void)ch; }

    void WriteText(std::string_view text);
    void SaveScreen(TScreenImage& image) const;
    void DrawPercentBar(TPercentBar& bar, std::int32_t part, std::int32_t total);

    TScreenBuffer Screen;
};
