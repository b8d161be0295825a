#include "ListedSet.h"

void TListedSet::grow(std::size_t word) {
    // A walk meets the places about in order: room for half as many again as it has reached.
    bits_.resize(word + 1 + bits_.size() / 2, 0);
}
