#include "JamWriter.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <unordered_map>

namespace jamgen {

namespace {

struct FieldInfo {
    JamField Field;
    const char* Name;
    int Offset; // in the 76-byte fixed part; -1 for index record fields
    int Size;
};

constexpr std::array<FieldInfo, 22> kFields{{
    {JamField::Signature, "Signature", 0, 4},
    {JamField::Revision, "Revision", 4, 2},
    {JamField::ReservedWord, "ReservedWord", 6, 2},
    {JamField::SubfieldLen, "SubfieldLen", 8, 4},
    {JamField::TimesRead, "TimesRead", 12, 4},
    {JamField::MSGIDcrc, "MSGIDcrc", 16, 4},
    {JamField::REPLYcrc, "REPLYcrc", 20, 4},
    {JamField::ReplyTo, "ReplyTo", 24, 4},
    {JamField::Reply1st, "Reply1st", 28, 4},
    {JamField::ReplyNext, "ReplyNext", 32, 4},
    {JamField::DateWritten, "DateWritten", 36, 4},
    {JamField::DateReceived, "DateReceived", 40, 4},
    {JamField::DateProcessed, "DateProcessed", 44, 4},
    {JamField::MsgNum, "MsgNum", 48, 4},
    {JamField::Attribute, "Attribute", 52, 4},
    {JamField::Attribute2, "Attribute2", 56, 4},
    {JamField::TxtOffset, "TxtOffset", 60, 4},
    {JamField::TxtLen, "TxtLen", 64, 4},
    {JamField::PasswordCRC, "PasswordCRC", 68, 4},
    {JamField::Cost, "Cost", 72, 4},
    {JamField::IdxToCRC, "ToCRC", -1, 4},
    {JamField::IdxHdrOffset, "HdrOffset", -1, 4},
}};

constexpr bool fieldsInEnumOrder() {
    for (std::size_t i = 0; i < kFields.size(); ++i) {
        if (static_cast<std::size_t>(kFields[i].Field) != i) return false;
    }
    return true;
}
static_assert(fieldsInEnumOrder(), "kFields must follow the order of JamField");

const FieldInfo& infoOf(JamField field) {
    return kFields[static_cast<std::size_t>(field)];
}

constexpr std::array<std::uint32_t, 256> makeCrcTable() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t c = i;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[i] = c;
    }
    return table;
}
constexpr std::array<std::uint32_t, 256> kCrcTable = makeCrcTable();

void setError(std::string* error, const std::string& text) {
    if (error) *error = text;
}

std::string systemReason() {
    return std::strerror(errno);
}

// Collects bytes and hands them to the file in large writes; a base of several hundred megabytes
// would otherwise cost one system call per header.
class BufferedFile {
public:
    BufferedFile() = default;
    BufferedFile(const BufferedFile&) = delete;
    BufferedFile& operator=(const BufferedFile&) = delete;
    ~BufferedFile() {
        if (file_) std::fclose(file_);
    }

    bool Open(const std::string& path, std::string* error) {
        path_ = path;
        file_ = std::fopen(path.c_str(), "wb");
        if (!file_) {
            setError(error, "cannot create " + path + ": " + systemReason());
            return false;
        }
        buffer_.reserve(kChunk + kChunk / 4);
        return true;
    }
    bool Write(std::string_view bytes, std::string* error) {
        buffer_.append(bytes);
        written_ += bytes.size();
        return buffer_.size() < kChunk || Flush(error);
    }
    bool Close(std::string* error) {
        bool ok = Flush(error);
        if (std::fclose(file_) != 0 && ok) {
            setError(error, "cannot write " + path_ + ": " + systemReason());
            ok = false;
        }
        file_ = nullptr;
        return ok;
    }
    std::uint64_t Written() const { return written_; }

private:
    bool Flush(std::string* error) {
        if (!buffer_.empty() &&
            std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size()) {
            setError(error, "cannot write " + path_ + ": " + systemReason());
            return false;
        }
        buffer_.clear();
        return true;
    }

    static constexpr std::size_t kChunk = 4u << 20;
    std::FILE* file_ = nullptr;
    std::string path_;
    std::string buffer_;
    std::uint64_t written_ = 0;
};

