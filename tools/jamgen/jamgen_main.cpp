// jamgen: writes JAM message bases from a description, synthetic ones, and damaged ones.
#include "JamAppend.h"
#include "JamDamage.h"
#include "JamDescription.h"
#include "JamSynth.h"
#include "JamWriter.h"

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

namespace {

constexpr const char* kUsage =
    "Usage: jamgen --describe FILE --out BASEPATH [--damage KIND]\n"
    "       jamgen --messages N [--seed S] --out BASEPATH [--damage KIND]\n"
    "       jamgen --damage KIND --out BASEPATH      (damages a small synthetic base)\n"
    "       jamgen --describe FILE --append BASEPATH (adds messages to a base in place)\n"
    "       jamgen --list-damage | --help\n"
    "\n"
    "Writes BASEPATH.jhr, BASEPATH.jdt and BASEPATH.jdx.\n"
    "  --describe FILE   the base as written in a description file (see samples/demo.txt)\n"
    "  --append BASEPATH add the described messages to the base as a tosser does: numbers above\n"
    "                    the base's last, replies linked into their parents' chains\n"
    "  --messages N      a synthetic echo area of N messages, the same for the same seed\n"
    "  --seed S          the seed of the synthetic base (default 1)\n"
    "  --damage KIND     spoil the base in one way before writing it\n"
    "  --list-damage     print every damage kind, one a line: name, two blanks, summary\n"
    "Exit codes: 0 written, 1 failed, 2 bad usage.\n";

constexpr std::uint32_t kDefaultDamageMessages = 60;

int usageError(const std::string& message) {
    std::fprintf(stderr, "jamgen: %s\n%s", message.c_str(), kUsage);
    return 2;
}

int failure(const std::string& message) {
    std::fprintf(stderr, "jamgen: %s\n", message.c_str());
    return 1;
}

std::optional<std::uint64_t> parseCount(const std::string& text) {
    if (text.empty() || text.size() > 19) return std::nullopt;
    std::uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    return value;
}

struct Options {
    std::string Describe;
    std::optional<std::uint64_t> Messages;
    std::optional<std::uint64_t> Seed;
    std::string Out;
    std::string Append;
    std::string Damage;
    bool ListDamage = false;
    bool Help = false;
};

// Returns an empty string on success, else what was wrong.
std::string parseArgs(int argc, char** argv, Options* o) {
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto value = [&](std::string* out) -> bool {
            if (i + 1 >= argc) return false;
            *out = argv[++i];
            return true;
        };
        std::string v;
        if (arg == "--help" || arg == "-h") {
            o->Help = true;
        } else if (arg == "--list-damage") {
            o->ListDamage = true;
        } else if (arg == "--describe") {
            if (!value(&o->Describe)) return "--describe needs a file";
        } else if (arg == "--out") {
            if (!value(&o->Out)) return "--out needs a base path";
        } else if (arg == "--append") {
            if (!value(&o->Append)) return "--append needs a base path";
        } else if (arg == "--damage") {
            if (!value(&o->Damage)) return "--damage needs a kind";
        } else if (arg == "--messages" || arg == "--seed") {
            if (!value(&v)) return arg + " needs a number";
            std::optional<std::uint64_t> n = parseCount(v);
            if (!n) return arg + " needs a number, not '" + v + "'";
            (arg == "--messages" ? o->Messages : o->Seed) = n;
        } else {
            return "unknown argument '" + arg + "'";
        }
    }
    return "";
}

} // namespace

int main(int argc, char** argv) {
    Options o;
    std::string problem = parseArgs(argc, argv, &o);
    if (!problem.empty()) return usageError(problem);
    if (o.Help) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (o.ListDamage) {
        for (const jamgen::DamageKind& kind : jamgen::DamageKinds()) {
            std::printf("%.*s  %.*s\n", static_cast<int>(kind.Name.size()), kind.Name.data(),
                        static_cast<int>(kind.Summary.size()), kind.Summary.data());
        }
        return 0;
    }
    if (!o.Append.empty()) {
        if (o.Describe.empty() || !o.Out.empty() || o.Messages || !o.Damage.empty())
            return usageError("--append goes with --describe alone");
        jamgen::JamBaseModel added;
        std::string error;
        if (!jamgen::LoadJamDescription(o.Describe, &added, &error) ||
            !jamgen::AppendJamMessages(added, o.Append, &error))
            return failure(error);
        return 0;
    }
    if (!o.Describe.empty() && o.Messages)
        return usageError("give --describe or --messages, not both");
    if (o.Seed && !o.Messages) return usageError("--seed goes with --messages");
    if (o.Describe.empty() && !o.Messages && o.Damage.empty()) {
        return usageError("nothing to write: give --describe, --messages or --damage");
    }
    if (o.Out.empty()) return usageError("--out BASEPATH is missing");
    if (!o.Damage.empty() && !jamgen::IsDamageKind(o.Damage)) {
        return usageError("unknown damage kind '" + o.Damage + "' (see --list-damage)");
    }
    if (o.Messages && *o.Messages > jamgen::kJamMaxIndexRecords) {
        return usageError("--messages is limited to " +
                          std::to_string(jamgen::kJamMaxIndexRecords));
    }

    jamgen::JamBaseModel model;
    std::string error;
    if (!o.Describe.empty()) {
        if (!jamgen::LoadJamDescription(o.Describe, &model, &error)) return failure(error);
    } else {
        jamgen::SynthOptions synth;
        synth.Messages = static_cast<std::uint32_t>(o.Messages.value_or(kDefaultDamageMessages));
        synth.Seed = o.Seed.value_or(1);
        model = jamgen::MakeSyntheticBase(synth);
    }

    bool ok = o.Damage.empty()
                  ? jamgen::WriteJamBase(model, o.Out, &error)
                  : jamgen::WriteDamagedBase(o.Damage, std::move(model), o.Out, &error);
    if (!ok) return failure(error);
    return 0;
}
