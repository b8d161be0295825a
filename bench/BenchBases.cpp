#include "BenchBases.h"

#include "JamSynth.h"
#include "JamWriter.h"

#include <cstdio>
#include <filesystem>

namespace {

// One seed for every size, so that each run measures the same bytes.
constexpr std::uint64_t benchSeed = 6;

} // namespace

namespace {

bool present(const std::string& base) {
    std::error_code ec;
    for (const char* ext : {".jhr", ".jdt", ".jdx"})
        if (!std::filesystem::exists(base + ext, ec)) return false;
    return true;
}

std::string writeBench(const std::string& name, std::uint32_t messages, bool purged) {
    namespace fs = std::filesystem;
    const fs::path dir = SKEIN_BENCH_DIR;
    const std::string base = (dir / (name + std::to_string(messages))).string();
    if (present(base)) return base;

    std::error_code ec;
    fs::create_directories(dir, ec);
    jamgen::SynthOptions options;
    options.Messages = messages;
    options.Seed = benchSeed;
    jamgen::JamBaseModel model = jamgen::MakeSyntheticBase(options);
    if (purged) {
        std::uint32_t roots = 0;
        for (auto& m : model.Messages)
            if (m.ReplyTo == 0) m.Deleted = roots++ % 20 != 0;
    }
    std::string error;
    if (!jamgen::WriteJamBase(model, base, &error)) {
        std::fprintf(stderr, "cannot write %s: %s\n", base.c_str(), error.c_str());
        return std::string();
    }
    return base;
}

} // namespace

std::string BenchBase(std::uint32_t messages) {
    return writeBench("synth", messages, false);
}

std::string BenchPurgedBase(std::uint32_t messages) {
    return writeBench("purged", messages, true);
}
