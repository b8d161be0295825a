// JamSynth: large made-up echo areas for benchmarks and tests.
//
// The shapes follow a busy echo: about half the threads are a single message, others are long
// back-and-forth chains, wide trees where many answer the first post, or bushy trees where
// replies answer replies; threads interleave in time. Every message has sender, recipient and
// subject ("Re: " + the thread's subject for replies), MSGID, REPLY for replies, PID, TZUTC, CHRS,
// SEEN-BY and PATH subfields, and a text of 1 to 3 KB in CR-ended lines of at most 79 columns,
// replies opening with quoted lines and every text closing with a tear line and an origin line.
// The same count and seed always give the same bytes, on any platform.
#pragma once

#include "JamWriter.h"

#include <cstdint>

namespace jamgen {

struct SynthOptions {
    std::uint32_t Messages = 1000;
    std::uint64_t Seed = 1;
    std::uint32_t BaseMsgNum = 1;
    std::uint32_t FirstDate = 757382400; // 1994-01-01 00:00:00
};

JamBaseModel MakeSyntheticBase(const SynthOptions& options);

// A small deterministic generator (splitmix64), shared with the damaged bases.
class SynthRandom {
public:
    explicit SynthRandom(std::uint64_t seed) : state_(seed) {}
    std::uint64_t Next();
    // Uniform in 0 .. bound-1; 0 when bound is 0.
    std::uint32_t Below(std::uint32_t bound);
    // True with probability percent / 100.
    bool Chance(std::uint32_t percent) { return Below(100) < percent; }

private:
    std::uint64_t state_;
};

} // namespace jamgen
