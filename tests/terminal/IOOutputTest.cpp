#include <gtest/gtest.h>

#include <string>

#include "Lib_IO_STDIO_Windows.h"
#include "MemoryConsoleDevice.h"

namespace {

class IOOutput : public ::testing::Test {
protected:
    MemoryConsoleDevice console;
    TIO_STDIO io{console, 80, 25};

    std::string screenRow(int row) const {
        std::string text;
        for (int column = 1; column <= io.Screen.Columns; ++column) {
            text += static_cast<char>(io.Screen.At(column, row).Ch);
        }
        return text;
    }
    // What the console shows must be what the screen buffer holds, cell for cell.
    void expectConsoleInStep() const {
        for (int row = 1; row <= io.Screen.Rows; ++row) {
            for (int column = 1; column <= io.Screen.Columns; ++column) {
                const TScreenCell shown = console.Cell(column - 1, row - 1);
                const TScreenCell& kept = io.Screen.At(column, row);
                ASSERT_EQ(shown.Ch, kept.Ch) << "column " << column << " row " << row << "\n"
                                             << console.DumpText();
                ASSERT_EQ(shown.Attr, kept.Attr) << "column " << column << " row " << row;
            }
        }
    }
    void expectCursor(int column, int row) const {
        EXPECT_EQ(io.Screen.CursorX, column);
        EXPECT_EQ(io.Screen.CursorY, row);
    }
    void moveTo(int column, int row) {
        io.Screen.CursorX = static_cast<std::uint8_t>(column);
        io.Screen.CursorY = static_cast<std::uint16_t>(row);
    }
    void writeLetters(int count) {
        for (int i = 0; i < count; ++i) io.WriteChar(static_cast<std::uint8_t>('a' + i % 26));
    }
};

TEST(IOOutputLifetime, CreationSetsUpTheConsoleAndDestructionGivesCloseBack) {
    MemoryConsoleDevice console;
    {
        TIO_STDIO io(console, 80, 25);
        EXPECT_TRUE(console.RawInput);
        EXPECT_EQ(console.SizeColumns, 80);
        EXPECT_EQ(console.SizeRows, 25);
        EXPECT_FALSE(console.CloseEnabled);
        EXPECT_EQ(console.Counts.RectOutputs + console.Counts.CharFills, 0); // nothing drawn
    }
    EXPECT_TRUE(console.CloseEnabled);
}

TEST(IOOutputLifetime, AnOwnedConsoleIsUsable) {
    auto owned = std::make_unique<MemoryConsoleDevice>();
    MemoryConsoleDevice& console = *owned;
    TIO_STDIO io(std::move(owned), 80, 25);
    io.WriteAt(3, 2, 0x1E, "hi");
    EXPECT_EQ(console.RowText(1).substr(2, 2), "hi");
    EXPECT_EQ(io.ReadKey(), 27); // a console that can never be read gives Esc
}

TEST_F(IOOutput, TextWithCarriageReturnAndLineFeed) {
    io.WriteText("AB\r\n");
    EXPECT_EQ(io.Screen.At(1, 1).Ch, 'A');
    EXPECT_EQ(io.Screen.At(2, 1).Ch, 'B');
    EXPECT_EQ(io.Screen.At(1, 1).Attr, 7);
    EXPECT_EQ(io.Screen.At(2, 1).Attr, 7);
    expectCursor(1, 2);
    EXPECT_EQ(console.CursorX(), 0);
    EXPECT_EQ(console.CursorY(), 1);
    expectConsoleInStep();
}

TEST_F(IOOutput, WriteCharUsesTheCurrentAttributeAndCostsOneCell) {
    io.Screen.Attr = 0x4E;
    io.WriteChar('Z');
    EXPECT_EQ(console.Cell(0, 0).Attr, 0x4E);
    EXPECT_EQ(console.Counts.CharFills, 1);
    EXPECT_EQ(console.Counts.AttrFills, 1);
    EXPECT_EQ(console.Counts.CursorMoves, 1);
    EXPECT_EQ(console.Counts.RectOutputs, 0);
}

TEST_F(IOOutput, AFullRowWrapsToTheNextRow) {
    moveTo(1, 5);
    writeLetters(80);
    expectCursor(1, 6);
    io.WriteText("\r\n");
    expectCursor(1, 7);
    EXPECT_EQ(screenRow(6), std::string(80, ' '));
    EXPECT_EQ(io.Screen.At(80, 5).Ch, 'a' + 79 % 26);
    expectConsoleInStep();
}

TEST_F(IOOutput, BottomRightCellDefersTheWrap) {
    moveTo(1, 25);
    console.ResetCounts();
    writeLetters(80);
    EXPECT_TRUE(io.WrapPending);
    expectCursor(1, 25);
    // The console cursor stays where the 80th character was written from.
    EXPECT_EQ(console.CursorX(), 79);
    EXPECT_EQ(console.CursorY(), 24);
    EXPECT_EQ(console.Counts.RectOutputs, 0); // nothing scrolled or redrawn
    EXPECT_EQ(io.Screen.At(1, 24).Ch, ' ');
}

TEST_F(IOOutput, ACharacterAfterTheDeferredWrapOverwritesTheBottomRow) {
    moveTo(1, 25);
    writeLetters(80);
    console.ResetCounts();
    io.WriteChar('X');
    EXPECT_FALSE(io.WrapPending);
    EXPECT_EQ(console.Counts.RectOutputs, 1);
    EXPECT_EQ(console.Counts.CellsWritten, 80 * 25);
    EXPECT_EQ(io.Screen.At(1, 25).Ch, 'X');
    EXPECT_EQ(io.Screen.At(2, 25).Ch, 'b');
    EXPECT_EQ(io.Screen.At(1, 24).Ch, ' '); // nothing scrolled
    expectCursor(2, 25);
    expectConsoleInStep();
}

TEST_F(IOOutput, LineEndAfterTheDeferredWrapScrollsExactlyOnce) {
    io.WriteText("top");
    moveTo(1, 25);
    writeLetters(80);
    io.WriteText("\r\n");
    expectCursor(1, 25);
    std::string letters;
    for (int i = 0; i < 80; ++i) letters += static_cast<char>('a' + i % 26);
    EXPECT_EQ(screenRow(24), letters);
    EXPECT_EQ(io.Screen.At(1, 25).Ch, 0);
    EXPECT_EQ(io.Screen.At(80, 25).Attr, 0);
    EXPECT_EQ(io.Screen.At(1, 1).Ch, ' '); // "top" scrolled off
    expectConsoleInStep();
}

TEST_F(IOOutput, LineFeedOnTheBottomRowScrollsAndKeepsTheColumn) {
    io.WriteText("first");
    moveTo(10, 25);
    io.WriteChar('L');
    moveTo(10, 25);
    io.WriteChar('\n');
    expectCursor(10, 25);
    EXPECT_EQ(io.Screen.At(10, 24).Ch, 'L');
    EXPECT_EQ(io.Screen.At(1, 1).Ch, ' ');
    EXPECT_EQ(console.CursorX(), 9);
    EXPECT_EQ(console.CursorY(), 24);
    expectConsoleInStep();
}

TEST_F(IOOutput, LineFeedAboveTheBottomGoesToTheLeftEdge) {
    moveTo(10, 3);
    io.WriteChar('\n');
    expectCursor(1, 4);
    EXPECT_EQ(console.Counts.RectOutputs, 0);
}

TEST_F(IOOutput, BackspaceMovesLeftWithoutErasingAndOtherControlsAreGlyphs) {
    io.WriteChar(8);
    expectCursor(1, 1);
    io.WriteText("abcde");
    io.WriteChar(8);
    expectCursor(5, 1);
    EXPECT_EQ(console.Cell(4, 0).Ch, 'e');
    io.WriteText(std::string("\t\a\0", 3));
    EXPECT_EQ(screenRow(1).substr(0, 7), std::string("abcd\t\a\0", 7));
    expectCursor(8, 1);
}

TEST_F(IOOutput, ACursorSetOffTheScreenIsBroughtBackBeforeWriting) {
    moveTo(200, 900);
    io.WriteChar('k');
    EXPECT_EQ(io.Screen.At(80, 25).Ch, 'k');
    EXPECT_TRUE(io.WrapPending);
}

TEST_F(IOOutput, WriteAtIsCutAtTheRightEdge) {
    moveTo(4, 9);
    io.Screen.Attr = 0x07;
    console.ResetCounts();
    io.WriteAt(75, 1, 0x1E, "0123456789");
    EXPECT_EQ(screenRow(1).substr(74), "012345");
    EXPECT_EQ(io.Screen.At(75, 1).Attr, 0x1E);
    EXPECT_EQ(screenRow(2), std::string(80, ' '));
    EXPECT_EQ(io.Screen.At(1, 2).Attr, 7);
    expectCursor(4, 9);
    EXPECT_EQ(io.Screen.Attr, 0x07);
    // One rectangle output of exactly the six cells written.
    EXPECT_EQ(console.Counts.RectOutputs, 1);
    EXPECT_EQ(console.Counts.CellsWritten, 6);
    EXPECT_EQ(console.Counts.LastRectLeft, 74);
    EXPECT_EQ(console.Counts.LastRectRight, 79);
    EXPECT_EQ(console.Counts.LastRectTop, 0);
    EXPECT_EQ(console.Counts.LastRectBottom, 0);
    EXPECT_EQ(console.Counts.CursorMoves, 0);
    expectConsoleInStep();
}

TEST_F(IOOutput, WriteAtOffTheScreenWritesNothing) {
    console.ResetCounts();
    io.WriteAt(81, 1, 0x1E, "x");
    io.WriteAt(1, 26, 0x1E, "x");
    io.WriteAt(0, 1, 0x1E, "x");
    io.WriteAt(1, 0, 0x1E, "x");
    io.WriteAt(-5, -5, 0x1E, "x");
    io.WriteAt(5, 5, 0x1E, "");
    EXPECT_EQ(console.Counts.RectOutputs, 0);
    for (int row = 1; row <= 25; ++row) EXPECT_EQ(screenRow(row), std::string(80, ' '));
}

TEST_F(IOOutput, WriteAtStoresEveryByteUnchanged) {
    const std::string bytes("\x00\x0a\x0d\x1b\xdb\xb0", 6);
    io.WriteAt(1, 3, 0x70, bytes);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        EXPECT_EQ(io.Screen.At(static_cast<int>(i) + 1, 3).Ch, static_cast<std::uint8_t>(bytes[i]));
    }
    expectCursor(1, 1);
    expectConsoleInStep();
}

