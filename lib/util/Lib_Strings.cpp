#include "Lib_Strings.h"

#include <cstddef>

namespace {

std::size_t fieldWidth(int width) {
    if (width < 0) return 0;
    return width > static_cast<int>(ShortStr::MaxLen) ? ShortStr::MaxLen
                                                      : static_cast<std::size_t>(width);
}

void appendFill(ShortStr& s, char fill, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) s.Append(fill);
}

// Every occurrence of find in text replaced once, scanning left to right; what a replacement
// forms with the text after it is not looked at again.
std::string replaceOnePass(std::string_view text, std::string_view find, std::string_view repl) {
    std::string out;
    std::size_t from = 0;
    for (std::size_t at = text.find(find); at != std::string_view::npos;
         at = text.find(find, from)) {
        out.append(text.substr(from, at - from)).append(repl);
        from = at + find.size();
    }
    out.append(text.substr(from));
    return out;
}

} // namespace

ShortStr AlignLeft(const ShortStr& text, int width, char fill) {
    std::size_t w = fieldWidth(width);
    if (text.Length() >= w) return text.Left(w);
    ShortStr out = text;
    appendFill(out, fill, w - text.Length());
    return out;
}

ShortStr AlignRight(const ShortStr& text, int width, char fill) {
    std::size_t w = fieldWidth(width);
    if (text.Length() >= w) return text.Left(w);
    ShortStr out;
    appendFill(out, fill, w - text.Length());
    return out += text;
}

ShortStr AlignCenter(const ShortStr& text, int width, char fill, bool padRight) {
    std::size_t w = fieldWidth(width);
    if (text.Length() >= w) return text.Left(w);
    std::size_t left = (w - text.Length()) / 2;
    ShortStr out;
    appendFill(out, fill, left);
    out += text;
    if (padRight) appendFill(out, fill, w - text.Length() - left);
    return out;
}

std::string RepeatChar(char c, int count) {
    return count > 0 ? std::string(static_cast<std::size_t>(count), c) : std::string();
}

ShortStr IntToText(std::int64_t n) {
    // Work on the magnitude unsigned so that the lowest 64-bit value has one too.
    std::uint64_t magnitude =
        n < 0 ? 0u - static_cast<std::uint64_t>(n) : static_cast<std::uint64_t>(n);
    char digits[24];
    std::size_t at = sizeof digits;
    do {
        digits[--at] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (n < 0) digits[--at] = '-';
    return ShortStr(std::string_view(digits + at, sizeof digits - at));
}

std::int64_t TextToInt(const ShortStr& text) {
    std::string_view t = text.View();
    std::size_t first = t.find_first_not_of(' ');
    if (first == std::string_view::npos) return 0;
    t = t.substr(first, t.find_last_not_of(' ') - first + 1);

    bool negative = false;
    if (t.front() == '+' || t.front() == '-') {
        negative = t.front() == '-';
        t.remove_prefix(1);
    }
    if (t.empty()) return 0;
    const std::uint64_t limit = negative ? 9223372036854775808u : 9223372036854775807u;
    std::uint64_t value = 0;
    for (char c : t) {
        if (c < '0' || c > '9') return 0;
        auto digit = static_cast<std::uint64_t>(c - '0');
        if (value > (limit - digit) / 10) return 0;
        value = value * 10 + digit;
    }
    return negative ? static_cast<std::int64_t>(0u - value) : static_cast<std::int64_t>(value);
}

ShortStr TwoDigits(std::int32_t n) {
    ShortStr text = IntToText(n);
    if (text.Length() >= 2) return text.Left(2);
    return ShortStr("0") += text;
}

ShortStr NthWord(int n, std::string_view text, char sep) {
    const bool blank = sep == ' ';
    std::string_view t = text;
    auto skipBlanks = [&] {
        std::size_t start = t.find_first_not_of(' ');
        t.remove_prefix(start == std::string_view::npos ? t.size() : start);
    };
    if (blank) skipBlanks();
    for (int word = 1; word < n; ++word) {
        std::size_t at = t.find(sep);
        if (at == std::string_view::npos) return ShortStr();
        t.remove_prefix(at + 1);
        if (blank) skipBlanks();
    }
    return ShortStr(t.substr(0, t.find(sep)));
}

char LowerChar(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

ShortStr LowerText(const ShortStr& text) {
    ShortStr out = text;
    for (std::size_t i = 0; i < out.Length(); ++i) out[i] = LowerChar(out[i]);
    return out;
}

std::string UpperText(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

std::string TrimCharLeft(std::string_view text, char c) {
    std::size_t first = text.find_first_not_of(c);
    return first == std::string_view::npos ? std::string() : std::string(text.substr(first));
}

std::string TrimCharRight(std::string_view text, char c) {
    std::size_t last = text.find_last_not_of(c);
    return last == std::string_view::npos ? std::string() : std::string(text.substr(0, last + 1));
}

std::string TrimChar(std::string_view text, char c) {
    return TrimCharRight(TrimCharLeft(text, c), c);
}

std::string ReplaceAll(std::string_view text, std::string_view find, std::string_view repl) {
    if (find.empty()) return std::string(text);
    if (repl.find(find) != std::string_view::npos) return replaceOnePass(text, find, repl);

    // Replacing the leftmost occurrence again and again usually ends soon, but some pairs (such
    // as "ab" by "bbaa") grow the text for ever; past these limits the one pass is taken instead.
    const std::size_t maxLength = 8 * (text.size() + repl.size()) + 4096;
    const std::size_t maxSteps = maxLength + text.size() * text.size();
    std::string out(text);
    std::size_t from = 0;
    for (std::size_t steps = 0;; ++steps) {
        std::size_t at = out.find(find, from);
        if (at == std::string::npos) return out;
        if (steps == maxSteps || out.size() > maxLength) return replaceOnePass(text, find, repl);
        out.replace(at, find.size(), repl);
        // Everything before at held no occurrence and is unchanged, so a new one can begin at
        // the earliest where it would overlap the replacement.
        from = at + 1 >= find.size() ? at + 1 - find.size() : 0;
    }
}
