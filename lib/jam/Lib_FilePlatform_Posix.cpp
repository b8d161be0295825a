#ifndef _WIN32

#include "Lib_FileIO.h"
#include "Lib_FilePlatform.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace FilePlatform {

namespace {
int fd(Handle h) {
    return static_cast<int>(h);
}

// The program takes '\' for a folder separator as much as '/' wherever it splits a path (the base
// path typed on the command line, the read-state file's name), as Windows itself does. Every name
// reaches the system through this file, so this is the one place where POSIX is told the same:
// the base files, the read-state file and its temporary file all follow one rule, and what the
// program reports about a file still names it as the user typed it.
std::string systemPath(const std::string& path) {
    std::string p = path;
    std::replace(p.begin(), p.end(), '\\', '/');
    return p;
}

// The target a symbolic link holds, as it stands.
int readLink(const std::string& link, std::string& target) {
    std::vector<char> buf(PATH_MAX);
    const ssize_t n = ::readlink(link.c_str(), buf.data(), buf.size());
    if (n < 0) return errno;
    if (n == 0) return ENOENT;
    if (static_cast<std::size_t>(n) >= buf.size()) return ENAMETOOLONG;
    target.assign(buf.data(), static_cast<std::size_t>(n));
    return 0;
}

} // namespace

int OpenRegular(const std::string& path, FileAccess access, Handle& out, int permissions) {
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
        // A link planted where a file is made must not make it truncate the file it leads to.
        flags |= O_RDWR | O_CREAT | O_NOFOLLOW;
        break;
    }
    const std::string name = systemPath(path);
    // Made with no more than the bits asked for, so that it is never more open than wanted, and
    // then given exactly those bits, whatever the umask took away.
    const mode_t mode = permissions >= 0 ? static_cast<mode_t>(permissions) : 0666;
    int f;
    do f = ::open(name.c_str(), flags, mode);
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
    else if (access == FileAccess::CreateReadWrite && permissions >= 0 && ::fchmod(f, mode) != 0)
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
    return std::rename(systemPath(from).c_str(), systemPath(to).c_str()) == 0 ? 0 : errno;
}

int Remove(const std::string& path) {
    return ::unlink(systemPath(path).c_str()) == 0 ? 0 : errno;
}

int ResolveLinks(const std::string& path, std::string& target, int& permissions) {
    constexpr int maxLinks = 40; // the system's own limit for a chain
    target = systemPath(path);
    permissions = -1;
    for (int links = 0;; ++links) {
        struct stat st {};
        if (::lstat(target.c_str(), &st) != 0) return errno == ENOENT ? 0 : errno;
        if (!S_ISLNK(st.st_mode)) {
            permissions = static_cast<int>(st.st_mode & 0777);
            return 0;
        }
        if (links == maxLinks) return ELOOP;
        // The rule the kernel keeps for links in shared folders, made simpler and stricter: only
        // the running user's own links lead anywhere, so that a link someone else planted never
        // makes the program replace a file of the user it points at.
        if (st.st_uid != ::geteuid()) return EPERM;
        std::string next;
        if (int error = readLink(target, next); error != 0) return error;
        const std::size_t slash = target.rfind('/');
        if (next.front() != '/' && slash != std::string::npos)
            next = target.substr(0, slash + 1) + next;
        target = next;
    }
}

unsigned long ProcessId() {
    return static_cast<unsigned long>(::getpid());
}

} // namespace FilePlatform

#endif
