#pragma once
// The thread walk itself, over any source of messages that behaves as a scan of the base does:
// the base read as it goes (ThreadIndex.cpp), or a plan of the whole base read beforehand
// (ThreadPlan.cpp). Keeping one walk for both is what makes their rows the same.
//
// A source stands on one message at a time and offers what TJamMsgBase offers during a scan:
// HasCurrent, CurNumber, SeekNumber (the first message at or after a number), StepNext,
// LoadHeader and LoadNames (a header that cannot be read leaves the previous header's fields and
// no names; HeaderRead tells), the reply links and the names of the header loaded last, Slot (the
// message's place in the index, from 0), FromId and SubjectId (the names' numbers in a name
// table), Place (its place in a plan, or -1), and Begin and End around the whole walk.
//
// A thread is headed by a message whose ReplyTo is 0, or by a reply that no such thread reaches
// and whose parent is gone (deleted, purged, never there) or does not lead to it through its
// replies: echo areas are purged every day, and their replies must still be listed. Threads come
// in the order of their heads.

#include "ListedSet.h"
#include "NameTable.h"
#include "PlaceBits.h"
#include "ReadState.h"
#include "ShortStr.h"
#include "ThreadIndex.h"
#include "ThreadRowSink.h"

#include <cstdint>
#include <vector>

