// keyview: shows the bytes the program reads for each key, on the same terminal object and
// console as the reader itself. A key with a character shows as that one byte, a key without
// one as 0 and its PC extended key code. Two Esc keys in a row end it.
//
// The screen also carries a box-drawing frame, letters of the upper half and bright colours, so
// that one look (or one screen capture) shows whether glyphs and colours come through; and it
// names the code page and the output form in use.

#include <cstdint>
#include <deque>
#include <string>

#include "ConsoleDevice.h"
#include "Lib_IO_STDIO_Windows.h"

#ifdef _WIN32
#include <windows.h>
#else
#include "TermConsoleDevice.h"
#endif

namespace {

constexpr std::uint8_t frameAttr = 0x1E;      // yellow on blue
constexpr std::uint8_t titleAttr = 0x1F;      // white on blue
constexpr std::uint8_t textAttr = 0x07;       // light grey on black
constexpr std::uint8_t brightAttr = 0x0E;     // yellow on black
constexpr std::uint8_t brightBackAttr = 0xCF; // white on light red
constexpr std::uint8_t keyAttr = 0x0B;        // light cyan on black
constexpr int historyTop = 10;
constexpr int historyRows = 14;

std::string repeat(char ch, int count) {
    return std::string(static_cast<std::size_t>(count), ch);
}

std::string padded(std::string text, std::size_t width) {
    if (text.size() < width) text.append(width - text.size(), ' ');
    return text;
}

// The code page the glyphs come from and how they reach the screen.
std::string glyphSource() {
#ifdef _WIN32
    return "Code page " + std::to_string(GetConsoleOutputCP()) + " (the Windows console's)";
#else
    const TermDeviceOptions options = TermOptionsFromEnvironment();
    return "Code page " + std::to_string(static_cast<int>(options.Page)) + ", output " +
           (options.Utf8 ? "UTF-8" : "line drawing and ASCII");
#endif
}

void drawFrame(TIO_STDIO& term) {
    term.ClearScreen();
    // Double-line frame in code page 437: corners 0xC9 0xBB 0xC8 0xBC, lines 0xCD and 0xBA.
    term.WriteAt(1, 1, frameAttr, "\xC9" + repeat('\xCD', 78) + "\xBB");
    term.WriteAt(1, 2, frameAttr, "\xBA");
    term.WriteAt(2, 2, titleAttr,
                 padded("  keyview: press keys to see their bytes; Esc twice ends", 78));
    term.WriteAt(80, 2, frameAttr, "\xBA");
    term.WriteAt(1, 3, frameAttr, "\xC8" + repeat('\xCD', 78) + "\xBC");

    term.WriteAt(2, 4, textAttr, glyphSource());
    // The reader may show a base in another page: the one its messages' charsets call for.
    term.WriteAt(2, 7, textAttr,
                 "Bases show in the page their messages' charsets call for; this one if none.");
    term.WriteAt(2, 5, textAttr, "Glyphs:");
    term.WriteAt(
        10, 5, textAttr,
        "\xDA\xC4\xC2\xC4\xBF \xB3 \xC0\xC4\xC1\xC4\xD9 \xB0\xB1\xB2\xDB \x10\x11\x18\x19");
    // The upper half's letters, where the code pages differ most.
    term.WriteAt(35, 5, textAttr,
                 "\x80\x81\x82\x83\x84\x85\x86\x87\x88\x89\x8A\x8B\x8C\x8D\x8E\x8F "
                 "\xE0\xE1\xE2\xE3\xE4\xE5\xE6\xE7\xE8\xE9\xEA\xEB\xEC\xED\xEE\xEF");
    term.WriteAt(2, 6, textAttr, "Colours:");
    term.WriteAt(11, 6, brightAttr, "Bright yellow");
    term.WriteAt(26, 6, brightBackAttr, "White on light red");
    term.WriteAt(2, historyTop - 1, textAttr, "Last keys, newest first:");
}

std::string bytesText(const std::deque<int>& bytes) {
    std::string text;
    for (int b : bytes) {
        if (!text.empty()) text += ' ';
        text += std::to_string(b);
    }
    return text;
}

} // namespace

int main() {
    TIO_STDIO term(CreatePlatformConsole(), 80, 25);
    drawFrame(term);

    std::deque<std::string> history;
    int count = 0;
    int escapesInARow = 0;
    term.WriteAt(2, 8, keyAttr, "Key 0: none yet");
    while (escapesInARow < 2) {
        std::deque<int> bytes{term.ReadKey()};
        if (bytes.front() == 0) bytes.push_back(term.ReadKey());
        escapesInARow = bytes.size() == 1 && bytes.front() == 27 ? escapesInARow + 1 : 0;
        ++count;
        const std::string line = "Key " + std::to_string(count) + ": " + bytesText(bytes);
        term.WriteAt(2, 8, keyAttr, padded(line, 78));
        history.push_front(line);
        if (history.size() > static_cast<std::size_t>(historyRows)) history.pop_back();
        for (std::size_t i = 0; i < history.size(); ++i) {
            term.WriteAt(4, historyTop + static_cast<int>(i), textAttr, padded(history[i], 40));
        }
    }

    term.ClearScreen();
    term.WriteText("keyview ended after " + std::to_string(count) + " keys.\r\n");
    return 0;
}
