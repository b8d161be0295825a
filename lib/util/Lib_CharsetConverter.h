#pragma once
// TCharsetConverter: text in one charset as bytes of a display page, so that the screen can stay
// a grid of one byte per cell in one page. Every character becomes one byte, so every column
// stays where the layout puts it: the page's own byte for it, or its plain form where one is
// obvious (curly quotes, dashes, the ellipsis, the no-break space, accented letters the page
// lacks), or '?'. Malformed UTF-8 never stops a text: each bad byte becomes '?'. A text in the
// display page itself, or in a charset taken as it (none declared, IBMPC), is not touched.

#include "Lib_Charsets.h"
#include "Lib_CodePage.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

class TCharsetConverter {
public:
    TCharsetConverter(Charset::Id from, CodePage::Id page);

    // Nothing to convert: the bytes stay as they are.
    bool Identity() const { return identity_; }
    bool FromUtf8() const { return utf8_; }
    // A byte of a single-byte charset as the page's byte (bytes below 0x80 stay).
    std::uint8_t Byte(std::uint8_t byte) const { return table_[byte]; }
    // A character as the page's byte.
    std::uint8_t OfChar(char32_t ch) const;
    // A whole text, cut after maxChars characters (a UTF-8 character is never cut).
    std::string Convert(std::string_view text, std::size_t maxChars = std::string::npos) const;

private:
    CodePage::Id page_;
    bool identity_ = true;
    bool utf8_ = false;
    std::array<std::uint8_t, 256> table_{};
};

// The converters of every charset into one display page, each made when first asked for.
class TPageConverters {
public:
    explicit TPageConverters(CodePage::Id page) : page_(page) {}
    CodePage::Id Page() const { return page_; }
    const TCharsetConverter& For(Charset::Id from);

private:
    CodePage::Id page_;
    std::array<std::unique_ptr<TCharsetConverter>, static_cast<std::size_t>(Charset::Id::Utf8) + 1>
        made_;
};

// The first bytes of a name that hold its first maxChars characters: UTF-8 characters whole.
std::string_view FirstUtf8Chars(std::string_view text, std::size_t maxChars);
inline std::string_view FirstChars(std::string_view text, Charset::Id charset,
                                   std::size_t maxChars) {
    return charset == Charset::Id::Utf8 ? FirstUtf8Chars(text, maxChars) : text.substr(0, maxChars);
}
