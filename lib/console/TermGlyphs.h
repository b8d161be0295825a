#pragma once
// The glyphs of the console's code page 437 on a terminal: the Unicode character each byte shows,
// and, for terminals that cannot show Unicode, a stand-in from ASCII or from the VT100 line
// drawing set. Every byte has a glyph, the control range included, so no byte of a message ever
// reaches a terminal as a control code.

#include <cstddef>
#include <cstdint>

namespace TermGlyphs {

// The Unicode code point shown for a code page 437 byte. Byte 0 shows as a blank.
std::uint32_t ToUnicode(std::uint8_t ch);

// The code page 437 byte that shows code point cp; false when the code page has none.
bool FromUnicode(std::uint32_t cp, std::uint8_t& ch);

// Appends cp in UTF-8 to out (room for 4 bytes); returns the number of bytes written.
std::size_t EncodeUtf8(std::uint32_t cp, char* out);

// A glyph for a terminal without Unicode. Line drawing characters come from the VT100 special
// graphics set (Dec set: Ch is the byte to send while that set is selected); everything else
// is a printable ASCII character.
struct StandIn {
    char Ch;
    bool Dec;
    char Ascii; // the nearest plain ASCII character, for text written outside the screen
};
StandIn ToStandIn(std::uint8_t ch);

// True for the pictographs of bytes 1 to 31 and 127, whose width some terminal fonts get wrong;
// the encoder places the cursor anew after them.
bool WidthUnsure(std::uint8_t ch);

} // namespace TermGlyphs
