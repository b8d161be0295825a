#include "Lib_Clock.h"

#include <chrono>

std::uint64_t TickMillis() {
    auto since = std::chrono::steady_clock::now().time_since_epoch();
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(since).count();
    return static_cast<std::uint64_t>(ms) & 0xFFFFFFFFu;
}
