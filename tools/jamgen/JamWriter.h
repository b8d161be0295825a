// JamWriter: our own writer of JAM message bases.
//
// A base is described by an in-memory model (JamBaseModel) and written as the three files
// BASEPATH.jhr (fixed header + message headers with their subfields), BASEPATH.jdt (message
// texts) and BASEPATH.jdx (one 8-byte index record per message number). The model holds what a
// tosser would know: header fields, subfields in their order, text bytes, which numbers are
// deleted and whom each message answers. The writer derives everything else (offsets, lengths,
// CRCs, the Reply1st/ReplyNext chains) and then applies raw overrides, so that tests and damaged
// bases can put any value into any field.
//
// All integers in the files are little-endian. Message numbers are 32-bit and wrap modulo 2^32:
// the index record of message n is record (n - BaseMsgNum) mod 2^32.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace jamgen {

// Subfield types (LoID).
enum JamSubfieldId : std::uint16_t {
    kOAddress = 0,
    kDAddress = 1,
    kSenderName = 2,
    kReceiverName = 3,
    kMsgId = 4,
    kReplyId = 5,
    kSubject = 6,
    kPid = 7,
    kTrace = 8,
    kEnclosedFile = 9,
    kEnclosedFileAlias = 10,
    kEnclosedFreq = 11,
    kEnclosedFileWildcard = 12,
    kEnclosedIndirectFile = 13,
    kEmbeddedBinary = 1000,
    kFtsKludge = 2000,
    kSeenBy2D = 2001,
    kPath2D = 2002,
    kFlags = 2003,
    kTzUtcInfo = 2004,
};

constexpr std::uint32_t kJamFixedHeaderSize = 1024;
constexpr std::uint32_t kJamMsgHeaderSize = 76; // fixed part, before the subfields
constexpr std::uint32_t kJamSubfieldHeaderSize = 8;
constexpr std::uint32_t kJamIndexRecordSize = 8;
constexpr std::uint32_t kJamSignature = 0x004D414A; // "JAM" and a NUL, read little-endian
constexpr std::uint16_t kJamRevision = 1;
constexpr std::uint32_t kJamNone = 0xFFFFFFFF;          // an empty index field
constexpr std::uint32_t kJamMsgDeleted = 0x80000000;    // Attribute bit of a deleted message
constexpr std::uint32_t kJamMsgLocal = 0x00000001;      // Attribute bit of a locally written one
constexpr std::uint32_t kJamMsgTypeEcho = 0x01000000;   // Attribute bit of an echomail message
constexpr std::uint32_t kJamMaxIndexRecords = 1u << 26; // refuse bases with larger index files

// Every field of a message header and of its index record, for raw overrides.
enum class JamField {
    Signature,
    Revision,     // 16 bits; an override is cut to 16 bits
    ReservedWord, // 16 bits
    SubfieldLen,
    TimesRead,
    MSGIDcrc,
    REPLYcrc,
    ReplyTo,
    Reply1st,
    ReplyNext,
    DateWritten,
    DateReceived,
    DateProcessed,
    MsgNum,
    Attribute,
    Attribute2,
    TxtOffset,
    TxtLen,
    PasswordCRC,
    Cost,
    IdxToCRC,     // index record: ToCRC
    IdxHdrOffset, // index record: HdrOffset
};

// Byte offset of a header field inside the 76-byte fixed part (-1 for the index fields).
int JamFieldOffset(JamField field);
// The field's name as written above ("SubfieldLen", "ToCRC", "HdrOffset", ...); names are
// matched without regard to case by JamFieldFromName.
const char* JamFieldName(JamField field);
std::optional<JamField> JamFieldFromName(std::string_view name);

struct JamSubfield {
    std::uint16_t LoID = 0;
    std::uint16_t HiID = 0;
    std::string Data;
    // Written in place of the real data length; the data bytes themselves are still written.
    std::optional<std::uint32_t> DatLenOverride;
};

struct JamMessage {
    std::uint32_t Number = 0;
    std::uint32_t ReplyTo = 0; // 0 = answers nothing
    std::uint32_t DateWritten = 0;
    std::uint32_t DateReceived = 0;
    std::uint32_t DateProcessed = 0;
    std::uint32_t Attribute = kJamMsgLocal;
    std::uint32_t Attribute2 = 0;
    std::uint32_t TimesRead = 0;
    std::uint32_t PasswordCRC = 0;
    std::uint32_t Cost = 0;
    std::vector<JamSubfield> Subfields; // written in this order
    std::string Text;                   // bytes of the .jdt, lines usually ended by CR
    // A deleted message keeps its header and text in the files (with the deleted attribute bit)
    // but its index record is empty (both fields 0xFFFFFFFF). It takes no part in reply chains.
    bool Deleted = false;
    // Derived by the writer: ToCRC from the first RECEIVERNAME (no such subfield: the empty name),
    // MSGIDcrc and REPLYcrc from the first MSGID and REPLY subfields (0xFFFFFFFF without one),
    // SubfieldLen, TxtOffset, TxtLen, Reply1st, ReplyNext, MsgNum.
    // Applied last, after every derived value: any field of the header or the index record.
    std::map<JamField, std::uint32_t> Overrides;

