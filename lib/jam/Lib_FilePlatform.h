#pragma once
// The operating system's file calls, behind one small seam so that each platform keeps its calls
// in one source file (Lib_FilePlatform_Posix.cpp here). Every call returns 0 on success or a
// system error number (errno values); nothing here knows of the fault hook.

#include <cstddef>
#include <cstdint>
#include <string>

enum class FileAccess;

namespace FilePlatform {

using Handle = std::intptr_t;
constexpr Handle NoHandle = -1;

// Opens a regular file without ever blocking; fails for directories (EISDIR) and any other kind
// of file (EINVAL). CreateReadWrite truncates only after the file is known to be regular, never
// follows a symbolic link at path, and with permissions of 0 or more gives the file exactly those
// permission bits (where files have them); otherwise a new file gets the system's usual mode.
int OpenRegular(const std::string& path, FileAccess access, Handle& out, int permissions = -1);
void CloseFile(Handle h);
int FileSize(Handle h, std::int64_t& size);
// One positioned read, interrupted calls retried; got is 0 at the end of the file.
int ReadAt(Handle h, std::int64_t offset, void* buf, std::size_t count, std::size_t& got);
// One write at the current position, interrupted calls retried; written may be short.
int Write(Handle h, const void* buf, std::size_t count, std::size_t& written);
int SyncFile(Handle h);
int Rename(const std::string& from, const std::string& to);
int Remove(const std::string& path);
// Follows the symbolic links at path, one after another (a relative target is taken from the
// folder of the link that holds it), to the name of the file they lead to: path itself when it is
// no link. Only links the running user owns are followed: a link of any other owner fails with
// EPERM, a chain of more than 40 links with ELOOP. permissions are then the permission bits of
// the file found, or -1 when it is not there (or files have none on this platform).
int ResolveLinks(const std::string& path, std::string& target, int& permissions);
// A number that tells this running copy of the program from any other.
unsigned long ProcessId();

} // namespace FilePlatform
