#pragma once

#include <cstddef>
#include <memory>
#include <type_traits>
#include <utility>
#include <vector>

// Asks the system to give memory about to be written its pages now, in one call, instead of one
// page fault at a time as it is first touched. A whole base's plan and rows fill a few megabytes
// front to back; where a page fault is dear (a virtual machine) this is a large part of reading
// the base. Only a hint: where the system cannot, nothing happens, and the memory works as ever.
void PrefaultForWriting(void* data, std::size_t bytes);

// One block of memory for arrays that are reserved whole, filled front to back and given back
// together: a whole base's plan, its rows. Where the system has large pages (Linux), the block
// lies on them: a few of them instead of a page fault and a cleared page for every 4 KB, which
// is a large part of reading a base into memory. Its pages are asked for at once.
class TBulkArena {
public:
    explicit TBulkArena(std::size_t bytes);
    ~TBulkArena();
    TBulkArena(const TBulkArena&) = delete;
    TBulkArena& operator=(const TBulkArena&) = delete;

    // bytes of the block, aligned to align; nullptr when it has no more room.
    void* Take(std::size_t bytes, std::size_t align);
    bool Holds(const void* p) const;
    // Bytes it has left (taking them may lose a few to alignment).
    std::size_t Room() const { return size_ - used_; }

private:
    std::byte* base_ = nullptr;
    std::size_t size_ = 0;
    std::size_t used_ = 0;
    void* mapping_ = nullptr; // the system's block, when base_ lies in one
    std::size_t mappingBytes_ = 0;
    std::unique_ptr<std::byte[]> owned_; // otherwise
};

// Takes memory from an arena while it has room, and from the heap after that or without one.
// Memory from the arena goes back with the arena, which lives as long as any container using it.
template <class T> class TBulkAllocator {
public:
    using value_type = T;
    using propagate_on_container_copy_assignment = std::true_type;
    using propagate_on_container_move_assignment = std::true_type;
    using propagate_on_container_swap = std::true_type;

    TBulkAllocator() = default;
    explicit TBulkAllocator(std::shared_ptr<TBulkArena> arena) : arena_(std::move(arena)) {}
    template <class U> TBulkAllocator(const TBulkAllocator<U>& other) : arena_(other.Arena()) {}

    T* allocate(std::size_t n) {
        if (arena_)
            if (void* p = arena_->Take(n * sizeof(T), alignof(T))) return static_cast<T*>(p);
        return std::allocator<T>().allocate(n);
    }
    void deallocate(T* p, std::size_t n) {
        if (arena_ && arena_->Holds(p)) return;
        std::allocator<T>().deallocate(p, n);
    }
    // An element made without a value is left as the memory holds it: a plan's arrays are
    // sized for every message at once and each element written before it is read, and clearing
    // them first was megabytes written for nothing. Made from a value, as ever.
    template <class U> void construct(U* p) noexcept {
        static_assert(std::is_trivially_default_constructible_v<U>);
        ::new (static_cast<void*>(p)) U;
    }
    template <class U, class... Args> void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
    const std::shared_ptr<TBulkArena>& Arena() const { return arena_; }
    friend bool operator==(const TBulkAllocator& a, const TBulkAllocator& b) {
        return a.arena_ == b.arena_;
    }

private:
    std::shared_ptr<TBulkArena> arena_;
};

template <class T> using TBulkVector = std::vector<T, TBulkAllocator<T>>;

// Moves v's elements into memory from arena while it has room (none: the heap).
template <class T> void MoveInto(TBulkVector<T>& v, const std::shared_ptr<TBulkArena>& arena) {
    v = TBulkVector<T>(v.begin(), v.end(), TBulkAllocator<T>(arena));
}

// Makes v an empty vector with room for n elements from arena.
template <class T>
void ReserveIn(TBulkVector<T>& v, const std::shared_ptr<TBulkArena>& arena, std::size_t n) {
    v = TBulkVector<T>(TBulkAllocator<T>(arena));
    v.reserve(n);
}
