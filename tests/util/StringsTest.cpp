#include "Lib_Strings.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

namespace {

TEST(StringsTest, FieldsArePaddedOrCut) {
    EXPECT_EQ(AlignLeft("abc", 5, '*'), "abc**");
    EXPECT_EQ(AlignLeft("abcdef", 4, '*'), "abcd");
    EXPECT_EQ(AlignLeft("abc", 0, '*'), "");
    EXPECT_EQ(AlignLeft("x", 300, '.').Length(), 255u);
    EXPECT_EQ(AlignRight("42", 5, ' '), "   42");
    EXPECT_EQ(AlignRight("abcdef", 5, ' '), "abcde");
    EXPECT_EQ(AlignCenter("abc", 10, '-', true), "---abc----");
    EXPECT_EQ(AlignCenter("abc", 10, '-', false), "---abc");
    EXPECT_EQ(AlignCenter("abcdef", 3, '-', true), "abc");
    EXPECT_EQ(RepeatChar('=', 4), "====");
    EXPECT_EQ(RepeatChar('=', 0), "");
    EXPECT_EQ(RepeatChar('=', -1), "");
}

TEST(StringsTest, NumbersToTextAndBack) {
    const auto max = std::numeric_limits<std::int64_t>::max();
    const auto min = std::numeric_limits<std::int64_t>::min();
    EXPECT_EQ(IntToText(max), std::to_string(max));
    EXPECT_EQ(IntToText(min), std::to_string(min));
    for (std::int64_t n : {max, min, std::int64_t{0}, std::int64_t{-7}, std::int64_t{1234567}})
        EXPECT_EQ(TextToInt(IntToText(n)), n);

    EXPECT_EQ(TextToInt("  42 "), 42);
    EXPECT_EQ(TextToInt("+15"), 15);
    // Anything that is not wholly one decimal number of 64 bits reads as 0.
    for (const char* bad :
         {"12ab", "", "   ", "1 2", "-", "+-5", "\t5", "$1F", "9223372036854775808",
          "-9223372036854775809", "99999999999999999999999"})
        EXPECT_EQ(TextToInt(bad), 0) << '"' << bad << '"';

    EXPECT_EQ(TwoDigits(7), "07");
    EXPECT_EQ(TwoDigits(42), "42");
    EXPECT_EQ(TwoDigits(123), "12");
}

TEST(StringsTest, NthWord) {
    const std::string line = "  one   two three";
    EXPECT_EQ(NthWord(2, line, ' '), "two");
    EXPECT_EQ(NthWord(3, line, ' '), "three");
    EXPECT_EQ(NthWord(4, line, ' '), "");
    EXPECT_EQ(NthWord(0, "x y", ' '), "x");
    EXPECT_EQ(NthWord(2, "word   ", ' '), ""); // trailing blanks make no empty word
    // Other separators count empty words, and blanks are ordinary bytes then.
    EXPECT_EQ(NthWord(2, "a,,b", ','), "");
    EXPECT_EQ(NthWord(3, "a,,b", ','), "b");
    EXPECT_EQ(NthWord(1, " a, b", ','), " a");
    // Long texts are walked whole; the word itself is cut at 255.
    std::string numbers;
    for (int i = 1; i <= 100; ++i) numbers += std::to_string(i) + " ";
    EXPECT_EQ(NthWord(100, numbers, ' '), "100");
    EXPECT_EQ(NthWord(1, std::string(300, 'w'), ' ').Length(), 255u);
}

TEST(StringsTest, CaseAndTrimTouchOnlyTheirBytes) {
    EXPECT_EQ(LowerText("Hello, WORLD @[42"), "hello, world @[42");
    EXPECT_EQ(UpperText("Hello, world `{42"), "HELLO, WORLD `{42");
    const std::string high = "\x80\x8E\x99\xC4\xFF"; // code page 437 letters and frames
    EXPECT_EQ(LowerText(high), high);
    EXPECT_EQ(UpperText(high), high);

    EXPECT_EQ(TrimCharLeft("**a*b**", '*'), "a*b**");
    EXPECT_EQ(TrimCharRight("**a*b**", '*'), "**a*b");
    EXPECT_EQ(TrimChar("**a*b**", '*'), "a*b");
    EXPECT_EQ(TrimChar("****", '*'), "");
    EXPECT_EQ(TrimChar(" a ", '*'), " a ");
}

TEST(StringsTest, ReplaceAll) {
    EXPECT_EQ(ReplaceAll("a-b-c", "-", "+"), "a+b+c");
    EXPECT_EQ(ReplaceAll("abc", "", "y"), "abc");
    // An occurrence formed by a replacement with the text around it is replaced too.
    EXPECT_EQ(ReplaceAll("YYY", "YY", "Y"), "Y");
    EXPECT_EQ(ReplaceAll("xaabb", "ab", ""), "x");
    EXPECT_EQ(ReplaceAll("aab", "ab", "ba"), "baa");
    // A replacement holding the searched text must still end: one pass, left to right.
    EXPECT_EQ(ReplaceAll("a\nb\n", "\n", "\r\n"), "a\r\nb\r\n");
    EXPECT_EQ(ReplaceAll("aa", "a", "aa"), "aaaa");
    // So must one that forms a new occurrence at every step ("aab" -> "abbaa" -> "bbaabaa"...).
    EXPECT_EQ(ReplaceAll("aab", "ab", "bbaa"), "abbaa");
}

} // namespace
