#pragma once
// The scan's common step of TJamMsgBase, inline where a reader of the whole base calls it: the
// run of headers the block cache holds (ReadHeldRun) and the subfield walk that finds each one's
// names. A scan of a large base takes them for every message, and the calls around them cost
// about as much as the little each does.

#include "Lib_ByteWords.h"
#include "Lib_MsgBase_JAM.h"
#include "Lib_MsgBase_JAM_Format.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string_view>

namespace JamSubfieldWalk {

using namespace JamFormat;

inline constexpr std::size_t nameKept = 65;
inline constexpr std::size_t kludgeKept = 240;
inline constexpr std::size_t subjectKept = 100;

// Calls visit(loId, data, kept) for every subfield of area, data being the bytes of its data
// that area holds, in kept(n) bytes at most. A subfield is cut where the area ends, or dropped
// when its own head does not fit.
template <class Visit>
[[gnu::always_inline]] inline void forEachSubfield(std::string_view area, Visit visit) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(area.data());
    const std::uint64_t end = area.size();
    // A subfield's head must fit the area and start before SubfieldWalkLimit: one bound, on
    // where the last head may start, says both.
    const std::uint64_t headsEnd =
        std::min<std::uint64_t>(end, SubfieldWalkLimit - 1 + SubfieldHeadSize);
    if (headsEnd < SubfieldHeadSize) return;
    const std::uint64_t lastHead = headsEnd - SubfieldHeadSize;
    for (std::uint64_t pos = 0; pos <= lastHead;) {
        const std::uint16_t loId = Get16(bytes + pos);
        const std::uint32_t datLen = Get32(bytes + pos + 4);
        visit(loId, [&](std::size_t kept) {
            const std::uint64_t present =
                std::min<std::uint64_t>(datLen, end - pos - SubfieldHeadSize);
            return std::string_view(
                area.data() + pos + SubfieldHeadSize,
                static_cast<std::size_t>(std::min<std::uint64_t>(present, kept)));
        });
        // 64-bit, so that even a DatLen of all ones moves the walk on and ends it.
        pos += SubfieldHeadSize + static_cast<std::uint64_t>(datLen);
    }
}

} // namespace JamSubfieldWalk

inline TJamMsgBase::TNameViews TJamMsgBase::walkNames(std::string_view area) const {
    using namespace JamFormat;
    using namespace JamSubfieldWalk;
    // The last subfield of each kind counts; of the charset kludges, the first.
    TNameViews names;
    bool charsetSaid = false;
    forEachSubfield(area, [&](std::uint16_t loId, auto data) {
        // Most subfields (addresses, MSGID, SEEN-BY, PATH, ...) are passed over by one test.
        constexpr std::uint64_t named = 1u << SfSenderName | 1u << SfReceiverName | 1u << SfSubject;
        if (loId < 64 ? ((named >> loId) & 1) == 0 : loId != SfFtsKludge) return;
        switch (loId) {
        case SfFtsKludge:
            if (!charsetSaid) {
                const std::optional<Charset::Id> said = charsetOf(data(kludgeKept));
                charsetSaid = said.has_value();
                if (said) names.Charset = *said;
            }
            break;
        case SfSenderName:
            names.From = data(nameKept);
            break;
        case SfReceiverName:
            names.To = data(nameKept);
            break;
        case SfSubject:
            names.Subject = data(subjectKept);
            break;
        default:
            break;
        }
    });
    return names;
}

inline std::optional<Charset::Id> TJamMsgBase::charsetOf(std::string_view kludge) const {
    // The messages of an area mostly say the same: the last kludge read is asked first, compared
    // in place.
    if (kludge.size() == lastKludge_.size() &&
        SameBytes(kludge.data(), lastKludge_.data(), kludge.size()))
        return lastKludgeCharset_;
    return newCharsetKludge(kludge);
}