std::uint32_t recordOf(const JamBaseModel& model, std::uint32_t number) {
    return number - model.Header.BaseMsgNum; // wraps modulo 2^32 by design
}

// Message positions in the model, ordered by index record.
std::vector<std::size_t> recordOrder(const JamBaseModel& model) {
    std::vector<std::size_t> order(model.Messages.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    auto before = [&](std::size_t a, std::size_t b) {
        return recordOf(model, model.Messages[a].Number) <
               recordOf(model, model.Messages[b].Number);
    };
    // Models are mostly built in number order already; the check is cheaper than a sort.
    if (!std::is_sorted(order.begin(), order.end(), before)) {
        std::sort(order.begin(), order.end(), before);
    }
    return order;
}

std::uint32_t crcOfSubfield(const JamMessage& msg, std::uint16_t loId) {
    const std::string* data = msg.FindSubfield(loId);
    return data ? JamCrc32(*data) : kJamNone;
}

} // namespace

int JamFieldOffset(JamField field) {
    return infoOf(field).Offset;
}

const char* JamFieldName(JamField field) {
    return infoOf(field).Name;
}

std::optional<JamField> JamFieldFromName(std::string_view name) {
    for (const FieldInfo& info : kFields) {
        std::string_view candidate = info.Name;
        if (candidate.size() != name.size()) continue;
        bool same = true;
        for (std::size_t i = 0; i < name.size() && same; ++i) {
            auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
            same = lower(candidate[i]) == lower(name[i]);
        }
        if (same) return info.Field;
    }
    return std::nullopt;
}

void JamMessage::AddSubfield(std::uint16_t loId, std::string data) {
    JamSubfield sub;
    sub.LoID = loId;
    sub.Data = std::move(data);
    Subfields.push_back(std::move(sub));
}

const std::string* JamMessage::FindSubfield(std::uint16_t loId) const {
    for (const JamSubfield& sub : Subfields) {
        if (sub.LoID == loId) return &sub.Data;
    }
    return nullptr;
}

JamMessage& JamBaseModel::AddMessage(std::uint32_t number, std::string from, std::string to,
                                     std::string subject, std::uint32_t dateWritten,
                                     std::uint32_t replyTo) {
    JamMessage msg;
    msg.Number = number;
    msg.ReplyTo = replyTo;
    msg.DateWritten = dateWritten;
    msg.DateProcessed = dateWritten;
    msg.AddSubfield(kSenderName, std::move(from));
    msg.AddSubfield(kReceiverName, std::move(to));
    msg.AddSubfield(kSubject, std::move(subject));
    Messages.push_back(std::move(msg));
    return Messages.back();
}

JamMessage* JamBaseModel::FindMessage(std::uint32_t number) {
    for (JamMessage& msg : Messages) {
        if (msg.Number == number) return &msg;
    }
    return nullptr;
}

bool CheckJamModel(const JamBaseModel& model, std::string* error) {
    std::vector<std::size_t> order = recordOrder(model);
    for (std::size_t i = 0; i < order.size(); ++i) {
        const JamMessage& msg = model.Messages[order[i]];
        std::uint32_t record = recordOf(model, msg.Number);
        if (record >= kJamMaxIndexRecords) {
            setError(error, "message " + std::to_string(msg.Number) +
                                " is too far from the base number " +
                                std::to_string(model.Header.BaseMsgNum) +
                                " (it would need index record " + std::to_string(record) + ")");
            return false;
        }
        if (i > 0 && recordOf(model, model.Messages[order[i - 1]].Number) == record) {
            setError(error, "message " + std::to_string(msg.Number) + " is given twice");
            return false;
        }
    }
    if (model.MinIndexRecords > kJamMaxIndexRecords) {
        setError(error,
                 "an index of " + std::to_string(model.MinIndexRecords) + " records is too large");
        return false;
    }
    return true;
}

