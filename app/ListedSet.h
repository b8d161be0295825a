#pragma once
// TListedSet: the places (in the index, from 0) already listed in the thread being built. One
// set serves the whole walk: a bit a place, and Clear unsets only the words the last thread
// touched, so the many small threads of a base cost no allocation and no sweep each.

#include "PlaceBits.h"

#include <cstddef>
#include <vector>

class TListedSet {
public:
    // Adds place; false when it was there already.
    bool Insert(std::size_t place) {
        if (bits_.Has(place)) return false;
        bits_.Set(place);
        listed_.push_back(place);
        return true;
    }
    void Clear() {
        // Every bit set in those words is one of the places listed.
        for (const std::size_t place : listed_) bits_.UnsetWordOf(place);
        listed_.clear();
    }
    // Room for the places below places (see TPlaceBits::Reserve).
    void Reserve(std::size_t places, const std::shared_ptr<TBulkArena>& arena) {
        bits_.Reserve(places, arena);
    }
    std::size_t Size() const { return listed_.size(); }

private:
    TPlaceBits bits_;
    std::vector<std::size_t> listed_; // in the order they came, since the last Clear
};
