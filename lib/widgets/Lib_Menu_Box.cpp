#include "Lib_Menu_Box.h"

#include <algorithm>
#include <string>

std::string_view FrameStyle(std::uint8_t boxType) {
    if (boxType < 1 || boxType > FrameChars.size()) return FrameChars[5];
    return FrameChars[boxType - 1];
}

TMenuBox::TMenuBox(TIOBase& console) : Console(console) {}

int TMenuBox::InnerWidth() const {
    return std::max(0, X2 - X1 - 1);
}

void TMenuBox::Open(std::uint8_t x1, std::uint8_t y1, std::uint8_t x2, std::uint8_t y2) {
    X1 = x1;
    Y1 = y1;
    X2 = x2;
    Y2 = y2;
    // Only the first Open saves: a box drawn again over itself must still give back the screen
    // that was there before it ever appeared.
    if (!WasOpened) Console.SaveScreen(Image);
    WasOpened = true;

    if (!Box3D) {
        BoxAttr2 = BoxAttr;
        BoxAttr3 = BoxAttr;
        BoxAttr4 = BoxAttr;
    }
    const std::string_view f = Frame();
    const auto w = static_cast<std::size_t>(InnerWidth());

    drawTopEdge();
    std::string row;
    row.reserve(w + 1);
    row.push_back(f[FramePart::Left]);
    row.append(w, ' ');
    for (int y = Y1 + 1; y <= Y2 - 1; ++y) {
        Console.WriteAt(X1, y, BoxAttr, row);
        Console.WriteAt(X2, y, BoxAttr2, f.substr(FramePart::Right, 1));
    }
    if (Y2 > Y1) {
        Console.WriteAt(X1, Y2, BoxAttr3, f.substr(FramePart::BottomLeft, 1));
        std::string bottom(w, f[FramePart::Bottom]);
        bottom.push_back(f[FramePart::BottomRight]);
        Console.WriteAt(X1 + 1, Y2, BoxAttr2, bottom);
    }

    SetHeader(Header, true);
    if (Shadow) drawShadow();
}

void TMenuBox::Close() {
    if (WasOpened) Console.RestoreScreen(Image);
}

void TMenuBox::drawTopEdge() {
    const std::string_view f = Frame();
    std::string top(1, f[FramePart::TopLeft]);
    top.append(static_cast<std::size_t>(InnerWidth()), f[FramePart::Top]);
    Console.WriteAt(X1, Y1, BoxAttr, top);
    Console.WriteAt(X2, Y1, BoxAttr4, f.substr(FramePart::TopRight, 1));
}

void TMenuBox::SetHeader(const ShortStr& text, bool skipTopEdge) {
    Header = text;
    if (!skipTopEdge) drawTopEdge();
    const int w = InnerWidth();
    // A header wider than the box is cut to the inner width, so that it never covers the
    // corners or lands to the left of the box.
    const std::string_view shown = Header.View().substr(0, static_cast<std::size_t>(w));
    const int n = static_cast<int>(shown.size());
    if (n == 0) return;
    int column;
    switch (HeadType) {
    case 0:
        column = X1 + 1 + (w - n) / 2;
        break;
    case 1:
        column = X1 + 1;
        break;
    case 2:
        column = X2 - n;
        break;
    default:
        return;
    }
    Console.WriteAt(column, Y1, HeadAttr, shown);
}

void TMenuBox::drawShadow() {
    // Two columns on the right from one row below the top, and one row below the box from two
    // columns right of its left edge; the corner cells below the box belong to the bottom run.
    for (int y = Y1 + 1; y <= Y2; ++y) shadeRun(X2 + 1, X2 + 2, y);
    shadeRun(X1 + 2, X2 + 2, Y2 + 1);
}

void TMenuBox::shadeRun(int x1, int x2, int y) {
    const TScreenBuffer& screen = Console.Screen;
    if (y < 1 || y > screen.Rows) return;
    x1 = std::max(x1, 1);
    x2 = std::min(x2, screen.Columns);
    if (x1 > x2) return;
    std::string run;
    run.reserve(static_cast<std::size_t>(x2 - x1 + 1));
    for (int x = x1; x <= x2; ++x) {
        const std::uint8_t ch = screen.At(x, y).Ch;
        run.push_back(static_cast<char>(ch == 0 ? ' ' : ch));
    }
    Console.WriteAt(x1, y, ShadowAttr, run);
}
