#include "BenchBases.h"

#include "JamSynth.h"
#include "JamWriter.h"

#include <cstdio>
#include <filesystem>

namespace {

// One seed for every size, so that each run measures the same bytes.
constexpr std::uint64_t BenchSeed = 6;

} // namespace

std::string BenchBase(std::uint32_t messages) {
    namespace fs = std::filesystem;
    const fs::path dir = SKEIN_BENCH_DIR;
    const std::string base = (dir / ("synth" + std::to_string(messages))).string();
    std::error_code ec;
    bool present = true;
    for (const char* ext : {".jhr", ".jdt", ".jdx"})
        present = present && fs::exists(base + ext, ec);
    if (present) return base;

    fs::create_directories(dir, ec);
    jamgen::SynthOptions options;
    options.Messages = messages;
    options.Seed = BenchSeed;
    std::string error;
    if (!jamgen::WriteJamBase(jamgen::MakeSyntheticBase(options), base, &error)) {
        std::fprintf(stderr, "cannot write %s: %s\n", base.c_str(), error.c_str());
        return std::string();
    }
    return base;
}