    void AddSubfield(std::uint16_t loId, std::string data);
    // The data of the first subfield of that type, or none.
    const std::string* FindSubfield(std::uint16_t loId) const;
};

struct JamFixedHeader {
    std::uint32_t Signature = kJamSignature;
    std::uint32_t DateCreated = 0;
    std::uint32_t ModCounter = 0;
    std::optional<std::uint32_t> ActiveMsgs; // none: the number of live messages
    std::uint32_t PasswordCRC = 0;
    std::uint32_t BaseMsgNum = 1;
};

struct JamBaseModel {
    JamFixedHeader Header;
    // In any order; numbers must be distinct. Numbers between BaseMsgNum and the highest one
    // that have no message get empty index records.
    std::vector<JamMessage> Messages;
    // The index covers at least these many records even when the last messages are missing, so a
    // base can end in a run of empty records.
    std::uint32_t MinIndexRecords = 0;

    // A live message with SENDERNAME, RECEIVERNAME and SUBJECT subfields; returns it for more.
    JamMessage& AddMessage(std::uint32_t number, std::string from, std::string to,
                           std::string subject, std::uint32_t dateWritten = 0,
                           std::uint32_t replyTo = 0);
    JamMessage* FindMessage(std::uint32_t number);
};

// Where the writer put one message; in the order of the model's Messages.
struct JamWrittenMessage {
    std::uint32_t Number = 0;
    std::uint32_t IndexRecord = 0; // record number in the .jdx
    std::uint32_t HdrOffset = 0;   // offset of the header in the .jhr (as laid out, not overridden)
    std::uint32_t SubfieldLen = 0; // real length of the subfield area
    std::uint32_t TxtOffset = 0;
    std::uint32_t TxtLen = 0;
    std::uint32_t Reply1st = 0; // as derived, before overrides
    std::uint32_t ReplyNext = 0;
};

struct JamWriteInfo {
    std::vector<JamWrittenMessage> Messages;
    std::uint32_t IndexRecords = 0;
    std::uint64_t HeaderFileSize = 0;
    std::uint64_t TextFileSize = 0;
    std::uint32_t ActiveMsgs = 0; // as written
};

// Writes basePath.jhr, .jdt and .jdx (replacing existing files). On failure returns false with a
// message in *error (when error is given); files may then be partly written.
bool WriteJamBase(const JamBaseModel& model, const std::string& basePath, std::string* error,
                  JamWriteInfo* info = nullptr);

// Checks the model without writing: distinct numbers, every number at or above BaseMsgNum
// (modulo 2^32) and an index of at most kJamMaxIndexRecords records.
bool CheckJamModel(const JamBaseModel& model, std::string* error);

// Derived reply links: for every live message whose ReplyTo names another live message, that
// parent's Reply1st is its lowest-numbered reply and each reply's ReplyNext the next higher one.
struct JamReplyLinks {
    std::uint32_t Reply1st = 0;
    std::uint32_t ReplyNext = 0;
};
std::map<std::uint32_t, JamReplyLinks> DeriveReplyLinks(const JamBaseModel& model);

// One message as the writer lays it out: its header's fixed part, its subfield area and its index
// record, for a header at hdrOffset of the header file and a text at txtOffset of the text file,
// with the reply links given (the message's overrides applied last).
struct JamMessageBytes {
    std::string Header;
    std::string Subfields;
    std::string IndexRecord;
};
JamMessageBytes SerializeJamMessage(const JamMessage& msg, JamReplyLinks link,
                                    std::uint32_t hdrOffset, std::uint32_t txtOffset);

// The JAM CRC-32 of a name: ASCII letters lower-cased, reflected polynomial 0xEDB88320, start
// value 0xFFFFFFFF, no final inversion (so the empty name gives 0xFFFFFFFF).
std::uint32_t JamCrc32(std::string_view text);

// Seconds since 1970-01-01 00:00:00, no time zone; none for an invalid date or time, or one
// outside 1970-01-01 00:00:00 .. 2106-02-07 06:28:15.
std::optional<std::uint32_t> JamTimeStamp(int year, int month, int day, int hour = 0,
                                          int minute = 0, int second = 0);

// Little-endian helpers.
void PutU16(std::string& out, std::uint16_t value);
void PutU32(std::string& out, std::uint32_t value);
std::uint32_t GetU32(std::string_view bytes, std::size_t offset); // 0 past the end
std::uint16_t GetU16(std::string_view bytes, std::size_t offset);

// File helpers for tests and damaged bases. Each returns false with a message on failure.
bool PatchFileBytes(const std::string& path, std::uint64_t offset, std::string_view bytes,
                    std::string* error);
bool PatchFileU32(const std::string& path, std::uint64_t offset, std::uint32_t value,
                  std::string* error);
bool TruncateFile(const std::string& path, std::uint64_t size, std::string* error);
bool WriteWholeFile(const std::string& path, std::string_view bytes, std::string* error);
bool ReadWholeFile(const std::string& path, std::string* bytes, std::string* error);

} // namespace jamgen
