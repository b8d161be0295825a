#pragma once
// Standard output that is not a console (a file, a pipe): instead of drawing a screen there, the
// program writes its text as lines. In a UTF-8 locale on POSIX every byte becomes the UTF-8 of
// the glyph it shows on screen in the code page the locale picks (the control range as its
// console glyphs, byte 0 as a blank), so a line reads as the screen shows it; otherwise, and
// always on Windows, the bytes go out as they are, but for the control bytes (0x00 to 0x1F and
// 0x7F), which become '?': in every locale a line is one line, and no escape sequence stored in a
// base reaches a terminal or a mail.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "Lib_CodePage.h"

class TTextOutput {
public:
    // Bytes as they are, control bytes as '?'.
    TTextOutput();
    // Every byte as the UTF-8 of its glyph in page.
    explicit TTextOutput(CodePage::Id page);
    // The glyphs of another page from now on (the base's display page); bytes as they are stay
    // so.
    void SetPage(CodePage::Id page);

    // Appends the text of bytes and a line end to text.
    void AppendLine(std::string_view bytes, std::string& text) const;
    // Writes text to standard output. False once a write has failed (its reader gone, a full
    // disk): nothing more is written from then on, and Error tells why.
    bool Write(std::string_view text);
    // Pushes out what the C library still holds; false when that failed.
    bool Flush();
    bool Failed() const { return error_ != 0; }
    // The errno of the failed write; 0 while every write succeeded.
    int Error() const { return error_; }
    // Whether the write failed because its reader went away (the end of a closed pipe).
    bool ReaderGone() const;

private:
    void fail();

    static constexpr std::size_t glyphRoom_ = 4; // UTF-8 takes no more for one character
    static constexpr std::size_t lineRoom_ = 1024;

    bool asGlyphs_ = false;
    std::array<std::array<char, glyphRoom_>, 256> glyphs_{};
    std::array<std::uint8_t, 256> glyphLength_{};
    int error_ = 0;
};

// Whether standard output is a console the screen can be drawn on: a terminal on POSIX, a
// console on Windows.
bool StandardOutputIsConsole();

// Standard output's text output in this locale. A reader that goes away (a closed pipe) makes
// a write fail instead of ending the program.
TTextOutput CreateStandardTextOutput();
