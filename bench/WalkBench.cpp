// The thread walk: the whole base into the thread list, as the program does before it shows
// anything; and what the list then costs a key on a console that draws nothing: End, and a
// search step that tests every row.

#include "BenchBases.h"

#include "Lib_IO_STDIO_Windows.h"
#include "Lib_Menu_ListBox.h"
#include "Lib_MsgBase_JAM.h"
#include "MemoryConsoleDevice.h"
#include "PcKeys.h"
#include "ReadState.h"
#include "ThreadIndex.h"
#include "ThreadListRows.h"
#include "ThreadPlan.h"
#include "ThreadRows.h"

#include <benchmark/benchmark.h>

namespace {

std::unique_ptr<TJamMsgBase> openBase(benchmark::State& state, const TJamCacheSizes& sizes,
                                      bool purged) {
    const auto messages = static_cast<std::uint32_t>(state.range(0));
    const std::string path = purged ? BenchPurgedBase(messages) : BenchBase(messages);
    auto base = TJamMsgBase::Create(sizes);
    if (path.empty() || !base) {
        state.SkipWithError("no base");
        return nullptr;
    }
    base->SetBasePath(path);
    if (base->OpenBase() != 0) {
        state.SkipWithError("the base does not open");
        return nullptr;
    }
    return base;
}

// A read state as a first run has it: every message unread, nothing on disk.
TReadState firstRun(TJamMsgBase& base) {
    TReadState readState;
    readState.ReadBitmap.assign(static_cast<std::size_t>(InitialBitmapSize(base.ActiveCount())), 0);
    return readState;
}

// planned: as the screen builds its list (the plan, then the walk over it); otherwise the walk
// through the files alone.
void walkWith(benchmark::State& state, const TJamCacheSizes& sizes, bool purged = false,
              bool planned = false) {
    auto base = openBase(state, sizes, purged);
    if (!base) return;
    std::int32_t rows = 0;
    for (auto _ : state) {
        TReadState readState = firstRun(*base);
        TThreadListRows list(readState);
        if (planned)
            BuildWholeThreadIndex(*base, readState, list);
        else
            BuildThreadIndex(*base, readState, list);
        rows = list.Count();
        benchmark::DoNotOptimize(rows);
    }
    state.counters["rows"] = rows;
    state.counters["msgs"] = static_cast<double>(state.range(0));
}
void bm_ThreadWalk(benchmark::State& state) {
    walkWith(state, TJamCacheSizes{});
}
void bm_ScreenList(benchmark::State& state) {
    walkWith(state, TJamCacheSizes{}, state.range(1) != 0, true);
}
BENCHMARK(bm_ScreenList)
    ->ArgNames({"msgs", "purged"})
    ->Args({100000, 0})
    ->Args({100000, 1})
    ->Unit(benchmark::kMillisecond);

// The thread list of the 100,000-message base opened and left with one key between: End
// (range(1) 0), or a letter that no row holds, so that the search tests every row (1). The
// opening draws the first page either way.
void bm_ListKey(benchmark::State& state) {
    auto base = openBase(state, TJamCacheSizes{}, false);
    if (!base) return;
    TReadState readState = firstRun(*base);
    TThreadListRows rows(readState);
    BuildWholeThreadIndex(*base, readState, rows);
    MemoryConsoleDevice device;
    TIO_STDIO console(device, 80, 25);
    TListBox list(console);
    list.ShowRows(&rows);
    for (auto _ : state) {
        list.Picked = 1;
        list.TopPage = 1;
        if (state.range(1) == 0)
            device.PushExtendedKey(0x4F, VKey::End);
        else
            device.PushChar('~');
        device.PushChar(PcKey::Esc);
        list.Open(1, 1, 80, 25);
    }
    state.counters["rows"] = rows.Count();
}
// Tab on the 100,000-message list whose only unread message is the last (range(1) 0), and
// Ctrl+K, every message marked read (1).
void bm_UnreadAndMarks(benchmark::State& state) {
    auto base = openBase(state, TJamCacheSizes{}, false);
    if (!base) return;
    TReadState readState = firstRun(*base);
    TThreadListRows rows(readState);
    BuildWholeThreadIndex(*base, readState, rows);
    rows.MarkAllRead(readState);
    MarkUnread(readState, rows.Number(rows.Count()));
    std::int32_t found = 0;
    for (auto _ : state) {
        if (state.range(1) == 0) {
            found = rows.NextUnread(1, false);
        } else {
            TReadState marks = firstRun(*base);
            rows.MarkAllRead(marks);
        }
        benchmark::DoNotOptimize(found);
    }
    state.counters["rows"] = rows.Count();
}
BENCHMARK(bm_UnreadAndMarks)
    ->ArgNames({"msgs", "markAll"})
    ->Args({100000, 0})
    ->Args({100000, 1})
    ->Unit(benchmark::kMillisecond);

BENCHMARK(bm_ListKey)
    ->ArgNames({"msgs", "search"})
    ->Args({100000, 0})
    ->Args({100000, 1})
    ->Unit(benchmark::kMillisecond);

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

// A purged area: most threads are headed by replies whose root is gone, and every header is read.
void bm_ThreadWalkPurged(benchmark::State& state) {
    walkWith(state, TJamCacheSizes{}, true);
}
BENCHMARK(bm_ThreadWalkPurged)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

BENCHMARK(bm_ThreadWalk)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
