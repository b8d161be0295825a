#pragma once
// The synthetic bases the benchmarks run on: jamgen echo areas of a given size, written once into
// the build folder and reused while their files are there.

#include <cstdint>
#include <string>

// The base path (without extension) of the synthetic base of this many messages, written first
// when it is missing. Empty when it cannot be written.
std::string BenchBase(std::uint32_t messages);

// The same area after a purge of most thread starts: only every twentieth root is left, so the
// replies to the others head threads of their own, and the walk reads every header of the base.
std::string BenchPurgedBase(std::uint32_t messages);
