#pragma once
// The thread list: for every thread of the base a header row "Thread (N msgs): subject" followed
// by one row per message in reply-tree order (a message, everything under its first reply, then
// its next sibling and everything under that).

#include "Lib_CharsetConverter.h"
#include "Lib_MsgBase_JAM.h"
#include "ReadState.h"
#include "ShortStr.h"

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string_view>

class TThreadRowSink;

// Walks the base as one scan, following the reply links through the files, and hands the rows of
// every thread to rows. Once rows takes no more, the walk ends. With converters, the names of a
// message written in another charset are converted into their page.
void BuildThreadIndex(TJamMsgBase& base, TReadState& readState, TThreadRowSink& rows,
                      TPageConverters* converters = nullptr);

// The number of the message the scan stands on, as the index gives it. Rows, read marks and the
// viewer use this number, not the MsgNum field stored in the header: the two agree in a sound
// base, and in a damaged one only this number leads back to the same message.
std::int32_t ScanNumber(const TJamMsgBase& base);
// The same of any scan position: numbers beyond the signed 32-bit range read as 0.
inline std::int32_t RowNumberOf(std::int64_t number) {
    return number < std::numeric_limits<std::int32_t>::min() ||
                   number > std::numeric_limits<std::int32_t>::max()
               ? 0
               : static_cast<std::int32_t>(number);
}

// The columns of the sender in a message row; a longer name is cut.
constexpr std::size_t RowNameWidth = 18;

// A message row: two blanks, the number right-aligned in 5 columns (longer numbers in full, the
// row growing by the extra digits), a blank, "N" when unread, a blank, the sender in 18 columns,
// two blanks and the subject.
ShortStr MessageRow(std::int32_t number, bool read, std::string_view from,
                    std::string_view subject);
// A thread's header row: "Thread (N msgs): subject".
ShortStr ThreadHeaderRow(std::int32_t messages, std::string_view subject);

// The message number a row shows; 0 for a thread header row or anything else.
std::int32_t RowNumber(const ShortStr& row);

// Index (from 0) of the read mark in a message row: just after the number and its blank.
std::size_t ReadMarkIndex(const ShortStr& row);
