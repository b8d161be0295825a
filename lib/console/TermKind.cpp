#include "TermKind.h"

#include <string_view>

namespace {

// A terminal description and its variants: the name itself, or the name and "-" and a variant
// ("vt220-8bit", "linux-16color").
bool isFamily(std::string_view term, std::string_view family) {
    return term.substr(0, family.size()) == family &&
           (term.size() == family.size() || term[family.size()] == '-');
}

} // namespace

TermKind KindOfTerm(const char* term) {
    if (term == nullptr || *term == '\0') return TermKind::NoFullScreen;
    const std::string_view name(term);
    if (name == "dumb") return TermKind::NoFullScreen;
    for (std::string_view family : {"linux", "vt100", "vt102", "vt220"}) {
        if (isFamily(name, family)) return TermKind::NoAlternateScreen;
    }
    return TermKind::Full;
}
