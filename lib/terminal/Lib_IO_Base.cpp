#include "Lib_IO_Base.h"

#include <algorithm>

#include "Lib_Strings.h"

namespace {

constexpr int imageRows = 25;

// part / total as a whole percentage, exact halves going to the even neighbour. Done in integers
// so that no floating-point rounding mode can change what the reader sees.
std::int32_t roundedPercent(std::int64_t part, std::int64_t total) {
    std::int64_t scaled = part * 100;
    std::int64_t pct = scaled / total;
    std::int64_t twiceRest = (scaled % total) * 2;
    if (twiceRest > total || (twiceRest == total && pct % 2 == 1)) ++pct;
    return static_cast<std::int32_t>(pct);
}

} // namespace

TIOBase::TIOBase(int columns, int rows) : Screen(columns, rows) {}

void TIOBase::WriteText(std::string_view text) {
    for (char c : text) WriteChar(static_cast<std::uint8_t>(c));
}

void TIOBase::SaveScreen(TScreenImage& image) const {
    // A buffer of fewer than 25 rows fills the image only as far as it goes; the rest stays
    // blank so that nothing is read beyond the buffer.
    const int rows = std::min(imageRows, Screen.Rows);
    std::fill(std::begin(image.Cells), std::end(image.Cells), TScreenCell{});
    std::copy(Screen.Cells.get(), Screen.Cells.get() + rows * TScreenBuffer::RowCells, image.Cells);
    image.CursorX = Screen.CursorX;
    image.CursorY = Screen.CursorY;
    image.Attr = Screen.Attr;
}

void TIOBase::DrawPercentBar(TPercentBar& bar, std::int32_t part, std::int32_t total) {
    if (bar.Mode == 0) return;
    // Negative counts have no position; they read as nothing at all.
    total = std::max(total, 0);
    part = std::clamp(part, 0, total);

    std::int32_t pct = 0;
    std::int64_t pos = 0;
    if (part != 0 && total != 0) {
        pct = roundedPercent(part, total);
        pos = static_cast<std::int64_t>(part) * bar.BarLen / total;
    }

    if ((bar.Mode == 1 || bar.Mode == 3) && pct != bar.LastPct) {
        WriteAt(bar.PctX, bar.PctY, bar.PctAttr, AlignRight(IntToText(pct), 3, ' '));
        bar.LastPct = static_cast<std::uint8_t>(pct);
    }

    if ((bar.Mode == 1 || bar.Mode == 2) && bar.Kind == 1) {
        if (part >= total) pos = bar.BarLen - 1;
        if (pos < 0 || part == 1) pos = 0;
        const std::int64_t row = bar.BarY + pos;
        if (row != bar.LastMark) {
            if (bar.LastMark > 0) {
                WriteAt(bar.BarX, bar.LastMark, bar.TrackAttr,
                        std::string_view(reinterpret_cast<const char*>(&bar.TrackChar), 1));
            }
            bar.LastMark = static_cast<std::uint8_t>(row);
            WriteAt(bar.BarX, static_cast<std::int32_t>(row), bar.MarkAttr,
                    std::string_view(reinterpret_cast<const char*>(&bar.MarkChar), 1));
        }
    }
}
