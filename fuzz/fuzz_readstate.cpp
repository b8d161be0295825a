// Fuzz target: the read-state file, of any length and content, loaded, marked, saved and loaded
// again, with the file layer failing one chosen operation now and then.
//
// Input layout: four bytes of the base's active message count (little-endian, signed, kept below
// 2^17); one byte that picks a failing file operation for the save (see faultOf); one byte n, then
// n four-byte message numbers (kept below 2^16, so the array stays small, or below 1 to test that
// such numbers have no bit), each marked read, or unread when its bit 30 is set; the rest is the
// file as it stands on disk before the run.
//
// What must hold: the array is a multiple of 128 bytes, at least the size the active count asks
// for and large enough for the whole file, and starts with the file's bytes; a marked number reads
// as read and an unmarked one as unread; a save either replaces the file (only when a mark
// changed) with what it held less what the run cleared plus what it set, so that no mark is lost
// that this run did not clear, or fails or is not needed and leaves the file exactly as it was;
// and what was saved loads back so.

#include "Lib_FileIO.h"
#include "ReadState.h"
#include "ScratchDir.h"
#include "TestFiles.h"

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::int32_t numberRange = 1 << 16;

[[noreturn]] void broken(const char* what) {
    std::fprintf(stderr, "fuzz_readstate: %s\n", what);
    std::abort();
}

std::uint32_t word(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// The failure the selector byte asks for while saving: none, or one operation failing (or a write
// cut short, as on a full disk).
FileFault faultOf(std::uint8_t selector, FileOp op) {
    FileFault fault;
    switch (selector % 8) {
    case 1:
        fault.Fail = op == FileOp::Open;
        fault.Error = EACCES;
        break;
    case 2:
        fault.Fail = op == FileOp::Read;
        break;
    case 3:
        fault.Fail = op == FileOp::Write;
        break;
    case 4:
        if (op == FileOp::Write) fault.MaxBytes = selector / 8; // ENOSPC after that many
        break;
    case 5:
        fault.Fail = op == FileOp::Sync;
        break;
    case 6:
        fault.Fail = op == FileOp::Rename;
        fault.Error = EXDEV;
        break;
    case 7:
        fault.Fail = op == FileOp::Size;
        break;
    default:
        break;
    }
    return fault;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The read-state file lives in the current folder: one folder of its own for the whole run.
    static const ScratchDir dir("skein-fuzz");
    static const bool inDir = dir.Made() && ::chdir(dir.Path().c_str()) == 0;
    if (!inDir || size < 6) return 0;
    // Counts up to 2^17 (16 KB of array) reach every path; larger ones only cost time.
    auto activeCount = static_cast<std::int32_t>(word(data));
    if (activeCount > numberRange * 2) activeCount %= numberRange * 2;
    const std::uint8_t faultSelector = data[4];
    std::size_t pos = 5;
    std::size_t count = data[pos++];
    std::vector<std::int32_t> numbers;
    std::vector<bool> unmark;
    while (count-- > 0 && size - pos >= 4) {
        const std::uint32_t raw = word(data + pos);
        auto n = static_cast<std::int32_t>(raw & ~0x40000000u);
        pos += 4;
        numbers.push_back(n < 1 ? n : n % numberRange);
        unmark.push_back((raw & 0x40000000u) != 0);
    }
    const Bytes stored(data + pos, data + size);

    const std::string name = ReadStateFileName("fuzz");
    if (!WriteFileBytes(name, stored)) return 0;

    TReadState state;
    LoadReadState(state, "fuzz", activeCount);
    const std::size_t held = state.ReadBitmap.size();
    if (held % ReadBitmapStep != 0) broken("the array is not in whole steps");
    if (held < static_cast<std::size_t>(InitialBitmapSize(activeCount)))
        broken("the array is smaller than the active count asks");
    if (held < stored.size()) broken("the array does not hold the whole file");
    for (std::size_t i = 0; i < stored.size(); ++i)
        if (state.ReadBitmap[i] != stored[i]) broken("a byte of the file was not loaded");

    // What the run did last to each number: true read, false unread.
    std::map<std::int32_t, bool> last;
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        const std::int32_t n = numbers[i];
        if (unmark[i])
            MarkUnread(state, n);
        else
            MarkRead(state, n);
        if (IsRead(state, n) != (n >= 1 && !unmark[i])) broken("a mark does not read back");
        if (n >= 1) last[n] = !unmark[i];
    }
    if (state.ReadBitmap.size() % ReadBitmapStep != 0) broken("growth is not in whole steps");
    const Bytes marked = state.ReadBitmap;

    SetFileFaultHook([&](FileOp op, const std::string&) { return faultOf(faultSelector, op); });
    const bool saved = SaveReadState(state, true);
    SetFileFaultHook(nullptr);
    if (state.Held()) broken("the array was not released");
    const Bytes after = ReadFileOctets(name);
    if (std::ifstream(TempPathFor(name)).good()) broken("a temporary file was left behind");
    if (!saved) {
        if (after != stored) broken("a failed save changed the file");
        return 0;
    }
    // The file is there: only a run that changed a mark writes it.
    if (!state.Changed) broken("a run that changed no mark wrote the file");
    // Saved: each bit as the run left it last, every other one as the file held it.
    if (after.size() < marked.size() || after.size() < stored.size())
        broken("the saved file is shorter than the array or the old file");
    auto bit = [](const Bytes& bytes, std::size_t n) {
        const std::size_t i = (n - 1) / 8;
        return i < bytes.size() && (bytes[i] >> ((n - 1) % 8) & 1) != 0;
    };
    for (std::size_t n = 1; n <= after.size() * 8; ++n) {
        const auto done = last.find(static_cast<std::int32_t>(n));
        const bool expected = done != last.end() ? done->second : bit(stored, n);
        if (bit(after, n) != expected) broken("a mark was lost, or one cleared came back");
    }

    TReadState again;
    LoadReadState(again, "fuzz", activeCount);
    for (const auto& [n, read] : last)
        if (IsRead(again, n) != read) broken("a saved mark did not load back");
    return 0;
}
