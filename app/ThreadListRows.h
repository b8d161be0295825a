#pragma once
// TThreadListRows: the thread list the screen shows, every row of the base however many. A row
// is kept as a number: a message's place in a table of messages (its number and its names as
// numbers in a name table that keeps each distinct name once), or a thread's header (its size and
// subject). After a walk over a plan, that table is the plan's own. A row's text is made only
// when the list box draws or searches it, so that a base of hundreds of thousands of messages
// takes a few megabytes. The "N" of a message row is read from the read marks each time, so it
// changes as soon as a mark does.

#include "Lib_Memory.h"
#include "Lib_Menu_ListBox.h"
#include "NameTable.h"
#include "ReadState.h"
#include "ThreadRowSink.h"

#include <cstdint>
#include <string_view>
#include <vector>

class TThreadListRows final : public TThreadRowSink, public TListRows {
public:
    explicit TThreadListRows(const TReadState& readState) : readState_(readState) {}

    // The walk's side.
    static constexpr bool TakesPlaces = true;
    void AddPlace(std::int64_t place) { rows_.push_back(static_cast<std::uint32_t>(place)); }
    bool Accepting() const override { return true; }
    bool BeginThread() override {
        // The header row's place is taken now; its count follows once the thread is complete.
        rows_.push_back(headerMark_ | static_cast<std::uint32_t>(headers_.size()));
        headers_.push_back(Header{});
        return true;
    }
    void AddRow(const TMessageRow& row) override {
        if (row.Place >= 0)
            AddPlace(row.Place);
        else
            keepRow(row);
    }
    void EndThread(std::int32_t messages, std::string_view, std::uint32_t subjectId) override {
        headers_.back() = Header{messages > 0 ? messages : 1, subjectId};
    }
    TNameTable* Names() override { return &names_; }
    void Expect(std::size_t messages, std::size_t threads,
                const std::shared_ptr<TBulkArena>& arena = nullptr) override;
    void TakePlanMessages(TPlanMessages&& messages) override { messages_ = std::move(messages); }

    // The list box's side.
    std::int32_t Count() const override { return static_cast<std::int32_t>(rows_.size()); }
    ShortStr Text(std::int32_t i) const override;
    bool IsSeparator(std::int32_t) const override { return false; }

    // Row i is a thread's header row.
    bool IsHeader(std::int32_t i) const { return (row(i) & headerMark_) != 0; }
    // The message number row i shows; 0 on a header row.
    std::int32_t Number(std::int32_t i) const;
    // The header row of the thread that row i belongs to (i itself on a header row).
    std::int32_t HeaderOf(std::int32_t i) const;
    // The number of messages of the thread whose header row is h.
    std::int32_t ThreadSize(std::int32_t h) const { return header(h).Size; }

    // The next (or, back, the previous) row after row from that shows an unread message, round
    // the list once to row from itself; 0 when there is none.
    std::int32_t NextUnread(std::int32_t from, bool back) const;
    // Marks every message of row i's thread read, or unread.
    void MarkThread(std::int32_t i, bool read, TReadState& marks) const;
    // Marks every message of the list read.
    void MarkAllRead(TReadState& marks) const;

private:
    struct Header {
        std::int32_t Size = 1;
        std::uint32_t Subject = 0;
    };
    static constexpr std::uint32_t headerMark_ = 0x80000000u;

    // A row of a walk through the files: the message is kept here.
    void keepRow(const TMessageRow& row);
    std::uint32_t row(std::int32_t i) const { return rows_[static_cast<std::size_t>(i - 1)]; }
    const Header& header(std::int32_t i) const { return headers_[row(i) & ~headerMark_]; }

    const TReadState& readState_;
    TNameTable names_;
    TPlanMessages messages_;
    // A message's place in messages_, or headerMark_ and a place in headers_.
    TBulkVector<std::uint32_t> rows_;
    TBulkVector<Header> headers_;
};
