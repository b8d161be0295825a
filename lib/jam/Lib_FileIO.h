#pragma once
// The thin file layer every module uses for disk access. It opens regular files only (a directory,
// FIFO or device fails at once and never blocks), takes no locks so other programs may share the
// files, and reports failures as results with the system's error number kept in LastError().
//
// Tests can make any operation fail or come back short through SetFileFaultHook.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

enum class FileAccess {
    ReadOnly,
    ReadWrite,
    CreateReadWrite // create the file, or truncate it when it exists
};

class TFile {
public:
    TFile() = default;
    ~TFile();
    TFile(TFile&& other) noexcept;
    TFile& operator=(TFile&& other) noexcept;
    TFile(const TFile&) = delete;
    TFile& operator=(const TFile&) = delete;

    // Closes a file already open first. False on failure with LastError() set; a path that is not
    // a regular file fails with EISDIR (directory) or EINVAL (anything else). CreateReadWrite
    // never follows a symbolic link at path, and with permissions of 0 or more (permission bits
    // as from ReplaceTargetOf) gives the file exactly those; otherwise a new file gets the
    // system's usual mode for new files.
    bool Open(const std::string& path, FileAccess access, int permissions = -1);
    void Close();
    bool IsOpen() const;

    // The file's size in bytes, -1 on failure.
    std::int64_t Size();
    // Reads up to count bytes from offset without moving the write position. Returns the bytes
    // read: fewer than count only at the end of the file (0 at or past it), -1 on failure.
    std::int64_t ReadAt(std::int64_t offset, void* buf, std::size_t count);
    // Writes all count bytes at the current position (the start, after Open) and moves past them.
    // False when not every byte could be written.
    bool WriteAll(const void* buf, std::size_t count);
    // Forces the written bytes to the disk.
    bool Sync();

    // The system error number of the last failure, 0 when nothing has failed yet.
    int LastError() const { return lastError_; }
    const std::string& Path() const { return path_; }

private:
    bool fail(int error);

    std::intptr_t handle_ = -1;
    std::string path_;
    int lastError_ = 0;
};

// Renames from over to, replacing to when it exists. False on failure (errno kept).
bool RenameFile(const std::string& from, const std::string& to);
// Removes a file. False on failure (errno kept).
bool RemoveFile(const std::string& path);
// A name beside path that no other running copy of the program uses, for writing a file whole
// before renaming it over path.
std::string TempPathFor(const std::string& path);

// The file that replacing path whole must replace so that what the user set up stays: through
// the symbolic links at path (the links themselves stay as they are), with the permission bits
// the new file is to keep.
struct TReplaceTarget {
    std::string Path;     // path itself, or the file its links lead to (which may not exist yet)
    int Permissions = -1; // the old file's permission bits; -1 when there is none to keep
};
// False with errno set when the links cannot be followed: EPERM for a link of another user
// than the one running (never followed, so that a link planted in a shared folder cannot make
// the program replace that user's file), ELOOP for too long a chain.
bool ReplaceTargetOf(const std::string& path, TReplaceTarget& out);

// Test seam: a hook asked before each operation may make it fail or come back short. The empty
// hook (the default) lets everything through. For Rename the path given is the source. An open
// for writing asks Open, then OpenToWrite, so that a file can be made read-only alone.
enum class FileOp { Open, OpenToWrite, Size, Read, Write, Sync, Rename };
struct FileFault {
    bool Fail = false; // the call fails with errno = Error (EIO when Error is 0)
    int Error = 0;
    // A read or write handles at most this many bytes; a cut write then fails with Error, or
    // ENOSPC when Error is 0, as on a full disk.
    std::size_t MaxBytes = SIZE_MAX;
};
using FileFaultHook = std::function<FileFault(FileOp op, const std::string& path)>;
void SetFileFaultHook(FileFaultHook hook);
