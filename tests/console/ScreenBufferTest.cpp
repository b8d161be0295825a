#include <gtest/gtest.h>

#include "Lib_ScreenBuffer.h"

namespace {

void expectAllCells(const TScreenBuffer& screen, std::uint8_t ch, std::uint16_t attr) {
    for (int row = 1; row <= screen.Rows; ++row) {
        for (int column = 1; column <= screen.Columns; ++column) {
            const TScreenCell& cell = screen.At(column, row);
            ASSERT_EQ(cell.Ch, ch) << "column " << column << " row " << row;
            ASSERT_EQ(cell.Attr, attr) << "column " << column << " row " << row;
        }
    }
}

TEST(ScreenBufferCreate, NewBufferIsBlankLightGreyWithCursorHome) {
    TScreenBuffer screen(80, 25);
    EXPECT_EQ(screen.Columns, 80);
    EXPECT_EQ(screen.Rows, 25);
    EXPECT_EQ(screen.CursorX, 1);
    EXPECT_EQ(screen.CursorY, 1);
    EXPECT_EQ(screen.Attr, 7);
    EXPECT_EQ(screen.WinLeft, 1);
    EXPECT_EQ(screen.WinTop, 1);
    EXPECT_EQ(screen.WinRight, 80);
    EXPECT_EQ(screen.WinBottom, 25);
    expectAllCells(screen, ' ', 7);
}

TEST(ScreenBufferCreate, SizesAreLimitedFromAbove) {
    TScreenBuffer wide(100, 30);
    EXPECT_EQ(wide.Columns, 80);
    EXPECT_EQ(wide.Rows, 30);
    EXPECT_EQ(wide.WinRight, 80);

    TScreenBuffer tall(80, 20000);
    EXPECT_EQ(tall.Rows, TScreenBuffer::MaxRows);
    EXPECT_EQ(tall.WinBottom, TScreenBuffer::MaxRows);
    // The last cell of the last row exists and is blank.
    EXPECT_EQ(tall.At(80, TScreenBuffer::MaxRows).Ch, ' ');
    EXPECT_EQ(tall.At(80, TScreenBuffer::MaxRows).Attr, 7);
}

TEST(ScreenBufferCreate, SizesBelowOneStillGiveOneCell) {
    TScreenBuffer screen(0, -3);
    EXPECT_EQ(screen.Columns, 1);
    EXPECT_EQ(screen.Rows, 1);
    screen.At(1, 1).Ch = 'z';
    screen.ScrollUp(); // a single row is only blanked
    EXPECT_EQ(screen.At(1, 1).Ch, 0);
    EXPECT_EQ(screen.At(1, 1).Attr, 0);
}

TEST(ScreenBufferClear, FillsWithTheAttributeAndMovesCursorHome) {
    TScreenBuffer screen(80, 25);
    screen.At(40, 12).Ch = 'Q';
    screen.CursorX = 33;
    screen.CursorY = 20;
    screen.Clear(0x1F);
    EXPECT_EQ(screen.Attr, 0x1F);
    EXPECT_EQ(screen.CursorX, 1);
    EXPECT_EQ(screen.CursorY, 1);
    expectAllCells(screen, ' ', 0x1F);
}

TEST(ScreenBufferScroll, RowsMoveUpTheLastRowIsZeroAndTheCursorStays) {
    TScreenBuffer screen(80, 3);
    for (int row = 1; row <= 3; ++row) {
        for (int column = 1; column <= 80; ++column) {
            screen.At(column, row).Ch = static_cast<std::uint8_t>('A' + row - 1);
            screen.At(column, row).Attr = static_cast<std::uint16_t>(0x10 * row);
        }
    }
    screen.CursorX = 7;
    screen.CursorY = 2;
    screen.Attr = 0x4E;
    screen.ScrollUp();
    for (int column = 1; column <= 80; ++column) {
        EXPECT_EQ(screen.At(column, 1).Ch, 'B');
        EXPECT_EQ(screen.At(column, 1).Attr, 0x20);
        EXPECT_EQ(screen.At(column, 2).Ch, 'C');
        EXPECT_EQ(screen.At(column, 2).Attr, 0x30);
        EXPECT_EQ(screen.At(column, 3).Ch, 0);
        EXPECT_EQ(screen.At(column, 3).Attr, 0);
    }
    EXPECT_EQ(screen.CursorX, 7);
    EXPECT_EQ(screen.CursorY, 2);
    EXPECT_EQ(screen.Attr, 0x4E);
}

} // namespace
