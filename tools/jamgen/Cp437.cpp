#include "Cp437.h"

#include "Lib_Cp437.h"

namespace jamgen {

std::optional<unsigned char> UnicodeToCodePage(CodePage::Id page, char32_t ch) {
    if (ch < 0x80) return static_cast<unsigned char>(ch);
    // Only the upper half: a pictograph of the control range stands for a control code.
    const std::optional<std::uint8_t> byte = CodePage::FromUnicode(page, ch);
    if (byte && *byte >= 0x80) return *byte;
    return std::nullopt;
}

std::optional<unsigned char> UnicodeToCharset(Charset::Id charset, char32_t ch) {
    if (ch < 0x80) return static_cast<unsigned char>(ch);
    for (int b = 0x80; b < 0x100; ++b)
        if (Charset::ToUnicode(charset, static_cast<std::uint8_t>(b)) == ch)
            return static_cast<unsigned char>(b);
    return std::nullopt;
}

std::optional<unsigned char> UnicodeToCp437(char32_t ch) {
    return UnicodeToCodePage(CodePage::Id::Us, ch);
}

char32_t Cp437ToUnicode(unsigned char byte) {
    return byte < 0x80 ? char32_t(byte) : Cp437::ToUnicode(byte);
}

} // namespace jamgen
