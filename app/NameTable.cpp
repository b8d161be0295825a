#include "NameTable.h"

#include <algorithm>
#include <cstring>

namespace {

// Eight bytes at a time: names are short, and a plan hashes two of them for every message. The
// bytes past the last whole eight are taken in one load too (see ByteTail).
[[gnu::always_inline]] inline std::size_t hashOf(std::string_view text) {
    constexpr std::uint64_t mul = 0x9E3779B97F4A7C15ull;
    const char* bytes = text.data();
    const std::size_t n = text.size();
    std::uint64_t h = n * mul;
    std::size_t at = 0;
    for (; at + 8 <= n; at += 8) {
        h = (h ^ ByteWord(bytes + at, 8)) * mul;
        h ^= h >> 29;
    }
    h = (h ^ ByteTail(bytes, at, n)) * mul;
    h ^= h >> 32;
    return static_cast<std::size_t>(h * mul);
}

// A slot's upper half: the upper bits of the text's hash, so that a probe compares texts only
// when these agree.
std::uint64_t tagOf(std::size_t hash) {
    return static_cast<std::uint64_t>(hash) & 0xFFFFFFFF00000000ull;
}

} // namespace

inline std::size_t TNameTable::slotOf(std::string_view text, std::size_t hash) const {
    const std::size_t mask = slots_.size() - 1;
    const std::uint64_t tag = tagOf(hash);
    std::size_t slot = hash & mask;
    for (;; slot = (slot + 1) & mask) {
        const std::uint64_t entry = slots_[slot];
        if (entry == 0) return slot;
        if ((entry & 0xFFFFFFFF00000000ull) == tag &&
            Is(static_cast<std::uint32_t>(entry) - 1, text))
            return slot;
    }
}

void TNameTable::grow() {
    // Kept at most half full, so that a probe ends soon.
    TBulkVector<std::uint64_t> old = std::move(slots_);
    slots_ = TBulkVector<std::uint64_t>(std::max<std::size_t>(old.size() * 2, 1024), 0,
                                        TBulkAllocator<std::uint64_t>(arena_));
    for (const std::uint64_t entry : old) {
        if (entry == 0) continue;
        const std::string_view text = Text(static_cast<std::uint32_t>(entry) - 1);
        slots_[slotOf(text, hashOf(text))] = entry;
    }
}

void TNameTable::UseArena(std::shared_ptr<TBulkArena> arena) {
    recent_ = TBulkVector<Recent>();
    recentToMake_ = true;
    // The tables move to the block given, or out of the one given back.
    MoveInto(slots_, arena);
    MoveInto(starts_, arena);
    MoveInto(lengths_, arena);
    arena_ = std::move(arena);
}

// The way of Intern when the table of recent names does not answer: a short name is looked up
// whole and then kept among the recent ones (the table made, or made larger, first).
std::uint32_t TNameTable::internRecent(std::string_view text) {
    const std::size_t n = text.size();
    if (n < 8 || n > 24) return internWhole(text);
    if (recentToMake_) {
        recent_ =
            TBulkVector<Recent>(wantedRecentSlots(), Recent{}, TBulkAllocator<Recent>(arena_));
        recentToMake_ = false;
    }
    const Recent key = recentKey(text);
    Recent& known = recent_[recentSlot(key)];
    if (sameKey(known, key)) return known.Id;
    known = key;
    known.Id = internWhole(text);
    return known.Id;
}

std::uint32_t TNameTable::internWhole(std::string_view text) {
    text = text.substr(0, MaxLength);
    if ((Count() + 1) * 2 > slots_.size()) grow();
    const std::size_t hash = hashOf(text);
    const std::size_t slot = slotOf(text, hash);
    if (slots_[slot] != 0) return static_cast<std::uint32_t>(slots_[slot]) - 1;

    if (chunks_.empty() || chunkBytes_ - chunkUsed_ < text.size()) {
        // Left uninitialised: only the bytes given are ever read. Its pages asked for at once:
        // the names fill it front to back, a page fault a page otherwise.
        chunks_.push_back(std::unique_ptr<char[]>(new char[chunkBytes_]));
        PrefaultForWriting(chunks_.back().get(), chunkBytes_);
        chunkUsed_ = 0;
    }
    char* start = chunks_.back().get() + chunkUsed_;
    if (!text.empty()) std::memcpy(start, text.data(), text.size());
    chunkUsed_ += text.size();
    const auto id = static_cast<std::uint32_t>(Count());
    starts_.push_back(start);
    lengths_.push_back(static_cast<std::uint8_t>(text.size()));
    // A table of many names is worth the large table of recent ones.
    if (Count() == manyNames) recentToMake_ = true;
    slots_[slot] = tagOf(hash) | (id + 1);
    return id;
}

std::size_t TNameTable::Bytes() const {
    return chunks_.size() * chunkBytes_ + recent_.capacity() * sizeof(Recent) +
           starts_.capacity() * sizeof(const char*) + lengths_.capacity() +
           slots_.capacity() * sizeof(std::uint64_t);
}
