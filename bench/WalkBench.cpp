// The thread walk: the whole base into the thread list, as the program does before it shows
// anything, on a console that draws nothing.

#include "BenchBases.h"

#include "Lib_IO_STDIO_Windows.h"
#include "Lib_Menu_ListBox.h"
#include "Lib_MsgBase_JAM.h"
#include "MemoryConsoleDevice.h"
#include "ReadState.h"
#include "ThreadIndex.h"

#include <benchmark/benchmark.h>

namespace {

void walkWith(benchmark::State& state, const TJamCacheSizes& sizes, bool purged = false) {
    const auto messages = static_cast<std::uint32_t>(state.range(0));
    const std::string path = purged ? BenchPurgedBase(messages) : BenchBase(messages);
    auto base = TJamMsgBase::Create(sizes);
    if (path.empty() || !base) return state.SkipWithError("no base");
    base->SetBasePath(path);
    if (base->OpenBase() != 0) return state.SkipWithError("the base does not open");

    MemoryConsoleDevice device;
    TIO_STDIO console(device, 80, 25);
    std::int32_t rows = 0;
    for (auto _ : state) {
        // A read state as a first run has it: every message unread, nothing on disk.
        TReadState readState;
        readState.ReadBitmap.assign(
            static_cast<std::size_t>(InitialBitmapSize(base->ActiveCount())), 0);
        TListBox list(console);
        BuildThreadIndex(*base, readState, list);
        rows = list.ListMax;
        benchmark::DoNotOptimize(rows);
    }
    state.counters["rows"] = rows;
    state.counters["msgs"] = static_cast<double>(state.range(0));
}
void bm_ThreadWalk(benchmark::State& state) {
    walkWith(state, TJamCacheSizes{});
}

// The walk over the largest purged base (every header read) with other header cache sizes:
// block KiB, blocks.
void bm_ThreadWalkHeaderCache(benchmark::State& state) {
    TJamCacheSizes sizes;
    sizes.HeaderBlockBytes = static_cast<std::size_t>(state.range(1)) * 1024;
    sizes.HeaderBlocks = static_cast<std::size_t>(state.range(2));
    walkWith(state, sizes, true);
}
BENCHMARK(bm_ThreadWalkHeaderCache)
    ->ArgNames({"msgs", "blockKiB", "blocks"})

    ->Args({100000, 32, 64})
    ->Args({100000, 64, 32})
    ->Args({100000, 128, 16})
    ->Args({100000, 128, 32})
    ->Args({100000, 256, 16})
    ->Unit(benchmark::kMillisecond);

// A purged area: few rows, every header read. The list never fills, so the walk goes to the end.
void bm_ThreadWalkPurged(benchmark::State& state) {
    walkWith(state, TJamCacheSizes{}, true);
}
BENCHMARK(bm_ThreadWalkPurged)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

BENCHMARK(bm_ThreadWalk)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