TEST_F(IOOutput, ClearScreenUsesTheCurrentAttribute) {
    io.WriteAt(10, 10, 0x4F, "busy");
    io.WriteText("ab");
    io.Screen.Attr = 0x17;
    console.ResetCounts();
    io.ClearScreen();
    EXPECT_EQ(console.Counts.RectOutputs, 1);
    EXPECT_EQ(console.Counts.CellsWritten, 80 * 25);
    expectCursor(1, 1);
    EXPECT_EQ(console.CursorX(), 0);
    EXPECT_EQ(console.CursorY(), 0);
    EXPECT_EQ(io.Screen.At(10, 10).Ch, ' ');
    EXPECT_EQ(io.Screen.At(10, 10).Attr, 0x17);
    expectConsoleInStep();
}

TEST_F(IOOutput, SaveAndRestoreGiveBackCellsCursorAndAttribute) {
    io.WriteAt(1, 1, 0x1F, "header");
    io.WriteAt(71, 25, 0x4E, "bottom row");
    moveTo(12, 7);
    io.Screen.Attr = 0x2A;
    TScreenImage image;
    io.SaveScreen(image);

    io.WriteAt(1, 1, 0x70, "over it all");
    io.WriteText("more\r\n");
    io.Screen.Attr = 0x07;
    io.ClearScreen();
    console.ResetCounts();

    io.RestoreScreen(image);
    EXPECT_EQ(screenRow(1).substr(0, 6), "header");
    EXPECT_EQ(io.Screen.At(1, 1).Attr, 0x1F);
    EXPECT_EQ(screenRow(25).substr(70), "bottom row");
    expectCursor(12, 7);
    EXPECT_EQ(io.Screen.Attr, 0x2A);
    EXPECT_EQ(console.CursorX(), 11);
    EXPECT_EQ(console.CursorY(), 6);
    EXPECT_EQ(console.Counts.RectOutputs, 1);
    expectConsoleInStep();
}