std::map<std::uint32_t, JamReplyLinks> DeriveReplyLinks(const JamBaseModel& model) {
    std::map<std::uint32_t, JamReplyLinks> links;
    std::unordered_map<std::uint32_t, std::uint32_t> lastReply; // parent -> its latest reply
    std::unordered_map<std::uint32_t, bool> live;
    live.reserve(model.Messages.size());
    for (const JamMessage& msg : model.Messages) {
        if (!msg.Deleted) live[msg.Number] = true;
    }
    for (std::size_t pos : recordOrder(model)) {
        const JamMessage& msg = model.Messages[pos];
        if (msg.Deleted || msg.ReplyTo == 0 || msg.ReplyTo == msg.Number) continue;
        if (live.find(msg.ReplyTo) == live.end()) continue;
        auto last = lastReply.find(msg.ReplyTo);
        if (last == lastReply.end()) {
            links[msg.ReplyTo].Reply1st = msg.Number;
            lastReply.emplace(msg.ReplyTo, msg.Number);
        } else {
            links[last->second].ReplyNext = msg.Number;
            last->second = msg.Number;
        }
    }
    return links;
}

std::uint32_t JamCrc32(std::string_view text) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (char ch : text) {
        auto c = static_cast<unsigned char>(ch);
        if (c >= 'A' && c <= 'Z') c = static_cast<unsigned char>(c - 'A' + 'a');
        crc = kCrcTable[(crc ^ c) & 0xFF] ^ (crc >> 8);
    }
    return crc;
}

std::optional<std::uint32_t> JamTimeStamp(int year, int month, int day, int hour, int minute,
                                          int second) {
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12 || day < 1 || hour < 0 || hour > 23 || minute < 0 || minute > 59 ||
        second < 0 || second > 59 || year < 1970 || year > 2106) {
        return std::nullopt;
    }
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    int monthDays = kDays[month - 1] + ((month == 2 && leap) ? 1 : 0);
    if (day > monthDays) return std::nullopt;
    // Days from 1970-01-01 by the civil calendar with March as the first month of the year.
    std::int64_t y = year - (month <= 2 ? 1 : 0);
    std::int64_t era = y / 400;
    std::int64_t yoe = y - era * 400;
    std::int64_t mp = (month + 9) % 12;
    std::int64_t doy = (153 * mp + 2) / 5 + day - 1;
    std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    std::int64_t days = era * 146097 + doe - 719468;
    std::int64_t stamp = days * 86400 + hour * 3600 + minute * 60 + second;
    if (stamp < 0 || stamp > 0xFFFFFFFFll) return std::nullopt;
    return static_cast<std::uint32_t>(stamp);
}

void PutU16(std::string& out, std::uint16_t value) {
    out.push_back(static_cast<char>(value & 0xFF));
    out.push_back(static_cast<char>(value >> 8));
}

void PutU32(std::string& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

std::uint32_t GetU32(std::string_view bytes, std::size_t offset) {
    if (offset > bytes.size() || bytes.size() - offset < 4) return 0;
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) {
        value =
            (value << 8) | static_cast<unsigned char>(bytes[offset + static_cast<std::size_t>(i)]);
    }
    return value;
}

std::uint16_t GetU16(std::string_view bytes, std::size_t offset) {
    if (offset > bytes.size() || bytes.size() - offset < 2) return 0;
    return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[offset]) |
                                      (static_cast<unsigned char>(bytes[offset + 1]) << 8));
}

