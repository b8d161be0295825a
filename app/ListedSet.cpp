#include "ListedSet.h"

namespace {

constexpr std::size_t initialSlots = 64;

std::uint64_t mix(std::int64_t n) {
    std::uint64_t z = static_cast<std::uint64_t>(n) * 0x9E3779B97F4A7C15ull;
    return z ^ (z >> 29);
}

} // namespace

TListedSet::TListedSet() : slots_(initialSlots, 0) {}

std::size_t TListedSet::slotOf(std::int64_t n) const {
    const std::size_t mask = slots_.size() - 1;
    const std::uint64_t key = static_cast<std::uint64_t>(n) + 1;
    std::size_t i = static_cast<std::size_t>(mix(n)) & mask;
    while (slots_[i] != 0 && slots_[i] != key) i = (i + 1) & mask;
    return i;
}

void TListedSet::spill() {
    hashed_ = true;
    for (std::size_t i = 0; i < fewCount_; ++i) insertHashed(few_[i]);
    fewCount_ = 0;
}

bool TListedSet::insertHashed(std::int64_t n) {
    std::size_t i = slotOf(n);
    if (slots_[i] != 0) return false;
    if ((used_.size() + 1) * 2 > slots_.size()) {
        grow();
        i = slotOf(n);
    }
    slots_[i] = static_cast<std::uint64_t>(n) + 1;
    used_.push_back(i);
    return true;
}

void TListedSet::grow() {
    std::vector<std::uint64_t> old;
    old.swap(slots_);
    slots_.assign(old.size() * 2, 0);
    used_.clear();
    for (std::uint64_t key : old) {
        if (key == 0) continue;
        const std::size_t i = slotOf(static_cast<std::int64_t>(key - 1));
        slots_[i] = key;
        used_.push_back(i);
    }
}

void TListedSet::Clear() {
    fewCount_ = 0;
    if (!hashed_) return;
    for (std::size_t i : used_) slots_[i] = 0;
    used_.clear();
    hashed_ = false;
}
