#include "TermInputDecoder.h"

#include <optional>

#include "PcKeyEvents.h"

namespace {

constexpr char esc = '\x1b';

// The numeric parameters of a sequence: up to four fields separated by ';'; an empty field is
// -1 (its default). Sub-parameters after ':' are skipped.
struct Params {
    int Value[4] = {-1, -1, -1, -1};
    int Count = 0;
    bool Private = false; // begins with < = > or ?: a report or a mode we never asked for

    int Get(int index, int fallback) const {
        return index < Count && Value[index] >= 0 ? Value[index] : fallback;
    }
};

Params readParams(std::string_view text) {
    Params p;
    if (text.empty()) return p;
    if (text[0] >= '<' && text[0] <= '?') {
        p.Private = true;
        return p;
    }
    p.Count = 1;
    bool inSub = false;
    for (char c : text) {
        if (c == ';') {
            if (p.Count == 4) break;
            ++p.Count;
            inSub = false;
        } else if (c == ':') {
            inSub = true;
        } else if (c >= '0' && c <= '9' && !inSub) {
            int& v = p.Value[p.Count - 1];
            v = v < 0 ? 0 : v;
            if (v < 100000) v = v * 10 + (c - '0');
        }
    }
    return p;
}

// xterm's modifier parameter: 1 + (Shift 1, Alt 2, Ctrl 4, Meta 8). Meta counts as Alt.
std::uint32_t modsOf(int param) {
    if (param < 2) return 0;
    const int bits = param - 1;
    std::uint32_t mods = 0;
    if (bits & 1) mods |= PcKeyEvents::Shift;
    if (bits & (2 | 8)) mods |= PcKeyEvents::Alt;
    if (bits & 4) mods |= PcKeyEvents::Ctrl;
    return mods;
}

bool arrowOrHome(char final, std::uint32_t mods, ConsoleInputEvent& key) {
    using PcKeyEvents::Nav;
    switch (final) {
    case 'A':
        key = PcKeyEvents::Navigation(Nav::Up, mods);
        return true;
    case 'B':
        key = PcKeyEvents::Navigation(Nav::Down, mods);
        return true;
    case 'C':
        key = PcKeyEvents::Navigation(Nav::Right, mods);
        return true;
    case 'D':
        key = PcKeyEvents::Navigation(Nav::Left, mods);
        return true;
    case 'H':
        key = PcKeyEvents::Navigation(Nav::Home, mods);
        return true;
    case 'F':
        key = PcKeyEvents::Navigation(Nav::End, mods);
        return true;
    case 'E': // xterm's keypad 5
    case 'G': // the Linux console's keypad 5
        key = PcKeyEvents::Navigation(Nav::Centre, mods);
        return true;
    case 'P':
    case 'Q':
    case 'R':
    case 'S':
        key = PcKeyEvents::Function(final - 'P' + 1, mods);
        return true;
    default:
        return false;
    }
}

// The VT220 keys ESC [ n ~ (and rxvt's ESC [ n $, ^, @).
bool tildeKey(int number, std::uint32_t mods, ConsoleInputEvent& key) {
    using PcKeyEvents::Nav;
    switch (number) {
    case 1:
    case 7:
        key = PcKeyEvents::Navigation(Nav::Home, mods);
        return true;
    case 2:
        key = PcKeyEvents::Navigation(Nav::Ins, mods);
        return true;
    case 3:
        key = PcKeyEvents::Navigation(Nav::Del, mods);
        return true;
    case 4:
    case 8:
        key = PcKeyEvents::Navigation(Nav::End, mods);
        return true;
    case 5:
        key = PcKeyEvents::Navigation(Nav::PgUp, mods);
        return true;
    case 6:
        key = PcKeyEvents::Navigation(Nav::PgDn, mods);
        return true;
    default:
        break;
    }
    // F1-F5 are 11-15, F6-F10 17-21, F11 and F12 23 and 24; rxvt sends Shift+F3 to Shift+F10
    // as 25, 26, 28, 29, 31-34.
    constexpr int functionNumbers[] = {11, 12, 13, 14, 15, 17, 18, 19, 20, 21, 23, 24};
    for (int f = 0; f < 12; ++f) {
        if (functionNumbers[f] == number) {
            key = PcKeyEvents::Function(f + 1, mods);
            return true;
        }
    }
    constexpr int shiftedNumbers[] = {25, 26, 28, 29, 31, 32, 33, 34};
    for (int f = 0; f < 8; ++f) {
        if (shiftedNumbers[f] == number) {
            key = PcKeyEvents::Function(f + 3, mods | PcKeyEvents::Shift);
            return true;
        }
    }
    return false;
}

// A character given by its code with modifiers (xterm's ESC [ 27 ; m ; c ~ and ESC [ c ; m u).
bool characterKey(CodePage::Id page, int code, std::uint32_t mods, ConsoleInputEvent& key) {
    if (code < 0) return false;
    if (code < 128) {
        auto byte = static_cast<std::uint8_t>(code);
        const bool letter = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z');
        if (letter && (mods & PcKeyEvents::Ctrl)) {
            byte &= 0x1F;
        } else if (letter && (mods & PcKeyEvents::Shift)) {
            byte &= static_cast<std::uint8_t>(~0x20);
        }
        key = PcKeyEvents::Typed(byte, mods);
        return true;
    }
    const std::optional<std::uint8_t> ch = CodePage::FromUnicode(page, static_cast<char32_t>(code));
    if (!ch) return false;
    key = PcKeyEvents::Character(*ch);
    return true;
}

bool csiKey(CodePage::Id page, std::string_view paramText, char final, std::uint32_t extraMods,
            ConsoleInputEvent& key) {
    const Params p = readParams(paramText);
    if (p.Private) return false;
    const std::uint32_t mods = modsOf(p.Get(1, 1)) | extraMods;
    using PcKeyEvents::Nav;
    switch (final) {
    case 'Z':
        key = PcKeyEvents::ShiftTab(mods);
        return true;
    case 'a':
        key = PcKeyEvents::Navigation(Nav::Up, mods | PcKeyEvents::Shift);
        return true;
    case 'b':
        key = PcKeyEvents::Navigation(Nav::Down, mods | PcKeyEvents::Shift);
        return true;
    case 'c':
        key = PcKeyEvents::Navigation(Nav::Right, mods | PcKeyEvents::Shift);
        return true;
    case 'd':
        key = PcKeyEvents::Navigation(Nav::Left, mods | PcKeyEvents::Shift);
        return true;
    case '~':
        if (p.Get(0, 0) == 27)
            return characterKey(page, p.Get(2, -1), modsOf(p.Get(1, 1)) | extraMods, key);
        return tildeKey(p.Get(0, 0), mods, key);
    case '$':
        return tildeKey(p.Get(0, 0), extraMods | PcKeyEvents::Shift, key);
    case '^':
        return tildeKey(p.Get(0, 0), extraMods | PcKeyEvents::Ctrl, key);
    case '@':
        return tildeKey(p.Get(0, 0), extraMods | PcKeyEvents::Ctrl | PcKeyEvents::Shift, key);
    case 'u':
        return characterKey(page, p.Get(0, -1), mods, key);
    default:
        return arrowOrHome(final, mods, key);
    }
}

bool ss3Key(std::string_view paramText, char final, std::uint32_t extraMods,
            ConsoleInputEvent& key) {
    const Params p = readParams(paramText);
    // Older xterms put the modifier alone: ESC O 5 P.
    const int modParam = p.Count >= 2 ? p.Get(1, 1) : p.Get(0, 1);
    const std::uint32_t mods = modsOf(modParam) | extraMods;
    using PcKeyEvents::Nav;
    switch (final) {
    case 'a':
        key = PcKeyEvents::Navigation(Nav::Up, mods | PcKeyEvents::Ctrl);
        return true;
    case 'b':
        key = PcKeyEvents::Navigation(Nav::Down, mods | PcKeyEvents::Ctrl);
        return true;
    case 'c':
        key = PcKeyEvents::Navigation(Nav::Right, mods | PcKeyEvents::Ctrl);
        return true;
    case 'd':
        key = PcKeyEvents::Navigation(Nav::Left, mods | PcKeyEvents::Ctrl);
        return true;
    case 'M':
        key = PcKeyEvents::KeypadEnter(mods);
        return true;
    case 'j':
        key = PcKeyEvents::Keypad('*', mods);
        return true;
    case 'k':
        key = PcKeyEvents::Keypad('+', mods);
        return true;
    case 'm':
        key = PcKeyEvents::Keypad('-', mods);
        return true;
    case 'n':
        key = PcKeyEvents::Keypad('.', mods);
        return true;
    case 'o':
        key = PcKeyEvents::Keypad('/', mods);
        return true;
    case 'X':
        key = PcKeyEvents::Keypad('=', mods);
        return true;
    default:
        break;
    }
    if (final >= 'p' && final <= 'y') {
        key = PcKeyEvents::Keypad(static_cast<char>('0' + (final - 'p')), mods);
        return true;
    }
    return arrowOrHome(final, mods, key);
}

} // namespace

