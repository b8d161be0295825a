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
// of file (EINVAL). CreateReadWrite truncates only after the file is known to be regular.
int OpenRegular(const std::string& path, FileAccess access, Handle& out);
void CloseFile(Handle h);
int FileSize(Handle h, std::int64_t& size);
// One positioned read, interrupted calls retried; got is 0 at the end of the file.
int ReadAt(Handle h, std::int64_t offset, void* buf, std::size_t count, std::size_t& got);
// One write at the current position, interrupted calls retried; written may be short.
int Write(Handle h, const void* buf, std::size_t count, std::size_t& written);
int SyncFile(Handle h);
int Rename(const std::string& from, const std::string& to);
int Remove(const std::string& path);
// A number that tells this running copy of the program from any other.
unsigned long ProcessId();

} // namespace FilePlatform
