#include "TextOutput.h"

#include "TermGlyphs.h"

#include <cerrno>
#include <cstdio>

TTextOutput::TTextOutput(CodePage::Id page) : asIs_(false) {
    for (int byte = 0; byte < 256; ++byte) {
        const auto b = static_cast<std::uint8_t>(byte);
        glyphLength_[b] = static_cast<std::uint8_t>(
            TermGlyphs::EncodeUtf8(CodePage::ToUnicode(page, b), glyphs_[b].data()));
    }
}

void TTextOutput::AppendLine(std::string_view bytes, std::string& text) const {
    if (asIs_) {
        text.append(bytes);
    } else {
        for (char c : bytes) {
            const auto b = static_cast<std::uint8_t>(c);
            text.append(glyphs_[b].data(), glyphLength_[b]);
        }
    }
    text.push_back('\n');
}

bool TTextOutput::Write(std::string_view text) {
    if (Failed()) return false;
    errno = 0;
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size()) fail();
    return !Failed();
}

bool TTextOutput::Flush() {
    if (Failed()) return false;
    errno = 0;
    if (std::fflush(stdout) != 0) fail();
    return !Failed();
}

bool TTextOutput::ReaderGone() const {
    return error_ == EPIPE;
}

void TTextOutput::fail() {
    // A C library that leaves errno clear still has failed: EIO stands in for the reason.
    error_ = errno != 0 ? errno : EIO;
}
