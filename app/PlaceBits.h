#pragma once
// TPlaceBits: a bit for each place in the index (from 0), in words that grow as places further on
// are set. A place is below the index's record count, so the bits take at most a sixty-fourth of
// the index file's size. The walk asks them for every message.

#include "Lib_Memory.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

class TPlaceBits {
public:
    bool Has(std::size_t place) const {
        const std::size_t word = place / 64;
        return word < words_.size() && ((words_[word] >> (place % 64)) & 1) != 0;
    }
    void Set(std::size_t place) {
        const std::size_t word = place / 64;
        if (word >= words_.size()) grow(word);
        words_[word] |= std::uint64_t{1} << (place % 64);
    }
    // Room for the bits of places below places, from arena while it has room (pages that are
    // there already), so that the words neither move nor fault in as the walk goes on.
    void Reserve(std::size_t places, const std::shared_ptr<TBulkArena>& arena) {
        TBulkVector<std::uint64_t> words(places / 64 + 1, 0, TBulkAllocator<std::uint64_t>(arena));
        std::copy(words_.begin(), words_.begin() + std::min(words_.size(), words.size()),
                  words.begin());
        words_ = std::move(words);
    }
    // Unsets the bits of the word that holds place, and of the places beside it there.
    void UnsetWordOf(std::size_t place) {
        if (place / 64 < words_.size()) words_[place / 64] = 0;
    }

private:
    // Out of the way of Set, which a walk calls for every message, mostly with room made.
    [[gnu::noinline]] void grow(std::size_t word) {
        // A walk meets the places about in order: room for half as many again as it has reached.
        words_.resize(word + 1 + words_.size() / 2, 0);
    }

    TBulkVector<std::uint64_t> words_;
};