JamMessageBytes SerializeJamMessage(const JamMessage& msg, JamReplyLinks link,
                                    std::uint32_t hdrOffset, std::uint32_t txtOffset) {
    JamMessageBytes out;
    std::string& subfields = out.Subfields;
    for (const JamSubfield& sub : msg.Subfields) {
        PutU16(subfields, sub.LoID);
        PutU16(subfields, sub.HiID);
        PutU32(subfields, sub.DatLenOverride.value_or(static_cast<std::uint32_t>(sub.Data.size())));
        subfields.append(sub.Data);
    }

    std::array<std::uint32_t, 20> values{};
    auto set = [&](JamField field, std::uint32_t value) {
        values[static_cast<std::size_t>(field)] = value;
    };
    set(JamField::Signature, kJamSignature);
    set(JamField::Revision, kJamRevision);
    set(JamField::SubfieldLen, static_cast<std::uint32_t>(subfields.size()));
    set(JamField::TimesRead, msg.TimesRead);
    set(JamField::MSGIDcrc, crcOfSubfield(msg, kMsgId));
    set(JamField::REPLYcrc, crcOfSubfield(msg, kReplyId));
    set(JamField::ReplyTo, msg.ReplyTo);
    set(JamField::Reply1st, link.Reply1st);
    set(JamField::ReplyNext, link.ReplyNext);
    set(JamField::DateWritten, msg.DateWritten);
    set(JamField::DateReceived, msg.DateReceived);
    set(JamField::DateProcessed, msg.DateProcessed);
    set(JamField::MsgNum, msg.Number);
    set(JamField::Attribute, msg.Attribute | (msg.Deleted ? kJamMsgDeleted : 0));
    set(JamField::Attribute2, msg.Attribute2);
    set(JamField::TxtOffset, txtOffset);
    set(JamField::TxtLen, static_cast<std::uint32_t>(msg.Text.size()));
    set(JamField::PasswordCRC, msg.PasswordCRC);
    set(JamField::Cost, msg.Cost);

    // Without a RECEIVERNAME the name is empty, whose CRC happens to be 0xFFFFFFFF as well.
    std::uint32_t toCrc = msg.Deleted ? kJamNone : crcOfSubfield(msg, kReceiverName);
    std::uint32_t indexOffset = msg.Deleted ? kJamNone : hdrOffset;
    for (const auto& [field, value] : msg.Overrides) {
        if (field == JamField::IdxToCRC) {
            toCrc = value;
        } else if (field == JamField::IdxHdrOffset) {
            indexOffset = value;
        } else {
            set(field, value);
        }
    }

    std::string& header = out.Header;
    for (std::size_t f = 0; f < values.size(); ++f) {
        if (kFields[f].Size == 2) {
            PutU16(header, static_cast<std::uint16_t>(values[f]));
        } else {
            PutU32(header, values[f]);
        }
    }
    PutU32(out.IndexRecord, toCrc);
    PutU32(out.IndexRecord, indexOffset);
    return out;
}