template <class Take> std::size_t TJamMsgBase::ReadHeldRun(std::size_t most, Take&& take) {
    using namespace JamFormat;
    std::size_t given = 0;
    const unsigned char* last = nullptr; // the last header given, at lastAt in the file
    std::int64_t lastAt = 0;
    std::size_t lastWant = 0;
    while (given < most && currentRecordHeld()) {
        // As a load takes a header the header window holds and as stepToNextHeld steps, with
        // the windows that served last and the scan's place in locals: the state is put back
        // when the run ends, or before a step that the general way takes (a record outside the
        // index window, a deleted message, the end the scan knows), which may read the index.
        const TJamReadCache::TServed headers = headerCache_.LastServed();
        const TJamReadCache::TServed records = indexCache_.LastServed();
        const auto first = static_cast<std::int64_t>(BaseMsgNum());
        std::int64_t number = curNumber_;
        std::uint32_t offset = lastRecordOffset_;
        bool generalStep = false;
        // The windows' bounds worked out once for the run: a header's fixed part lies whole in
        // the header window when it starts at most fixedRoom bytes into it, and the next message's
        // index record in the index window (and the scan) for numbers nextLow to nextHigh. Each
        // test is then one comparison of an unsigned distance.
        const auto fixed = static_cast<std::int64_t>(MsgFixedSize);
        const auto rec = static_cast<std::int64_t>(IndexRecSize);
        const bool fixedFits = headers.End - headers.Start >= fixed;
        const auto fixedRoom = static_cast<std::uint64_t>(headers.End - headers.Start - fixed);
        const std::int64_t nextLow = first + (records.Start + rec - 1) / rec;
        const std::int64_t nextHigh =
            std::min(scanLast_, records.End < rec ? first - 1 : first + (records.End - rec) / rec);
        const bool anyNext = nextHigh >= nextLow;
        while (given < most) {
            // The header, whole in the header window.
            const std::int64_t at = offset;
            if (!fixedFits || static_cast<std::uint64_t>(at - headers.Start) > fixedRoom) break;
            const unsigned char* held = headers.Data + (at - headers.Start);
            const std::size_t want = bytesToLoad(held);
            if (at + static_cast<std::int64_t>(want) > headers.End) break;
            // The fixed part and the subfields are read where the block holds them: only the
            // last header given is copied, as a load of it leaves it.
            THeldMessage message;
            message.Number = number;
            message.ReplyTo = static_cast<std::int32_t>(Get32(held + MsgReplyTo));
            message.Reply1st = static_cast<std::int32_t>(Get32(held + MsgReply1st));
            message.ReplyNext = static_cast<std::int32_t>(Get32(held + MsgReplyNext));
            message.Names = walkNames(std::string_view(
                reinterpret_cast<const char*>(held) + MsgFixedSize, want - MsgFixedSize));
            take(static_cast<const THeldMessage&>(message));
            ++given;
            last = held;
            lastAt = at;
            lastWant = want;
            // The next message: its record in the index window, and not deleted.
            const std::uint32_t next =
                anyNext && static_cast<std::uint64_t>(number + 1 - nextLow) <=
                               static_cast<std::uint64_t>(nextHigh - nextLow)
                    ? Get32(records.Data + ((number + 1 - first) * rec - records.Start) + 4)
                    : DeletedOffset;
            if (next == DeletedOffset) {
                generalStep = true;
                break;
            }
            ++number;
            offset = next;
        }
        if (number != curNumber_) {
            // Where the steps left the scan, and the windows count as used, as asking them
            // for each message would have left them.
            curNumber_ = number;
            lastRecordNumber_ = number;
            lastRecordOffset_ = offset;
            lastIOError_ = 0;
            indexCache_.Use((number - first) * static_cast<std::int64_t>(IndexRecSize),
                            IndexRecSize);
        }
        if (last != nullptr) headerCache_.Use(lastAt, MsgFixedSize);
        if (!generalStep) break;
        StepNext();
    }
    if (last != nullptr) keepHeldHeader(last, lastWant);
    return given;
}
