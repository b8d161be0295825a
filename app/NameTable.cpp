#include "NameTable.h"

#include <algorithm>
#include <cstring>
#include <functional>

namespace {

std::size_t hashOf(std::string_view text) {
    return std::hash<std::string_view>{}(text);
}

} // namespace

std::size_t TNameTable::slotOf(std::string_view text) const {
    const std::size_t mask = slots_.size() - 1;
    std::size_t slot = hashOf(text) & mask;
    while (slots_[slot] != 0 && Text(slots_[slot] - 1) != text) slot = (slot + 1) & mask;
    return slot;
}

void TNameTable::grow() {
    // Kept at most half full, so that a probe ends soon.
    std::vector<std::uint32_t> old = std::move(slots_);
    slots_.assign(std::max<std::size_t>(old.size() * 2, 1024), 0);
    for (const std::uint32_t entry : old)
        if (entry != 0) slots_[slotOf(Text(entry - 1))] = entry;
}

std::uint32_t TNameTable::Intern(std::string_view text) {
    text = text.substr(0, MaxLength);
    if ((Count() + 1) * 2 > slots_.size()) grow();
    const std::size_t slot = slotOf(text);
    if (slots_[slot] != 0) return slots_[slot] - 1;

    if (chunks_.empty() || chunkBytes_ - chunkUsed_ < text.size()) {
        chunks_.push_back(std::make_unique_for_overwrite<char[]>(chunkBytes_));
        chunkUsed_ = 0;
    }
    char* start = chunks_.back().get() + chunkUsed_;
    if (!text.empty()) std::memcpy(start, text.data(), text.size());
    chunkUsed_ += text.size();
    const auto id = static_cast<std::uint32_t>(Count());
    starts_.push_back(start);
    lengths_.push_back(static_cast<std::uint8_t>(text.size()));
    slots_[slot] = id + 1;
    return id;
}

std::string_view TNameTable::Text(std::uint32_t id) const {
    return std::string_view(starts_[id], lengths_[id]);
}

std::size_t TNameTable::Bytes() const {
    return chunks_.size() * chunkBytes_ + starts_.capacity() * sizeof(const char*) +
           lengths_.capacity() + slots_.capacity() * sizeof(std::uint32_t);
}
