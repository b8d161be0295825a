// Fuzz target: the read-state file, of any length and content, loaded, marked, saved and loaded
// again, with the file layer failing one chosen operation now and then.
//
// Input layout: four bytes of the base's active message count (little-endian, signed, kept below
// 2^17); one byte
// that picks a failing file operation for the save (see faultOf); one byte n, then n four-byte
// message numbers (kept below 2^16, so the array stays small, or below 1 to test that such
// numbers have no bit); the rest is the file as it stands on disk before the run.
//
// What must hold: the array is a multiple of 128 bytes, at least the size the active count asks
// for and large enough for the whole file, and starts with the file's bytes; a marked number reads
// as read; a save either replaces the file with the array (only when a mark changed), or fails or
// is not needed and leaves the file exactly as it was; and what was saved loads back with every
// mark.

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
    while (count-- > 0 && size - pos >= 4) {
        auto n = static_cast<std::int32_t>(word(data + pos));
        pos += 4;
        numbers.push_back(n < 1 ? n : n % numberRange);
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

    for (std::int32_t n : numbers) {
        MarkRead(state, n);
        if (IsRead(state, n) != (n >= 1)) broken("a mark does not read back");
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
    // Saved: the file is the array, with the marks the file held merged in.
    if (after.size() < marked.size()) broken("the saved file is shorter than the array");
    for (std::size_t i = 0; i < marked.size(); ++i)
        if ((after[i] & marked[i]) != marked[i]) broken("a mark was lost in saving");

    TReadState again;
    LoadReadState(again, "fuzz", activeCount);
    for (std::int32_t n : numbers)
        if (n >= 1 && !IsRead(again, n)) broken("a saved mark did not load back");
    return 0;
}