// Sink is TThreadRowSink, or a sink class itself (final), whose calls then cost no dispatch.
template <class Source, class Sink = TThreadRowSink> class TThreadWalk {
public:
    TThreadWalk(Source& source, TReadState& readState, Sink& rows)
        : source_(source), readState_(readState), rows_(rows), names_(rows.Names()) {}

    // The source has places below places: the walk's bits are made room for at once, in
    // arena while it has room.
    void Expect(std::size_t places, const std::shared_ptr<TBulkArena>& arena) {
        listed_.Reserve(places, arena);
        byRoot_.Reserve(places, arena);
    }

    // Every thread of the source, in index order of their heads; the walk ends early only when
    // the sink takes no more rows.
    void Run() {
        source_.Begin();
        while (source_.HasCurrent() && rows_.Accepting()) {
            source_.LoadHeader();
            if (source_.ReplyTo() == 0)
                addThread(true);
            else if (headsThread())
                addThread(false);
            source_.StepNext();
        }
        source_.End();
    }

private:
    // Adds the row of the current message, its header loaded; keeps its subject for a head.
    [[gnu::always_inline]] void addCurrentRow() {
        if constexpr (Sink::TakesPlaces) {
            const std::int64_t place = source_.Place();
            if (place >= 0) {
                // The sink makes the row from the plan: only the links are needed here.
                source_.LoadHeader();
                rows_.AddPlace(place);
                return;
            }
        }
        addNamedRow();
    }

    // The row of the current message with its number, read mark and names (or their numbers).
    void addNamedRow() {
        source_.LoadNames();
        const std::int32_t number = RowNumberOf(source_.CurNumber());
        TMessageRow row;
        row.Number = number;
        row.Read = IsRead(readState_, number);
        row.Place = source_.Place();
        if (names_ == nullptr) {
            row.From = source_.FromName();
            row.Subject = source_.SubjectText();
        } else {
            // A sink with a name table takes the names' numbers, and of a message in a plan only
            // its place (the plan has its names) and, for a thread's header, its subject.
            if (row.Place < 0) row.FromId = source_.FromId(*names_);
            row.SubjectId = source_.SubjectId(*names_);
        }
        rows_.AddRow(row);
        lastSubjectId_ = row.SubjectId;
    }

    [[gnu::always_inline]] void pushLinks(bool withNext) {
        const std::int32_t r1 = source_.Reply1st();
        const std::int32_t rn = source_.ReplyNext();
        if (withNext && rn != 0) pending_.push_back(rn);
        if (r1 != 0) pending_.push_back(r1);
    }

    // Lists the replies below the current message: Reply1st first, with everything under it,
    // then ReplyNext. An explicit stack keeps deep reply chains off the call stack; pushing
    // ReplyNext before Reply1st gives the same order as walking the tree recursively. A root's
    // own ReplyNext is followed too; a reply heading a thread has only its replies under it,
    // not its siblings, which head threads of their own.
    void addReplies(bool root) {
        pending_.clear();
        pushLinks(root);
        while (!pending_.empty() && rows_.Accepting()) {
            const std::int32_t n = pending_.back();
            pending_.pop_back();
            source_.SeekNumber(n);
            if (!source_.HasCurrent()) continue;
            if (!listed_.Insert(source_.Slot())) continue;
            if (root) byRoot_.Set(source_.Slot());
            addCurrentRow();
            ++counter_;
            pushLinks(true);
        }
    }

    void addThread(bool root) {
        // The scan's own position, not the header's MsgNum: a damaged header must not send the
        // walk back to an earlier number.
        const std::int64_t headPos = source_.CurNumber();
        listed_.Clear();
        listed_.Insert(source_.Slot());
        if (root) byRoot_.Set(source_.Slot());
        counter_ = 1;
        if (!rows_.BeginThread()) return;
        addCurrentRow();
        // The head's subject, for the header row; by its number alone to a sink that takes
        // places (it keeps names, and the plan has the head's).
        ShortStr subject;
        std::uint32_t subjectId = lastSubjectId_;
        if constexpr (Sink::TakesPlaces)
            subjectId = source_.SubjectId(*names_);
        else
            subject = ShortStr(source_.SubjectText());
        addReplies(root);
        // Back on the head, so that the scan goes on after it.
        source_.SeekNumber(static_cast<std::int32_t>(headPos));
        rows_.EndThread(counter_, subject.View(), subjectId);
    }

    // Whether the current message, a reply, heads a thread of its own. Most replies are
    // listed already by the root thread before them and cost one look at a bit.
    bool headsThread() {
        if (byRoot_.Has(source_.Slot())) return false;
        const std::int64_t at = source_.CurNumber();
        const bool heads = !parentLeadsTo(at) && !reachedFromRoots(at);
        source_.SeekNumber(static_cast<std::int32_t>(at));
        source_.LoadHeader();
        return heads;
    }

    // Whether the current message's parent is there and names it among its replies (its
    // Reply1st, or a ReplyNext after that).
    bool parentLeadsTo(std::int64_t at) {
        const std::int32_t parent = source_.ReplyTo();
        if (parent <= 0) return false;
        source_.SeekNumber(parent);
        if (!source_.HasCurrent() || source_.CurNumber() != parent) return false;
        source_.LoadHeader();
        if (!source_.HeaderRead()) return false;
        chain_.Clear();
        for (std::int32_t next = source_.Reply1st(); next != 0; next = source_.ReplyNext()) {
            source_.SeekNumber(next);
            if (!source_.HasCurrent()) return false;
            if (source_.CurNumber() == at) return true;
            if (!chain_.Insert(source_.Slot())) return false; // the chain loops
            source_.LoadHeader();
            if (!source_.HeaderRead()) return false;
        }
        return false;
    }

    // Whether some root thread, this one's or a later one, reaches the message at position at.
    // Worked out once, for the whole base, when the first reply needs it: a damaged base may
    // link a later root to an earlier reply.
    bool reachedFromRoots(std::int64_t at) {
        if (!reachedKnown_) {
            reachedKnown_ = true;
            markReached();
        }
        source_.SeekNumber(static_cast<std::int32_t>(at));
        return source_.HasCurrent() && reached_.Has(source_.Slot());
    }

    void markReached() {
        source_.SeekNumber(0);
        while (source_.HasCurrent()) {
            source_.LoadHeader();
            if (source_.ReplyTo() == 0 && !reached_.Has(source_.Slot())) {
                const std::int64_t root = source_.CurNumber();
                reached_.Set(source_.Slot());
                pending_.clear();
                pushLinks(true);
                while (!pending_.empty()) {
                    source_.SeekNumber(pending_.back());
                    pending_.pop_back();
                    if (!source_.HasCurrent() || reached_.Has(source_.Slot())) continue;
                    reached_.Set(source_.Slot());
                    source_.LoadHeader();
                    pushLinks(true);
                }
                source_.SeekNumber(static_cast<std::int32_t>(root));
            }
            source_.StepNext();
        }
    }

    Source& source_;
    TReadState& readState_;
    Sink& rows_;
    TNameTable* names_;
    // Places already listed in this thread: a reply link that leads back to one of them
    // (a damaged base, or a link to a purged number landing on a later message) ends its branch
    // instead of looping.
    TListedSet listed_;
    TListedSet chain_; // the replies of a parent looked at for one of them
    std::int32_t counter_ = 0;
    std::uint32_t lastSubjectId_ = 0;
    std::vector<std::int32_t> pending_; // reply links still to follow
    // By index place: listed in a root thread so far, and (once asked) reached by any.
    TPlaceBits byRoot_;
    TPlaceBits reached_;
    bool reachedKnown_ = false;
};
