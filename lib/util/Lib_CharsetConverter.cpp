#include "Lib_CharsetConverter.h"

#include "Lib_CharsetTables.h"

#include <algorithm>

namespace {

constexpr std::uint8_t missing = '?';

// The plain ASCII form of a character, or 0.
char plainForm(char32_t ch) {
    const auto* begin = CharsetTables::PlainForms;
    const auto* end = begin + CharsetTables::PlainFormCount;
    const auto* found = std::lower_bound(
        begin, end, ch, [](const CharsetTables::PlainForm& f, char32_t c) { return f.Char < c; });
    return found != end && found->Char == ch ? found->Plain : 0;
}

} // namespace

TCharsetConverter::TCharsetConverter(Charset::Id from, CodePage::Id page) : page_(page) {
    using Charset::Id;
    identity_ =
        from == Id::None || from == Id::IbmPc || from == Id::Ascii || from == Charset::OfPage(page);
    utf8_ = !identity_ && from == Id::Utf8;
    for (int b = 0; b < 256; ++b) {
        const auto byte = static_cast<std::uint8_t>(b);
        if (identity_ || utf8_ || byte < 0x80) {
            table_[byte] = byte;
            continue;
        }
        const char32_t ch = Charset::ToUnicode(from, byte);
        table_[byte] = ch != 0 ? OfChar(ch) : missing;
    }
}

std::uint8_t TCharsetConverter::OfChar(char32_t ch) const {
    if (ch < 0x80) return static_cast<std::uint8_t>(ch);
    if (const auto byte = CodePage::FromUnicode(page_, ch); byte && *byte >= 0x80) return *byte;
    const char plain = plainForm(ch);
    return plain != 0 ? static_cast<std::uint8_t>(plain) : missing;
}

std::string TCharsetConverter::Convert(std::string_view text, std::size_t maxChars) const {
    if (identity_) return std::string(text.substr(0, maxChars));
    std::string out;
    out.reserve(std::min(text.size(), maxChars));
    while (!text.empty() && out.size() < maxChars) {
        if (!utf8_) {
            out.push_back(static_cast<char>(table_[static_cast<std::uint8_t>(text[0])]));
            text.remove_prefix(1);
            continue;
        }
        std::size_t length = 1;
        const char32_t ch = Charset::DecodeUtf8(text, length);
        out.push_back(static_cast<char>(ch == 0xFFFD ? missing : OfChar(ch)));
        text.remove_prefix(length);
    }
    return out;
}

const TCharsetConverter& TPageConverters::For(Charset::Id from) {
    std::unique_ptr<TCharsetConverter>& made = made_[static_cast<std::size_t>(from)];
    if (!made) made = std::make_unique<TCharsetConverter>(from, page_);
    return *made;
}

std::string_view FirstUtf8Chars(std::string_view text, std::size_t maxChars) {
    std::size_t bytes = 0;
    for (std::size_t chars = 0; chars < maxChars && bytes < text.size(); ++chars) {
        std::size_t length = 1;
        Charset::DecodeUtf8(text.substr(bytes), length);
        bytes += length;
    }
    return text.substr(0, bytes);
}
