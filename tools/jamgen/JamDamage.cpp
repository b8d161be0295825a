#include "JamDamage.h"

#include "JamSynth.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>

namespace jamgen {

namespace {

using Spoiler = std::function<bool(JamBaseModel&, const std::string&, std::string*)>;

struct KindEntry {
    DamageKind Kind;
    Spoiler Apply;
};

bool write(const JamBaseModel& model, const std::string& base, std::string* error,
           JamWriteInfo* info = nullptr) {
    return WriteJamBase(model, base, error, info);
}

bool removeFile(const std::string& path, std::string* error) {
    std::error_code ec;
    if (!std::filesystem::remove(path, ec) || ec) {
        if (error) *error = "cannot remove " + path + ": " + (ec ? ec.message() : "not found");
        return false;
    }
    return true;
}

bool appendToFile(const std::string& path, std::string_view bytes, std::string* error) {
    std::error_code ec;
    std::uint64_t size = std::filesystem::file_size(path, ec);
    if (ec) {
        if (error) *error = "cannot size " + path + ": " + ec.message();
        return false;
    }
    return PatchFileBytes(path, size, bytes, error);
}

// liveMessages messages in index order.
std::vector<JamMessage*> liveMessages(JamBaseModel& model) {
    std::vector<JamMessage*> live;
    for (JamMessage& msg : model.Messages) {
        if (!msg.Deleted) live.push_back(&msg);
    }
    std::sort(live.begin(), live.end(), [&](const JamMessage* a, const JamMessage* b) {
        return a->Number - model.Header.BaseMsgNum < b->Number - model.Header.BaseMsgNum;
    });
    return live;
}

std::string indexPath(const std::string& base) {
    return base + ".jdx";
}

// Rewrites the index file in one go; edit gets each record's number, ToCRC and HdrOffset.
bool editIndex(const std::string& base,
               const std::function<void(std::uint32_t, std::uint32_t&, std::uint32_t&)>& edit,
               std::string* error) {
    std::string bytes;
    if (!ReadWholeFile(indexPath(base), &bytes, error)) return false;
    std::string record;
    for (std::size_t at = 0; at + kJamIndexRecordSize <= bytes.size(); at += kJamIndexRecordSize) {
        std::uint32_t toCrc = GetU32(bytes, at);
        std::uint32_t hdrOffset = GetU32(bytes, at + 4);
        edit(static_cast<std::uint32_t>(at / kJamIndexRecordSize), toCrc, hdrOffset);
        record.clear();
        PutU32(record, toCrc);
        PutU32(record, hdrOffset);
        bytes.replace(at, kJamIndexRecordSize, record);
    }
    return WriteWholeFile(indexPath(base), bytes, error);
}

void renumber(JamBaseModel& model, std::uint32_t newBase) {
    std::uint32_t delta = newBase - model.Header.BaseMsgNum;
    model.Header.BaseMsgNum = newBase;
    for (JamMessage& msg : model.Messages) {
        msg.Number += delta;
        if (msg.ReplyTo != 0) msg.ReplyTo += delta;
    }
}

// Keeps the links derived now as raw values, so they survive later changes to the model.
void freezeLinks(JamBaseModel& model) {
    std::map<std::uint32_t, JamReplyLinks> links = DeriveReplyLinks(model);
    for (JamMessage& msg : model.Messages) {
        JamReplyLinks l = links.count(msg.Number) ? links[msg.Number] : JamReplyLinks{};
        msg.Overrides[JamField::Reply1st] = l.Reply1st;
        msg.Overrides[JamField::ReplyNext] = l.ReplyNext;
    }
}

std::string repeat(std::string_view piece, std::size_t length) {
    std::string out;
    out.reserve(length);
    while (out.size() < length) out.append(piece.substr(0, length - out.size()));
    return out;
}

JamBaseModel longThread(std::uint32_t count, bool chain) {
    JamBaseModel model;
    model.Messages.reserve(count);
    std::uint32_t date = 757382400;
    for (std::uint32_t n = 1; n <= count; ++n) {
        std::uint32_t parent = n == 1 ? 0 : chain ? n - 1 : 1;
        JamMessage& msg = model.AddMessage(n, n % 2 ? "Harold Pinkett" : "Marta Vanderbeek",
                                           n % 2 ? "Marta Vanderbeek" : "Harold Pinkett",
                                           n == 1 ? "The longest thread" : "Re: The longest thread",
                                           date + n * 60, parent);
        msg.Text = "Reply number " + std::to_string(n) + ".\r";
    }
    return model;
}

// Puts a padding kludge in front of the subject so that the subfields after it begin at
// `start` bytes into the subfield area.
void padBeforeSubject(JamMessage& msg, std::uint32_t start) {
    std::uint32_t used = 0;
    std::size_t at = 0;
    for (; at < msg.Subfields.size() && msg.Subfields[at].LoID != kSubject; ++at) {
        used += kJamSubfieldHeaderSize + static_cast<std::uint32_t>(msg.Subfields[at].Data.size());
    }
    if (start < used + kJamSubfieldHeaderSize) return;
    JamSubfield pad;
    pad.LoID = kFtsKludge;
    pad.Data = repeat("PADDING ", start - used - kJamSubfieldHeaderSize);
    msg.Subfields.insert(msg.Subfields.begin() + static_cast<std::ptrdiff_t>(at), std::move(pad));
}

const std::vector<KindEntry>& kindEntries() {
    static const std::vector<KindEntry> entries = {
        {{"header-0", "the header file is empty"},
         [](JamBaseModel& m, const std::string& b, std::string* e) {
             return write(m, b, e) && TruncateFile(b + ".jhr", 0, e);
         }},
        {{"header-1023", "the header file is cut to 1023 bytes, one short of the fixed header"},
         [](JamBaseModel& m, const std::string& b, std::string* e) {
             return write(m, b, e) && TruncateFile(b + ".jhr", kJamFixedHeaderSize - 1, e);
         }},
        {{"header-1024", "a base with no messages: fixed header only, empty text and index"},
         [](JamBaseModel& m, const std::string& b, std::string* e) {
             m.Messages.clear();
             m.MinIndexRecords = 0;
             return write(m, b, e);
         }},
        {{"header-cut", "the header file ends inside the last message header"},
         [](JamBaseModel& m, const std::string& b, std::string* e) {
             JamWriteInfo info;
             if (!write(m, b, e, &info)) return false;
             // 40 bytes into the last header: its fixed part is cut before MsgNum.
             std::uint64_t last = 0;
             for (const JamWrittenMessage& w : info.Messages)
                 last = std::max<std::uint64_t>(last, w.HdrOffset);
             std::uint64_t cut = info.Messages.empty() ? info.HeaderFileSize : last + 40;
             return TruncateFile(b + ".jhr", std::min(cut, info.HeaderFileSize), e);
         }},
        {{"no-jhr", "the header file is missing"},
         [](JamBaseModel& m, const std::string& b, std::string* e) {
             return write(m, b, e) && removeFile(b + ".jhr", e);
         }},
        {{"no-jdt", "the text file is missing"},
         [](JamBaseModel& m, const std::string& b, std::string* e) {
             return write(m, b, e) && removeFile(b + ".jdt", e);
         }},
        {{"no-jdx", "the index file is missing"},
         [](JamBaseModel& m, const std::string& b, std::string* e) {
             return write(m, b, e) && removeFile(b + ".jdx", e);
         }},
        {{"index-empty", "the index file is empty while the header file holds messages"},
         [](JamBaseModel& m, const std::string& b, std::string* e) {
             return write(m, b, e) && TruncateFile(indexPath(b), 0, e);
         }},
        {{"index-partial", "the index ends in a partial record of 4 bytes"},
         [](JamBaseModel& m, const std::string& b, std::string* e) {
             return write(m, b, e) && appendToFile(indexPath(b), std::string("\x10\0\0\0", 4), e);
         }},
        {{"all-deleted", "every index record has HdrOffset 0xFFFFFFFF (ToCRC kept)"},
         [](JamBaseModel& m, const std::string& b, std::string* e) {
             for (JamMessage& msg : m.Messages) msg.Overrides[JamField::IdxHdrOffset] = kJamNone;
             return write(m, b, e);
         }},
        {{"all-empty-records", "every message deleted: both index fields 0xFFFFFFFF"},
         [](JamBaseModel& m, const std::string& b, std::string* e) {
             for (JamMessage& msg : m.Messages) msg.Deleted = true;
             return write(m, b, e);
         }},
        {{"tocrc-ffffffff", "every index record has ToCRC 0xFFFFFFFF and a sound HdrOffset"},
         [](JamBaseModel& m, const std::string& b, std::string* e) {
             for (JamMessage& msg : m.Messages) msg.Overrides[JamField::IdxToCRC] = kJamNone;
             return write(m, b, e);
         }},
        {{"only-empty-recipient", "one live message, a root whose recipient name is empty"},
         [](JamBaseModel& m, const std::string& b, std::string* e) {
             std::vector<JamMessage*> live = liveMessages(m);
             for (JamMessage& msg : m.Messages) msg.Deleted = true;
             if (!live.empty()) {
                 JamMessage& only = *live.front();
                 only.Deleted = false;
                 only.ReplyTo = 0;
                 for (JamSubfield& sub : only.Subfields) {
                     if (sub.LoID == kReceiverName) sub.Data.clear();
                 }
             }
             return write(m, b, e);
         }},
        {{"hdroffset-past-end",
          "index records point at, just past and far past the header file's end"},
         [](JamBaseModel& m, const std::string& b, std::string* e) {
             JamWriteInfo info;
             if (!write(m, b, e, &info)) return false;
             const std::uint32_t size = static_cast<std::uint32_t>(info.HeaderFileSize);
             const std::uint32_t values[] = {size, size + 1, size + 100000, 0x7FFFFFFF, 0xFFFFFFFE};
             std::map<std::uint32_t, std::uint32_t> patches; // record -> HdrOffset
             std::size_t k = 0;
             for (std::size_t i = 0; i < info.Messages.size(); i += 2) {
                 if (!m.Messages[i].Deleted) {
                     patches[info.Messages[i].IndexRecord] = values[k++ % std::size(values)];
                 }
             }
             return editIndex(
                 b,
                 [&](std::uint32_t r, std::uint32_t&, std::uint32_t& hdrOffset) {
                     if (auto p = patches.find(r); p != patches.end()) hdrOffset = p->second;
                 },
                 e);
         }},
        {{"subfieldlen-huge", "SubfieldLen far beyond the header file in every message"},
         [](JamBaseModel& m, const std::string& b, std::string* e) {
             const std::uint32_t values[] = {0xFFFFFFF0, 0x7FFFFFFF, 100000, 0xFFFFFFFF};
             std::size_t k = 0;
             for (JamMessage& msg : m.Messages) {
                 msg.Overrides[JamField::SubfieldLen] = values[k++ % std::size(values)];
             }
             return write(m, b, e);
         }},
        {{"datlen-ffffffff", "one subfield of every message claims DatLen 0xFFFFFFFF"},
         [](JamBaseModel& m, const std::string& b, std::string* e) {
             std::size_t k = 0;
             for (JamMessage& msg : m.Messages) {
                 if (msg.Subfields.empty()) continue;
                 msg.Subfields[k++ % msg.Subfields.size()].DatLenOverride = 0xFFFFFFFF;
             }
             return write(m, b, e);
         }},
        {{"datlen-wrap",
          "DatLen values whose next offset wraps around 32 bits onto or before itself"},
         [](JamBaseModel& m, const std::string& b, std::string* e) {
             // 8 + 0xFFFFFFF8 is 2^32: a walk in 32-bit arithmetic stays on the same subfield.
             const std::uint32_t values[] = {0xFFFFFFF8, 0xFFFFFFF0, 0xFFFFFFF7, 0x80000000};
             std::size_t k = 0;
             for (JamMessage& msg : m.Messages) {
                 if (msg.Subfields.empty()) continue;
                 msg.Subfields[k % msg.Subfields.size()].DatLenOverride =
                     values[k % std::size(values)];
                 ++k;
             }
             return write(m, b, e);
         }},
        {{"subfields-after-4000",
          "subjects and kludges begin at or after 4000 bytes of the subfield area, or straddle it"},
         [](JamBaseModel& m, const std::string& b, std::string* e) {
             const std::uint32_t starts[] = {3992, 3995, 3999, 4000, 4100, 5000};
             std::size_t k = 0;
             for (JamMessage& msg : m.Messages)
                 padBeforeSubject(msg, starts[k++ % std::size(starts)]);
             return write(m, b, e);
         }},
        {{"text-past-end", "texts that begin beyond the text file or run past its end"},
         [](JamBaseModel& m, const std::string& b, std::string* e) {
             JamWriteInfo info;
             if (!write(m, b, e, &info)) return false;
             const std::uint32_t size = static_cast<std::uint32_t>(info.TextFileSize);
             for (std::size_t i = 0; i < m.Messages.size(); ++i) {
                 JamMessage& msg = m.Messages[i];
                 switch (i % 3) {
                 case 0:
                     msg.Overrides[JamField::TxtOffset] = size + 10;
                     break;
                 case 1:
                     msg.Overrides[JamField::TxtLen] = size - info.Messages[i].TxtOffset + 5000;
                     break;
                 default:
                     msg.Overrides[JamField::TxtOffset] = size;
                     break;
                 }
             }
             return write(m, b, e);
         }},
        {{"text-near-2g", "TxtOffset and TxtLen at and around 2^31 and 2^32"},
         [](JamBaseModel& m, const std::string& b, std::string* e) {
             const std::pair<std::uint32_t, std::uint32_t> values[] = {
                 {0x7FFFFFF0, 0x20},  {0x7FFFFFFF, 1},          {0, 0xFFFFFFFF},
                 {0x80000000, 10},    {0xFFFFFFFF, 0xFFFFFFFF}, {100, 0x7FFFFFFF},
                 {0xFFFFFF00, 0x200}, {0x7FFFFF00, 0x100}};
             std::size_t k = 0;
             for (JamMessage& msg : m.Messages) {
                 const auto& [offset, length] = values[k++ % std::size(values)];
                 msg.Overrides[JamField::TxtOffset] = offset;
                 msg.Overrides[JamField::TxtLen] = length;
             }
             return write(m, b, e);
         }},
        {{"kludge-overflow", "kludge subfields whose lines add up to far more than 2001 bytes"},
         [](JamBaseModel& m, const std::string& b, std::string* e) {
             std::size_t k = 0;
             for (JamMessage& msg : m.Messages) {
                 for (int i = 0; i < 12; ++i) {
                     msg.AddSubfield(kSeenBy2D, repeat("100/1 101/2 102/3 ", 150 + 7 * (k % 13)));
                     msg.AddSubfield(kFtsKludge, repeat("LONGKLUDGE", 300)); // past 240: cut
                 }
                 ++k;
             }
             return write(m, b, e);
         }},
        {{"basenum-0", "BaseMsgNum 0, so index record 0 is message 0"},
         [](JamBaseModel& m, const std::string& b, std::string* e) {
             renumber(m, 0);
             return write(m, b, e);
         }},
        {{"basenum-1", "BaseMsgNum 1"},
         [](JamBaseModel& m, const std::string& b, std::string* e) {
             renumber(m, 1);
             return write(m, b, e);
         }},
        {{"basenum-100", "BaseMsgNum 100"},
         [](JamBaseModel& m, const std::string& b, std::string* e) {
             renumber(m, 100);
             return write(m, b, e);
         }},
        {{"basenum-fffffff0", "BaseMsgNum 0xFFFFFFF0: numbers run past 2^32 and wrap to 0"},
         [](JamBaseModel& m, const std::string& b, std::string* e) {
             renumber(m, 0xFFFFFFF0);
             return write(m, b, e);
         }},
        {{"active-mismatch", "ActiveMsgs says 0xFFFFFFFF whatever the index holds"},
         [](JamBaseModel& m, const std::string& b, std::string* e) {
             m.Header.ActiveMsgs = 0xFFFFFFFF;
             return write(m, b, e);
         }},
        {{"bad-signatures", "fixed and message headers without the JAM signature"},
         [](JamBaseModel& m, const std::string& b, std::string* e) {
             m.Header.Signature = 0x58585858;
             for (JamMessage& msg : m.Messages) {
                 msg.Overrides[JamField::Signature] = 0;
                 msg.Overrides[JamField::Revision] = 0xFFFF;
             }
             return write(m, b, e);
         }},
        {{"msgnum-mismatch", "headers whose MsgNum differs from their index position"},
         [](JamBaseModel& m, const std::string& b, std::string* e) {
             const std::uint32_t values[] = {0, 0xFFFFFFFF, 0x80000000, 99999999};
             std::size_t k = 0;
             for (JamMessage& msg : m.Messages) {
                 msg.Overrides[JamField::MsgNum] =
                     k % 5 == 4 ? msg.Number + 1 : values[k % std::size(values)];
                 ++k;
             }
             return write(m, b, e);
         }},
        {{"index-garbage", "index records pointing anywhere in the header file, not at headers"},
         [](JamBaseModel& m, const std::string& b, std::string* e) {
             JamWriteInfo info;
             if (!write(m, b, e, &info)) return false;
             SynthRandom rng(0x5EED);
             std::uint32_t size = static_cast<std::uint32_t>(info.HeaderFileSize);
             return editIndex(
                 b,
                 [&](std::uint32_t r, std::uint32_t& toCrc, std::uint32_t& hdrOffset) {
                     hdrOffset = r % 4 == 0 ? 0 : rng.Below(size);
                     toCrc = static_cast<std::uint32_t>(rng.Next());
                 },
                 e);
         }},
        {{"parent-deleted", "the roots of threads are deleted, leaving their replies orphaned"},
         [](JamBaseModel& m, const std::string& b, std::string* e) {
             std::map<std::uint32_t, bool> hasReplies;
             for (const JamMessage& msg : m.Messages) {
                 if (msg.ReplyTo) hasReplies[msg.ReplyTo] = true;
             }
             for (JamMessage& msg : m.Messages) {
                 if (msg.ReplyTo == 0 && hasReplies.count(msg.Number)) msg.Deleted = true;
             }
             return write(m, b, e);
         }},
        {{"stale-links", "reply links that still name messages deleted since"},
         [](JamBaseModel& m, const std::string& b, std::string* e) {
             freezeLinks(m);
             std::size_t k = 0;
             for (JamMessage& msg : m.Messages) {
                 if (msg.ReplyTo != 0 && k++ % 3 == 0) msg.Deleted = true;
             }
             return write(m, b, e);
         }},
        {{"links-past-last", "Reply1st and ReplyNext beyond the last message and negative"},
         [](JamBaseModel& m, const std::string& b, std::string* e) {
             std::uint32_t last = m.Header.BaseMsgNum;
             for (const JamMessage& msg : m.Messages) last = std::max(last, msg.Number);
             const std::uint32_t values[] = {last + 1, last + 1000, 0x7FFFFFFF, 0x80000000,
                                             0xFFFFFFFF};
             std::size_t k = 0;
             for (JamMessage& msg : m.Messages) {
                 JamField field = k % 2 ? JamField::ReplyNext : JamField::Reply1st;
                 msg.Overrides[field] = values[k % std::size(values)];
                 ++k;
             }
             return write(m, b, e);
         }},
        {{"reply-cycle", "reply links that lead back into their own thread"},
         [](JamBaseModel& m, const std::string& b, std::string* e) {
             freezeLinks(m);
             // In every thread the last reply points back at the root, and the root's first
             // reply, when it has answers of its own, answers back to it.
             std::map<std::uint32_t, std::uint32_t> rootOf;
             std::vector<JamMessage*> live = liveMessages(m);
             for (JamMessage* msg : live) {
                 auto parent = rootOf.find(msg->ReplyTo);
                 rootOf[msg->Number] = parent != rootOf.end() ? parent->second : msg->Number;
             }
             std::map<std::uint32_t, JamMessage*> lastInThread;
             for (JamMessage* msg : live) {
                 if (msg->ReplyTo != 0) lastInThread[rootOf[msg->Number]] = msg;
             }
             std::size_t k = 0;
             for (auto& [root, msg] : lastInThread) {
                 JamField field = k++ % 2 ? JamField::ReplyNext : JamField::Reply1st;
                 msg->Overrides[field] = root;
                 JamMessage* rootMsg = m.FindMessage(root);
                 std::uint32_t first = rootMsg ? rootMsg->Overrides[JamField::Reply1st] : 0;
                 JamMessage* firstMsg = first ? m.FindMessage(first) : nullptr;
                 if (firstMsg && firstMsg != msg && firstMsg->Overrides[JamField::Reply1st] != 0) {
                     JamMessage* grandchild =
                         m.FindMessage(firstMsg->Overrides[JamField::Reply1st]);
                     if (grandchild && grandchild != msg) {
                         grandchild->Overrides[JamField::Reply1st] = first;
                     }
                 }
             }
             return write(m, b, e);
         }},
        {{"self-link", "messages whose Reply1st or ReplyNext names themselves"},
         [](JamBaseModel& m, const std::string& b, std::string* e) {
             std::size_t k = 0;
             for (JamMessage& msg : m.Messages) {
                 if (k % 3 == 0) msg.Overrides[JamField::Reply1st] = msg.Number;
                 if (k % 3 == 1) msg.Overrides[JamField::ReplyNext] = msg.Number;
                 if (k % 3 == 2) msg.Overrides[JamField::ReplyTo] = msg.Number;
                 ++k;
             }
             return write(m, b, e);
         }},
        {{"long-fields", "names, subjects and kludges far longer than any reader keeps"},
         [](JamBaseModel& m, const std::string& b, std::string* e) {
             for (JamMessage& msg : m.Messages) {
                 for (JamSubfield& sub : msg.Subfields) {
                     if (sub.LoID == kSenderName || sub.LoID == kReceiverName) {
                         sub.Data = repeat(sub.Data + " ", 300);
                     } else if (sub.LoID == kSubject || sub.LoID == kMsgId) {
                         sub.Data = repeat(sub.Data + " ", 1000);
                     }
                 }
             }
             return write(m, b, e);
         }},
        {{"control-bytes", "names, subjects and texts full of control bytes (NUL, CR, ESC, 0x01)"},
         [](JamBaseModel& m, const std::string& b, std::string* e) {
             const std::string nasty("\x1B[2J\x01\r\n\0\x07\x08\x7F\x9B\xFF", 13);
             for (JamMessage& msg : m.Messages) {
                 for (JamSubfield& sub : msg.Subfields) sub.Data += nasty;
                 msg.Text = nasty + msg.Text + nasty;
             }
             return write(m, b, e);
         }},
        {{"text-odd",
          "texts of 100 KB without a line end, only spaces, only CRs, only LF and 0x8D"},
         [](JamBaseModel& m, const std::string& b, std::string* e) {
             const std::string texts[] = {
                 std::string(100000, 'W'), std::string(70000, ' '), std::string(40000, '\r'),
                 repeat(std::string("\n\x8D\0", 3), 50000), repeat("word ", 100000)};
             std::size_t k = 0;
             for (JamMessage& msg : m.Messages) msg.Text = texts[k++ % std::size(texts)];
             return write(m, b, e);
         }},
        {{"chain-200000", "one thread of 200,000 messages, each answering the one before"},
         [](JamBaseModel& m, const std::string& b, std::string* e) {
             m = longThread(200000, true);
             return write(m, b, e);
         }},
        {{"wide-200000", "one root with 199,999 direct replies in one ReplyNext chain"},
         [](JamBaseModel& m, const std::string& b, std::string* e) {
             m = longThread(200000, false);
             return write(m, b, e);
         }},
    };
    return entries;
}

} // namespace

const std::vector<DamageKind>& DamageKinds() {
    static const std::vector<DamageKind> kinds = [] {
        std::vector<DamageKind> out;
        for (const KindEntry& entry : kindEntries()) out.push_back(entry.Kind);
        return out;
    }();
    return kinds;
}

bool IsDamageKind(std::string_view name) {
    const std::vector<DamageKind>& kinds = DamageKinds();
    return std::any_of(kinds.begin(), kinds.end(),
                       [&](const DamageKind& k) { return k.Name == name; });
}

bool WriteDamagedBase(std::string_view kind, JamBaseModel model, const std::string& basePath,
                      std::string* error) {
    for (const KindEntry& entry : kindEntries()) {
        if (entry.Kind.Name == kind) return entry.Apply(model, basePath, error);
    }
    if (error) *error = "unknown damage kind '" + std::string(kind) + "' (see --list-damage)";
    return false;
}

} // namespace jamgen
