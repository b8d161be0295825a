// The bulk arena behind a base's plan and rows: arrays reserved in it lie in it, aligned, and
// an array that outgrows it moves to the heap without losing an element.

#include "Lib_Memory.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

namespace {

TEST(MemoryTest, ArraysFillTheArenaAndThenTheHeap) {
    const auto arena = std::make_shared<TBulkArena>(1000);
    TBulkVector<std::uint8_t> bytes;
    TBulkVector<std::int64_t> numbers;
    ReserveIn(bytes, arena, 3);
    ReserveIn(numbers, arena, 100);
    EXPECT_TRUE(arena->Holds(bytes.data()));
    EXPECT_TRUE(arena->Holds(numbers.data()));
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(numbers.data()) % alignof(std::int64_t), 0u);
    // The rest of the block (the system may round it up to whole large pages).
    while (arena->Take(4096, 1) != nullptr) {
    }
    for (std::int64_t i = 0; i < 300; ++i) numbers.push_back(i); // outgrows its room
    EXPECT_FALSE(arena->Holds(numbers.data()));
    for (std::int64_t i = 0; i < 300; ++i) ASSERT_EQ(numbers[static_cast<std::size_t>(i)], i);
    // The arena lives as long as an array in it.
    TBulkVector<std::uint8_t> kept = std::move(bytes);
    kept.push_back(7);
    EXPECT_TRUE(kept.get_allocator().Arena() == arena);
}

} // namespace
