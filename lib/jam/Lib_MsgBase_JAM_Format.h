#pragma once
// Byte layout of the JAM files as the reader uses it, and the little-endian field readers.
// All integers in JAM files are little-endian whatever machine reads them.

#include <cstddef>
#include <cstdint>

namespace JamFormat {

// The fixed header at the start of the header file.
constexpr std::size_t FixedHeaderSize = 1024;
constexpr std::size_t FixedModCounter = 8;
constexpr std::size_t FixedActiveMsgs = 12;
constexpr std::size_t FixedBaseMsgNum = 20;

// A message header: a fixed part, then SubfieldLen bytes of subfields.
constexpr std::size_t MsgFixedSize = 76;
constexpr std::size_t MsgSubfieldLen = 8;
constexpr std::size_t MsgReplyTo = 24;
constexpr std::size_t MsgReply1st = 28;
constexpr std::size_t MsgReplyNext = 32;
constexpr std::size_t MsgDateWritten = 36;
constexpr std::size_t MsgMsgNum = 48;
constexpr std::size_t MsgTxtOffset = 60;
constexpr std::size_t MsgTxtLen = 64;

// Only the first part of a long subfield area is read; subfields that begin later are not seen.
constexpr std::size_t SubfieldAreaRead = 4000;
constexpr std::size_t HeaderReadSize = MsgFixedSize + SubfieldAreaRead; // 4076
// A subfield is looked at only while its offset in the subfield area is below this.
constexpr std::size_t SubfieldWalkLimit = 3999;
constexpr std::size_t SubfieldHeadSize = 8; // LoID, HiID, DatLen

// Subfield types the reader treats specially.
constexpr std::uint16_t SfOAddress = 0;
constexpr std::uint16_t SfDAddress = 1;
constexpr std::uint16_t SfSenderName = 2;
constexpr std::uint16_t SfReceiverName = 3;
constexpr std::uint16_t SfMsgId = 4;
constexpr std::uint16_t SfReplyId = 5;
constexpr std::uint16_t SfSubject = 6;
constexpr std::uint16_t SfPid = 7;
constexpr std::uint16_t SfTrace = 8;
constexpr std::uint16_t SfFtsKludge = 2000;
constexpr std::uint16_t SfSeenBy2D = 2001;
constexpr std::uint16_t SfPath2D = 2002;
constexpr std::uint16_t SfFlags = 2003;
constexpr std::uint16_t SfTzUtcInfo = 2004;

// One index record: ToCRC, then HdrOffset.
constexpr std::size_t IndexRecSize = 8;
// A HdrOffset of all ones marks a deleted message. (A ToCRC of all ones is only the checksum of an
// empty recipient name, so it marks nothing.)
constexpr std::uint32_t DeletedOffset = 0xFFFFFFFFu;

inline std::uint16_t Get16(const unsigned char* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

inline std::uint32_t Get32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

} // namespace JamFormat
