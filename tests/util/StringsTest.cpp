#include "Lib_Strings.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

namespace {

TEST(AlignTest, LeftPadsOrCuts) {
    EXPECT_EQ(AlignLeft("abc", 5, '*'), "abc**");
    EXPECT_EQ(AlignLeft("abcdef", 4, '*'), "abcd");
    EXPECT_EQ(AlignLeft("abc", 0, '*'), "");
    EXPECT_EQ(AlignLeft("abc", -3, '*'), "");
    EXPECT_EQ(AlignLeft("", 3, ' '), "   ");
    EXPECT_EQ(AlignLeft("x", 300, '.').Length(), 255u);
}

TEST(AlignTest, RightPadsOrCutsFromTheStart) {
    EXPECT_EQ(AlignRight("42", 5, ' '), "   42");
    EXPECT_EQ(AlignRight("abcdef", 5, ' '), "abcde");
    EXPECT_EQ(AlignRight("abcde", 5, ' '), "abcde");
    EXPECT_EQ(AlignRight("abc", 0, ' '), "");
}

TEST(AlignTest, CenterPutsTheOddFillRight) {
    EXPECT_EQ(AlignCenter("abc", 10, '-', true), "---abc----");
    EXPECT_EQ(AlignCenter("abc", 10, '-', false), "---abc");
    EXPECT_EQ(AlignCenter("abcd", 10, '-', true), "---abcd---");
    EXPECT_EQ(AlignCenter("abcdef", 3, '-', true), "abc");
    EXPECT_EQ(AlignCenter("", 2, '-', true), "--");
    for (int width = 0; width <= 255; width += 17)
        EXPECT_EQ(AlignCenter("odd", width, ' ', true).Length(), static_cast<std::size_t>(width));
}

TEST(RepeatCharTest, RepeatsOrGivesEmpty) {
    EXPECT_EQ(RepeatChar('=', 4), "====");
    EXPECT_EQ(RepeatChar('=', 0), "");
    EXPECT_EQ(RepeatChar('=', -1), "");
    EXPECT_EQ(RepeatChar('\xC4', 255).size(), 255u);
}

TEST(NumberTextTest, IntToTextCoversTheWholeRange) {
    EXPECT_EQ(IntToText(0), "0");
    EXPECT_EQ(IntToText(42), "42");
    EXPECT_EQ(IntToText(-7), "-7");
    EXPECT_EQ(IntToText(std::numeric_limits<std::int64_t>::max()),
              std::to_string(std::numeric_limits<std::int64_t>::max()));
    EXPECT_EQ(IntToText(std::numeric_limits<std::int64_t>::min()),
              std::to_string(std::numeric_limits<std::int64_t>::min()));
}

TEST(NumberTextTest, TextToIntTakesOnlyWholeDecimalNumbers) {
    EXPECT_EQ(TextToInt("  42 "), 42);
    EXPECT_EQ(TextToInt("-7"), -7);
    EXPECT_EQ(TextToInt("+15"), 15);
    EXPECT_EQ(TextToInt("007"), 7);
    EXPECT_EQ(TextToInt("12ab"), 0);
    EXPECT_EQ(TextToInt(""), 0);
    EXPECT_EQ(TextToInt("   "), 0);
    EXPECT_EQ(TextToInt("1 2"), 0);
    EXPECT_EQ(TextToInt("-"), 0);
    EXPECT_EQ(TextToInt("+-5"), 0);
    EXPECT_EQ(TextToInt("\t5"), 0); // only blanks are trimmed
    EXPECT_EQ(TextToInt("$1F"), 0);
}

TEST(NumberTextTest, TextToIntLimitsAndRoundTrip) {
    const auto max = std::numeric_limits<std::int64_t>::max();
    const auto min = std::numeric_limits<std::int64_t>::min();
    EXPECT_EQ(TextToInt(IntToText(max)), max);
    EXPECT_EQ(TextToInt(IntToText(min)), min);
    EXPECT_EQ(TextToInt("9223372036854775808"), 0);  // one above the largest
    EXPECT_EQ(TextToInt("-9223372036854775809"), 0); // one below the smallest
    EXPECT_EQ(TextToInt("99999999999999999999999"), 0);
    for (std::int64_t n = -100000; n <= 100000; n += 997) EXPECT_EQ(TextToInt(IntToText(n)), n);
}

TEST(NumberTextTest, TwoDigits) {
    EXPECT_EQ(TwoDigits(7), "07");
    EXPECT_EQ(TwoDigits(0), "00");
    EXPECT_EQ(TwoDigits(42), "42");
    EXPECT_EQ(TwoDigits(123), "12");
    EXPECT_EQ(TwoDigits(-5), "-5");
}

TEST(NthWordTest, BlankSeparatorSkipsRuns) {
    const std::string line = "  one   two three";
    EXPECT_EQ(NthWord(1, line, ' '), "one");
    EXPECT_EQ(NthWord(2, line, ' '), "two");
    EXPECT_EQ(NthWord(3, line, ' '), "three");
    EXPECT_EQ(NthWord(4, line, ' '), "");
    EXPECT_EQ(NthWord(0, "x y", ' '), "x");
    EXPECT_EQ(NthWord(1, "", ' '), "");
    EXPECT_EQ(NthWord(2, "word   ", ' '), ""); // trailing blanks make no empty word
}

TEST(NthWordTest, OtherSeparatorCountsEmptyWords) {
    EXPECT_EQ(NthWord(1, "a,,b", ','), "a");
    EXPECT_EQ(NthWord(2, "a,,b", ','), "");
    EXPECT_EQ(NthWord(3, "a,,b", ','), "b");
    EXPECT_EQ(NthWord(4, "a,,b", ','), "");
    EXPECT_EQ(NthWord(1, ",a", ','), "");
    EXPECT_EQ(NthWord(1, " a, b", ','), " a"); // blanks are ordinary bytes here
}

TEST(NthWordTest, LongTextsAndWordsAreCut) {
    std::string longWord(300, 'w');
    EXPECT_EQ(NthWord(1, longWord, ' ').Length(), 255u);
    std::string manyWords;
    for (int i = 1; i <= 100; ++i) manyWords += std::to_string(i) + " ";
    EXPECT_EQ(NthWord(100, manyWords, ' '), "100"); // positions beyond byte 255 still count
}

TEST(CaseTest, OnlyAsciiLettersChange) {
    EXPECT_EQ(LowerChar('A'), 'a');
    EXPECT_EQ(LowerChar('Z'), 'z');
    EXPECT_EQ(LowerChar('@'), '@');
    EXPECT_EQ(LowerChar('['), '[');
    EXPECT_EQ(LowerText("Hello, WORLD 42"), "hello, world 42");
    EXPECT_EQ(UpperText("Hello, world 42"), "HELLO, WORLD 42");
    // Bytes above 127 (code page 437 letters and frames) stay as they are.
    const std::string high = "\x80\x8E\x99\xC4\xFF";
    EXPECT_EQ(LowerText(high), high);
    EXPECT_EQ(UpperText(high), high);
    for (int c = 128; c < 256; ++c)
        EXPECT_EQ(LowerChar(static_cast<char>(c)), static_cast<char>(c));
}

TEST(TrimTest, RemovesOnlyTheGivenByteAtTheEnds) {
    EXPECT_EQ(TrimCharLeft("**a*b**", '*'), "a*b**");
    EXPECT_EQ(TrimCharRight("**a*b**", '*'), "**a*b");
    EXPECT_EQ(TrimChar("**a*b**", '*'), "a*b");
    EXPECT_EQ(TrimChar("****", '*'), "");
    EXPECT_EQ(TrimChar("", '*'), "");
    EXPECT_EQ(TrimChar(" a ", '*'), " a ");
    EXPECT_EQ(TrimChar(std::string("\0a\0", 3), '\0'), "a");
}

TEST(ReplaceAllTest, ReplacesEveryOccurrence) {
    EXPECT_EQ(ReplaceAll("a-b-c", "-", "+"), "a+b+c");
    EXPECT_EQ(ReplaceAll("abc", "x", "y"), "abc");
    EXPECT_EQ(ReplaceAll("abc", "", "y"), "abc");
    EXPECT_EQ(ReplaceAll("", "a", "b"), "");
    EXPECT_EQ(ReplaceAll("a  b   c", " ", ""), "abc");
    EXPECT_EQ(ReplaceAll("DD/MM", "DD", "31"), "31/MM");
}

TEST(ReplaceAllTest, OccurrencesFormedByAReplacementAreReplacedToo) {
    EXPECT_EQ(ReplaceAll("YYY", "YY", "Y"), "Y");
    EXPECT_EQ(ReplaceAll("aaaa", "aa", "a"), "a");
    EXPECT_EQ(ReplaceAll("xaabb", "ab", ""), "x"); // removing "ab" joins a new "ab"
    EXPECT_EQ(ReplaceAll("aab", "ab", "ba"), "baa");
}

TEST(ReplaceAllTest, EndsWhenTheReplacementHoldsTheSearchedText) {
    EXPECT_EQ(ReplaceAll("a\nb\n", "\n", "\r\n"), "a\r\nb\r\n");
    EXPECT_EQ(ReplaceAll("x&y", "&", "&amp;"), "x&amp;y");
    EXPECT_EQ(ReplaceAll("aa", "a", "aa"), "aaaa");
    EXPECT_EQ(ReplaceAll("abab", "ab", "ab"), "abab");
}

TEST(ReplaceAllTest, EndsWhenReplacingKeepsGrowingTheText) {
    // "ab" -> "bbaa" on "aab" forms a new "ab" at every step, for ever; one pass is taken.
    EXPECT_EQ(ReplaceAll("aab", "ab", "bbaa"), "abbaa");
    EXPECT_EQ(ReplaceAll("xbaay", "ba", "aabb"), "xaabbay");
}

} // namespace
