#include "TextOutput.h"

#include "TermGlyphs.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

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
        text.push_back('\n');
        return;
    }
    // Room for the longest glyph of every byte; the text is cut back to what was written.
    const std::size_t start = text.size();
    text.resize(start + bytes.size() * glyphRoom_ + 1);
    char* out = text.data() + start;
    for (char c : bytes) {
        const auto b = static_cast<std::uint8_t>(c);
        if (b >= 0x20 && b < 0x7F) {
            *out++ = c; // printable ASCII is its own glyph
        } else {
            std::memcpy(out, glyphs_[b].data(), glyphRoom_);
            out += glyphLength_[b];
        }
    }
    *out++ = '\n';
    text.resize(static_cast<std::size_t>(out - text.data()));
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
