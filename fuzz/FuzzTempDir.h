#pragma once
// A folder of its own for one fuzzing process, made on first use and removed with everything in it
// when the process ends, so that many runs side by side never share files.

#include <cstddef>
#include <string>

// The folder, made on the first call; empty when it cannot be made.
const std::string& FuzzTempDir();

// Writes bytes to path whole, replacing what was there. False when it cannot.
bool FuzzWriteFile(const std::string& path, const unsigned char* data, std::size_t size);
