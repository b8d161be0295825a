#include "Lib_ScreenBuffer.h"

#include <algorithm>

TScreenBuffer::TScreenBuffer(int columns, int rows)
    // A size below 1 would leave no row to scroll or write; one row and column always exist.
    : Rows(std::clamp(rows, 1, MaxRows)), Columns(std::clamp(columns, 1, RowCells)) {
    WinRight = Columns;
    WinBottom = Rows;
    Cells = std::make_unique<TScreenCell[]>(static_cast<std::size_t>(Rows) * RowCells);
    Clear(7);
}

void TScreenBuffer::Clear(std::uint8_t attr) {
    CursorX = 1;
    CursorY = 1;
    Attr = attr;
    for (int row = 1; row <= Rows; ++row) {
        for (int column = 1; column <= Columns; ++column) {
            TScreenCell& cell = At(column, row);
            cell.Ch = ' ';
            cell.Attr = attr;
        }
    }
}

void TScreenBuffer::ScrollUp() {
    TScreenCell* first = Cells.get();
    const std::size_t rowCount = static_cast<std::size_t>(Rows);
    std::copy(first + RowCells, first + rowCount * RowCells, first);
    // The new bottom row is zero bytes (character 0, black on black), not blanks in Attr.
    std::fill(first + (rowCount - 1) * RowCells, first + rowCount * RowCells, TScreenCell{0, 0, 0});
}
