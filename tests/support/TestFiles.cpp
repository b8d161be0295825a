#include "TestFiles.h"

#include <fstream>
#include <iterator>

#ifndef _WIN32
#include <sys/stat.h>
#endif

std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::uint8_t> ReadFileOctets(const std::string& path) {
    const std::string bytes = ReadFileBytes(path);
    return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
}

bool WriteFileBytes(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out.flush());
}

bool WriteFileBytes(const std::string& path, std::span<const std::uint8_t> bytes) {
    return WriteFileBytes(
        path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

#ifndef _WIN32
namespace {

bool sameTime(const timespec& a, const timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

} // namespace

std::optional<FileState> FileStateOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    return FileState{ReadFileBytes(path), st.st_mtim, st.st_ctim};
}

bool Untouched(const FileState& before, const FileState& after) {
    return before.Bytes == after.Bytes && sameTime(before.Modified, after.Modified) &&
           sameTime(before.Changed, after.Changed);
}
#endif
