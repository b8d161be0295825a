#pragma once
// The console's glyphs on a terminal, beside the Unicode character each byte shows in its code
// page (CodePage): the UTF-8 form of that character and, for terminals that cannot show Unicode,
// a stand-in from ASCII or from the VT100 line drawing set. Every byte has a glyph, the control
// range included, so no byte of a message ever reaches a terminal as a control code.

#include <cstddef>
#include <cstdint>

#include "Lib_CodePage.h"

namespace TermGlyphs {

// Appends cp in UTF-8 to out (room for 4 bytes); returns the number of bytes written.
std::size_t EncodeUtf8(std::uint32_t cp, char* out);

// A glyph for a terminal without Unicode. Line drawing characters come from the VT100 special
// graphics set (Dec set: Ch is the byte to send while that set is selected); everything else
// is a printable ASCII character. The frames and the control range look the same in every code
// page; a letter without a near ASCII character shows as '?'.
struct StandIn {
    char Ch;
    bool Dec;
    char Ascii; // the nearest plain ASCII character, for text written outside the screen
};
StandIn ToStandIn(CodePage::Id page, std::uint8_t ch);

// True for the pictographs of bytes 1 to 31 and 127, whose width some terminal fonts get wrong;
// the encoder places the cursor anew after them.
bool WidthUnsure(std::uint8_t ch);

} // namespace TermGlyphs
