// JamDescription: a JAM base written as readable text, turned into a JamBaseModel.
//
// The description is UTF-8 text, one item per line. Characters outside ASCII are stored as their
// code page 437 bytes (box drawing, accented letters), or those of the code page a CodePage line
// names for the lines after it; a character the code page lacks is an error. Blank lines and
// lines whose first character is '#' are ignored.
//
// Items are "Key: value" lines (keys in any case). Base settings come before the first message:
//   BaseMsgNum: 1            number of index record 0 (default 1)
//   ModCounter: 12           DateCreated: 1994-11-02 18:00:00     PasswordCRC: 0
//   ActiveMsgs: 30           stored as given (default: the number of live messages)
//   Signature: 0x004D414A    the fixed header's signature
//   IndexRecords: 80         the index has at least this many records (the rest empty)
// Anywhere:
//   DeletedNumbers: 7 12 40  these messages are written deleted; numbers without a message get
//                            empty index records (so the index reaches them)
//   CodePage: 866            the characters of the lines after it are stored in that code page
//                            (437, the first one, 720, 737, 862 or 866)
// A message starts with "Msg: NUMBER" and runs to the next Msg line. Its items:
//   Date: 1994-11-03 09:12:44   DateWritten (also Received:, Processed:); a date, a date with
//                               hours and minutes, or a plain number of seconds since 1970
//   ReplyTo: 3                  whom it answers; Reply1st/ReplyNext are derived from these
//   Attribute:, Attribute2:, TimesRead:, Cost:, PasswordCRC:   header fields
//   Deleted: yes                the message is deleted
//   Charset: KOI8-R             the message's CHRS kludge ("CHRS: KOI8-R 2", UTF-8 at level 4);
//                               its lines after this one are stored in that charset (UTF-8: as
//                               they are), so give it right after the Msg line
//   Set: FIELD VALUE            a raw value for any header field (SubfieldLen, TxtOffset, MsgNum,
//                               Reply1st, ...) or index field (ToCRC, HdrOffset), written last
// Subfields, written in the order given:
//   From: (SENDERNAME)  To: (RECEIVERNAME)  Subject: (SUBJECT)  MSGID:  REPLY:  PID:
//   TZUTC: (TZUTCINFO)  SEEN-BY: (SEENBY2D)  PATH: (PATH2D)  FLAGS:  Via: (TRACE)
//   OADDRESS:  DADDRESS:  CHRS: (an FTSKLUDGE whose data is "CHRS: " + value)
//   Kludge: TEXT (an FTSKLUDGE with that data)      Subfield: LOID DATA (any type)
//   DatLen: VALUE               a raw DatLen for the subfield just given
// The standard names (SENDERNAME, SEENBY2D, TZUTCINFO, ...) are accepted too.
// Message text: every line that begins with '|' adds what follows the '|', then a CR. A line
// whose text ends in a single backslash gets no CR (the next text line continues it). A message
// without '|' lines has an empty text.
//
// Escapes, in values and text lines: \\ backslash, \r CR, \n LF, \s soft return (0x8D),
// \t tab, \0 NUL, \xHH any byte. So "|Hello\r\n\" ends a line in CR LF and "|line\s\" in a soft
// return. Values lose their leading and trailing blanks; text lines keep every blank.
#pragma once

#include "JamWriter.h"

#include <string>
#include <string_view>

namespace jamgen {

// Parses a description; sourceName prefixes error messages ("demo.txt:12: unknown key 'Frm'").
// On failure returns false and leaves *model unspecified.
bool ParseJamDescription(std::string_view text, const std::string& sourceName, JamBaseModel* model,
                         std::string* error);

// Reads and parses a description file.
bool LoadJamDescription(const std::string& path, JamBaseModel* model, std::string* error);

} // namespace jamgen
