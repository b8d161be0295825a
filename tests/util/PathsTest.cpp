#include "Lib_Clock.h"
#include "Lib_Paths.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

namespace {

TEST(PathsTest, SplitsAtTheLastSeparatorOfEitherKind) {
    EXPECT_EQ(DirOfPath("c:\\bbs\\msgs\\general"), "c:\\bbs\\msgs\\");
    EXPECT_EQ(NameOfPath("c:\\bbs\\msgs\\general"), "general");
    EXPECT_EQ(DirOfPath("a/b\\c"), "a/b\\");
    EXPECT_EQ(NameOfPath("a/b\\c"), "c");
    EXPECT_EQ(DirOfPath("general"), "");
    EXPECT_EQ(NameOfPath("general"), "general");
    EXPECT_EQ(NameOfPath("msgs/"), "");
    EXPECT_EQ(DirOfPath("c:general"), ""); // a drive prefix is not a directory
    for (std::string path : {"a/b/c", "x", "/", "\\\\server\\share\\base", "dir/sub\\", ""})
        EXPECT_EQ((DirOfPath(path) + NameOfPath(path)).Str(), path);
}

TEST(ClockTest, TickMillisKeepsToThirtyTwoBitsAndAdvances) {
    std::uint64_t first = TickMillis();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    std::uint64_t second = TickMillis();
    EXPECT_EQ(first >> 32, 0u);
    EXPECT_EQ(second >> 32, 0u);
    // Callers take differences modulo 2^32, so a wrap in between does not matter.
    auto elapsed = static_cast<std::uint32_t>(second - first);
    EXPECT_GE(elapsed, 25u);
    EXPECT_LT(elapsed, 10000u);
}

} // namespace
