#include "Lib_Memory.h"

#include <cstdint>
#include <new>

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

TBulkArena::TBulkArena(std::size_t bytes) {
    if (bytes == 0) return;
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    // Whole large pages, on a boundary of one: the block is mapped one large page longer and
    // its start moved up to the boundary. A large page is cleared whole when first touched, so
    // a block of less than half of one takes small pages.
    constexpr std::size_t large = std::size_t{2} << 20;
    const std::size_t span = (bytes + large - 1) / large * large;
    if (bytes >= large / 2) {
        void* mapping =
            mmap(nullptr, span + large, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (mapping != MAP_FAILED) {
            mapping_ = mapping;
            mappingBytes_ = span + large;
            const auto start =
                (reinterpret_cast<std::uintptr_t>(mapping) + large - 1) / large * large;
            base_ = reinterpret_cast<std::byte*>(start);
            size_ = span;
            // Only a hint: without large pages the block is made of small ones, asked for at once.
            madvise(base_, span, MADV_HUGEPAGE);
            PrefaultForWriting(base_, bytes);
            return;
        }
    }
#endif
    owned_.reset(new (std::nothrow) std::byte[bytes]);
    if (!owned_) return;
    base_ = owned_.get();
    size_ = bytes;
    PrefaultForWriting(base_, bytes);
}

TBulkArena::~TBulkArena() {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    if (mapping_ != nullptr) munmap(mapping_, mappingBytes_);
#endif
}

void* TBulkArena::Take(std::size_t bytes, std::size_t align) {
    const std::size_t start = (used_ + align - 1) / align * align;
    if (base_ == nullptr || start > size_ || bytes > size_ - start) return nullptr;
    used_ = start + bytes;
    return base_ + start;
}

bool TBulkArena::Holds(const void* p) const {
    const auto at = reinterpret_cast<std::uintptr_t>(p);
    const auto base = reinterpret_cast<std::uintptr_t>(base_);
    return base_ != nullptr && at >= base && at - base < size_;
}
