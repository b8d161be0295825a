// JamDamage: damaged JAM bases, one kind at a time, for hardening the reader.
//
// Each kind takes a sound base (from a description or a synthetic one), spoils it in one
// particular way and writes it: short or missing files, index records that point nowhere,
// lengths that run past the files or wrap around 32 bits, subfields past the part a reader
// loads, kludge blocks that overflow, odd base numbers, reply links that loop, and bases whose
// threads are deep enough to exhaust a recursive walk. A few kinds (the empty base, the very long
// chains) build their own base and ignore the one given.
#pragma once

#include "JamWriter.h"

#include <string>
#include <string_view>
#include <vector>

namespace jamgen {

struct DamageKind {
    std::string_view Name;
    std::string_view Summary;
};

// Every kind, in a fixed order.
const std::vector<DamageKind>& DamageKinds();
bool IsDamageKind(std::string_view name);

// Spoils the model as the kind says and writes basePath.jhr/.jdt/.jdx (some kinds then cut,
// patch or remove files). False with a message for an unknown kind or a failed write.
bool WriteDamagedBase(std::string_view kind, JamBaseModel model, const std::string& basePath,
                      std::string* error);

} // namespace jamgen
