#include "ReadState.h"

#include "Lib_FileIO.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>

namespace {

// Message numbers are signed 32-bit, so no bit lies beyond this many bytes; bytes of a file past
// it cannot belong to any message.
constexpr std::int64_t maxBitmapBytes = std::int64_t{1} << 28;

constexpr std::uint8_t bitMasks[8] = {1, 2, 4, 8, 16, 32, 64, 128};

// The size in whole steps that covers byteCount bytes, but never below minimum.
std::int64_t stepsCovering(std::int64_t byteCount, std::int64_t minimum) {
    if (byteCount > maxBitmapBytes) byteCount = maxBitmapBytes;
    std::int64_t size = (byteCount + ReadBitmapStep - 1) / ReadBitmapStep * ReadBitmapStep;
    return size > minimum ? size : minimum;
}

// Grows the array (once, keeping its bytes, the new ones clear) so that it has at least size
// bytes. False when the memory cannot be had; the array is then as it was.
bool growTo(TReadState& state, std::int64_t size) {
    if (size <= static_cast<std::int64_t>(state.ReadBitmap.size())) return true;
    try {
        state.ReadBitmap.resize(static_cast<std::size_t>(size), 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

// The byte of message n, after growing the array to hold it; null for numbers without a bit or
// when the array could not grow.
std::uint8_t* byteOf(TReadState& state, std::int32_t n) {
    if (n < 1 || !state.Held()) return nullptr;
    std::int64_t index = (static_cast<std::int64_t>(n) - 1) / 8;
    if (index >= state.ReadBitmapSize() && !growTo(state, stepsCovering(index + 1, 0)))
        return nullptr;
    return &state.ReadBitmap[static_cast<std::size_t>(index)];
}

std::uint8_t maskOf(std::int32_t n) {
    return bitMasks[(n - 1) % 8];
}

// Sets or clears message n's bit in a record of this run's changes, which grows as needed.
void record(std::vector<std::uint8_t>& bits, std::int32_t n, bool on) {
    const auto index = static_cast<std::size_t>((static_cast<std::int64_t>(n) - 1) / 8);
    if (index >= bits.size()) {
        if (!on) return;
        bits.resize(index + 1, 0);
    }
    if (on)
        bits[index] |= maskOf(n);
    else
        bits[index] &= static_cast<std::uint8_t>(~maskOf(n));
}

void releaseBitmap(TReadState& state) {
    std::vector<std::uint8_t>().swap(state.ReadBitmap);
}

// Reads the whole file (up to the largest useful size) into bytes. False when it cannot be read.
bool readWhole(TFile& file, std::vector<std::uint8_t>& bytes) {
    std::int64_t size = file.Size();
    if (size < 0) return false;
    if (size > maxBitmapBytes) size = maxBitmapBytes;
    try {
        bytes.assign(static_cast<std::size_t>(size), 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    std::int64_t got = file.ReadAt(0, bytes.data(), bytes.size());
    if (got < 0) return false;
    bytes.resize(static_cast<std::size_t>(got));
    return true;
}

// Writes the array to a new file beside the target, with the old file's permission bits, and
// renames it over the target; on any failure the temporary file is removed and the old file
// stays untouched. 0, or the system's error number of what failed.
int replaceFile(const TReadState& state, const TReplaceTarget& target) {
    const std::string temp = TempPathFor(target.Path);
    TFile out;
    if (!out.Open(temp, FileAccess::CreateReadWrite, target.Permissions)) return out.LastError();
    int error = 0;
    if (!out.WriteAll(state.ReadBitmap.data(), state.ReadBitmap.size()) || !out.Sync())
        error = out.LastError();
    out.Close();
    if (error == 0 && RenameFile(temp, target.Path)) return 0;
    if (error == 0) error = errno;
    RemoveFile(temp);
    return error != 0 ? error : EIO;
}

// Merges the file's marks into the array and writes it: what the file holds now, less what this
// run cleared, plus what it set. 0, or the error number of the failure.
int mergeAndReplace(TReadState& state, const TReplaceTarget& target) {
    TFile current;
    const bool present = current.Open(target.Path, FileAccess::ReadWrite);
    // A file in the way that this program may not write (a directory, a read-only or locked
    // file) is left as it is, as is one whose marks cannot be read back for merging.
    if (!present && current.LastError() != ENOENT) return current.LastError();
    std::vector<std::uint8_t> onDisk;
    if (present && !readWhole(current, onDisk))
        return current.LastError() != 0 ? current.LastError() : EIO;
    current.Close();
    if (!growTo(state, stepsCovering(static_cast<std::int64_t>(onDisk.size()), 0))) return ENOMEM;
    onDisk.resize(state.ReadBitmap.size(), 0);
    for (std::size_t i = 0; i < onDisk.size(); ++i) {
        const std::uint8_t cleared = i < state.ClearedThisRun.size() ? state.ClearedThisRun[i] : 0;
        const std::uint8_t set = i < state.SetThisRun.size() ? state.SetThisRun[i] : 0;
        state.ReadBitmap[i] = static_cast<std::uint8_t>((onDisk[i] & ~cleared) | set);
    }
    return replaceFile(state, target);
}

// Whether the file (or a link's target) is there.
bool exists(const TReplaceTarget& target) {
    TFile file;
    return file.Open(target.Path, FileAccess::ReadOnly) || file.LastError() != ENOENT;
}

} // namespace

std::string ReadStateFileName(const ShortStr& baseName) {
    return "skeinview_" + baseName.Str() + ".dat";
}

std::int32_t InitialBitmapSize(std::int32_t activeCount) {
    std::int32_t size = activeCount / 8;
    if (size < 0) size = 0;
    return (size / ReadBitmapStep + 1) * ReadBitmapStep;
}

void LoadReadState(TReadState& state, const ShortStr& baseName, std::int32_t activeCount) {
    releaseBitmap(state);
    state.FileName = ReadStateFileName(baseName);
    state.SetThisRun.clear();
    state.ClearedThisRun.clear();

    state.Changed = false;

    // Only read, whatever the run does later: a read-only file's marks still show, and nothing
    // is made before there is something to keep.
    TFile file;
    TReplaceTarget target;
    if (ReplaceTargetOf(state.FileName, target)) file.Open(target.Path, FileAccess::ReadOnly);

    std::vector<std::uint8_t> stored;
    if (file.IsOpen() && !readWhole(file, stored)) stored.clear();
    file.Close();

    // A file saved after the array grew in an earlier run is longer than the active count
    // suggests; it is taken whole so that none of its marks is lost.
    std::int64_t size =
        stepsCovering(static_cast<std::int64_t>(stored.size()), InitialBitmapSize(activeCount));
    if (!growTo(state, size)) return;
    for (std::size_t i = 0; i < stored.size(); ++i) state.ReadBitmap[i] = stored[i];
}

void MarkRead(TReadState& state, std::int32_t n) {
    std::uint8_t* byte = byteOf(state, n);
    if (byte == nullptr || (*byte & maskOf(n)) != 0) return;
    *byte |= maskOf(n);
    record(state.SetThisRun, n, true);
    record(state.ClearedThisRun, n, false);
    state.Changed = true;
}

void MarkUnread(TReadState& state, std::int32_t n) {
    if (!IsRead(state, n)) return;
    state.ReadBitmap[static_cast<std::size_t>((n - 1) / 8)] &=
        static_cast<std::uint8_t>(~maskOf(n));
    record(state.ClearedThisRun, n, true);
    record(state.SetThisRun, n, false);
    state.Changed = true;
}

bool SaveReadState(TReadState& state, bool release) {
    if (!state.Held()) return false;

    bool saved = false;
    int error = 0;
    bool foreignLink = false;
    TReplaceTarget target;
    if (!ReplaceTargetOf(state.FileName, target)) {
        error = errno != 0 ? errno : EIO;
        foreignLink = errno == EPERM;
    } else if (state.Changed || !exists(target)) {
        error = mergeAndReplace(state, target);
        saved = error == 0;
    }
    // Marks this run set that are not in the file are lost: the user must know. A link of
    // another user is what a link planted in a shared folder would look like.
    if (!saved && state.Changed) {
        if (foreignLink)
            std::fprintf(stderr,
                         "skeinview: %s: a symbolic link of another user is not followed; the "
                         "read marks were not saved\n",
                         state.FileName.c_str());
        else
            std::fprintf(stderr, "skeinview: %s: the read marks of this run were not saved: %s\n",
                         state.FileName.c_str(), std::strerror(error));
    }
    if (release) releaseBitmap(state);
    return saved;
}
