#pragma once
// TNameTable: the distinct names of a base, each kept once. Senders and subjects repeat heavily
// in an area (every reply of a thread has its subject, a few people write most messages), so a
// plan of the whole thread list holds a small number per message and the texts once.

#include "Lib_ByteWords.h"
#include "Lib_Memory.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

class TNameTable {
public:
    // The longest name kept; longer ones are cut.
    static constexpr std::size_t MaxLength = 255;

    // The number of text, which is added when it is new.
    std::uint32_t Intern(std::string_view text) {
        // A name of 8 to 24 bytes is its length and three words (the last one ending at its end,
        // overlapping the others): asked of the table of recent ones first, exactly, where a hit
        // costs no hash of the whole name and no look at its text. Inline: a base's scan asks
        // for a sender with every message, and mostly hits.
        const std::size_t n = text.size();
        if (n < 8 || n > 24 || recentToMake_) return internRecent(text);
        const Recent key = recentKey(text);
        const Recent& known = recent_[recentSlot(key)];
        return sameKey(known, key) ? known.Id : internRecent(text);
    }
    // The text of a number Intern gave.
    std::string_view Text(std::uint32_t id) const {
        return std::string_view(starts_[id], lengths_[id]);
    }
    // Whether number id stands for text (text as Intern keeps it, at most MaxLength bytes).
    bool Is(std::uint32_t id, std::string_view text) const {
        return lengths_[id] == text.size() && SameBytes(starts_[id], text.data(), text.size());
    }
    std::size_t Count() const { return lengths_.size(); }
    // Bytes of memory the table holds.
    std::size_t Bytes() const;
    // A block its tables (of slots, of recent names, of the texts' places and lengths) may take
    // their memory from while it has room: one whose pages are there already (a plan's) saves
    // the page faults of tables of their own. The table of recent names starts again (it is only a
    // short way to names the table has); none gives the block back, the tables moving to memory
    // of their own.
    void UseArena(std::shared_ptr<TBulkArena> arena);

private:
    struct Recent;
    std::uint32_t internRecent(std::string_view text);
    std::uint32_t internWhole(std::string_view text);
    [[gnu::always_inline]] inline std::size_t slotOf(std::string_view text, std::size_t hash) const;
    void grow();

    static constexpr std::size_t chunkBytes_ = 64 * 1024;
    // The texts, one after the other in chunks that never move, so that a view stays valid and
    // the table never copies what it holds.
    std::vector<std::unique_ptr<char[]>> chunks_;
    std::size_t chunkUsed_ = 0;
    TBulkVector<const char*> starts_;
    TBulkVector<std::uint8_t> lengths_;
    // Open addressing over a power-of-two table; a slot holds a number + 1 in its lower half and
    // bits of its text's hash in its upper half; 0 = empty.
    TBulkVector<std::uint64_t> slots_;
    // Recent short names by their words (see Intern); Length 0 = empty. A base's senders are
    // looked up once a message, and a few hundred of them write most of it.
    struct Recent {
        std::uint64_t First = 0, Middle = 0, Last = 0;
        std::uint32_t Length = 0;
        std::uint32_t Id = 0;
    };
    // A small table for a base of few names, where every page of a large one would be a page
    // fault for nothing; the large one once the names are many.
    static constexpr std::size_t fewRecentSlots = 512;
    static constexpr std::size_t recentSlots = 4096;
    static constexpr std::size_t manyNames = 128;
    std::size_t wantedRecentSlots() const {
        return Count() >= manyNames ? recentSlots : fewRecentSlots;
    }
    static Recent recentKey(std::string_view text) {
        const std::size_t n = text.size();
        const char* p = text.data();
        return {ByteWord(p, 8), n > 16 ? ByteWord(p + 8, 8) : 0, ByteWord(p + n - 8, 8),
                static_cast<std::uint32_t>(n), 0};
    }
    static bool sameKey(const Recent& a, const Recent& b) {
        return a.Length == b.Length && a.First == b.First && a.Middle == b.Middle &&
               a.Last == b.Last;
    }
    std::size_t recentSlot(const Recent& key) const {
        const std::uint64_t mixed = (key.First * 0x9E3779B97F4A7C15ull) ^
                                    (key.Middle * 0xC2B2AE3D27D4EB4Full) ^
                                    (key.Last * 0x165667B19E3779F9ull) ^ key.Length;
        return static_cast<std::size_t>(mixed >> 52) & (recent_.size() - 1);
    }
    TBulkVector<Recent> recent_;
    bool recentToMake_ = true; // the table of recent names is to be made, or made larger
    std::shared_ptr<TBulkArena> arena_;
};
