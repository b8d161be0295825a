// The subfield walk of TJamMsgBase: sender, recipient, subject and the kludge block from the
// subfields of the header in memory.

#include "Lib_MsgBase_JAM.h"
#include "Lib_MsgBase_JAM_Format.h"

#include <algorithm>

using namespace JamFormat;

namespace {

// How a subfield type becomes a kludge line: its label, and the most data bytes taken.
struct KludgeKind {
    std::string_view Label;
    std::size_t Kept;
};

KludgeKind kludgeKindOf(std::uint16_t loId) {
    switch (loId) {
    case SfMsgId:
        return {"MSGID: ", 240};
    case SfReplyId:
        return {"REPLY: ", 240};
    case SfPid:
        return {"PID: ", 240};
    case SfTrace:
        return {"Via: ", 240};
    case SfSeenBy2D:
        return {"SEEN-BY: ", 240};
    case SfPath2D:
        return {"PATH: ", 240};
    case SfFlags:
        return {"FLAGS: ", 240};
    case SfTzUtcInfo:
        return {"TZUTC: ", 65};
    default:
        return {"", 240}; // enclosed files, FTS kludges and unknown types: text as it stands
    }
}

constexpr std::size_t nameKept = 65;
constexpr std::size_t subjectKept = 100;

} // namespace

void TJamMsgBase::LoadMessage() {
    readHeader(true);
    // A message whose header could not be read gets no names or kludge lines: the header in
    // memory belongs to another message.
    if (headerBytes_ == 0) return;
    walkSubfields(true);
}

void TJamMsgBase::LoadNames() {
    readHeader(true);
    if (headerBytes_ == 0) return;
    walkSubfields(false);
}

TJamMsgBase::TNameViews TJamMsgBase::LoadNameViews() {
    readHeader(true);
    if (headerBytes_ == 0) return {};
    return walkNames();
}

TJamMsgBase::TNameViews TJamMsgBase::walkNames() const {
    // The same walk as walkSubfields, for the names alone and without copying them.
    TNameViews names;
    const unsigned char* area = headerBuf_.data() + MsgFixedSize;
    const std::uint64_t have = headerLen_ > MsgFixedSize ? headerLen_ - MsgFixedSize : 0;
    const std::uint64_t end = std::min<std::uint64_t>(have, headerField(MsgSubfieldLen));
    std::uint64_t pos = 0;
    while (pos < end && pos < SubfieldWalkLimit && end - pos >= SubfieldHeadSize) {
        const std::uint16_t loId = Get16(area + pos);
        const std::uint32_t datLen = Get32(area + pos + 4);
        if (loId == SfSenderName || loId == SfReceiverName || loId == SfSubject) {
            const std::uint64_t present =
                std::min<std::uint64_t>(datLen, end - pos - SubfieldHeadSize);
            const std::string_view text(
                reinterpret_cast<const char*>(area + pos + SubfieldHeadSize),
                static_cast<std::size_t>(
                    std::min<std::uint64_t>(present, loId == SfSubject ? subjectKept : nameKept)));
            (loId == SfSenderName     ? names.From
             : loId == SfReceiverName ? names.To
                                      : names.Subject) = text;
        }
        pos += SubfieldHeadSize + static_cast<std::uint64_t>(datLen);
    }
    return names;
}

void TJamMsgBase::walkSubfields(bool kludges) {
    // Only the bytes that were read are walked, and no further than the header says its
    // subfields go: a subfield is cut where they end, or dropped when its own head does not fit.
    const unsigned char* area = headerBuf_.data() + MsgFixedSize;
    const std::uint64_t have = headerLen_ > MsgFixedSize ? headerLen_ - MsgFixedSize : 0;
    const std::uint64_t end = std::min<std::uint64_t>(have, headerField(MsgSubfieldLen));
    std::uint64_t pos = 0;
    while (pos < end && pos < SubfieldWalkLimit) {
        if (end - pos < SubfieldHeadSize) break;
        const std::uint16_t loId = Get16(area + pos);
        const std::uint32_t datLen = Get32(area + pos + 4);
        const std::uint64_t present = std::min<std::uint64_t>(datLen, end - pos - SubfieldHeadSize);
        const auto text = [&](std::size_t kept) {
            return std::string_view(
                reinterpret_cast<const char*>(area + pos + SubfieldHeadSize),
                static_cast<std::size_t>(std::min<std::uint64_t>(present, kept)));
        };
        switch (loId) {
        case SfOAddress:
        case SfDAddress:
            break;
        case SfSenderName:
            fromName_ = text(nameKept);
            break;
        case SfReceiverName:
            toName_ = text(nameKept);
            break;
        case SfSubject:
            subject_ = text(subjectKept);
            break;
        default: {
            if (!kludges) break;
            const KludgeKind kind = kludgeKindOf(loId);
            ShortStr line("\x01");
            line += kind.Label;
            line += text(kind.Kept);
            AppendKludge(line.View());
        }
        }
        // 64-bit, so that even a DatLen of all ones moves the walk on and ends it.
        pos += SubfieldHeadSize + static_cast<std::uint64_t>(datLen);
    }
}
