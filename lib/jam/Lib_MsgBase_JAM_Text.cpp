// The text reader of TJamMsgBase: the kludge block, then the message text, as display lines.

#include "Lib_MsgBase_JAM.h"

#include <algorithm>

namespace {

constexpr unsigned char charCR = 13;
constexpr unsigned char charLF = 10;
constexpr unsigned char softCR = 0x8D;
constexpr unsigned maxWidth = 254; // a line of width + 1 bytes must fit a ShortStr

} // namespace

void TJamMsgBase::AppendKludge(std::string_view line) {
    // Every stored line keeps its CR, so a cut line never runs on into the message text.
    const std::size_t room = kludgeBuf_.size() - kludgeLen_;
    if (room == 0 || (!line.empty() && room < 2)) return;
    const std::size_t n = std::min(line.size(), room - 1);
    std::copy_n(line.data(), n, kludgeBuf_.begin() + static_cast<std::ptrdiff_t>(kludgeLen_));
    kludgeLen_ += n;
    kludgeBuf_[kludgeLen_++] = charCR;
}

std::string_view TJamMsgBase::KludgeBlock() const {
    return std::string_view(reinterpret_cast<const char*>(kludgeBuf_.data()), kludgeLen_);
}

void TJamMsgBase::RewindText() {
    wrapFlag_ = false;
    textStart_ = TxtOffset();
    textEnd_ = textStart_ + static_cast<std::int64_t>(TxtLen()) - 1;
    // A text said to run past the end of the file ends with the file.
    std::int64_t size = txtFile_.IsOpen() ? txtFile_.Size() : -1;
    if (size >= 0) textEnd_ = std::min(textEnd_, size - 1);
    textPos_ = kludgeLen_ > 0 ? -static_cast<std::int64_t>(kludgeLen_) : textStart_;
    skipDropped();
}

void TJamMsgBase::fillTextCache() {
    textBufStart_ =
        std::max<std::int64_t>(0, textPos_ - static_cast<std::int64_t>(sizes_.TextBackStep));
    textBufCount_ = 0;
    std::int64_t got = txtFile_.ReadAt(textBufStart_, textBuf_.get(), sizes_.TextBytes);
    if (got < 0) {
        lastIOError_ = txtFile_.LastError() > 0 ? static_cast<std::uint16_t>(txtFile_.LastError())
                                                : ErrNoHeader;
        return;
    }
    lastIOError_ = 0;
    textBufCount_ = static_cast<std::size_t>(got);
}

void TJamMsgBase::SetSoftCRIsLetter(bool letter) {
    softCRIsLetter_ = letter;
}

void TJamMsgBase::SetTextConverter(const TCharsetConverter* converter) {
    converter_ = converter != nullptr && !converter->Identity() ? converter : nullptr;
}

// The display page's byte of the text byte c just taken: a UTF-8 character's following bytes are
// taken with it (as far as they belong to it: a bad byte alone becomes '?').
unsigned char TJamMsgBase::converted(unsigned char c) {
    if (!converter_->FromUtf8()) return converter_->Byte(c);
    if (c < 0x80) return c;
    char bytes[4] = {static_cast<char>(c)};
    std::size_t have = 1;
    const std::int64_t after = textPos_;
    while (have < sizeof bytes && !TextDone()) {
        const std::int64_t at = textPos_;
        const unsigned char next = NextChar();
        if ((next & 0xC0) != 0x80) {
            textPos_ = at;
            break;
        }
        bytes[have++] = static_cast<char>(next);
    }
    std::size_t length = 1;
    const char32_t ch = Charset::DecodeUtf8(std::string_view(bytes, have), length);
    textPos_ = after + static_cast<std::int64_t>(length) - 1;
    return ch == 0xFFFD ? '?' : converter_->OfChar(ch);
}

// The byte at the read position, without taking it; 0 when the text is done.
unsigned char TJamMsgBase::peekChar() {
    if (TextDone()) return 0;
    const std::int64_t at = textPos_;
    const unsigned char c = NextChar();
    textPos_ = at;
    return c;
}

