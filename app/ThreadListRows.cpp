#include "ThreadListRows.h"

#include "Lib_Memory.h"
#include "ThreadIndex.h"

void TThreadListRows::Expect(std::size_t messages, std::size_t threads,
                             const std::shared_ptr<TBulkArena>& arena) {
    // A row for every message and a header row for every thread, in one block (asked before
    // the first row: rows kept already stay where they are): the one given while it has room
    // for them, else one of their own.
    if (!rows_.empty()) return;
    const std::size_t bytes =
        (messages + threads) * sizeof(std::uint32_t) + threads * sizeof(Header) + 16;
    const std::shared_ptr<TBulkArena> block =
        arena && arena->Room() >= bytes ? arena : std::make_shared<TBulkArena>(bytes);
    ReserveIn(rows_, block, messages + threads);
    ReserveIn(headers_, block, threads);
}

void TThreadListRows::keepRow(const TMessageRow& row) {
    rows_.push_back(static_cast<std::uint32_t>(messages_.Numbers.size()));
    messages_.Numbers.push_back(row.Number);
    messages_.From.push_back(row.FromId);
    messages_.Subject.push_back(row.SubjectId);
}

std::int32_t TThreadListRows::Number(std::int32_t i) const {
    const std::uint32_t r = row(i);
    return (r & headerMark_) != 0 ? 0 : messages_.Numbers[r];
}

ShortStr TThreadListRows::Text(std::int32_t i) const {
    const std::uint32_t r = row(i);
    if ((r & headerMark_) != 0) {
        const Header& h = headers_[r & ~headerMark_];
        return ThreadHeaderRow(h.Size, names_.Text(h.Subject));
    }
    const std::int32_t number = messages_.Numbers[r];
    return MessageRow(number, IsRead(readState_, number), names_.Text(messages_.From[r]),
                      names_.Text(messages_.Subject[r]));
}

std::int32_t TThreadListRows::HeaderOf(std::int32_t i) const {
    while (i > 1 && !IsHeader(i)) --i;
    return i;
}

std::int32_t TThreadListRows::NextUnread(std::int32_t from, bool back) const {
    const std::int32_t count = Count();
    // Round to the selected row itself last: when it is the only one unread, the bar stays.
    for (std::int32_t step = 1; step <= count; ++step) {
        std::int32_t i = from + (back ? -step : step);
        if (i > count) i -= count;
        if (i < 1) i += count;
        const std::int32_t n = Number(i);
        if (n > 0 && !IsRead(readState_, n)) return i;
    }
    return 0;
}

void TThreadListRows::MarkThread(std::int32_t i, bool read, TReadState& marks) const {
    if (Count() == 0) return;
    for (std::int32_t r = HeaderOf(i) + 1; r <= Count() && !IsHeader(r); ++r) {
        if (read)
            MarkRead(marks, Number(r));
        else
            MarkUnread(marks, Number(r));
    }
}

void TThreadListRows::MarkAllRead(TReadState& marks) const {
    for (const std::int32_t n : messages_.Numbers) MarkRead(marks, n);
}
