// The walk's per-thread set of listed scan positions: one set reused for every thread.

#include "ListedSet.h"

#include <gtest/gtest.h>

#include <cstdint>

TEST(ListedSet, HoldsEachNumberOnceAcrossGrowthAndClear) {
    TListedSet set;
    // Short threads (kept without hashing, and one past that), then far more numbers than the
    // first table holds, spread wide, as a long thread's are.
    for (const std::int64_t count : {3, 16, 17, 5000, 5000}) {
        const std::int64_t round = count % 7;
        SCOPED_TRACE(count);
        for (std::int64_t n = 0; n < count; ++n) ASSERT_TRUE(set.Insert(n * 977 + round)) << n;
        EXPECT_EQ(set.Size(), static_cast<std::size_t>(count));
        for (std::int64_t n = 0; n < count; ++n) ASSERT_FALSE(set.Insert(n * 977 + round)) << n;
        EXPECT_TRUE(set.Insert(std::int64_t{0xFFFFFFFF}));
        EXPECT_FALSE(set.Insert(std::int64_t{0xFFFFFFFF}));
        set.Clear();
        EXPECT_EQ(set.Size(), 0u);
    }
    // After a clear, nothing of before is left.
    EXPECT_TRUE(set.Insert(977 * 10 + 2));
}
