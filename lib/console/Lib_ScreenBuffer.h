#pragma once
// The terminal's own copy of every console cell, with the cursor, the current attribute and the
// text window. Rows are always 80 cells so that rows can go to the console as they are.

#include <cstdint>
#include <memory>

// One cell in the console's own layout: character byte, a spare byte, a 16-bit attribute word
// whose low byte is the colour attribute.
struct TScreenCell {
    std::uint8_t Ch = ' ';
    std::uint8_t Spare = 0;
    std::uint16_t Attr = 7;
};
static_assert(sizeof(TScreenCell) == 4, "a cell has the console's CHAR_INFO layout");

class TScreenBuffer {
public:
    static constexpr int RowCells = 80;
    static constexpr int MaxRows = 10000;

    TScreenBuffer(int columns, int rows); // Create
    ~TScreenBuffer() = default;           // Destroy
    TScreenBuffer(const TScreenBuffer&) = delete;
    TScreenBuffer& operator=(const TScreenBuffer&) = delete;

    void Clear(std::uint8_t attr);
    void ScrollUp();

    // Cell (column, row), both 1-based; the caller keeps them within the buffer.
    TScreenCell& At(int column, int row) { return Cells[(row - 1) * RowCells + (column - 1)]; }
    const TScreenCell& At(int column, int row) const {
        return Cells[(row - 1) * RowCells + (column - 1)];
    }

    std::unique_ptr<TScreenCell[]> Cells;
    std::uint16_t CursorY = 1;
    std::uint8_t CursorX = 1;
    std::uint8_t Attr = 7;
    std::int32_t Rows = 0;
    std::int32_t Columns = 0;
    std::int32_t WinLeft = 1;
    std::int32_t WinRight = 0;
    std::int32_t WinTop = 1;
    std::int32_t WinBottom = 0;
};
