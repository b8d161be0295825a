#pragma once
// Terminal input bytes, with the time they arrived, to key events in the console's form (see
// PcKeyEvents). Knows the CSI and SS3 forms of xterm and its kin with their modifier parameters
// (ESC [ 1 ; 5 A, ESC [ 15 ; 2 ~), the VT220 ~ keys, the Linux console's ESC [ [ A to E, the
// rxvt forms ($ ^ @ suffixes, ESC O a to d, ESC ESC before a sequence for Alt), Alt+key as ESC
// before the key, control bytes as Ctrl+letter, and UTF-8 characters as the byte of the
// console's code page that shows them.
//
// Timing: a lone ESC is the Esc key once EscQuietMs pass with nothing after it. A sequence that
// has begun (ESC [ or ESC O, or a UTF-8 character) is never cut by that quiet time; it waits for
// its remaining bytes up to SequenceWaitMs of silence, or SequenceMaxBytes, and is then decided
// as it stands: ESC [ and ESC O alone are Alt+[ and Alt+O, anything longer is dropped (an
// overlong sequence up to its final byte).
//
// Plain mode is for input that is not a terminal: each byte is one key, a 0 byte and the byte
// after it are one extended key, and nothing is timed.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

#include "ConsoleDevice.h"
#include "Lib_CodePage.h"

class TermInputDecoder {
public:
    enum class Mode { Terminal, Plain };

    static constexpr std::uint64_t EscQuietMs = 40;
    static constexpr std::uint64_t SequenceWaitMs = 1000;
    static constexpr std::size_t SequenceMaxBytes = 64;

    explicit TermInputDecoder(Mode mode = Mode::Terminal, bool utf8 = true,
                              CodePage::Id page = CodePage::Id::Us);

    // The code page typed characters give bytes of from now on.
    void SetPage(CodePage::Id page) { page_ = page; }

    // Bytes that arrived at nowMs (milliseconds on any steady clock).
    void Feed(std::string_view bytes, std::uint64_t nowMs);
    // Time passed without input: decides what waited long enough.
    void Tick(std::uint64_t nowMs);
    // The end of input: whatever is held is decided now.
    void Finish();
    // Forgets everything held and every event not yet taken.
    void Clear();

    // When Tick has something to decide: held bytes and the time they wait for.
    bool HasDeadline() const;
    std::uint64_t Deadline() const;

    std::size_t Ready() const { return ready_.size(); }
    bool Pop(ConsoleInputEvent& event);

private:
    struct Step {
        bool Complete = false; // false: the bytes so far may still become a longer sequence
        std::size_t Used = 0;
        bool HasKey = false;
        ConsoleInputEvent Key;
    };

    Step parse(std::string_view s) const;
    Step parsePlain(std::string_view s) const;
    Step parseCsi(std::string_view s, std::size_t start, std::uint32_t extraMods) const;
    Step parseSs3(std::string_view s, std::size_t start, std::uint32_t extraMods) const;
    Step parseCharacter(std::string_view s, std::size_t start, std::uint32_t mods) const;
    void decodeHeld();
    void decideHeld();
    void emit(const ConsoleInputEvent& event) { ready_.push_back(event); }

    Mode mode_;
    bool utf8_;
    CodePage::Id page_;
    std::string held_;
    bool discarding_ = false;       // within an overlong sequence, dropped up to its final byte
    std::uint64_t heldSinceMs_ = 0; // arrival of the last byte held
    std::deque<ConsoleInputEvent> ready_;
};
