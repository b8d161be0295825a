#include "ThreadIndex.h"

#include "Lib_Strings.h"
#include "ListedSet.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

constexpr std::size_t numberWidth = 5;
constexpr std::size_t nameWidth = 18;

// What the walk works on, and the state of the thread being built.
struct ThreadBuild {
    TJamMsgBase& Base;
    TReadState& ReadState;
    TThreadRowSink& Rows;
    // Scan positions already listed in this thread: a reply link that leads back to one of them
    // (a damaged base, or a link to a purged number landing on a later message) ends its branch
    // instead of looping.
    TListedSet Listed;
    std::int32_t Counter = 0;
    std::vector<std::int32_t> Pending; // reply links still to follow
};

// Message numbers are signed 32-bit; anything beyond reads as "no number".
std::int32_t int32OrZero(std::int64_t n) {
    return n < INT32_MIN || n > INT32_MAX ? 0 : static_cast<std::int32_t>(n);
}

// Adds the row of the current message; its header is loaded already. A row that the sink would
// drop is not built, and the subfields are not read for it: the message is only counted. True
// when the names were loaded.
bool addCurrentRow(ThreadBuild& b) {
    if (!b.Rows.Accepting()) return false;
    b.Base.LoadNames();
    const std::int32_t number = ScanNumber(b.Base);
    b.Rows.AddRow(
        MessageRow(number, IsRead(b.ReadState, number), b.Base.FromName(), b.Base.SubjectText()));
    return true;
}

// Lists the replies below the current message: Reply1st first, with everything under it, then
// ReplyNext. An explicit stack keeps deep reply chains off the call stack; pushing ReplyNext
// before Reply1st gives the same order as walking the tree recursively.
void addReplies(ThreadBuild& b) {
    b.Pending.clear();
    auto pushLinks = [&] {
        std::int32_t r1 = b.Base.Reply1st();
        std::int32_t rn = b.Base.ReplyNext();
        if (rn != 0) b.Pending.push_back(rn);
        if (r1 != 0) b.Pending.push_back(r1);
    };
    pushLinks();
    while (!b.Pending.empty()) {
        std::int32_t n = b.Pending.back();
        b.Pending.pop_back();
        b.Base.SeekNumber(n);
        if (!b.Base.HasCurrent()) continue;
        if (!b.Listed.Insert(b.Base.CurNumber())) continue;
        // A message whose row can still be added is loaded with its names by addCurrentRow;
        // one that the sink would drop only needs its header, for the links.
        if (!b.Rows.Accepting())
            b.Base.LoadHeader();
        else
            addCurrentRow(b);
        ++b.Counter;
        pushLinks();
    }
}

void addThread(ThreadBuild& b) {
    // The scan's own position, not the header's MsgNum: a damaged header must not send the walk
    // back to an earlier number.
    const std::int64_t rootPos = b.Base.CurNumber();
    b.Listed.Clear();
    b.Listed.Insert(rootPos);
    b.Counter = 1;

    const bool headerAdded = b.Rows.BeginThread();
    ShortStr subject;
    const bool named = addCurrentRow(b);
    if (named) subject = b.Base.SubjectText();
    addReplies(b);

    // Back on the root, so that the scan goes on after it; its subject is needed only for a
    // header row that was added, and is read again only when its row was not.
    b.Base.SeekNumber(static_cast<std::int32_t>(rootPos));
    if (!headerAdded) return;
    if (!named) {
        b.Base.LoadNames();
        subject = b.Base.SubjectText();
    }
    ShortStr text = "Thread (";
    text += IntToText(b.Counter);
    text += " msgs): ";
    text += subject;
    b.Rows.EndThread(text);
}

} // namespace

std::int32_t ScanNumber(const TJamMsgBase& base) {
    return int32OrZero(base.CurNumber());
}

ShortStr MessageRow(std::int32_t number, bool read, const ShortStr& from, const ShortStr& subject) {
    // Built in place: a walk of a whole base makes one row per message.
    char row[ShortStr::MaxLen * 2];
    std::size_t at = 0;
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
    const std::size_t pad = length < numberWidth ? numberWidth - length : 0;
    std::memset(row, ' ', 2 + pad);
    at = 2 + pad;
    std::memcpy(row + at, digits + first, length);
    at += length;
    std::memcpy(row + at, read ? "   " : " N ", 3);
    at += 3;
    const std::size_t name = std::min<std::size_t>(from.Length(), nameWidth);
    std::memcpy(row + at, from.Data(), name);
    std::memset(row + at + name, ' ', nameWidth - name + 2);
    at += nameWidth + 2;
    std::memcpy(row + at, subject.Data(), subject.Length());
    at += subject.Length();
    return ShortStr(std::string_view(row, std::min<std::size_t>(at, ShortStr::MaxLen)));
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

void BuildThreadIndex(TJamMsgBase& base, TReadState& readState, TListBox& list) {
    TListBoxRows rows(list);
    BuildThreadIndex(base, readState, rows);
}

void BuildThreadIndex(TJamMsgBase& base, TReadState& readState, TThreadRowSink& rows) {
    ThreadBuild build{base, readState, rows, TListedSet(), 0, {}};
    // One scan: the files are taken as they stand now, so that a step costs no system call.
    base.BeginScan();
    base.SeekNumber(0);
    // Once the sink takes no more rows and its last thread is complete, nothing further can show:
    // every later row, header rows included, would be dropped, and asking for read marks changes
    // nothing. The walk ends there instead of reading the rest of a large base.
    while (base.HasCurrent() && rows.Accepting()) {
        base.LoadHeader();
        if (base.ReplyTo() == 0) addThread(build);
        base.StepNext();
    }
    base.EndScan();
}
