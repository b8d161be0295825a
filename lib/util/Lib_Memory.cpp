#include "Lib_Memory.h"

#include <cstdint>

#if defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>
#endif

void PrefaultForWriting([[maybe_unused]] void* data, [[maybe_unused]] std::size_t bytes) {
#if defined(__linux__) && defined(MADV_POPULATE_WRITE)
    static const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
    // Only whole pages of the block: the pages at its ends are touched as any memory is.
    const auto begin = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t first = (begin + page - 1) / page * page;
    const std::uintptr_t last = (begin + bytes) / page * page;
    if (last <= first) return;
    // A system older than the request answers EINVAL: the pages then come as they are touched.
    madvise(reinterpret_cast<void*>(first), last - first, MADV_POPULATE_WRITE);
#endif
}