TEST_F(IOOutput, RestoringAnImageWithAWildCursorKeepsTheCursorOnScreen) {
    TScreenImage image;
    io.SaveScreen(image);
    image.CursorX = 300;
    image.CursorY = -4;
    io.RestoreScreen(image);
    expectCursor(80, 1);
    io.WriteChar('w');
    EXPECT_EQ(io.Screen.At(80, 1).Ch, 'w');
}

TEST(IOOutputSmallScreen, WriteAtIsCutAtTheEdgeOfANarrowConsole) {
    MemoryConsoleDevice console(40, 10);
    TIO_STDIO io(console, 40, 10);
    io.WriteAt(35, 3, 0x1E, "cut here!");
    EXPECT_EQ(console.RowText(2).substr(34), "cut he");
    EXPECT_EQ(io.Screen.At(41, 3).Ch, ' '); // nothing beyond the console's width
    EXPECT_EQ(console.Counts.CellsWritten, 6);
    io.WriteAt(41, 3, 0x1E, "off");
    EXPECT_EQ(console.Counts.RectOutputs, 1);
}

TEST(IOOutputSmallScreen, RedrawKeepsRowsApartOnANarrowConsole) {
    MemoryConsoleDevice console(40, 10);
    TIO_STDIO io(console, 40, 10);
    for (int row = 1; row <= 10; ++row) {
        io.WriteAt(1, row, 0x1E, "row " + std::to_string(row));
    }
    io.Screen.CursorY = 10;
    io.WriteChar('\n'); // scrolls and redraws the whole console
    for (int y = 0; y < 9; ++y) {
        EXPECT_EQ(console.RowText(y).substr(0, 6),
                  ("row " + std::to_string(y + 2) + "  ").substr(0, 6));
    }
    EXPECT_EQ(console.Cell(0, 9).Ch, 0);
}

