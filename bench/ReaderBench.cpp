// The base reader alone: scanning the index, loading headers with their subfields, and reading
// long message texts line by line.

#include "BenchBases.h"

#include "JamSynth.h"
#include "JamWriter.h"
#include "Lib_MsgBase_JAM.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>

namespace {

std::unique_ptr<TJamMsgBase> openBench(benchmark::State& state, const std::string& path) {
    auto base = TJamMsgBase::Create();
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

std::unique_ptr<TJamMsgBase> openSynth(benchmark::State& state) {
    return openBench(state, BenchBase(static_cast<std::uint32_t>(state.range(0))));
}

// range(1): 1 inside a scan (the files taken as they stand), 0 for calls on their own.
void bm_StepNext(benchmark::State& state) {
    auto base = openSynth(state);
    if (!base) return;
    std::int64_t seen = 0;
    for (auto _ : state) {
        if (state.range(1)) base->BeginScan();
        base->SeekNumber(0);
        while (base->HasCurrent()) {
            ++seen;
            base->StepNext();
        }
        if (state.range(1)) base->EndScan();
    }
    benchmark::DoNotOptimize(seen);
    state.SetItemsProcessed(seen);
}

void bm_SeekNumber(benchmark::State& state) {
    auto base = openSynth(state);
    if (!base) return;
    const std::int32_t last = static_cast<std::int32_t>(base->LastNumber());
    std::int64_t seen = 0;
    for (auto _ : state) {
        if (state.range(1)) base->BeginScan();
        for (std::int32_t n = 1; n <= last; ++n) {
            base->SeekNumber(n);
            seen += base->HasCurrent() ? 1 : 0;
        }
        if (state.range(1)) base->EndScan();
    }
    state.SetItemsProcessed(seen);
}

void bm_LoadMessage(benchmark::State& state) {
    auto base = openSynth(state);
    if (!base) return;
    std::int64_t loaded = 0;
    std::size_t bytes = 0;
    for (auto _ : state) {
        if (state.range(1)) base->BeginScan();
        base->SeekNumber(0);
        while (base->HasCurrent()) {
            base->LoadMessage();
            bytes += base->SubjectText().Length() + base->KludgeBlock().size();
            ++loaded;
            base->StepNext();
        }
        if (state.range(1)) base->EndScan();
    }
    benchmark::DoNotOptimize(bytes);
    state.SetItemsProcessed(loaded);
}

void scanArgs(benchmark::internal::Benchmark* b) {
    for (int scan : {0, 1})
        for (int messages : {1000, 10000, 100000}) b->Args({messages, scan});
    b->ArgNames({"msgs", "scan"});
}

BENCHMARK(bm_StepNext)->Apply(scanArgs)->Unit(benchmark::kMillisecond);
BENCHMARK(bm_SeekNumber)->Apply(scanArgs)->Unit(benchmark::kMillisecond);
BENCHMARK(bm_LoadMessage)->Apply(scanArgs)->Unit(benchmark::kMillisecond);

// A base of long messages: lines of prose, some far wider than the screen, some with LF and
// soft line ends, so that every path of the line reader is taken.
std::string longTextBase() {
    namespace fs = std::filesystem;
    const std::string base = (fs::path(SKEIN_BENCH_DIR) / "longtext").string();
    std::error_code ec;
    if (fs::exists(base + ".jdx", ec) && fs::exists(base + ".jhr", ec) &&
        fs::exists(base + ".jdt", ec))
        return base;
    fs::create_directories(SKEIN_BENCH_DIR, ec);
    jamgen::JamBaseModel model;
    jamgen::SynthRandom rng(11);
    for (std::uint32_t n = 1; n <= 40; ++n) {
        std::string text;
        while (text.size() < 200000) {
            const std::uint32_t words = 3 + rng.Below(rng.Chance(10) ? 120 : 14);
            for (std::uint32_t w = 0; w < words; ++w) {
                text.append(1 + rng.Below(9), static_cast<char>('a' + rng.Below(26)));
                text += rng.Chance(2) ? "\x8d" : " ";
            }
            text += rng.Chance(20) ? "\r\n" : "\r";
        }
        model.AddMessage(n, "Writer", "All", "Long " + std::to_string(n)).Text = text;
    }
    std::string error;
    if (!jamgen::WriteJamBase(model, base, &error)) return std::string();
    return base;
}

void bm_ReadTextLine(benchmark::State& state) {
    auto base = openBench(state, longTextBase());
    if (!base) return;
    std::int64_t lines = 0;
    std::int64_t bytes = 0;
    for (auto _ : state) {
        base->SeekNumber(0);
        while (base->HasCurrent()) {
            base->LoadMessage();
            base->RewindText();
            while (!base->TextDone()) {
                bytes += static_cast<std::int64_t>(base->ReadTextLine(79).Length());
                ++lines;
            }
            base->StepNext();
        }
    }
    state.SetItemsProcessed(lines);
    state.SetBytesProcessed(bytes);
}
BENCHMARK(bm_ReadTextLine)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
