#pragma once
// A framed rectangle on the text screen: a frame in one of eight character styles, a filled
// interior, an optional header set into the top edge and an optional drop shadow. The screen
// under the box is saved on the first Open and put back by Close.

#include <array>
#include <cstdint>
#include <string_view>

#include "Lib_IO_Base.h"
#include "ShortStr.h"

// The eight frame styles, numbered 1 to 8 (FrameChars[style - 1]). Each holds, in code page 437:
// top-left, top, top-right, left, right, bottom-left, bottom, bottom-right.
inline constexpr std::array<std::string_view, 8> FrameChars = {
    std::string_view("\xDA\xC4\xBF\xB3\xB3\xC0\xC4\xD9", 8), // 1 single
    std::string_view("\xC9\xCD\xBB\xBA\xBA\xC8\xCD\xBC", 8), // 2 double
    std::string_view("\xD6\xC4\xB7\xBA\xBA\xD3\xC4\xBD", 8), // 3 double sides
    std::string_view("\xD5\xCD\xB8\xB3\xB3\xD4\xCD\xBE", 8), // 4 double top and bottom
    std::string_view("\xDB\xDF\xDB\xDB\xDB\xDB\xDC\xDB", 8), // 5 solid blocks
    std::string_view("\xDB\xDF\xDC\xDB\xDB\xDF\xDC\xDB", 8), // 6 blocks, offset corners
    std::string_view("        ", 8),                         // 7 blank
    std::string_view(".-.||`-'", 8),                         // 8 plain ASCII
};

// Positions of the parts within a style's eight characters.
namespace FramePart {
constexpr int TopLeft = 0, Top = 1, TopRight = 2, Left = 3, Right = 4, BottomLeft = 5, Bottom = 6,
              BottomRight = 7;
}

// The characters of frame style boxType; a style outside 1..8 draws as the default style 6.
std::string_view FrameStyle(std::uint8_t boxType);

class TMenuBox {
public:
    explicit TMenuBox(TIOBase& console); // Create: the defaults below; draws nothing
    ~TMenuBox() = default;               // Destroy: does not restore the screen
    TMenuBox(const TMenuBox&) = delete;
    TMenuBox& operator=(const TMenuBox&) = delete;

    // Saves the screen on the first call, then draws frame, fill, header and shadow. The
    // coordinates include the frame.
    void Open(std::uint8_t x1, std::uint8_t y1, std::uint8_t x2, std::uint8_t y2);
    // Puts back the screen saved by the first Open; nothing when the box was never opened.
    void Close();
    // Stores and draws the header; unless skipTopEdge, the top edge is redrawn first so that the
    // old header disappears.
    void SetHeader(const ShortStr& text, bool skipTopEdge);

    // The current style's characters (see FrameStyle).
    std::string_view Frame() const { return FrameStyle(BoxType); }
    // Inner width, never below 0.
    int InnerWidth() const;

    TIOBase& Console;
    TScreenImage Image;
    std::uint8_t BoxType = 6;
    bool Box3D = true;            // false: the whole frame in BoxAttr
    std::uint8_t BoxAttr = 0x7F;  // top-left corner, top and left edges, interior
    std::uint8_t BoxAttr2 = 0x78; // right and bottom edges, bottom-right corner
    std::uint8_t BoxAttr3 = 0x7F; // bottom-left corner
    std::uint8_t BoxAttr4 = 0x78; // top-right corner
    bool Shadow = true;
    std::uint8_t ShadowAttr = 0x00;
    std::uint8_t HeadAttr = 0x1F;
    std::uint8_t HeadType = 0; // 0 centred, 1 left, 2 right, other: no header
    ShortStr Header;
    bool WasOpened = false;
    std::uint8_t X1 = 0;
    std::uint8_t X2 = 0;
    std::uint8_t Y1 = 0;
    std::uint8_t Y2 = 0;

private:
    void drawTopEdge();
    void drawShadow();
    // Re-colours the cells from column x1 to x2 of row y in ShadowAttr, keeping their
    // characters; cells beyond the screen are left alone.
    void shadeRun(int x1, int x2, int y);
};
