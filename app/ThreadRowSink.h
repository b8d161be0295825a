#pragma once
// Where the thread walk puts the rows it builds: the screen's list box, or text written as each
// thread completes. The walk hands over one thread at a time: BeginThread, its message rows in
// order, then EndThread with the header row that stands above them (its message count is known
// only once the thread is complete).

#include "Lib_Menu_ListBox.h"
#include "ShortStr.h"

#include <cstdint>

class TThreadRowSink {
public:
    virtual ~TThreadRowSink() = default;

    // False once no further row would be kept: the walk then builds no more rows and ends
    // after the thread in progress.
    virtual bool Accepting() const = 0;
    // A thread begins; false when its header row is not kept, and no EndThread follows then.
    virtual bool BeginThread() = 0;
    // A message row of the thread in progress.
    virtual void AddRow(const ShortStr& row) = 0;
    // The thread in progress is complete; header is its header row.
    virtual void EndThread(const ShortStr& header) = 0;
};

// The screen's list box as a sink: rows are added until it is full (TListBox::MaxItems), the
// header row at its place before the thread's first message row.
class TListBoxRows : public TThreadRowSink {
public:
    explicit TListBoxRows(TListBox& list) : list_(list) {}

    bool Accepting() const override;
    bool BeginThread() override;
    void AddRow(const ShortStr& row) override;
    void EndThread(const ShortStr& header) override;

private:
    TListBox& list_;
    std::int32_t headerRow_ = 0;
};
