#include "ThreadPlan.h"

#include "Lib_Memory.h"
#include "Lib_MsgBase_JAM_HeldRun.h"
#include "NameTable.h"
#include "ThreadIndex.h"
#include "ThreadListRows.h"
#include "ThreadWalk.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <vector>

namespace {

// The header fields the walk asks of the header in memory.
struct Links {
    std::int32_t ReplyTo = 0;
    std::int32_t Reply1st = 0;
    std::int32_t ReplyNext = 0;
};

// Every message of the base that is not deleted, in index order.
static_assert(static_cast<unsigned>(Charset::Id::Utf8) < 32, "a bit for each charset");

struct Plan {
    explicit Plan(TNameTable& names) : Names(names) {}

    TPlanMessages Messages; // numbers and names, by place
    // What the walk asks of each message, by place. It reads ReplyTo of every message in turn,
    // but jumps from reply to reply across the whole plan for Reply1st and ReplyNext: those lie
    // apart, 8 bytes a message, so that more of them stay in the processor's caches.
    struct Jump {
        std::int32_t Reply1st;
        std::int32_t ReplyNext;
    };
    TBulkVector<std::int32_t> ReplyTo;
    TBulkVector<Jump> Jumps;
    TBulkVector<std::uint64_t> Readable; // a bit a place: its header could be read
    TBulkVector<Charset::Id> Charsets;   // what each message says it is written in
    bool IsReadable(std::size_t at) const { return ((Readable[at / 64] >> (at % 64)) & 1) != 0; }
    // Where the names are kept: the sink's own table, when it keeps rows, so that the numbers
    // the walk hands over are its own.
    TNameTable& Names;
    // By subject: the subject last seen on a reply to a message of that subject ("Re: " and
    // the subject, mostly), or noSubject.
    std::vector<std::uint32_t> ReplySubject;
    // The header in memory before the walk: a header that cannot be read leaves it standing.
    Links Before;
    // A bit for each charset the messages say they are written in, and the messages whose
    // ReplyTo is 0 (each heads a thread).
    std::uint32_t SaidCharsets = 0;
    std::size_t Roots = 0;
};

// A message's number, names, ReplyTo and two links, its charset, and (rounded up) its bit.
constexpr std::size_t bytesPerMessage =
    4 * sizeof(std::uint32_t) + sizeof(Plan::Jump) + sizeof(Charset::Id) + 1;

// The script a UTF-8 message is written in, as its names' letters say (the other charsets say
// theirs by name).
Charset::Script utf8ScriptOf(const TJamMsgBase::TNameViews& names) {
    const Charset::Script subject = Charset::ScriptOfUtf8(names.Subject);
    return subject != Charset::Script::None ? subject : Charset::ScriptOfUtf8(names.From);
}

// The search of firstAtOrAfter where the message is not where a base without gaps has it.
std::size_t firstAtOrAfterSlow(std::span<const std::int32_t> numbers, std::int32_t n,
                               std::size_t within) {
    // When every one of them is lower, the one after them is higher (or there is none).
    return static_cast<std::size_t>(
        std::lower_bound(numbers.begin(), numbers.begin() + within + 1, n) - numbers.begin());
}

// The place of the first message numbered n or more. Numbers rise by at least one a message, so
// the one sought stands at most n - first places in; in a base with nothing deleted, exactly
// there.
inline std::size_t firstAtOrAfter(std::span<const std::int32_t> numbers, std::int32_t n) {
    if (numbers.empty() || n <= numbers.front()) return 0;
    const std::size_t within = std::min<std::size_t>(
        static_cast<std::size_t>(std::int64_t{n} - numbers.front()), numbers.size() - 1);
    if (numbers[within] == n) return within;
    return firstAtOrAfterSlow(numbers, n, within);
}

constexpr std::uint32_t noSubject = 0xFFFFFFFF;

// The number of the subject of a reply that differs from its parent's (number parentSubject):
// the one a reply to a message of that subject had before ("Re: " and the subject, mostly), or
// else looked up.
std::uint32_t otherReplySubjectId(Plan& plan, std::uint32_t parentSubject,
                                  std::string_view subject) {
    std::vector<std::uint32_t>& replies = plan.ReplySubject;
    if (parentSubject >= replies.size()) replies.resize(plan.Names.Count(), noSubject);
    std::uint32_t& known = replies[parentSubject];
    if (known == noSubject || !plan.Names.Is(known, subject)) known = plan.Names.Intern(subject);
    return known;
}

// The number of the subject of the message the plan takes after the taken ones. A reply mostly
// has its parent's subject, whose number is taken without looking the text up, once the two
// texts are seen to be the same. Inlined into the scan, which asks it for every message.
[[gnu::always_inline]] inline std::uint32_t
subjectId(Plan& plan, std::size_t taken, std::int32_t parent, std::string_view subject) {
    if (parent > 0) {
        // Only a message before this one has its subject in the plan yet (a damaged header may
        // name the message itself, or one further on, as its parent).
        const std::span<const std::int32_t> before =
            std::span<const std::int32_t>(plan.Messages.Numbers).first(taken);
        const std::size_t at = firstAtOrAfter(before, parent);
        if (at < taken && before[at] == parent && plan.IsReadable(at)) {
            const std::uint32_t parentSubject = plan.Messages.Subject[at];
            if (plan.Names.Is(parentSubject, subject)) return parentSubject;
            return otherReplySubjectId(plan, parentSubject, subject);
        }
    }
    return plan.Names.Intern(subject);
}

// Reads the plan of the base in one scan, and counts the messages of each script the whole base
// declares. False when the plan would take more than budget (the counting goes on to the end),
// or when the base changed while it was read (the walk through the files then takes the base as
// it is).
bool readPlan(TJamMsgBase& base, std::size_t budget, Plan& plan, Charset::TScriptCounts& counts) {
    plan.Before = {base.ReplyTo(), base.Reply1st(), base.ReplyNext()};
    // Put back afterwards, so that a walk through the files finds the header in memory as the
    // plan found it.
    const TJamMsgBase::THeaderFixed before = base.HeaderFixed();
    base.BeginScan(true);
    const std::int64_t records =
        std::max<std::int64_t>(0, base.LastNumber() - std::int64_t{base.BaseMsgNum()} + 1);
    const auto most = static_cast<std::size_t>(records);
    bool whole = static_cast<std::uint64_t>(records) <= budget / bytesPerMessage;
    if (whole) {
        // Room for every index record, in one block: the arrays are filled front to back. (The
        // few bytes more are for aligning each array.)
        const auto arena = std::make_shared<TBulkArena>(most * bytesPerMessage + 64);
        ReserveIn(plan.Messages.Numbers, arena, most);
        ReserveIn(plan.ReplyTo, arena, most);
        ReserveIn(plan.Jumps, arena, most);
        ReserveIn(plan.Charsets, arena, most);
        ReserveIn(plan.Readable, arena, most / 64 + 1);
        plan.Readable.resize(most / 64 + 1, 0);
        ReserveIn(plan.Messages.From, arena, most);
        ReserveIn(plan.Messages.Subject, arena, most);
        plan.Names.UseArena(arena);
    }
    // The arrays are sized for every record at once, written by place and cut to the messages
    // taken at the end: a push onto each of six arrays was a measurable part of the scan.
    auto sizeArrays = [&plan](std::size_t n) {
        plan.Messages.Numbers.resize(n);
        plan.ReplyTo.resize(n);
        plan.Jumps.resize(n);
        plan.Charsets.resize(n);
        plan.Messages.From.resize(n);
        plan.Messages.Subject.resize(n);
    };
    if (whole) sizeArrays(most);
    std::int32_t* const numbers = plan.Messages.Numbers.data();
    std::int32_t* const replyTo = plan.ReplyTo.data();
    Plan::Jump* const jumps = plan.Jumps.data();
    Charset::Id* const charsets = plan.Charsets.data();
    std::uint32_t* const from = plan.Messages.From.data();
    std::uint32_t* const subjects = plan.Messages.Subject.data();
    std::size_t taken = 0;
    const std::size_t arrays = most * bytesPerMessage;
    std::size_t known = plan.Names.Count(); // names the budget was checked with
    // Messages by the charset they say they are written in.
    std::array<std::uint32_t, static_cast<std::size_t>(Charset::Id::Utf8) + 1> said{};
    // A message into the plan: its links are its header's when it could be read (read), else
    // those the header before it left.
    // Inlined where it is called (a call for every message is a measurable part of the scan).
    auto take = [&](std::int64_t number, const Links& links, const TJamMsgBase::TNameViews& names,
                    bool read) __attribute__((always_inline)) {
        // The scripts are counted by charset at the end; a UTF-8 message's names tell its own.
        ++said[static_cast<std::size_t>(names.Charset)];
        if (names.Charset == Charset::Id::Utf8)
            ++counts[static_cast<std::size_t>(utf8ScriptOf(names))];
        if (!whole) return;
        const std::size_t at = taken++;
        numbers[at] = RowNumberOf(number);
        replyTo[at] = links.ReplyTo;
        jumps[at] = {links.Reply1st, links.ReplyNext};
        charsets[at] = names.Charset;
        if (read) plan.Readable[at / 64] |= std::uint64_t{1} << (at % 64);
        if (links.ReplyTo == 0) ++plan.Roots;
        // A header that cannot be read has no names. A sender is kept as far as the row shows
        // it, a UTF-8 character whole.
        from[at] = plan.Names.Intern(read ? FirstChars(names.From, names.Charset, RowNameWidth)
                                          : std::string_view());
        subjects[at] =
            read ? subjectId(plan, at, links.ReplyTo, names.Subject) : plan.Names.Intern({});
        // The arrays are reserved whole: only new names can pass the budget.
        if (plan.Names.Count() != known) {
            known = plan.Names.Count();
            whole = arrays + plan.Names.Bytes() +
                        plan.ReplySubject.capacity() * sizeof(std::uint32_t) <=
                    budget;
        }
    };
    base.SeekNumber(0);
    // A base grown past the records it had when the scan began has changed: no more is read.
    for (std::size_t scanned = 0; base.HasCurrent() && scanned < most;) {
        // Most messages come in runs that the block caches hold; the others one at a time.
        const std::size_t got =
            base.ReadHeldRun(most - scanned, [&](const TJamMsgBase::THeldMessage& m) {
                take(m.Number, {m.ReplyTo, m.Reply1st, m.ReplyNext}, m.Names, true);
            });
        scanned += got;
        if (got != 0) continue;
        const TJamMsgBase::TNameViews names = base.LoadNameViews();
        take(base.CurNumber(), {base.ReplyTo(), base.Reply1st(), base.ReplyNext()}, names,
             base.HeaderBytes() != 0);
        base.StepNext();
        ++scanned;
    }
    sizeArrays(taken);
    for (std::size_t c = 0; c < said.size(); ++c) {
        if (said[c] == 0) continue;
        plan.SaidCharsets |= std::uint32_t{1} << c;
        const auto charset = static_cast<Charset::Id>(c);
        if (charset != Charset::Id::Utf8)
            counts[static_cast<std::size_t>(Charset::ScriptOf(charset))] += said[c];
    }
    whole = whole && !base.HasCurrent() && base.ScanChanges() == 0;
    // A plan given up gives its block back: the names it kept stay, in memory of their own.
    if (!whole) plan.Names.UseArena(nullptr);
    base.EndScan();
    base.RestoreHeaderFixed(before);
    return whole;
}

// The names of the messages written in another charset than the page, converted into it: each
// distinct name of each charset once.
void convertNames(Plan& plan, TPageConverters& converters) {
    std::unordered_map<std::uint64_t, std::uint32_t> done;
    auto converted = [&](std::uint32_t id, Charset::Id charset, std::size_t chars) {
        const std::uint64_t key = std::uint64_t{id} << 8 | static_cast<std::uint8_t>(charset);
        const auto found = done.find(key);
        if (found != done.end()) return found->second;
        const std::string text = converters.For(charset).Convert(plan.Names.Text(id), chars);
        return done[key] = plan.Names.Intern(text);
    };
    // Whether each charset the base has needs converting (a converter made is a table worked
    // out): mostly none does, and the messages are not looked at.
    std::array<bool, static_cast<std::size_t>(Charset::Id::Utf8) + 1> needs{};
    bool any = false;
    for (std::size_t c = 0; c < needs.size(); ++c) {
        if (((plan.SaidCharsets >> c) & 1) == 0) continue;
        needs[c] = !converters.For(static_cast<Charset::Id>(c)).Identity();
        any = any || needs[c];
    }
    if (!any) return;
    for (std::size_t i = 0; i < plan.Charsets.size(); ++i) {
        const Charset::Id charset = plan.Charsets[i];
        if (!needs[static_cast<std::size_t>(charset)]) continue;
        plan.Messages.From[i] = converted(plan.Messages.From[i], charset, RowNameWidth);
        plan.Messages.Subject[i] = converted(plan.Messages.Subject[i], charset, std::string::npos);
    }
}

// The plan as the walk's source: a scan of the base as it stood when the plan was read.
class PlanSource {
public:
    explicit PlanSource(const Plan& plan)
        : plan_(plan), numbers_(plan.Messages.Numbers), before_(plan.Before) {}

