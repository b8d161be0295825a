// The walk's per-thread set of listed scan positions: one set reused for every thread.

#include "ListedSet.h"

#include <gtest/gtest.h>

#include <cstdint>

TEST(ListedSet, HoldsEachNumberOnceAcrossGrowthAndClear) {
    TListedSet set;
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        // Far more numbers than the first table holds, spread wide, as a long thread's are.
        for (std::int64_t n = 0; n < 5000; ++n) ASSERT_TRUE(set.Insert(n * 977 + round)) << n;
        EXPECT_EQ(set.Size(), 5000u);
        for (std::int64_t n = 0; n < 5000; ++n) ASSERT_FALSE(set.Insert(n * 977 + round)) << n;
        EXPECT_TRUE(set.Insert(std::int64_t{0xFFFFFFFF}));
        EXPECT_FALSE(set.Insert(std::int64_t{0xFFFFFFFF}));
        set.Clear();
        EXPECT_EQ(set.Size(), 0u);
    }
    // After a clear, nothing of before is left.
    EXPECT_TRUE(set.Insert(977 * 10 + 2));
}
