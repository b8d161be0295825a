#pragma once
// TNameTable: the distinct names of a base, each kept once. Senders and subjects repeat heavily
// in an area (every reply of a thread has its subject, a few people write most messages), so a
// plan of the whole thread list holds a small number per message and the texts once.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

class TNameTable {
public:
    // The longest name kept; longer ones are cut.
    static constexpr std::size_t MaxLength = 255;

    // The number of text, which is added when it is new.
    std::uint32_t Intern(std::string_view text);
    // The text of a number Intern gave.
    std::string_view Text(std::uint32_t id) const {
        return std::string_view(starts_[id], lengths_[id]);
    }
    // Whether number id stands for text (text as Intern keeps it, at most MaxLength bytes).
    bool Is(std::uint32_t id, std::string_view text) const {
        return lengths_[id] == text.size() && sameBytes(starts_[id], text.data(), text.size());
    }
    std::size_t Count() const { return lengths_.size(); }
    // Bytes of memory the table holds.
    std::size_t Bytes() const;

private:
    // Names are short: compared eight bytes at a time in place, not through a library call.
    static bool sameBytes(const char* a, const char* b, std::size_t n) {
        std::size_t at = 0;
        for (; at + 8 <= n; at += 8)
            if (Word(a + at, 8) != Word(b + at, 8)) return false;
        return Tail(a, at, n) == Tail(b, at, n);
    }

public:
    // Up to eight bytes from p as one number, the first byte lowest.
    static std::uint64_t Word(const char* p, std::size_t count) {
        std::uint64_t w = 0;
        if (count == 8) {
            std::memcpy(&w, p, 8);
            return w;
        }
        for (std::size_t i = 0; i < count; ++i)
            w |= std::uint64_t{static_cast<unsigned char>(p[i])} << (8 * i);
        return w;
    }
    // The bytes of text from at to its end n, fewer than eight, as one number. Where at least
    // eight bytes stand before n, they come in one load that ends at n, the ones before at
    // shifted out.
    static std::uint64_t Tail(const char* text, std::size_t at, std::size_t n) {
        const std::size_t rest = n - at;
        if (rest == 0) return 0;
        if (n < 8) return Word(text + at, rest);
        return Word(text + n - 8, 8) >> (8 * (8 - rest));
    }

private:
    std::size_t slotOf(std::string_view text, std::size_t hash) const;
    void grow();

    static constexpr std::size_t chunkBytes_ = 64 * 1024;
    // The texts, one after the other in chunks that never move, so that a view stays valid and
    // the table never copies what it holds.
    std::vector<std::unique_ptr<char[]>> chunks_;
    std::size_t chunkUsed_ = 0;
    std::vector<const char*> starts_;
    std::vector<std::uint8_t> lengths_;
    // Open addressing over a power-of-two table; a slot holds a number + 1 in its lower half and
    // bits of its text's hash in its upper half; 0 = empty.
    std::vector<std::uint64_t> slots_;
};