    void Begin() { at_ = 0; }
    void End() {}
    bool HasCurrent() const { return at_ < numbers_.size(); }
    std::int64_t CurNumber() const { return numbers_[at_]; }
    // The first message numbered n or more.
    void SeekNumber(std::int32_t n) { at_ = firstAtOrAfter(numbers_, n); }
    void StepNext() {
        if (HasCurrent()) ++at_;
    }
    void LoadHeader() { load(false); }
    void LoadNames() { load(true); }
    // The links of the header loaded last that could be read, or of the one before the walk.
    std::int32_t ReplyTo() const {
        return linksAt_ == none ? before_.ReplyTo : plan_.ReplyTo[linksAt_];
    }
    std::int32_t Reply1st() const {
        return linksAt_ == none ? before_.Reply1st : plan_.Jumps[linksAt_].Reply1st;
    }
    std::int32_t ReplyNext() const {
        return linksAt_ == none ? before_.ReplyNext : plan_.Jumps[linksAt_].ReplyNext;
    }
    // Looked up only when asked: a sink that keeps rows takes the names' numbers instead.
    std::string_view FromName() const {
        return named() ? plan_.Names.Text(plan_.Messages.From[namedAt_]) : std::string_view();
    }
    std::string_view SubjectText() const {
        return named() ? plan_.Names.Text(plan_.Messages.Subject[namedAt_]) : std::string_view();
    }
    bool HeaderRead() const { return HasCurrent() && plan_.IsReadable(at_); }
    std::size_t Slot() const { return at_; }
    // The plan's names are kept in the sink's table already.
    std::uint32_t FromId(TNameTable&) const { return plan_.Messages.From[at_]; }
    std::uint32_t SubjectId(TNameTable&) const { return plan_.Messages.Subject[at_]; }
    std::int64_t Place() const { return static_cast<std::int64_t>(at_); }

private:
    // As the base loads a header: the names are emptied, and a header that cannot be read
    // leaves the fields of the one before.
    void load(bool names) {
        namedAt_ = none;
        if (!HasCurrent() || !plan_.IsReadable(at_)) return;
        linksAt_ = at_;
        if (names) namedAt_ = at_;
    }
    bool named() const { return namedAt_ != none; }

