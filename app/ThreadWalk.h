#pragma once
// The thread walk itself, over any source of messages that behaves as a scan of the base does:
// the base read as it goes (ThreadIndex.cpp), or a plan of the whole base read beforehand
// (ThreadPlan.cpp). Keeping one walk for both is what makes their rows the same.
//
// A source stands on one message at a time and offers what TJamMsgBase offers during a scan:
// HasCurrent, CurNumber, SeekNumber (the first message at or after a number), StepNext,
// LoadHeader and LoadNames (a header that cannot be read leaves the previous header's fields and
// no names), the reply links and the names of the header loaded last, and Begin and End around
// the whole walk.

#include "ListedSet.h"
#include "ReadState.h"
#include "ShortStr.h"
#include "ThreadIndex.h"
#include "ThreadRowSink.h"

#include <cstdint>
#include <vector>

template <class Source> class TThreadWalk {
public:
    TThreadWalk(Source& source, TReadState& readState, TThreadRowSink& rows)
        : source_(source), readState_(readState), rows_(rows) {}

    // Every thread of the source, in index order. Once the sink takes no more rows and its last
    // thread is complete, nothing further can show: every later row, header rows included, would
    // be dropped, and asking for read marks changes nothing. The walk ends there.
    void Run() {
        source_.Begin();
        while (source_.HasCurrent() && rows_.Accepting()) {
            source_.LoadHeader();
            if (source_.ReplyTo() == 0) addThread();
            source_.StepNext();
        }
        source_.End();
    }

private:
    // Adds the row of the current message; its header is loaded already. A row that the sink
    // would drop is not built, and the names are not read for it: the message is only counted.
    // True when the names were loaded.
    bool addCurrentRow() {
        if (!rows_.Accepting()) return false;
        source_.LoadNames();
        const std::int32_t number = RowNumberOf(source_.CurNumber());
        rows_.AddRow(MessageRow(number, IsRead(readState_, number), source_.FromName(),
                                source_.SubjectText()));
        return true;
    }

    void pushLinks() {
        const std::int32_t r1 = source_.Reply1st();
        const std::int32_t rn = source_.ReplyNext();
        if (rn != 0) pending_.push_back(rn);
        if (r1 != 0) pending_.push_back(r1);
    }

    // Lists the replies below the current message: Reply1st first, with everything under it,
    // then ReplyNext. An explicit stack keeps deep reply chains off the call stack; pushing
    // ReplyNext before Reply1st gives the same order as walking the tree recursively.
    void addReplies() {
        pending_.clear();
        pushLinks();
        while (!pending_.empty()) {
            const std::int32_t n = pending_.back();
            pending_.pop_back();
            source_.SeekNumber(n);
            if (!source_.HasCurrent()) continue;
            if (!listed_.Insert(source_.CurNumber())) continue;
            // A message whose row can still be added is loaded with its names by
            // addCurrentRow; one that the sink would drop only needs its header, for the links.
            if (!rows_.Accepting())
                source_.LoadHeader();
            else
                addCurrentRow();
            ++counter_;
            pushLinks();
        }
    }

    void addThread() {
        // The scan's own position, not the header's MsgNum: a damaged header must not send the
        // walk back to an earlier number.
        const std::int64_t rootPos = source_.CurNumber();
        listed_.Clear();
        listed_.Insert(rootPos);
        counter_ = 1;

        const bool headerAdded = rows_.BeginThread();
        ShortStr subject;
        const bool named = addCurrentRow();
        if (named) subject = source_.SubjectText();
        addReplies();

        // Back on the root, so that the scan goes on after it; its subject is needed only for a
        // header row that was added, and is read again only when its row was not.
        source_.SeekNumber(static_cast<std::int32_t>(rootPos));
        if (!headerAdded) return;
        if (!named) {
            source_.LoadNames();
            subject = source_.SubjectText();
        }
        rows_.EndThread(ThreadHeaderRow(counter_, subject.View()));
    }

    Source& source_;
    TReadState& readState_;
    TThreadRowSink& rows_;
    // Scan positions already listed in this thread: a reply link that leads back to one of them
    // (a damaged base, or a link to a purged number landing on a later message) ends its branch
    // instead of looping.
    TListedSet listed_;
    std::int32_t counter_ = 0;
    std::vector<std::int32_t> pending_; // reply links still to follow
};
