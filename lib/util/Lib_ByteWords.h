#pragma once
// Short byte strings (names, subjects, kludges) taken eight bytes at a time, in place: a reader
// of a whole base compares and hashes two or three of them for every message, where a library
// call for each costs more than the comparison.

#include <cstddef>
#include <cstdint>
#include <cstring>

// Up to eight bytes from p as one number, the first byte lowest.
inline std::uint64_t ByteWord(const char* p, std::size_t count) {
    std::uint64_t w = 0;
    if (count == 8) {
        std::memcpy(&w, p, 8);
        return w;
    }
    for (std::size_t i = 0; i < count; ++i)
        w |= std::uint64_t{static_cast<unsigned char>(p[i])} << (8 * i);
    return w;
}

// The bytes of text from at to its end n, fewer than eight, as one number. Where eight bytes
// stand before n they come in one load that ends at n, the ones before at shifted out.
inline std::uint64_t ByteTail(const char* text, std::size_t at, std::size_t n) {
    const std::size_t rest = n - at;
    if (rest == 0) return 0;
    if (n < 8) return ByteWord(text + at, rest);
    return ByteWord(text + n - 8, 8) >> (8 * (8 - rest));
}

// Whether the n bytes at a and at b are the same. From eight bytes on, the last eight are taken
// in one load that may overlap the ones before.
inline bool SameBytes(const char* a, const char* b, std::size_t n) {
    // Up to 32 bytes, two or four words that cover them (overlapping as n allows) in one test:
    // names and kludges are mostly that short, and a loop over their words costs more.
    const auto differ = [a, b](std::size_t at) {
        return ByteWord(a + at, 8) ^ ByteWord(b + at, 8);
    };
    if (n >= 8 && n <= 16) return (differ(0) | differ(n - 8)) == 0;
    if (n > 16 && n <= 32) return (differ(0) | differ(8) | differ(n - 16) | differ(n - 8)) == 0;
    if (n >= 8) {
        for (std::size_t at = 0; at + 8 < n; at += 8)
            if (ByteWord(a + at, 8) != ByteWord(b + at, 8)) return false;
        return ByteWord(a + n - 8, 8) == ByteWord(b + n - 8, 8);
    }
    for (std::size_t i = 0; i < n; ++i)
        if (a[i] != b[i]) return false;
    return true;
}
