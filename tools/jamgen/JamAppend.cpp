#include "JamAppend.h"

#include <algorithm>
#include <fstream>
#include <map>

namespace jamgen {

namespace {

constexpr std::uint64_t fixedModCounter = 8;
constexpr std::uint64_t fixedActiveMsgs = 12;
constexpr std::uint64_t fixedBaseMsgNum = 20;

bool fail(std::string* error, const std::string& text) {
    if (error) *error = text;
    return false;
}

// Appends bytes to the end of a file.
bool appendTo(const std::string& path, const std::string& bytes, std::string* error) {
    std::ofstream out(path, std::ios::binary | std::ios::app);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return out.good() || fail(error, path + ": cannot be appended to");
}

} // namespace

bool AppendJamMessages(const JamBaseModel& model, const std::string& basePath, std::string* error) {
    std::string hdr, txt, idx;
    if (!ReadWholeFile(basePath + ".jhr", &hdr, error) ||
        !ReadWholeFile(basePath + ".jdt", &txt, error) ||
        !ReadWholeFile(basePath + ".jdx", &idx, error))
        return false;
    if (hdr.size() < kJamFixedHeaderSize) return fail(error, basePath + ".jhr: no base header");
    const std::uint32_t baseNum = GetU32(hdr, fixedBaseMsgNum);
    const auto records = static_cast<std::uint32_t>(idx.size() / kJamIndexRecordSize);
    idx.resize(std::size_t(records) * kJamIndexRecordSize);
    std::string headers, texts, index;              // what is added to each file
    std::map<std::uint32_t, std::uint32_t> addedAt; // number -> header offset, of the new ones
    auto headerOf = [&](std::uint32_t number) -> std::int64_t {
        if (const auto found = addedAt.find(number); found != addedAt.end()) return found->second;
        if (number < baseNum || number - baseNum >= records) return -1;
        const std::uint32_t offset = GetU32(idx, std::size_t(number - baseNum) * 8 + 4);
        return offset == kJamNone || offset + kJamMsgHeaderSize > hdr.size() ? -1 : offset;
    };

    std::vector<const JamMessage*> added;
    for (const JamMessage& m : model.Messages) added.push_back(&m);
    std::sort(added.begin(), added.end(),
              [](const JamMessage* a, const JamMessage* b) { return a->Number < b->Number; });
    for (const JamMessage* m : added)
        if (m->Number < baseNum + records)
            return fail(error, "message " + std::to_string(m->Number) + " is not above the base");

    // Links among the new messages as the writer derives them; a reply to a message that was
    // there goes at the end of that message's chain, patched in place.
    const std::map<std::uint32_t, JamReplyLinks> links = DeriveReplyLinks(model);
    std::map<std::uint64_t, std::uint32_t> patches; // header file offset -> value
    auto patched = [&](std::uint64_t at) {
        if (const auto found = patches.find(at); found != patches.end()) return found->second;
        return at < hdr.size() ? GetU32(hdr, static_cast<std::size_t>(at))
                               : GetU32(headers, static_cast<std::size_t>(at - hdr.size()));
    };
    const int reply1st = JamFieldOffset(JamField::Reply1st);
    const int replyNext = JamFieldOffset(JamField::ReplyNext);
    std::uint32_t live = 0;
    for (const JamMessage* m : added) {
        const auto hdrOffset = static_cast<std::uint32_t>(hdr.size() + headers.size());
        const auto txtOffset = static_cast<std::uint32_t>(txt.size() + texts.size());
        JamReplyLinks link;
        if (const auto found = links.find(m->Number); found != links.end()) link = found->second;
        if (const std::int64_t parent = m->Deleted ? -1 : headerOf(m->ReplyTo); parent >= 0) {
            std::uint64_t at = static_cast<std::uint64_t>(parent) + reply1st;
            for (int guard = 0; patched(at) != 0 && guard < 1000000; ++guard) {
                const std::int64_t sibling = headerOf(patched(at));
                if (sibling < 0) break;
                at = static_cast<std::uint64_t>(sibling) + replyNext;
            }
            patches[at] = m->Number;
        }
        const JamMessageBytes bytes = SerializeJamMessage(*m, link, hdrOffset, txtOffset);
        if (!m->Deleted) addedAt[m->Number] = hdrOffset;
        headers += bytes.Header + bytes.Subfields;
        texts += m->Text;
        index.append(std::size_t(m->Number - baseNum - records) * kJamIndexRecordSize -
                         index.size(),
                     '\xFF');
        index += bytes.IndexRecord;
        live += m->Deleted ? 0 : 1;
    }
    patches[fixedModCounter] = GetU32(hdr, fixedModCounter) + 1;
    patches[fixedActiveMsgs] = GetU32(hdr, fixedActiveMsgs) + live;

    // Texts and headers first, the index last: a reader that looks meanwhile finds no record of
    // a header that is not there yet.
    if (!appendTo(basePath + ".jdt", texts, error) || !appendTo(basePath + ".jhr", headers, error))
        return false;
    for (const auto& [at, value] : patches)
        if (!PatchFileU32(basePath + ".jhr", at, value, error)) return false;
    return appendTo(basePath + ".jdx", index, error);
}

} // namespace jamgen
