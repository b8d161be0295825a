// The text a line of the program's bytes becomes on standard output that is not a console: the
// bytes as they are, or the UTF-8 of the glyphs the screen shows in the locale's code page.

#include <gtest/gtest.h>

#include <string>

#include "TextOutput.h"

namespace {

TEST(TextOutputTest, ALineAsItsBytesOrAsItsGlyphs) {
    struct Case {
        const char* What;
        const TTextOutput Output;
        std::string Bytes;
        std::string Text;
    };
    const std::string everyControl("\x00\x01\x1b\x1f\x7f", 5);
    const Case cases[] = {
        {"bytes as they are but control bytes", TTextOutput(),
         "Re: " + everyControl + "[2J\r\n\x80\xff", "Re: ?????[2J??\x80\xff\n"},
        {"ASCII stays ASCII", TTextOutput(CodePage::Id::Us), "  12 N Sysop", "  12 N Sysop\n"},
        {"byte 0 a blank, the control range its console glyphs", TTextOutput(CodePage::Id::Us),
         everyControl, " \u263A\u2190\u25BC\u2302\n"},
        {"code page 437's upper half", TTextOutput(CodePage::Id::Us), "\x80\x9c\xcd\xff",
         "\u00C7\u00A3\u2550\u00A0\n"},
        {"code page 866's letters, 437's frames", TTextOutput(CodePage::Id::Cyrillic),
         "\x80\xa0\xcd", "\u0410\u0430\u2550\n"},
        {"an empty row", TTextOutput(CodePage::Id::Greek), "", "\n"},
        {"ASCII runs beside glyphs", TTextOutput(CodePage::Id::Us),
         "Thread (2 msgs): Gr\x81\xe1"
         "e~aus\x7f dem S\x81"
         "den",
         "Thread (2 msgs): Gr\u00FC\u00DFe~aus\u2302 dem S\u00FCden\n"},
        {"a line longer than a row", TTextOutput(CodePage::Id::Us),
         std::string(300, 'a') + "\xdb" + std::string(300, 'b'),
         std::string(300, 'a') + "\u2588" + std::string(300, 'b') + "\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        std::string text = "before|";
        c.Output.AppendLine(c.Bytes, text);
        EXPECT_EQ(text, "before|" + c.Text);
    }
}

} // namespace
