#include "ThreadIndex.h"

#include "Lib_Strings.h"

#include <unordered_set>
#include <vector>

namespace {

constexpr int NumberWidth = 5;
constexpr int NameWidth = 18;

// The builder's state for one thread.
struct ThreadBuild {
    std::int32_t Counter = 0;
    // Scan positions already listed in this thread: a reply link that leads back to one of them
    // (a damaged base, or a link to a purged number landing on a later message) ends its branch
    // instead of looping.
    std::unordered_set<std::int64_t> Listed;
};

void AddMessageRow(TJamMsgBase& base, TReadState& readState, TListBox& list) {
    std::int32_t number = base.MsgNumber();
    list.Add(MessageRow(number, IsRead(readState, number), base.FromName(), base.SubjectText()), 0);
}

// Lists the replies below the current message: Reply1st first, with everything under it, then
// ReplyNext. An explicit stack keeps deep reply chains off the call stack; pushing ReplyNext
// before Reply1st gives the same order as walking the tree recursively.
void AddReplies(TJamMsgBase& base, TReadState& readState, TListBox& list, ThreadBuild& build) {
    std::vector<std::int32_t> pending;
    auto pushLinks = [&] {
        std::int32_t r1 = base.Reply1st();
        std::int32_t rn = base.ReplyNext();
        if (rn != 0) pending.push_back(rn);
        if (r1 != 0) pending.push_back(r1);
    };
    pushLinks();
    while (!pending.empty()) {
        std::int32_t n = pending.back();
        pending.pop_back();
        base.SeekNumber(n);
        if (!base.HasCurrent()) continue;
        if (!build.Listed.insert(base.CurNumber()).second) continue;
        base.LoadMessage();
        AddMessageRow(base, readState, list);
        ++build.Counter;
        pushLinks();
    }
}

void AddThread(TJamMsgBase& base, TReadState& readState, TListBox& list) {
    // The scan's own position, not the header's MsgNum: a damaged header must not send the walk
    // back to an earlier number.
    const std::int64_t rootPos = base.CurNumber();
    ThreadBuild build;
    build.Counter = 1;
    build.Listed.insert(rootPos);

    const bool headerAdded = list.ListMax < TListBox::MaxItems;
    list.Add("Thread", 0);
    const std::int32_t headerRow = list.ListMax;

    base.LoadMessage();
    AddMessageRow(base, readState, list);
    AddReplies(base, readState, list, build);

    base.SeekNumber(static_cast<std::int32_t>(rootPos));
    base.LoadMessage();
    if (!headerAdded) return;
    ShortStr text = "Thread (";
    text += IntToText(build.Counter);
    text += " msgs): ";
    text += base.SubjectText();
    list.List[headerRow].Name = text;
}

} // namespace

ShortStr MessageRow(std::int32_t number, bool read, const ShortStr& from, const ShortStr& subject) {
    ShortStr row = "  ";
    ShortStr digits = IntToText(number);
    row += digits.Length() > NumberWidth ? digits : AlignRight(digits, NumberWidth, ' ');
    row += read ? "   " : " N ";
    row += AlignLeft(from, NameWidth, ' ');
    row += "  ";
    row += subject;
    return row;
}

std::int32_t RowNumber(const ShortStr& row) {
    std::int64_t n = TextToInt(NthWord(1, row.View(), ' '));
    if (n < INT32_MIN || n > INT32_MAX) return 0;
    return static_cast<std::int32_t>(n);
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
    base.SeekNumber(0);
    while (base.HasCurrent()) {
        base.LoadHeader();
        if (base.ReplyTo() == 0) AddThread(base, readState, list);
        base.StepNext();
    }
}
