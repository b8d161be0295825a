#ifndef _WIN32

#include "Lib_FileIO.h"
#include "Lib_FilePlatform.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace FilePlatform {

namespace {
int fd(Handle h) {
    return static_cast<int>(h);
}
} // namespace

int OpenRegular(const std::string& path, FileAccess access, Handle& out) {
    out = NoHandle;
    int flags = O_CLOEXEC | O_NONBLOCK | O_NOCTTY;
    switch (access) {
    case FileAccess::ReadOnly:
        flags |= O_RDONLY;
        break;
    case FileAccess::ReadWrite:
        flags |= O_RDWR;
        break;
    case FileAccess::CreateReadWrite:
        flags |= O_RDWR | O_CREAT;
        break;
    }
    int f;
    do f = ::open(path.c_str(), flags, 0666);
    while (f < 0 && errno == EINTR);
    if (f < 0) return errno;

    struct stat st {};
    int error = 0;
    if (::fstat(f, &st) != 0)
        error = errno;
    else if (S_ISDIR(st.st_mode))
        error = EISDIR;
    else if (!S_ISREG(st.st_mode))
        error = EINVAL;
    else if (::fcntl(f, F_SETFL, ::fcntl(f, F_GETFL) & ~O_NONBLOCK) != 0)
        error = errno;
    else if (access == FileAccess::CreateReadWrite && ::ftruncate(f, 0) != 0)
        error = errno;
    if (error != 0) {
        ::close(f);
        return error;
    }
    out = f;
    return 0;
}

void CloseFile(Handle h) {
    if (h != NoHandle) ::close(fd(h));
}

int FileSize(Handle h, std::int64_t& size) {
    struct stat st {};
    if (::fstat(fd(h), &st) != 0) return errno;
    size = static_cast<std::int64_t>(st.st_size);
    return 0;
}

int ReadAt(Handle h, std::int64_t offset, void* buf, std::size_t count, std::size_t& got) {
    got = 0;
    ssize_t n;
    do n = ::pread(fd(h), buf, count, static_cast<off_t>(offset));
    while (n < 0 && errno == EINTR);
    if (n < 0) return errno;
    got = static_cast<std::size_t>(n);
    return 0;
}

int Write(Handle h, const void* buf, std::size_t count, std::size_t& written) {
    written = 0;
    ssize_t n;
    do n = ::write(fd(h), buf, count);
    while (n < 0 && errno == EINTR);
    if (n < 0) return errno;
    written = static_cast<std::size_t>(n);
    return 0;
}

int SyncFile(Handle h) {
    int r;
    do r = ::fsync(fd(h));
    while (r != 0 && errno == EINTR);
    return r == 0 ? 0 : errno;
}

int Rename(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

int Remove(const std::string& path) {
    return ::unlink(path.c_str()) == 0 ? 0 : errno;
}

unsigned long ProcessId() {
    return static_cast<unsigned long>(::getpid());
}

} // namespace FilePlatform

#endif
