#ifdef _WIN32

#include "Lib_FileIO.h"
#include "Lib_FilePlatform.h"

#include <windows.h>

#include <cerrno>

namespace FilePlatform {

namespace {

// The largest single read or write asked of the system; callers loop over short transfers.
constexpr std::size_t maxChunk = 0x40000000u;

HANDLE win(Handle h) {
    return reinterpret_cast<HANDLE>(h);
}

// The error numbers the rest of the program knows, so that "Can't open" and its reason read the
// same on every platform.
int errnoOf(DWORD error) {
    switch (error) {
    case ERROR_SUCCESS:
        return 0;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_BAD_PATHNAME:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_NETWORK_ACCESS_DENIED:
    case ERROR_CANNOT_MAKE:
        return EACCES;
    case ERROR_WRITE_PROTECT:
        return EROFS;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return EEXIST;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ENOSPC;
    case ERROR_TOO_MANY_OPEN_FILES:
        return EMFILE;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
    case ERROR_NOT_ENOUGH_QUOTA:
        return ENOMEM;
    case ERROR_INVALID_HANDLE:
        return EBADF;
    case ERROR_FILENAME_EXCED_RANGE:
        return ENAMETOOLONG;
    case ERROR_DIR_NOT_EMPTY:
        return ENOTEMPTY;
    case ERROR_NOT_SAME_DEVICE:
        return EXDEV;
    case ERROR_BROKEN_PIPE:
    case ERROR_NO_DATA:
        return EPIPE;
    case ERROR_PIPE_BUSY:
    case ERROR_BUSY:
        return EBUSY;
    case ERROR_INVALID_PARAMETER:
    case ERROR_NEGATIVE_SEEK:
    case ERROR_DIRECTORY:
        return EINVAL;
    default:
        // Read and write faults, a drive that is not ready, a lost network: the file could not
        // be read or written.
        return EIO;
    }
}

int lastErrno() {
    return errnoOf(GetLastError());
}

bool isDirectory(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// A regular file on a disk: no console, pipe, printer or other device, and no directory.
int regularFileError(HANDLE h) {
    SetLastError(ERROR_SUCCESS);
    const DWORD type = GetFileType(h);
    if (type == FILE_TYPE_UNKNOWN && GetLastError() != ERROR_SUCCESS) return lastErrno();
    if (type != FILE_TYPE_DISK) return EINVAL;
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(h, &info)) return lastErrno();
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return EISDIR;
    return 0;
}

int currentPosition(HANDLE h, LARGE_INTEGER& position) {
    LARGE_INTEGER zero;
    zero.QuadPart = 0;
    return SetFilePointerEx(h, zero, &position, FILE_CURRENT) ? 0 : lastErrno();
}

} // namespace

// Files keep the access rules of their folder here; there are no permission bits to give.
int OpenRegular(const std::string& path, FileAccess access, Handle& out, int /*permissions*/) {
    out = NoHandle;
    DWORD rights = GENERIC_READ;
    DWORD disposition = OPEN_EXISTING;
    switch (access) {
    case FileAccess::ReadOnly:
        break;
    case FileAccess::ReadWrite:
        rights |= GENERIC_WRITE;
        break;
    case FileAccess::CreateReadWrite:
        rights |= GENERIC_WRITE;
        disposition = OPEN_ALWAYS; // truncated below, once it is known to be a regular file
        break;
    }
    // Deny nothing: other programs go on reading, writing, renaming and deleting the files
    // while they are open here. The handle is not inherited by child processes.
    HANDLE h =
        CreateFileA(path.c_str(), rights, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        // A directory cannot be opened as a file at all; say what it is.
        if (error == ERROR_ACCESS_DENIED && isDirectory(path)) return EISDIR;
        return errnoOf(error);
    }
    int error = regularFileError(h);
    if (error == 0 && access == FileAccess::CreateReadWrite && !SetEndOfFile(h))
        error = lastErrno();
    if (error != 0) {
        CloseHandle(h);
        return error;
    }
    out = reinterpret_cast<Handle>(h);
    return 0;
}

void CloseFile(Handle h) {
    if (h != NoHandle) CloseHandle(win(h));
}

int FileSize(Handle h, std::int64_t& size) {
    LARGE_INTEGER s;
    if (!GetFileSizeEx(win(h), &s)) return lastErrno();
    size = static_cast<std::int64_t>(s.QuadPart);
    return 0;
}

int ReadAt(Handle h, std::int64_t offset, void* buf, std::size_t count, std::size_t& got) {
    got = 0;
    if (offset < 0) return EINVAL;
    // A read at an offset moves the file pointer of a synchronous handle; writes go to the
    // file pointer, so it is put back where it was.
    LARGE_INTEGER position;
    if (int error = currentPosition(win(h), position); error != 0) return error;
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(static_cast<std::uint64_t>(offset) & 0xFFFFFFFFu);
    at.OffsetHigh = static_cast<DWORD>(static_cast<std::uint64_t>(offset) >> 32);
    DWORD read = 0;
    const DWORD wanted = static_cast<DWORD>(count < maxChunk ? count : maxChunk);
    int error = 0;
    if (!ReadFile(win(h), buf, wanted, &read, &at)) {
        const DWORD why = GetLastError();
        // At or past the end of the file a positioned read fails; that is simply nothing read.
        if (why != ERROR_HANDLE_EOF) error = errnoOf(why);
        read = 0;
    }
    if (!SetFilePointerEx(win(h), position, nullptr, FILE_BEGIN) && error == 0) error = lastErrno();
    if (error != 0) return error;
    got = static_cast<std::size_t>(read);
    return 0;
}

int Write(Handle h, const void* buf, std::size_t count, std::size_t& written) {
    written = 0;
    DWORD done = 0;
    const DWORD wanted = static_cast<DWORD>(count < maxChunk ? count : maxChunk);
    if (!WriteFile(win(h), buf, wanted, &done, nullptr)) return lastErrno();
    written = static_cast<std::size_t>(done);
    return 0;
}

int SyncFile(Handle h) {
    return FlushFileBuffers(win(h)) ? 0 : lastErrno();
}

int Rename(const std::string& from, const std::string& to) {
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : lastErrno();
}

int Remove(const std::string& path) {
    if (DeleteFileA(path.c_str())) return 0;
    const DWORD error = GetLastError();
    if (error == ERROR_ACCESS_DENIED && isDirectory(path)) return EISDIR;
    return errnoOf(error);
}

// The read-state file is replaced by its own name, as it always was here: links are not looked
// into, and files have no permission bits to carry over.
int ResolveLinks(const std::string& path, std::string& target, int& permissions) {
    target = path;
    permissions = -1;
    return 0;
}

unsigned long ProcessId() {
    return static_cast<unsigned long>(GetCurrentProcessId());
}

} // namespace FilePlatform

#endif
