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

void WalkWith(benchmark::State& state, const TJamCacheSizes& sizes) {
    const std::string path = BenchBase(static_cast<std::uint32_t>(state.range(0)));
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
void BM_ThreadWalk(benchmark::State& state) {
    WalkWith(state, TJamCacheSizes{});
}

// The walk over the largest base with other header cache sizes: block KiB, blocks.
void BM_ThreadWalkHeaderCache(benchmark::State& state) {
    TJamCacheSizes sizes;
    sizes.HeaderBlockBytes = static_cast<std::size_t>(state.range(1)) * 1024;
    sizes.HeaderBlocks = static_cast<std::size_t>(state.range(2));
    WalkWith(state, sizes);
}
BENCHMARK(BM_ThreadWalkHeaderCache)
    ->ArgNames({"msgs", "blockKiB", "blocks"})
    ->Args({100000, 256, 32})->Args({100000, 512, 8})->Args({100000, 512, 16})->Args({100000, 1024, 8})
    ->Args({100000, 32, 64})
    ->Args({100000, 64, 32})
    ->Args({100000, 128, 16})
    ->Args({100000, 128, 32})
    ->Args({100000, 256, 16})
    ->Unit(benchmark::kMillisecond);

BENCHMARK(BM_ThreadWalk)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
