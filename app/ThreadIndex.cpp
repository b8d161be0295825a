#include "ThreadIndex.h"

#include "Lib_Strings.h"
#include "ThreadWalk.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// Message numbers are signed 32-bit; anything beyond reads as "no number".
std::int32_t int32OrZero(std::int64_t n) {
    return n < INT32_MIN || n > INT32_MAX ? 0 : static_cast<std::int32_t>(n);
}

constexpr std::size_t numberWidth = 5;

// The base as the walk's source, read as the walk goes, as one scan.
// With converters, the names of a message in another charset than their page are converted.
class BaseSource {
public:
    BaseSource(TJamMsgBase& base, TPageConverters* converters)
        : base_(base), converters_(converters) {}

    void Begin() {
        // One scan: the files are taken as they stand now, so that a step costs no system call.
        base_.BeginScan();
        base_.SeekNumber(0);
    }
    void End() { base_.EndScan(); }
    bool HasCurrent() { return base_.HasCurrent(); }
    std::int64_t CurNumber() const { return base_.CurNumber(); }
    void SeekNumber(std::int32_t n) { base_.SeekNumber(n); }
    void StepNext() { base_.StepNext(); }
    void LoadHeader() { base_.LoadHeader(); }
    void LoadNames() {
        base_.LoadNames();
        from_ = base_.FromName();
        subject_ = base_.SubjectText();
        if (converters_ == nullptr) return;
        const TCharsetConverter& converter = converters_->For(base_.MessageCharset());
        if (converter.Identity()) return;
        from_ = converter.Convert(FirstChars(from_.View(), base_.MessageCharset(), RowNameWidth));
        subject_ = converter.Convert(subject_.View());
    }
    std::int32_t ReplyTo() const { return base_.ReplyTo(); }
    std::int32_t Reply1st() const { return base_.Reply1st(); }
    std::int32_t ReplyNext() const { return base_.ReplyNext(); }
    const ShortStr& FromName() const { return from_; }
    const ShortStr& SubjectText() const { return subject_; }
    bool HeaderRead() const { return base_.HeaderBytes() != 0; }
    std::size_t Slot() const {
        return static_cast<std::size_t>(base_.CurNumber() - std::int64_t{base_.BaseMsgNum()});
    }
    std::uint32_t FromId(TNameTable& names) const {
        return names.Intern(from_.View().substr(0, RowNameWidth));
    }
    std::uint32_t SubjectId(TNameTable& names) const { return names.Intern(subject_.View()); }
    std::int64_t Place() const { return -1; } // no plan

private:
    TJamMsgBase& base_;
    TPageConverters* converters_;
    ShortStr from_;
    ShortStr subject_;
};

} // namespace

std::int32_t ScanNumber(const TJamMsgBase& base) {
    return int32OrZero(base.CurNumber());
}

ShortStr ThreadHeaderRow(std::int32_t messages, std::string_view subject) {
    ShortStr text = "Thread (";
    text += IntToText(messages);
    text += " msgs): ";
    text += subject;
    return text;
}

ShortStr MessageRow(std::int32_t number, bool read, std::string_view from,
                    std::string_view subject) {
    // Written straight into the row: a walk of a whole base makes one row per message. The
    // columns up to the subject take at most 2 + 11 + 3 + 18 + 2 bytes, all within the first 64.
    ShortStr row;
    char* out = row.MutableData();
    std::memset(out, ' ', 64);
    char digits[12];
    std::size_t first = sizeof digits;
    std::uint32_t magnitude =
        number < 0 ? 0u - static_cast<std::uint32_t>(number) : static_cast<std::uint32_t>(number);
    do {
        digits[--first] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (number < 0) digits[--first] = '-';
    const std::size_t length = sizeof digits - first;
    std::size_t at = 2 + (length < numberWidth ? numberWidth - length : 0);
    std::memcpy(out + at, digits + first, length);
    at += length;
    if (!read) out[at + 1] = 'N';
    at += 3;
    const std::size_t name = std::min<std::size_t>(from.size(), RowNameWidth);
    // An empty view may have no bytes at all behind it.
    if (name != 0) std::memcpy(out + at, from.data(), name);
    at += RowNameWidth + 2;
    const std::size_t said = std::min(subject.size(), ShortStr::MaxLen - at);
    if (said != 0) std::memcpy(out + at, subject.data(), said);
    row.SetLength(at + said);
    return row;
}

std::int32_t RowNumber(const ShortStr& row) {
    return int32OrZero(TextToInt(NthWord(1, row.View(), ' ')));
}

std::size_t ReadMarkIndex(const ShortStr& row) {
    std::string_view text = row.View();
    std::size_t start = text.find_first_not_of(' ');
    if (start == std::string_view::npos) return text.size();
    std::size_t end = text.find(' ', start);
    if (end == std::string_view::npos) return text.size();
    return end + 1;
}

void BuildThreadIndex(TJamMsgBase& base, TReadState& readState, TThreadRowSink& rows,
                      TPageConverters* converters) {
    BaseSource source(base, converters);
    TThreadWalk<BaseSource>(source, readState, rows).Run();
}
