#pragma once
// Whole files for the tests: their bytes, and what a file is (bytes and times) before a run, to
// compare with after it.

#include <cstdint>
#include <ctime>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The file's bytes; empty when it cannot be read.
std::string ReadFileBytes(const std::string& path);
// The same as octets, for comparing with byte arrays such as the read-state bitmap.
std::vector<std::uint8_t> ReadFileOctets(const std::string& path);
// Makes or replaces the file with exactly these bytes; false when it cannot be written.
bool WriteFileBytes(const std::string& path, std::string_view bytes);
bool WriteFileBytes(const std::string& path, std::span<const std::uint8_t> bytes);

#ifndef _WIN32
struct FileState {
    std::string Bytes;
    timespec Modified{};
    timespec Changed{};
};
// None when the file does not exist.
std::optional<FileState> FileStateOf(const std::string& path);
// The same bytes, modification time and change time: the file was not touched.
bool Untouched(const FileState& before, const FileState& after);
#endif
