#pragma once

#include <cstdint>

// Milliseconds of a steady clock. Only the low 32 bits are used, so the value wraps after about
// 49.7 days; callers compare differences, never absolute values.
std::uint64_t TickMillis();
