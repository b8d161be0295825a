#pragma once
// Where the thread walk puts the rows it builds: the screen's thread list, or text written as
// each thread completes. The walk hands over one thread at a time: BeginThread, its message rows
// in order, then EndThread with what the header row above them says (its message count is known
// only once the thread is complete).

#include "Lib_CodePage.h"
#include "Lib_Memory.h"
#include "NameTable.h"
#include "ShortStr.h"

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

// One message row as the walk finds it. A sink without a name table gets the names as views,
// valid until the walk moves on; a sink with one (Names) gets their numbers in it instead, and
// of a message in a plan only its subject's (its place leads to the rest).
struct TMessageRow {
    std::int32_t Number = 0;
    bool Read = false;
    std::string_view From; // the sender; the row shows its first RowNameWidth bytes
    std::string_view Subject;
    std::uint32_t FromId = 0;
    std::uint32_t SubjectId = 0;
    // The message's place in the plan the walk runs over (see TPlanMessages), or -1.
    std::int64_t Place = -1;
};

// What a plan of the whole base knows of each message by its place (the order of the index):
// the number its rows show, and the numbers of its sender (cut to the row's width) and subject
// in the sink's name table.
struct TPlanMessages {
    TBulkVector<std::int32_t> Numbers;
    TBulkVector<std::uint32_t> From;
    TBulkVector<std::uint32_t> Subject;
};

class TThreadRowSink {
public:
    virtual ~TThreadRowSink() = default;

    // A sink class that makes a planned message's row from the plan itself (its number, names
    // and read mark, when the row is shown) and takes a thread's subject by its number says so
    // here, and has Names and AddPlace: a walk over a plan hands it places only.
    static constexpr bool TakesPlaces = false;

    // False once no further row would be kept (the text output failed): the walk then ends.
    virtual bool Accepting() const = 0;
    // A thread begins; false when its rows are not kept, and no EndThread follows then.
    virtual bool BeginThread() = 0;
    // A message row of the thread in progress.
    virtual void AddRow(const TMessageRow& row) = 0;
    // The thread in progress is complete: messages rows, under the head's subject.
    virtual void EndThread(std::int32_t messages, std::string_view subject,
                           std::uint32_t subjectId) = 0;
    // The table in which the walk keeps the names of the rows it hands over, sender cut to the
    // row's width, so that a sink that keeps rows keeps numbers; nullptr for a sink that takes
    // the texts as they come.
    virtual TNameTable* Names() { return nullptr; }
    // About this many message rows and threads are coming (a hint, before the first).
    // A block it may take their memory from while it has room (the plan's, whose pages are
    // there already), or none.
    virtual void Expect(std::size_t, std::size_t, const std::shared_ptr<TBulkArena>& = nullptr) {}
    // The display page the names of the rows are in (before the first row).
    virtual void UsePage(CodePage::Id) {}
    // After a walk over a plan, whose rows came with their places: the plan's messages, for a
    // sink that keeps rows as places rather than copies.
    virtual void TakePlanMessages(TPlanMessages&&) {}
};

// A sink of row texts, laid out as the list shows them.
class TThreadTextSink : public TThreadRowSink {
public:
    void AddRow(const TMessageRow& row) final;
    void EndThread(std::int32_t messages, std::string_view subject, std::uint32_t subjectId) final;

    virtual void AddRowText(const ShortStr& row) = 0;
    virtual void EndThreadText(const ShortStr& header) = 0;
};
