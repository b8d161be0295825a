#pragma once
// TListedSet: the scan positions already listed in the thread being built. One set serves the
// whole walk: Clear empties it in time proportional to what the last thread put in, so the many
// small threads of a base cost no allocation each.

#include <cstddef>
#include <cstdint>
#include <vector>

class TListedSet {
public:
    TListedSet();
    // Adds n; false when it was there already.
    bool Insert(std::int64_t n);
    void Clear();
    std::size_t Size() const { return used_.size(); }

private:
    void grow();
    std::size_t slotOf(std::int64_t n) const;

    // Open addressing over a power-of-two table; a slot holds a number + 1, 0 = empty.
    std::vector<std::uint64_t> slots_;
    std::vector<std::size_t> used_; // slots filled since the last Clear
};
