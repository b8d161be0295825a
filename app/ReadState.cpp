#include "ReadState.h"

#include "Lib_FileIO.h"

#include <cerrno>
#include <cstdio>
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
// stays untouched.
bool replaceFile(const TReadState& state, const TReplaceTarget& target) {
    const std::string temp = TempPathFor(target.Path);
    TFile out;
    if (!out.Open(temp, FileAccess::CreateReadWrite, target.Permissions)) return false;
    bool written = out.WriteAll(state.ReadBitmap.data(), state.ReadBitmap.size()) && out.Sync();
    out.Close();
    if (written && RenameFile(temp, target.Path)) return true;
    RemoveFile(temp);
    return false;
}

// Where the marks really are: the file the user's own symbolic links lead to. A link of another
// user is the one thing this module reports, once, when saving: it is what a link planted in a
// shared folder would look like, and the user should know why the marks were not kept.
bool targetOf(const TReadState& state, TReplaceTarget& target, bool saving) {
    if (ReplaceTargetOf(state.FileName, target)) return true;
    if (saving && errno == EPERM)
        std::fprintf(stderr,
                     "skeinview: %s: a symbolic link of another user is not followed; the read "
                     "marks were not saved\n",
                     state.FileName.c_str());
    return false;
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

void LoadReadState(TReadState& state, const ShortStr& baseName, std::int32_t activeCount,
                   ReadStateUse use) {
    releaseBitmap(state);
    state.FileName = ReadStateFileName(baseName);

    TFile file;
    TReplaceTarget target;
    if (use == ReadStateUse::ShowOnly) {
        if (targetOf(state, target, false)) file.Open(target.Path, FileAccess::ReadOnly);
    } else if (targetOf(state, target, false) && !file.Open(target.Path, FileAccess::ReadWrite) &&
               file.LastError() == ENOENT) {
        file.Open(target.Path, FileAccess::CreateReadWrite);
    }

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

bool IsRead(TReadState& state, std::int32_t n) {
    // Asking does not grow the array: a number beyond it has never been marked. Growing here
    // would let one damaged header number (up to 2^31) blow the file up to 256 MB while merely
    // listing the base.
    if (n < 1 || !state.Held()) return false;
    std::int64_t index = (static_cast<std::int64_t>(n) - 1) / 8;
    if (index >= state.ReadBitmapSize()) return false;
    return (state.ReadBitmap[static_cast<std::size_t>(index)] & maskOf(n)) != 0;
}

void MarkRead(TReadState& state, std::int32_t n) {
    if (std::uint8_t* byte = byteOf(state, n)) *byte |= maskOf(n);
}

bool SaveReadState(TReadState& state, bool release) {
    if (!state.Held()) return false;

    bool saved = false;
    TReplaceTarget target;
    if (targetOf(state, target, true)) {
        TFile current;
        bool present = current.Open(target.Path, FileAccess::ReadWrite);
        // A file in the way that this program may not write (a directory, a read-only or locked
        // file) is left as it is, as is one whose marks cannot be read back for merging.
        if (present || current.LastError() == ENOENT) {
            std::vector<std::uint8_t> onDisk;
            bool merged = !present || readWhole(current, onDisk);
            current.Close();
            if (merged && !onDisk.empty())
                merged = growTo(state, stepsCovering(static_cast<std::int64_t>(onDisk.size()), 0));
            if (merged) {
                for (std::size_t i = 0; i < onDisk.size(); ++i) state.ReadBitmap[i] |= onDisk[i];
                saved = replaceFile(state, target);
            }
        }
    }
    if (release) releaseBitmap(state);
    return saved;
}
