#pragma once
// TListedSet: the places (in the index, from 0) already listed in the thread being built. One
// set serves the whole walk: a bit a place, and Clear unsets only the words the last thread
// touched, so the many small threads of a base cost no allocation and no sweep each. A place
// is below the index's record count, so the bits take at most a sixty-fourth of the index
// file's size.

#include <cstddef>
#include <cstdint>
#include <vector>

class TListedSet {
public:
    // Adds place; false when it was there already.
    bool Insert(std::size_t place) {
        const std::size_t word = place / 64;
        const std::uint64_t bit = std::uint64_t{1} << (place % 64);
        if (word >= bits_.size()) grow(word);
        if ((bits_[word] & bit) != 0) return false;
        bits_[word] |= bit;
        listed_.push_back(place);
        return true;
    }
    void Clear() {
        for (const std::size_t place : listed_) bits_[place / 64] = 0;
        listed_.clear();
    }
    std::size_t Size() const { return listed_.size(); }

private:
    void grow(std::size_t word);

    std::vector<std::uint64_t> bits_;
    std::vector<std::size_t> listed_; // in the order they came, since the last Clear
};
