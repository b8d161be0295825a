// The block cache under the scan: whatever its geometry, every request gives the bytes a plain
// read gives, a window cut by the end of the file never hides bytes appended later, and a file
// read is made only when no window holds the request.

#include "JamTestBase.h"
#include "Lib_MsgBase_JAM_Cache.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

namespace {

class JamReadCacheTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (int i = 0; i < 70000; ++i) bytes_ += static_cast<char>((i * 7 + i / 251) & 0xFF);
        ASSERT_TRUE(WriteFileBytes(path_, bytes_));
        ASSERT_TRUE(file_.Open(path_, FileAccess::ReadOnly));
        SetFileFaultHook([this](FileOp op, const std::string&) {
            if (op == FileOp::Read) ++reads_;
            FileFault fault;
            if (op == FileOp::Read && failReads_) fault.Fail = true;
            return fault;
        });
    }
    void TearDown() override { SetFileFaultHook(nullptr); }

    // The cache's answer for a request, as a string; "<fail>" for a failed read.
    std::string Get(TJamReadCache& cache, std::int64_t offset, std::size_t count) {
        std::string out(count, '\0');
        const std::int64_t got = cache.Read(file_, offset, out.data(), count);
        if (got < 0) return "<fail>";
        out.resize(static_cast<std::size_t>(got));
        return out;
    }
    // What a plain read gives.
    std::string Plain(std::int64_t offset, std::size_t count) const {
        if (offset >= static_cast<std::int64_t>(bytes_.size())) return std::string();
        return bytes_.substr(static_cast<std::size_t>(offset), count);
    }

    jamtest::ScratchDir dir_;
    std::string path_ = dir_.File("data");
    std::string bytes_;
    TFile file_;
    int reads_ = 0;
    bool failReads_ = false;
};

TEST_F(JamReadCacheTest, EveryGeometryGivesThePlainBytes) {
    struct Geometry {
        std::size_t Window, Windows, Back, Align;
    };
    for (const Geometry& g : {Geometry{1, 1, 0, 1}, Geometry{8, 1, 0, 8}, Geometry{100, 3, 30, 1},
                              Geometry{4096 + 76, 4, 0, 4096}, Geometry{65536, 2, 1000, 512},
                              Geometry{200000, 1, 0, 1}}) {
        SCOPED_TRACE(g.Window);
        TJamReadCache cache(g.Window, g.Windows, g.Back, g.Align);
        std::uint32_t x = 99;
        for (int i = 0; i < 3000; ++i) {
            x = x * 1664525u + 1013904223u;
            // Mostly near the last request, sometimes anywhere, sometimes past the end.
            const std::int64_t offset = static_cast<std::int64_t>((x >> 4) % 72000);
            const std::size_t count = 1 + (x >> 20) % 200;
            ASSERT_EQ(Get(cache, offset, count), Plain(offset, count)) << offset << "+" << count;
        }
    }
}

TEST_F(JamReadCacheTest, ReadsTheFileOnlyWhenNoWindowHoldsTheRequest) {
    TJamReadCache cache(4096 + 100, 2, 0, 4096);
    // Requests anywhere in two aligned blocks, including ones that run past a block's end into
    // its margin: two reads.
    for (std::int64_t offset = 0; offset < 8192; offset += 37)
        ASSERT_EQ(Get(cache, offset, 100), Plain(offset, 100));
    EXPECT_EQ(reads_, 2);
    // A third block evicts the one used least recently; the other still answers.
    Get(cache, 9000, 10);
    Get(cache, 5000, 10);
    EXPECT_EQ(reads_, 3);
    Get(cache, 10, 10);
    EXPECT_EQ(reads_, 4);
    // Larger than a window: read from the file every time.
    EXPECT_EQ(Get(cache, 100, 5000), Plain(100, 5000));
    EXPECT_EQ(Get(cache, 100, 5000), Plain(100, 5000));
    EXPECT_EQ(reads_, 6);
    cache.Drop();
    EXPECT_EQ(cache.Use(10, 10), nullptr);
    Get(cache, 10, 10);
    EXPECT_EQ(reads_, 7);
    // A held request is shown in place, without a read; one no window holds whole is not.
    const unsigned char* held = cache.Use(4000, 150);
    ASSERT_NE(held, nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(held), 150), Plain(4000, 150));
    EXPECT_EQ(cache.Use(4150, 100), nullptr);
    EXPECT_EQ(reads_, 7);
}

TEST_F(JamReadCacheTest, OneWindowRefillsWhereAsked) {
    // Windows that may serve the same stretch start on the alignment; a single one (a reader
    // going front to back) starts at the request, so that no byte is read twice.
    TJamReadCache shared(4096 + 100, 2, 0, 4096);
    TJamReadCache single(4096 + 100, 1, 0, 4096);
    EXPECT_EQ(Get(shared, 5000, 100), Plain(5000, 100));
    EXPECT_EQ(Get(single, 5000, 100), Plain(5000, 100));
    EXPECT_EQ(shared.LastServed().Start, 4096);
    EXPECT_EQ(single.LastServed().Start, 5000);
}

TEST_F(JamReadCacheTest, BytesAppendedAfterAShortWindowAreRead) {
    TJamReadCache cache(65536 + 4096, 4, 0, 65536);
    const std::int64_t end = static_cast<std::int64_t>(bytes_.size());
    EXPECT_EQ(Get(cache, end - 10, 50), Plain(end - 10, 50)); // cut by the end: 10 bytes
    EXPECT_EQ(Get(cache, end, 5), "");
    bytes_ += "appended by a tosser";
    ASSERT_TRUE(WriteFileBytes(path_, bytes_));
    EXPECT_EQ(Get(cache, end - 10, 50), Plain(end - 10, 50));
    EXPECT_EQ(Get(cache, end, 8), "appended");
}

TEST_F(JamReadCacheTest, AFailedReadIsReportedAndLeavesNoWindow) {
    TJamReadCache cache(1024, 2, 0, 1024);
    failReads_ = true;
    EXPECT_EQ(Get(cache, 10, 10), "<fail>");
    EXPECT_EQ(file_.LastError(), EIO);
    failReads_ = false;
    EXPECT_EQ(Get(cache, 10, 10), Plain(10, 10));
    // A window already held still answers while the file fails.
    failReads_ = true;
    EXPECT_EQ(Get(cache, 20, 10), Plain(20, 10));
    EXPECT_EQ(Get(cache, 5000, 10), "<fail>");
}

} // namespace