    static constexpr std::size_t none = SIZE_MAX;

    const Plan& plan_;
    // The plan's numbers, which stay as they are through the walk: their size is asked at
    // every step.
    const std::span<const std::int32_t> numbers_;
    std::size_t at_ = 0;
    const Links before_;
    std::size_t linksAt_ = none; // the message whose links are the header's in memory, if any
    std::size_t namedAt_ = none; // the message whose names were loaded last, if they were
};

} // namespace

ThreadListWalk BuildWholeThreadIndex(TJamMsgBase& base, TReadState& readState, TThreadRowSink& rows,
                                     std::size_t budget) {
    TDisplayPage page;
    return BuildWholeThreadIndex(base, readState, rows, page, budget);
}

ThreadListWalk BuildWholeThreadIndex(TJamMsgBase& base, TReadState& readState, TThreadRowSink& rows,
                                     TDisplayPage& page, std::size_t budget) {
    std::unique_ptr<TPageConverters> converters;
    {
        TNameTable ownNames;
        TNameTable* names = rows.Names();
        Plan plan(names != nullptr ? *names : ownNames);
        Charset::TScriptCounts counts{};
        const bool planned = readPlan(base, budget, plan, counts);
        if (!page.Fixed) page.Chosen = Charset::ChoosePage(counts, page.Locale);
        converters = std::make_unique<TPageConverters>(page.Chosen);
        rows.UsePage(page.Chosen);
        if (planned) {
            convertNames(plan, *converters);
            // Every message, and a thread for every root (orphans come on top).
            // The plan's block, on large pages, mostly has room left for the rows too.
            // A copy: get_allocator gives a temporary, and a reference to its block would dangle.
            const std::shared_ptr<TBulkArena> arena = plan.Messages.Numbers.get_allocator().Arena();
            const std::size_t places = plan.Messages.Numbers.size();
            rows.Expect(places, plan.Roots, arena);
            PlanSource source(plan);
            // The screen's rows are taken without a call for each.
            auto walk = [&](auto& sink) {
                TThreadWalk<PlanSource, std::remove_reference_t<decltype(sink)>> w(source,
                                                                                   readState, sink);
                w.Expect(places, arena);
                w.Run();
            };
            if (auto* list = dynamic_cast<TThreadListRows*>(&rows))
                walk(*list);
            else
                walk(rows);
            rows.TakePlanMessages(std::move(plan.Messages));
            return ThreadListWalk::Planned;
        }
    } // the plan's memory is given back before the walk through the files
    BuildThreadIndex(base, readState, rows, converters.get());
    return ThreadListWalk::Stepped;
}
