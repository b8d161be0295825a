#pragma once
// Whole files for the tests: their bytes, and what a file is (bytes and times) before a run, to
// compare with after it.

#include <ctime>
#include <optional>
#include <string>

// The file's bytes; empty when it cannot be read.
std::string ReadFileBytes(const std::string& path);
// Makes or replaces the file with exactly these bytes; false when it cannot be written.
bool WriteFileBytes(const std::string& path, const std::string& bytes);

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