TermInputDecoder::TermInputDecoder(Mode mode, bool utf8, CodePage::Id page)
    : mode_(mode), utf8_(utf8), page_(page) {}

void TermInputDecoder::Feed(std::string_view bytes, std::uint64_t nowMs) {
    if (bytes.empty()) return;
    Tick(nowMs); // what waited its full time before these bytes came is decided first
    // The rest of an overlong sequence comes on at once; after a silence as long as any sequence
    // may take, what comes is a new key, not the end of that sequence.
    if (discarding_ && nowMs - heldSinceMs_ >= SequenceWaitMs) discarding_ = false;
    if (discarding_) {
        // The rest of an overlong sequence: its parameter bytes up to and with its final byte.
        heldSinceMs_ = nowMs;
        std::size_t i = 0;
        while (i < bytes.size() && bytes[i] >= 0x20 && bytes[i] <= 0x3F) ++i;
        if (i < bytes.size()) {
            discarding_ = false;
            if (bytes[i] >= 0x40 && bytes[i] <= 0x7E) ++i;
        }
        bytes.remove_prefix(i);
        if (bytes.empty()) return;
    }
    held_.append(bytes);
    heldSinceMs_ = nowMs;
    decodeHeld();
}

void TermInputDecoder::Tick(std::uint64_t nowMs) {
    if (HasDeadline() && nowMs >= Deadline()) decideHeld();
}