TEST(IOOutputSmallScreen, SaveAndRestoreOnAShortBufferStayInsideIt) {
    MemoryConsoleDevice console(80, 10);
    TIO_STDIO io(console, 80, 10);
    io.WriteAt(1, 10, 0x1E, "last");
    TScreenImage image;
    io.SaveScreen(image);
    EXPECT_EQ(image.Cells[9 * 80].Ch, 'l');
    EXPECT_EQ(image.Cells[24 * 80].Ch, ' ');
    io.ClearScreen();
    io.RestoreScreen(image);
    EXPECT_EQ(io.Screen.At(1, 10).Ch, 'l');
    EXPECT_EQ(console.Cell(0, 9).Ch, 'l');
}

class PercentBar : public IOOutput {
protected:
    TPercentBar bar;
    void SetUp() override {
        bar.PctX = 70;
        bar.PctY = 2;
        bar.PctAttr = 0x1B;
        bar.BarX = 79;
        bar.BarY = 3;
        bar.BarLen = 10;
        bar.TrackChar = 0xB0;
        bar.TrackAttr = 0x13;
        bar.MarkChar = 0xDB;
        bar.MarkAttr = 0x1E;
    }
    std::string pctText() const { return console.RowText(1).substr(69, 3); }
    int markerRow() const {
        int found = 0;
        for (int row = 1; row <= 25; ++row) {
            if (io.Screen.At(79, row).Ch == 0xDB) {
                EXPECT_EQ(found, 0) << "two markers";
                found = row;
            }
        }
        return found;
    }
};