// Whether c, just taken, is dropped wherever it stands: NUL, LF, and 0x8D as the old soft line
// end. Before an LF 0x8D is always that; alone it is the letter Н in code page 866 text.
bool TJamMsgBase::droppedByte(unsigned char c) {
    if (c == 0 || c == charLF) return true;
    return c == softCR && (!softCRIsLetter_ || peekChar() == charLF);
}

// Passes over bytes that are dropped wherever they stand, so that a text whose lines end in CR
// LF, or which ends in such bytes, yields no extra empty line at its end.
void TJamMsgBase::skipDropped() {
    while (!TextDone()) {
        const std::int64_t at = textPos_;
        if (!droppedByte(NextChar())) {
            textPos_ = at;
            return;
        }
    }
}

// Whether only blanks and dropped bytes stand between the read position and the next CR (or the
// end of the text); if so, they and the CR are taken.
bool TJamMsgBase::onlyBlanksToLineEnd() {
    const std::int64_t at = textPos_;
    while (!TextDone()) {
        const unsigned char c = NextChar();
        if (c == charCR) return true;
        if (c != ' ' && !droppedByte(c)) {
            textPos_ = at;
            return false;
        }
    }
    return true;
}

// The kludge block, and text bytes outside the cached stretch.
unsigned char TJamMsgBase::nextCharSlow() {
    if (textPos_ < 0) {
        const std::int64_t at = static_cast<std::int64_t>(kludgeLen_) + textPos_;
        if (at >= 0) {
            unsigned char c = kludgeBuf_[static_cast<std::size_t>(at)];
            if (++textPos_ == 0) textPos_ = textStart_; // the text follows the kludge block
            return c;
        }
        // The kludge block was emptied by a new header load since the last rewind.
        textPos_ = textStart_;
    }
    if (textPos_ < textBufStart_ ||
        textPos_ >= textBufStart_ + static_cast<std::int64_t>(textBufCount_))
        fillTextCache();
    if (textPos_ < textBufStart_ ||
        textPos_ >= textBufStart_ + static_cast<std::int64_t>(textBufCount_)) {
        // The byte cannot be had (a read error, or the file ended early): the text ends here
        // rather than showing bytes of another place.
        textEnd_ = std::min(textEnd_, textPos_ - 1);
        return 0;
    }
    unsigned char c = textBuf_[static_cast<std::size_t>(textPos_ - textBufStart_)];
    ++textPos_;
    return c;
}

ShortStr TJamMsgBase::ReadTextLine(unsigned width) {
    width = std::min(width, maxWidth);
    bool skip = wrapFlag_; // after a line ended by the width, one leading blank is dropped
    lineContinues_ = wrapFlag_;
    wrapFlag_ = true;
    ShortStr line;
    std::size_t breakLen = 0; // length of the line up to and including its last blank
    std::int64_t resume = 0;  // read position just after that blank
    for (;;) {
        if (TextDone()) return line;
        if (line.Length() > width) break;
        const bool inText = textPos_ >= 0; // kludge lines are never converted
        unsigned char c = NextChar();
        if (c == charCR) {
            wrapFlag_ = false;
            skipDropped();
            return line;
        }
        if (droppedByte(c)) continue;
        if (converter_ != nullptr && inText) c = converted(c);
        if (c == ' ') {
            if (line.Empty() && skip) {
                skip = false;
                continue;
            }
            line += static_cast<char>(c);
            breakLen = line.Length();
            resume = textPos_;
            continue;
        }
        line += static_cast<char>(c);
    }
    // The line is full. When nothing but blanks follows up to its line end it is one line, whole:
    // cutting it at its last blank, or an empty line after it, would show what is not there.
    if (onlyBlanksToLineEnd()) {
        wrapFlag_ = false;
        skipDropped();
        return line;
    }
    // Otherwise break it after its last blank, and read on from there next time.
    if (breakLen > 0) {
        textPos_ = resume;
        line = line.Left(breakLen);
    }
    skipDropped();
    return line;
}
