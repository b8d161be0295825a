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
    bool Insert(std::int64_t n) {
        // Most threads are a few messages: they are looked for one by one, without hashing.
        if (!hashed_) {
            for (std::size_t i = 0; i < fewCount_; ++i)
                if (few_[i] == n) return false;
            if (fewCount_ < fewMax) {
                few_[fewCount_++] = n;
                return true;
            }
            spill();
        }
        return insertHashed(n);
    }
    void Clear();
    std::size_t Size() const { return hashed_ ? used_.size() : fewCount_; }

private:
    static constexpr std::size_t fewMax = 16;
    // The few numbers go into the table, once there are more.
    void spill();
    bool insertHashed(std::int64_t n);
    void grow();
    std::size_t slotOf(std::int64_t n) const;

    std::int64_t few_[fewMax] = {};
    std::size_t fewCount_ = 0;
    bool hashed_ = false; // the numbers are in the table, not in few_

    // Open addressing over a power-of-two table; a slot holds a number + 1, 0 = empty.
    std::vector<std::uint64_t> slots_;
    std::vector<std::size_t> used_; // slots filled since the last Clear
};
