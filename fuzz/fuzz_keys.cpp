// Fuzz target: the terminal input decoder, with bytes arriving in pieces at chosen times.
//
// Input layout: one byte of settings (bit 0: plain input rather than a terminal; bit 1: a UTF-8
// terminal), then pieces: a control byte gives the piece's length ((c & 31) + 1 bytes follow) and
// the silence before it (c >> 5 picks one of the gaps below, chosen around the decoder's quiet
// times). Events are taken out now and then, as the terminal object takes them.
//
// What must hold:
// - every event is a key press the terminal object turns into bytes: it has a character or a key
//   code, is never a modifier key alone, and an extended key is always two bytes, 0 and a code;
// - plain input comes out as exactly the bytes that went in (a 0 and the byte after it being one
//   key), whatever the pieces;
// - nothing stays held: after a long silence, and at the end of input, every byte is decided, and
//   a key typed after that silence comes through.

#include "Lib_IO_STDIO_Windows.h"
#include "MemoryConsoleDevice.h"
#include "TermInputDecoder.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

constexpr std::uint64_t gaps[8] = {0, 1, 20, 39, 40, 41, 999, 1001};

[[noreturn]] void broken(const char* what) {
    std::fprintf(stderr, "fuzz_keys: %s\n", what);
    std::abort();
}

bool isModifierOnly(std::uint16_t vk) {
    switch (vk) {
    case VKey::Shift:
    case VKey::Control:
    case VKey::Menu:
    case VKey::Capital:
    case VKey::NumLock:
    case VKey::Scroll:
        return true;
    default:
        return false;
    }
}

// Takes the decoder's events through the terminal object's key rules and collects the bytes.
class KeyBytes {
public:
    KeyBytes() : console_(device_, 80, 25) {}

    void Take(TermInputDecoder& decoder, bool plain) {
        ConsoleInputEvent event;
        while (decoder.Pop(event)) {
            if (!event.IsKey || !event.KeyDown) broken("an event that is not a key press");
            if (!plain && event.VirtualKey == 0 && event.Char == 0)
                broken("a key with neither a character nor a key code");
            if (isModifierOnly(event.VirtualKey)) broken("a modifier key alone");
            ++Events;
            device_.PushEvent(event);
            const std::size_t before = Bytes.size();
            while (console_.KeyWait(0)) {
                const std::uint8_t b = console_.ReadKey();
                Bytes.push_back(static_cast<char>(b));
                if (b == 0) {
                    if (!console_.KeyWait(0)) broken("an extended key without its code");
                    Bytes.push_back(static_cast<char>(console_.ReadKey()));
                }
            }
            if (Bytes.size() == before) broken("a key press that gave no byte");
            LastChar = event.Char;
        }
    }

    std::string Bytes;
    std::size_t Events = 0;
    std::uint8_t LastChar = 0;

private:
    MemoryConsoleDevice device_;
    TIO_STDIO console_;
};

// What plain input must give: every byte, except a 0 at the very end that has no code after it.
std::string plainExpected(std::string_view in) {
    std::string out;
    for (std::size_t i = 0; i < in.size(); ++i) {
        if (in[i] == 0 && i + 1 == in.size()) break;
        out.push_back(in[i]);
        if (in[i] == 0) out.push_back(in[++i]);
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const bool plain = (data[0] & 1) != 0;
    const bool utf8 = (data[0] & 2) != 0;
    TermInputDecoder decoder(
        plain ? TermInputDecoder::Mode::Plain : TermInputDecoder::Mode::Terminal, utf8);
    KeyBytes out;
    std::string fed;
    std::uint64_t now = 1000;
    std::size_t pos = 1;
    while (pos < size) {
        const std::uint8_t control = data[pos++];
        const std::size_t length = std::min<std::size_t>((control & 31u) + 1, size - pos);
        const std::uint64_t gap = gaps[control >> 5];
        if (gap > 0) {
            now += gap;
            decoder.Tick(now);
        }
        const std::string_view piece(reinterpret_cast<const char*>(data + pos), length);
        pos += length;
        decoder.Feed(piece, now);
        fed.append(piece);
        if (control & 16) out.Take(decoder, plain);
    }

    if (plain) {
        decoder.Finish();
        out.Take(decoder, plain);
        if (out.Bytes != plainExpected(fed)) broken("plain input did not come out as it went in");
    } else {
        // A silence longer than any sequence may take decides everything held.
        now += TermInputDecoder::SequenceWaitMs + TermInputDecoder::EscQuietMs;
        decoder.Tick(now);
        if (decoder.HasDeadline()) broken("bytes still held after a long silence");
        out.Take(decoder, plain);
        // And the next key is a key again, whatever came before.
        now += TermInputDecoder::SequenceWaitMs;
        decoder.Feed("x", now);
        decoder.Finish();
        out.Take(decoder, plain);
        if (out.LastChar != 'x') broken("a key typed after a long silence was lost");
    }
    if (decoder.HasDeadline() || decoder.Ready() != 0) broken("input left over at its end");
    return 0;
}
