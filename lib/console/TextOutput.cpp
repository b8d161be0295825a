#include "TextOutput.h"

#include "TermGlyphs.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

// Whether all eight bytes at p are printable ASCII (0x20 to 0x7E), which show as themselves.
bool allPrintable(const char* p) {
    std::uint64_t x = 0;
    std::memcpy(&x, p, sizeof x);
    constexpr std::uint64_t ones = 0x0101010101010101ull;
    constexpr std::uint64_t highs = 0x8080808080808080ull;
    const std::uint64_t below = (x - ones * 0x20) & ~x & highs;          // some byte below 0x20
    const std::uint64_t above = ((x + ones * (127 - 0x7E)) | x) & highs; // some byte above 0x7E
    return (below | above) == 0;
}

} // namespace

TTextOutput::TTextOutput() {
    // A control byte would end a line early or reach a terminal as a command (ESC).
    for (int byte = 0; byte < 256; ++byte) {
        const auto b = static_cast<std::uint8_t>(byte);
        glyphs_[b][0] = b < 0x20 || b == 0x7F ? '?' : static_cast<char>(b);
        glyphLength_[b] = 1;
    }
}

TTextOutput::TTextOutput(CodePage::Id page) : asGlyphs_(true) {
    SetPage(page);
}

void TTextOutput::SetPage(CodePage::Id page) {
    if (!asGlyphs_) return;
    for (int byte = 0; byte < 256; ++byte) {
        const auto b = static_cast<std::uint8_t>(byte);
        glyphLength_[b] = static_cast<std::uint8_t>(
            TermGlyphs::EncodeUtf8(CodePage::ToUnicode(page, b), glyphs_[b].data()));
    }
}

void TTextOutput::AppendLine(std::string_view bytes, std::string& text) const {
    // The line is built in a buffer with room for the longest glyph of every byte of a stretch
    // (a whole row at once), so that the text grows once a stretch. Printable ASCII is its own
    // glyph, of one byte.
    constexpr std::size_t stretch = lineRoom_ / glyphRoom_;
    char line[lineRoom_ + 1];
    std::size_t done = 0;
    do {
        const std::size_t count = std::min(stretch, bytes.size() - done);
        char* out = line;
        const char* in = bytes.data() + done;
        const char* const end = in + count;
        while (in != end) {
            if (end - in >= 8 && allPrintable(in)) {
                std::memcpy(out, in, 8);
                in += 8;
                out += 8;
                continue;
            }
            const auto b = static_cast<std::uint8_t>(*in++);
            std::memcpy(out, glyphs_[b].data(), glyphRoom_);
            out += glyphLength_[b];
        }
        done += count;
        if (done == bytes.size()) *out++ = '\n';
        text.append(line, static_cast<std::size_t>(out - line));
    } while (done < bytes.size());
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
