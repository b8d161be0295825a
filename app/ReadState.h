#pragma once
// Which message numbers of a base the reader has opened: one bit per number in a byte array, kept
// between runs in "skeinview_<base name>.dat" in the current directory. The file is nothing but
// the array: byte k holds numbers 8k + 1 (value 1) to 8k + 8 (value 128).
//
// A read-state file that cannot be read leaves every message unread; loading only reads it (a
// read-only file's marks show) and never makes it. A save that loses marks this run set says so
// in one line on standard error, with the file and the reason; the old file then stays as it
// was. The file may be a symbolic link of the user's own: the marks are read from and saved to
// the file it leads to, which keeps its permission bits. A link of another user is never
// followed (all unread, nothing written).

#include "ShortStr.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct TReadState {
    // Empty before loading and after release; otherwise a multiple of 128 bytes.
    std::vector<std::uint8_t> ReadBitmap;
    // The read-state file, set by LoadReadState.
    std::string FileName;
    // This run marked a message that was not marked before, or cleared a mark.
    bool Changed = false;
    // The marks this run set and those it cleared (same bit layout, as far as they reach): a save
    // writes what the file holds by then, less what this run cleared, plus what it set.
    std::vector<std::uint8_t> SetThisRun{};
    std::vector<std::uint8_t> ClearedThisRun{};

    bool Held() const { return !ReadBitmap.empty(); }
    std::int32_t ReadBitmapSize() const { return static_cast<std::int32_t>(ReadBitmap.size()); }
};

// The array grows and is stored in steps of this many bytes (1024 message numbers).
constexpr std::int32_t ReadBitmapStep = 128;

// "skeinview_" + baseName + ".dat".
std::string ReadStateFileName(const ShortStr& baseName);

// The smallest multiple of 128 above activeCount div 8: 128 for up to 1023 messages (and for 0 or
// a negative count), 256 for 1024 to 2047, and so on.
std::int32_t InitialBitmapSize(std::int32_t activeCount);

// Sizes the array from the base's count of active messages, or larger to take a longer file
// whole, and fills it from the read-state file of baseName, which is only read.
void LoadReadState(TReadState& state, const ShortStr& baseName, std::int32_t activeCount);

// Whether message n has been read; numbers below 1 and numbers beyond the array never have.
// Asking never grows the array (one damaged header number, up to 2^31, must not blow the file up
// to 256 MB while the base is merely listed). Here, since a walk asks it of every message.
inline bool IsRead(const TReadState& state, std::int32_t n) {
    if (n < 1) return false;
    const auto index = static_cast<std::size_t>(n - 1) / 8;
    return index < state.ReadBitmap.size() &&
           (state.ReadBitmap[index] & (1u << ((n - 1) % 8))) != 0;
}
// Marks message n read, growing the array in whole steps to cover it; numbers below 1 are
// ignored.
void MarkRead(TReadState& state, std::int32_t n);
// Marks message n not read; the save keeps it so, whatever the file holds by then.
void MarkUnread(TReadState& state, std::int32_t n);

// Writes the marks when this run changed one or the file is not there yet: the marks the file
// holds by now (another copy of the program may have saved some), less those this run cleared,
// plus those it set; then replaces the file whole through a temporary file beside it (beside a
// link's target), so that it is never left cut short. True when the file was written. When it was
// not and this run changed a mark, standard error says so (Changed tells the caller); when nothing
// changed, nothing was lost and nothing is said. With release, the array is released either way.
// Does nothing when no array is held.
bool SaveReadState(TReadState& state, bool release);