void TermInputDecoder::Finish() {
    decideHeld();
}

void TermInputDecoder::Clear() {
    held_.clear();
    discarding_ = false;
    ready_.clear();
}

bool TermInputDecoder::HasDeadline() const {
    return mode_ == Mode::Terminal && !held_.empty();
}

std::uint64_t TermInputDecoder::Deadline() const {
    const bool loneEscapes = held_ == "\x1b" || held_ == "\x1b\x1b";
    return heldSinceMs_ + (loneEscapes ? EscQuietMs : SequenceWaitMs);
}

bool TermInputDecoder::Pop(ConsoleInputEvent& event) {
    if (ready_.empty()) return false;
    event = ready_.front();
    ready_.pop_front();
    return true;
}

void TermInputDecoder::decodeHeld() {
    while (!held_.empty()) {
        const Step step = parse(held_);
        if (!step.Complete) {
            // Nothing a terminal sends is this long: it is noise, not a key, and so is the
            // rest of it still to come.
            if (held_.size() > SequenceMaxBytes) {
                held_.clear();
                discarding_ = true;
            }
            return;
        }
        if (step.HasKey) emit(step.Key);
        held_.erase(0, step.Used);
    }
}

void TermInputDecoder::decideHeld() {
    while (!held_.empty()) {
        const Step step = parse(held_);
        if (step.Complete) {
            if (step.HasKey) emit(step.Key);
            held_.erase(0, step.Used);
            continue;
        }
        if (mode_ == Mode::Terminal && held_[0] == esc) {
            if (held_.size() == 1 || held_[1] == esc) {
                emit(PcKeyEvents::Escape()); // a lone ESC is the Esc key
                held_.erase(0, 1);
                continue;
            }
            if (held_.size() == 2 && (held_[1] == '[' || held_[1] == 'O')) {
                emit(PcKeyEvents::Typed(static_cast<std::uint8_t>(held_[1]), PcKeyEvents::Alt));
                held_.clear();
                continue;
            }
        }
        held_.clear(); // an unfinished sequence or character: no key can be made of it
    }
}

TermInputDecoder::Step TermInputDecoder::parse(std::string_view s) const {
    if (mode_ == Mode::Plain) return parsePlain(s);
    if (s[0] != esc) return parseCharacter(s, 0, 0);
    if (s.size() < 2) return {};
    if (s[1] == '[') return parseCsi(s, 2, 0);
    if (s[1] == 'O') return parseSs3(s, 2, 0);
    if (s[1] == esc) {
        if (s.size() < 3) return {};
        // rxvt puts an ESC before a whole sequence for Alt; two ESCs before anything else are
        // two Esc keys.
        if (s[2] == '[') return parseCsi(s, 3, PcKeyEvents::Alt);
        if (s[2] == 'O') return parseSs3(s, 3, PcKeyEvents::Alt);
        Step step;
        step.Complete = true;
        step.Used = 1;
        step.HasKey = true;
        step.Key = PcKeyEvents::Escape();
        return step;
    }
    return parseCharacter(s, 1, PcKeyEvents::Alt);
}

