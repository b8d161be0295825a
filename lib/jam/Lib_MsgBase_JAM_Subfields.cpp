// The subfield walk of TJamMsgBase: sender, recipient, subject and the kludge block from the
// subfields of the header in memory.

#include "Lib_MsgBase_JAM.h"
#include "Lib_MsgBase_JAM_Format.h"
#include "Lib_MsgBase_JAM_HeldRun.h"

#include <algorithm>

using namespace JamFormat;
using JamSubfieldWalk::forEachSubfield;

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
    return walkNames(subfieldArea());
}

std::string_view TJamMsgBase::subfieldArea() const {
    // Only the bytes that were read are walked, and no further than the header says its
    // subfields go.
    const std::uint64_t have = headerLen_ > MsgFixedSize ? headerLen_ - MsgFixedSize : 0;
    const std::uint64_t end = std::min<std::uint64_t>(have, headerField(MsgSubfieldLen));
    return std::string_view(reinterpret_cast<const char*>(subfields_),
                            static_cast<std::size_t>(end));
}

std::optional<Charset::Id> TJamMsgBase::newCharsetKludge(std::string_view kludge) const {
    lastKludge_.assign(kludge);
    lastKludgeCharset_ = Charset::FromKludge(kludge);
    return lastKludgeCharset_;
}

void TJamMsgBase::walkSubfields(bool kludges) {
    const TNameViews names = walkNames(subfieldArea());
    fromName_ = names.From;
    toName_ = names.To;
    subject_ = names.Subject;
    charset_ = names.Charset;
    if (!kludges) return;
    forEachSubfield(subfieldArea(), [&](std::uint16_t loId, auto data) {
        switch (loId) {
        case SfOAddress:
        case SfDAddress:
        case SfSenderName:
        case SfReceiverName:
        case SfSubject:
            return;
        default:
            break;
        }
        const KludgeKind kind = kludgeKindOf(loId);
        ShortStr line("\x01");
        line += kind.Label;
        line += data(kind.Kept);
        AppendKludge(line.View());
    });
}
