#include "Lib_ByteWords.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Every length a name or kludge takes, the short ways and the loop alike: equal bytes are the
// same, and a difference anywhere (the first byte, the last, each word's edge) is seen.
TEST(ByteWordsTest, SameBytesSeesEveryDifferingByteAtEveryLength) {
    for (std::size_t n = 0; n <= 48; ++n) {
        std::string a(n, 'a');
        for (std::size_t i = 0; i < n; ++i) a[i] = static_cast<char>('a' + i % 26);
        const std::string same = a;
        EXPECT_TRUE(SameBytes(a.data(), same.data(), n)) << n;
        for (std::size_t at = 0; at < n; ++at) {
            std::string other = a;
            other[at] = '#';
            EXPECT_FALSE(SameBytes(a.data(), other.data(), n)) << n << " at " << at;
        }
    }
}

} // namespace
