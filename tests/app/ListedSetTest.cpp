// The walk's per-thread set of listed places: one set reused for every thread.

#include "ListedSet.h"

#include <gtest/gtest.h>

#include <cstddef>

TEST(ListedSet, HoldsEachPlaceOnceAcrossGrowthAndClear) {
    TListedSet set;
    // Short threads, then far more places than the first words hold, spread wide, as a long
    // thread's are.
    for (const std::size_t count : {3, 16, 17, 5000, 5000}) {
        const std::size_t round = count % 7;
        SCOPED_TRACE(count);
        for (std::size_t n = 0; n < count; ++n) ASSERT_TRUE(set.Insert(n * 977 + round)) << n;
        EXPECT_EQ(set.Size(), count);
        for (std::size_t n = 0; n < count; ++n) ASSERT_FALSE(set.Insert(n * 977 + round)) << n;
        set.Clear();
        EXPECT_EQ(set.Size(), 0u);
    }
    // After a clear, nothing of before is left, even beside a place of before.
    EXPECT_TRUE(set.Insert(977 * 10 + 2));
    EXPECT_TRUE(set.Insert(977 * 10 + 3));
}