bool WriteJamBase(const JamBaseModel& model, const std::string& basePath, std::string* error,
                  JamWriteInfo* info) {
    if (!CheckJamModel(model, error)) return false;
    const std::vector<std::size_t> order = recordOrder(model);
    const std::map<std::uint32_t, JamReplyLinks> links = DeriveReplyLinks(model);

    std::uint32_t records = model.MinIndexRecords;
    if (!order.empty()) {
        records = std::max(records, recordOf(model, model.Messages[order.back()].Number) + 1);
    }
    std::uint32_t active = 0;
    for (const JamMessage& msg : model.Messages) active += msg.Deleted ? 0 : 1;

    BufferedFile hdrFile, txtFile, idxFile;
    if (!hdrFile.Open(basePath + ".jhr", error) || !txtFile.Open(basePath + ".jdt", error) ||
        !idxFile.Open(basePath + ".jdx", error)) {
        return false;
    }

    std::string fixed;
    fixed.reserve(kJamFixedHeaderSize);
    PutU32(fixed, model.Header.Signature);
    PutU32(fixed, model.Header.DateCreated);
    PutU32(fixed, model.Header.ModCounter);
    PutU32(fixed, model.Header.ActiveMsgs.value_or(active));
    PutU32(fixed, model.Header.PasswordCRC);
    PutU32(fixed, model.Header.BaseMsgNum);
    fixed.resize(kJamFixedHeaderSize, '\0');
    if (!hdrFile.Write(fixed, error)) return false;

    // The index is small next to the other two files (8 bytes a message), so it is built whole.
    std::string index(std::size_t(records) * kJamIndexRecordSize, '\xFF');
    std::vector<JamWrittenMessage> written(info ? model.Messages.size() : 0);

    for (std::size_t pos : order) {
        const JamMessage& msg = model.Messages[pos];
        std::uint64_t hdrOffset = hdrFile.Written();
        std::uint64_t txtOffset = txtFile.Written();
        if (hdrOffset > 0xFFFFFFFFull || txtOffset + msg.Text.size() > 0xFFFFFFFFull) {
            setError(error, "the base grows past 4 GiB at message " + std::to_string(msg.Number));
            return false;
        }

        JamReplyLinks link;
        if (auto found = links.find(msg.Number); found != links.end() && !msg.Deleted) {
            link = found->second;
        }
        const JamMessageBytes bytes =
            SerializeJamMessage(msg, link, static_cast<std::uint32_t>(hdrOffset),
                                static_cast<std::uint32_t>(txtOffset));
        const std::string& header = bytes.Header;
        const std::string& subfields = bytes.Subfields;
        if (!hdrFile.Write(header, error) || !hdrFile.Write(subfields, error) ||
            !txtFile.Write(msg.Text, error)) {
            return false;
        }

        std::uint32_t record = recordOf(model, msg.Number);
        index.replace(std::size_t(record) * kJamIndexRecordSize, kJamIndexRecordSize,
                      bytes.IndexRecord);

        if (info) {
            JamWrittenMessage& w = written[pos];
            w.Number = msg.Number;
            w.IndexRecord = record;
            w.HdrOffset = static_cast<std::uint32_t>(hdrOffset);
            w.SubfieldLen = static_cast<std::uint32_t>(subfields.size());
            w.TxtOffset = static_cast<std::uint32_t>(txtOffset);
            w.TxtLen = static_cast<std::uint32_t>(msg.Text.size());
            w.Reply1st = link.Reply1st;
            w.ReplyNext = link.ReplyNext;
        }
    }
    if (!idxFile.Write(index, error)) return false;

    std::uint64_t hdrSize = hdrFile.Written();
    std::uint64_t txtSize = txtFile.Written();
    if (!hdrFile.Close(error) || !txtFile.Close(error) || !idxFile.Close(error)) return false;
    if (info) {
        info->Messages = std::move(written);
        info->IndexRecords = records;
        info->HeaderFileSize = hdrSize;
        info->TextFileSize = txtSize;
        info->ActiveMsgs = model.Header.ActiveMsgs.value_or(active);
    }
    return true;
}

bool PatchFileBytes(const std::string& path, std::uint64_t offset, std::string_view bytes,
                    std::string* error) {
    if (offset > static_cast<std::uint64_t>(LONG_MAX)) {
        setError(error, "offset " + std::to_string(offset) + " is too large for " + path);
        return false;
    }
    std::FILE* file = std::fopen(path.c_str(), "r+b");
    if (!file) {
        setError(error, "cannot open " + path + ": " + systemReason());
        return false;
    }
    bool ok = std::fseek(file, static_cast<long>(offset), SEEK_SET) == 0 &&
              std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (!ok) setError(error, "cannot write " + path + ": " + systemReason());
    if (std::fclose(file) != 0 && ok) {
        setError(error, "cannot write " + path + ": " + systemReason());
        ok = false;
    }
    return ok;
}

bool PatchFileU32(const std::string& path, std::uint64_t offset, std::uint32_t value,
                  std::string* error) {
    std::string bytes;
    PutU32(bytes, value);
    return PatchFileBytes(path, offset, bytes, error);
}

bool TruncateFile(const std::string& path, std::uint64_t size, std::string* error) {
    std::error_code ec;
    std::filesystem::resize_file(path, size, ec);
    if (ec) {
        setError(error, "cannot resize " + path + ": " + ec.message());
        return false;
    }
    return true;
}

bool WriteWholeFile(const std::string& path, std::string_view bytes, std::string* error) {
    BufferedFile file;
    return file.Open(path, error) && file.Write(bytes, error) && file.Close(error);
}

bool ReadWholeFile(const std::string& path, std::string* bytes, std::string* error) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        setError(error, "cannot read " + path + ": not a regular file");
        return false;
    }
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        setError(error, "cannot open " + path + ": " + systemReason());
        return false;
    }
    bytes->clear();
    char chunk[1 << 16];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes->append(chunk, got);
    bool ok = !std::ferror(file);
    if (!ok) setError(error, "cannot read " + path + ": " + systemReason());
    std::fclose(file);
    return ok;
}

} // namespace jamgen