TEST_F(PercentBar, PercentageRoundsHalvesToEven) {
    bar.Mode = 3;
    io.DrawPercentBar(bar, 1, 8);
    EXPECT_EQ(pctText(), " 12");
    io.DrawPercentBar(bar, 3, 8);
    EXPECT_EQ(pctText(), " 38");
    io.DrawPercentBar(bar, 5, 8);
    EXPECT_EQ(pctText(), " 62");
    io.DrawPercentBar(bar, 7, 8);
    EXPECT_EQ(pctText(), " 88");
    io.DrawPercentBar(bar, 8, 8);
    EXPECT_EQ(pctText(), "100");
    EXPECT_EQ(console.Cell(70, 1).Attr, 0x1B);
    io.DrawPercentBar(bar, 0, 8);
    EXPECT_EQ(pctText(), "  0");
    EXPECT_EQ(markerRow(), 0);    // Mode 3 draws no marker
    io.DrawPercentBar(bar, 2, 3); // not a half: to the nearest
    EXPECT_EQ(pctText(), " 67");
}

TEST_F(PercentBar, AnUnchangedPercentageIsNotWritten) {
    bar.Mode = 3;
    io.DrawPercentBar(bar, 0, 8);
    EXPECT_EQ(console.Counts.RectOutputs, 0); // LastPct starts at 0
    io.DrawPercentBar(bar, 3, 8);
    console.ResetCounts();
    io.DrawPercentBar(bar, 3, 8);
    EXPECT_EQ(console.Counts.RectOutputs, 0);
    EXPECT_EQ(bar.LastPct, 38);
}

TEST_F(PercentBar, MarkerRunsFromFirstToLastTrackRow) {
    bar.Mode = 2;
    bar.Kind = 1;
    io.DrawPercentBar(bar, 1, 100);
    EXPECT_EQ(markerRow(), 3);
    io.DrawPercentBar(bar, 50, 100);
    EXPECT_EQ(markerRow(), 8);
    EXPECT_EQ(io.Screen.At(79, 3).Ch, 0xB0);
    EXPECT_EQ(io.Screen.At(79, 3).Attr, 0x13);
    console.ResetCounts();
    io.DrawPercentBar(bar, 99, 100);
    EXPECT_EQ(markerRow(), 12);
    // Only the old and the new marker cell change.
    EXPECT_EQ(console.Counts.RectOutputs, 2);
    EXPECT_EQ(console.Counts.CellsWritten, 2);
    EXPECT_EQ(io.Screen.At(79, 8).Ch, 0xB0);
    console.ResetCounts();
    io.DrawPercentBar(bar, 100, 100);
    EXPECT_EQ(markerRow(), 12);
    EXPECT_EQ(console.Counts.RectOutputs, 0);
    EXPECT_EQ(pctText(), "   "); // Mode 2 draws no percentage
    expectConsoleInStep();
}

TEST_F(PercentBar, KindZeroOrModeZeroDrawNothing) {
    bar.Mode = 1;
    bar.Kind = 0;
    io.DrawPercentBar(bar, 50, 100);
    EXPECT_EQ(markerRow(), 0);
    EXPECT_EQ(pctText(), " 50");
    bar.Mode = 0;
    bar.Kind = 1;
    console.ResetCounts();
    io.DrawPercentBar(bar, 20, 100);
    EXPECT_EQ(console.Counts.RectOutputs, 0);
}

TEST_F(PercentBar, CountsOutOfRangeAreHeldToTheTrack) {
    bar.Mode = 1;
    bar.Kind = 1;
    io.DrawPercentBar(bar, 500, 100);
    EXPECT_EQ(markerRow(), 12);
    EXPECT_EQ(pctText(), "100");
    io.DrawPercentBar(bar, -7, 100);
    EXPECT_EQ(markerRow(), 3);
    EXPECT_EQ(pctText(), "  0");
    io.DrawPercentBar(bar, 2000000000, 2100000000); // no overflow in the position
    EXPECT_EQ(markerRow(), 12);
    EXPECT_EQ(pctText(), " 95");
}

} // namespace