TermInputDecoder::Step TermInputDecoder::parsePlain(std::string_view s) const {
    Step step;
    const auto first = static_cast<std::uint8_t>(s[0]);
    if (first != 0) {
        step.Complete = true;
        step.Used = 1;
        step.HasKey = true;
        step.Key = PcKeyEvents::PlainByte(first);
    } else if (s.size() >= 2) {
        step.Complete = true;
        step.Used = 2;
        step.HasKey = true;
        step.Key = PcKeyEvents::PlainExtended(static_cast<std::uint8_t>(s[1]));
    }
    return step;
}

TermInputDecoder::Step TermInputDecoder::parseCsi(std::string_view s, std::size_t start,
                                                  std::uint32_t extraMods) const {
    Step step;
    std::size_t i = start;
    if (i >= s.size()) return step;
    if (s[i] == '[') { // the Linux console's F1 to F5: ESC [ [ A to E
        if (i + 1 >= s.size()) return step;
        step.Complete = true;
        step.Used = i + 2;
        const char f = s[i + 1];
        if (f >= 'A' && f <= 'E') {
            step.HasKey = true;
            step.Key = PcKeyEvents::Function(f - 'A' + 1, extraMods);
        }
        return step;
    }
    while (i < s.size() && s[i] >= 0x30 && s[i] <= 0x3F) ++i;
    const std::string_view params = s.substr(start, i - start);
    bool intermediates = false;
    while (i < s.size() && s[i] >= 0x20 && s[i] <= 0x2F && s[i] != '$') {
        intermediates = true;
        ++i;
    }
    if (i >= s.size()) return step;
    const char f = s[i];
    step.Complete = true;
    if (f == '$' || (f >= 0x40 && f <= 0x7E)) {
        step.Used = i + 1;
        step.HasKey = !intermediates && csiKey(page_, params, f, extraMods, step.Key);
    } else if (i == start) {
        // ESC [ and then no sequence at all: that was Alt+[; the byte after it is its own key.
        step.Used = i;
        step.HasKey = true;
        step.Key = PcKeyEvents::Typed('[', PcKeyEvents::Alt | extraMods);
    } else {
        step.Used = i; // cut off by a control byte: dropped, and the byte read anew
    }
    return step;
}

TermInputDecoder::Step TermInputDecoder::parseSs3(std::string_view s, std::size_t start,
                                                  std::uint32_t extraMods) const {
    Step step;
    std::size_t i = start;
    while (i < s.size() && ((s[i] >= '0' && s[i] <= '9') || s[i] == ';')) ++i;
    if (i >= s.size()) return step;
    const char f = s[i];
    step.Complete = true;
    if (f >= 0x40 && f <= 0x7E) {
        step.Used = i + 1;
        step.HasKey = ss3Key(s.substr(start, i - start), f, extraMods, step.Key);
    } else if (i == start) {
        step.Used = i; // Alt+Shift+O, and the byte after it is its own key
        step.HasKey = true;
        step.Key = PcKeyEvents::Typed('O', PcKeyEvents::Alt | extraMods);
    } else {
        step.Used = i;
    }
    return step;
}

TermInputDecoder::Step TermInputDecoder::parseCharacter(std::string_view s, std::size_t start,
                                                        std::uint32_t mods) const {
    Step step;
    const auto lead = static_cast<std::uint8_t>(s[start]);
    if (lead < 0x80) {
        step.Complete = true;
        step.Used = start + 1;
        step.HasKey = true;
        step.Key = PcKeyEvents::Typed(lead, mods);
        return step;
    }
    if (!utf8_) {
        // A byte of the terminal's own 8-bit character set. Alt is not kept: no PC key code
        // exists for it.
        step.Complete = true;
        step.Used = start + 1;
        step.HasKey = true;
        step.Key = PcKeyEvents::Character(lead);
        return step;
    }
    std::size_t length = 0;
    std::uint32_t cp = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        cp = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        cp = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        cp = lead & 0x07;
    }
    step.Complete = true;
    step.Used = start + 1; // a byte that cannot start a character, or a broken one, is dropped
    if (length == 0) return step;
    for (std::size_t k = 1; k < length; ++k) {
        if (start + k >= s.size()) {
            step.Complete = false;
            return step;
        }
        const auto next = static_cast<std::uint8_t>(s[start + k]);
        if ((next & 0xC0) != 0x80) return step;
        cp = (cp << 6) | (next & 0x3F);
    }
    constexpr std::uint32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < smallest[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return step;
    step.Used = start + length;
    if (const std::optional<std::uint8_t> ch = CodePage::FromUnicode(page_, cp)) {
        step.HasKey = true;
        step.Key = PcKeyEvents::Character(*ch);
    }
    return step;
}
