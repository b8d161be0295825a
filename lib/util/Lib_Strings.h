#pragma once
// Small text helpers shared by the whole program: fitting a text into a field, numbers to text and
// back, words of a line, ASCII case mapping, trimming and replacing. Short texts are ShortStr and
// are cut at 255 bytes; "long" texts are std::string. Bytes are never converted.

#include "ShortStr.h"

#include <cstdint>
#include <string>
#include <string_view>

// text, then fill up to width (0 to 255) bytes; a longer text is cut to width.
ShortStr AlignLeft(const ShortStr& text, int width, char fill);
// fill, then text, to width bytes; a text of width bytes or more is cut to its first width bytes.
ShortStr AlignRight(const ShortStr& text, int width, char fill);
// text centred in width; the odd fill byte goes to the right. Without padRight nothing is put on
// the right side. A longer text is cut to width.
ShortStr AlignCenter(const ShortStr& text, int width, char fill, bool padRight);
// c repeated count times (empty for 0 or less).
std::string RepeatChar(char c, int count);

// Decimal digits with a leading "-" when negative.
ShortStr IntToText(std::int64_t n);
// The decimal number in text (blanks around it allowed, an optional sign), or 0 when text is not
// entirely such a number or it does not fit in 64 bits.
std::int64_t TextToInt(const ShortStr& text);
// Two characters: 7 gives "07", 42 "42", 123 "12" (the first two of longer numbers).
ShortStr TwoDigits(std::int32_t n);

// Word n (from 1; 0 counts as 1) of text. With a blank separator leading blanks are skipped and a
// run of blanks separates once; any other separator separates at every occurrence, so empty words
// count. Empty when text has fewer words.
ShortStr NthWord(int n, std::string_view text, char sep);

char LowerChar(char c);
ShortStr LowerText(const ShortStr& text);
std::string UpperText(std::string_view text);

std::string TrimCharLeft(std::string_view text, char c);
std::string TrimCharRight(std::string_view text, char c);
std::string TrimChar(std::string_view text, char c);

// Replaces the leftmost occurrence of find, again and again, so that an occurrence formed by a
// replacement together with the text around it is replaced too ("YYY" with "YY" -> "Y" gives "Y").
// When that would never end (repl contains find, or the text keeps growing), every occurrence of
// find in text is instead replaced once, left to right. An empty find leaves text as it is.
std::string ReplaceAll(std::string_view text, std::string_view find, std::string_view repl);
