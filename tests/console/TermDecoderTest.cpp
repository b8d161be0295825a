// Terminal input bytes through the decoder and then through the terminal object's own key rules:
// what the program finally reads for each key of xterm, VT220, the Linux console and rxvt.

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "Lib_IO_STDIO_Windows.h"
#include "MemoryConsoleDevice.h"
#include "TermInputDecoder.h"
#include "TermOutputEncoder.h"

namespace {

using Bytes = std::vector<int>;

std::vector<ConsoleInputEvent> drain(TermInputDecoder& decoder) {
    std::vector<ConsoleInputEvent> events;
    ConsoleInputEvent event;
    while (decoder.Pop(event)) events.push_back(event);
    return events;
}

// The bytes the terminal object queues for these events, as the program reads them.
Bytes keyBytes(const std::vector<ConsoleInputEvent>& events) {
    MemoryConsoleDevice console;
    for (const ConsoleInputEvent& event : events) console.PushEvent(event);
    console.SetScriptEnd(ScriptEnd::Fail);
    TIO_STDIO term(console, 80, 25);
    Bytes bytes;
    while (term.KeyWait(0)) bytes.push_back(term.ReadKey());
    return bytes;
}

Bytes decode(const std::string& input,
             TermInputDecoder::Mode mode = TermInputDecoder::Mode::Terminal) {
    TermInputDecoder decoder(mode);
    decoder.Feed(input, 0);
    decoder.Finish();
    return keyBytes(drain(decoder));
}

struct KeyCase {
    const char* Name;
    std::string Input;
    Bytes Expected;
};

std::string printable(const std::string& s) {
    std::string out;
    for (unsigned char c : s) {
        if (c == 0x1b) {
            out += "ESC";
        } else if (c < 0x20 || c >= 0x7f) {
            out += "\\x" + std::to_string(c);
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

const std::vector<KeyCase>& terminalKeys() {
    static const std::vector<KeyCase> cases = {
        // xterm, normal and application cursor mode, with modifier parameters
        {"xterm Up", "\x1b[A", {0, 72}},
        {"xterm Down", "\x1b[B", {0, 80}},
        {"xterm Right", "\x1b[C", {0, 77}},
        {"xterm Left", "\x1b[D", {0, 75}},
        {"xterm app Up", "\x1bOA", {0, 72}},
        {"xterm Home", "\x1b[H", {0, 71}},
        {"xterm End", "\x1b[F", {0, 79}},
        {"xterm app Home", "\x1bOH", {0, 71}},
        {"xterm app End", "\x1bOF", {0, 79}},
        {"xterm keypad 5", "\x1b[E", {0, 76}},
        {"xterm F1", "\x1bOP", {0, 59}},
        {"xterm F4", "\x1bOS", {0, 62}},
        {"xterm F5", "\x1b[15~", {0, 63}},
        {"xterm F6", "\x1b[17~", {0, 64}},
        {"xterm F10", "\x1b[21~", {0, 68}},
        {"xterm F11", "\x1b[23~", {0, 133}},
        {"xterm F12", "\x1b[24~", {0, 134}},
        {"xterm Ctrl+F1", "\x1b[1;5P", {0, 94}},
        {"xterm Alt+F4", "\x1b[1;3S", {0, 107}},
        {"xterm Shift+F5", "\x1b[15;2~", {0, 88}},
        {"xterm Shift+F12", "\x1b[24;2~", {0, 136}},
        {"xterm Ctrl+Shift+F12", "\x1b[24;6~", {0, 138}},
        {"xterm Alt+F11", "\x1b[23;3~", {0, 139}},
        {"xterm Ctrl+Up", "\x1b[1;5A", {0, 141}},
        {"xterm Alt+Up", "\x1b[1;3A", {0, 152}},
        {"xterm Meta+Up", "\x1b[1;9A", {0, 152}},
        {"xterm Shift+Up", "\x1b[1;2A", {0, 72}},
        {"xterm Ctrl+Home", "\x1b[1;5H", {0, 119}},
        {"xterm Ctrl+End", "\x1b[1;5F", {0, 117}},
        {"xterm Ctrl+PgUp", "\x1b[5;5~", {0, 132}},
        {"xterm Ctrl+PgDn", "\x1b[6;5~", {0, 118}},
        {"xterm Ctrl+Del", "\x1b[3;5~", {0, 147}},
        {"xterm Alt+Ins", "\x1b[2;3~", {0, 162}},
        {"old xterm Ctrl+F1", "\x1bO5P", {0, 94}},
        {"xterm Shift+Tab", "\x1b[Z", {0, 15}}, // as a PC keyboard says it
        {"xterm keypad Enter", "\x1bOM", {13}},
        {"xterm keypad slash", "\x1bOo", {47}},
        {"xterm keypad star", "\x1bOj", {'*'}},
        {"xterm keypad 0", "\x1bOp", {'0'}},
        {"xterm Ctrl+c as modifyOtherKeys", "\x1b[27;5;99~", {3}},
        {"Ctrl+c as CSI u", "\x1b[99;5u", {3}},
        {"Alt+a as CSI u", "\x1b[97;3u", {0, 30}},
        // VT220
        {"VT220 F1", "\x1b[11~", {0, 59}},
        {"VT220 F4", "\x1b[14~", {0, 62}},
        {"VT220 Home", "\x1b[1~", {0, 71}},
        {"VT220 Ins", "\x1b[2~", {0, 82}},
        {"VT220 Del", "\x1b[3~", {0, 83}},
        {"VT220 End", "\x1b[4~", {0, 79}},
        {"VT220 PgUp", "\x1b[5~", {0, 73}},
        {"VT220 PgDn", "\x1b[6~", {0, 81}},
        // The Linux console
        {"Linux F1", "\x1b[[A", {0, 59}},
        {"Linux F3", "\x1b[[C", {0, 61}},
        {"Linux F5", "\x1b[[E", {0, 63}},
        {"Linux keypad 5", "\x1b[G", {0, 76}},
        // rxvt
        {"rxvt Home", "\x1b[7~", {0, 71}},
        {"rxvt End", "\x1b[8~", {0, 79}},
        {"rxvt Shift+Up", "\x1b[a", {0, 72}},
        {"rxvt Ctrl+Up", "\x1bOa", {0, 141}},
        {"rxvt Ctrl+Left", "\x1bOd", {0, 115}},
        {"rxvt Ctrl+F1", "\x1b[11^", {0, 94}},
        {"rxvt Ctrl+PgUp", "\x1b[5^", {0, 132}},
        {"rxvt Shift+Ins", "\x1b[2$", {0, 82}},
        {"rxvt Shift+F11", "\x1b[23$", {0, 135}},
        {"rxvt Ctrl+Shift+F1", "\x1b[11@", {0, 94}},
        {"rxvt Shift+F3", "\x1b[25~", {0, 86}},
        {"rxvt Shift+F10", "\x1b[34~", {0, 93}},
        {"rxvt Alt+Up", "\x1b\x1b[A", {0, 152}},
        {"rxvt Alt+F1", "\x1b\x1bOP", {0, 104}},
        // Characters, control bytes and Alt+key
        {"letter", "q", {'q'}},
        {"capital", "Q", {'Q'}},
        {"space", " ", {' '}},
        {"Ctrl+C", "\x03", {3}},
        {"Ctrl+Q", "\x11", {17}},
        {"Enter as CR", "\r", {13}},
        {"Enter as LF", "\n", {13}},
        {"Backspace as DEL", "\x7f", {8}},
        {"Backspace as BS", "\x08", {8}},
        {"Tab", "\t", {9}},
        {"Ctrl+Space", std::string(1, '\0'), {0, 3}},
        {"Alt+Q", "\x1bq", {0, 16}},
        {"Alt+Shift+Q", "\x1bQ", {0, 16}},
        {"Alt+X", "\x1bx", {0, 45}},
        {"Alt+1",
         "\x1b"
         "1",
         {0, 120}},
        {"Alt+=", "\x1b=", {0, 131}},
        {"Alt+Enter", "\x1b\r", {13}},
        {"Alt+Backspace", "\x1b\x7f", {0, 14}},
        {"Alt+Tab", "\x1b\t", {0, 15}},
        {"Alt+slash", "\x1b/", {47}},
        {"Alt+Ctrl+C", "\x1b\x03", {0, 46}},
        {"UTF-8 u umlaut", "\xc3\xbc", {0x81}},
        {"UTF-8 box line", "\xe2\x94\x80", {0xC4}},
        {"UTF-8 block", "\xe2\x96\x88", {0xDB}},
        // Reports and keys the program never asked for give nothing
        {"device attributes report", "\x1b[?1;2c", {}},
        {"focus in", "\x1b[I", {}},
        {"paste start", "\x1b[200~", {}},
        {"character outside the code page", "\xe2\x82\xac", {}},
        {"byte that starts no character", "\xff", {}},
    };
    return cases;
}

TEST(TermDecoder, EveryTerminalKeyReadsAsThePcKey) {
    for (const KeyCase& c : terminalKeys()) {
        EXPECT_EQ(decode(c.Input), c.Expected) << c.Name << ": " << printable(c.Input);
    }
}

TEST(TermDecoder, SequencesSplitAtEveryPositionDecodeTheSame) {
    for (const KeyCase& c : terminalKeys()) {
        for (std::size_t cut = 1; cut < c.Input.size(); ++cut) {
            TermInputDecoder decoder;
            decoder.Feed(c.Input.substr(0, cut), 1000);
            decoder.Tick(1000 + TermInputDecoder::EscQuietMs - 1);
            decoder.Feed(c.Input.substr(cut), 1000 + TermInputDecoder::EscQuietMs - 1);
            decoder.Finish();
            EXPECT_EQ(keyBytes(drain(decoder)), c.Expected)
                << c.Name << " cut after " << cut << ": " << printable(c.Input);
        }
    }
}

TEST(TermDecoder, SequencesFedByteByByteWithPausesDecodeTheSame) {
    for (const KeyCase& c : terminalKeys()) {
        TermInputDecoder decoder;
        std::uint64_t now = 5000;
        for (char byte : c.Input) {
            decoder.Feed(std::string(1, byte), now);
            now += TermInputDecoder::EscQuietMs / 2;
            decoder.Tick(now);
        }
        decoder.Finish();
        EXPECT_EQ(keyBytes(drain(decoder)), c.Expected) << c.Name << ": " << printable(c.Input);
    }
}

TEST(TermDecoder, SeveralKeysInOneReadKeepTheirOrder) {
    EXPECT_EQ(decode("a\x1b[Ab\x1bOP\r"), (Bytes{'a', 0, 72, 'b', 0, 59, 13}));
    EXPECT_EQ(decode("\x1b[A\x1b[A\x1b[B"), (Bytes{0, 72, 0, 72, 0, 80}));
}

TEST(TermDecoder, LoneEscBecomesEscOnlyAfterTheQuietTime) {
    const std::uint64_t quiet = TermInputDecoder::EscQuietMs;
    TermInputDecoder decoder;
    decoder.Feed("\x1b", 100);
    ASSERT_TRUE(decoder.HasDeadline());
    EXPECT_EQ(decoder.Deadline(), 100 + quiet);
    decoder.Tick(100 + quiet - 1);
    EXPECT_EQ(decoder.Ready(), 0u);
    decoder.Tick(100 + quiet);
    EXPECT_EQ(keyBytes(drain(decoder)), Bytes{27});
    EXPECT_FALSE(decoder.HasDeadline());
}

TEST(TermDecoder, KeyJustInsideTheQuietTimeIsAltKey) {
    const std::uint64_t quiet = TermInputDecoder::EscQuietMs;
    TermInputDecoder inside;
    inside.Feed("\x1b", 0);
    inside.Feed("q", quiet - 1);
    EXPECT_EQ(keyBytes(drain(inside)), (Bytes{0, 16}));

    TermInputDecoder after;
    after.Feed("\x1b", 0);
    after.Feed("q", quiet);
    EXPECT_EQ(keyBytes(drain(after)), (Bytes{27, 'q'}));
}

TEST(TermDecoder, BegunSequenceIsNotCutByTheQuietTime) {
    TermInputDecoder decoder;
    decoder.Feed("\x1b[1;", 0);
    decoder.Tick(TermInputDecoder::SequenceWaitMs - 1);
    EXPECT_EQ(decoder.Ready(), 0u);
    decoder.Feed("5A", TermInputDecoder::SequenceWaitMs - 1);
    EXPECT_EQ(keyBytes(drain(decoder)), (Bytes{0, 141}));
}

TEST(TermDecoder, UnfinishedSequenceIsDecidedAfterItsLongWait) {
    const std::uint64_t wait = TermInputDecoder::SequenceWaitMs;
    TermInputDecoder bracket; // Alt+[ alone looks like a sequence that has begun
    bracket.Feed("\x1b[", 0);
    EXPECT_EQ(bracket.Deadline(), wait);
    bracket.Tick(wait);
    EXPECT_EQ(keyBytes(drain(bracket)), (Bytes{0, 26}));

    TermInputDecoder cut; // a sequence that never ends is dropped; what follows is read as usual
    cut.Feed("\x1b[1;5", 0);
    cut.Tick(wait);
    cut.Feed("A", wait + 1);
    EXPECT_EQ(keyBytes(drain(cut)), (Bytes{'A'}));
}

TEST(TermDecoder, ControlByteInsideSequenceEndsItAndCounts) {
    EXPECT_EQ(decode("\x1b[1\x1b[A"), (Bytes{0, 72}));
    EXPECT_EQ(decode("\x1b[\r"), (Bytes{0, 26, 13}));
    EXPECT_EQ(decode("\x1bO\r"), (Bytes{0, 24, 13}));
}

TEST(TermDecoder, TwoEscapesAreTwoEscKeys) {
    TermInputDecoder decoder;
    decoder.Feed("\x1b\x1b", 0);
    decoder.Tick(TermInputDecoder::EscQuietMs);
    EXPECT_EQ(keyBytes(drain(decoder)), (Bytes{27, 27}));
    EXPECT_EQ(decode("\x1b\x1bq"), (Bytes{27, 0, 16}));
}

TEST(TermDecoder, EndOfInputDecidesWhatIsHeld) {
    EXPECT_EQ(decode("\x1b"), Bytes{27});
    EXPECT_EQ(decode("a\xc3"), Bytes{'a'}); // half a character is dropped
}

TEST(TermDecoder, OverlongSequenceIsDroppedToItsEnd) {
    std::string noise = "\x1b[";
    noise.append(3 * TermInputDecoder::SequenceMaxBytes, '1');
    TermInputDecoder decoder;
    for (std::size_t at = 0; at < noise.size(); at += 7) decoder.Feed(noise.substr(at, 7), 0);
    decoder.Feed("Aq", 0);
    decoder.Finish();
    EXPECT_EQ(keyBytes(drain(decoder)), Bytes{'q'});
}

TEST(TermDecoder, WithoutUtf8HighBytesAreCharacters) {
    TermInputDecoder decoder(TermInputDecoder::Mode::Terminal, false);
    decoder.Feed("\x81\xc4", 0);
    EXPECT_EQ(keyBytes(drain(decoder)), (Bytes{0x81, 0xC4}));
}

TEST(TermDecoder, EventsAreKeyPressesShapedLikeTheConsoles) {
    TermInputDecoder decoder;
    decoder.Feed("\x1b[A\x03\x1bq", 0);
    const auto events = drain(decoder);
    ASSERT_EQ(events.size(), 3u);
    for (const ConsoleInputEvent& e : events) {
        EXPECT_TRUE(e.IsKey);
        EXPECT_TRUE(e.KeyDown);
    }
    EXPECT_EQ(events[0].ScanCode, 0x48);
    EXPECT_EQ(events[0].Char, 0);
    EXPECT_TRUE(events[0].ControlState & KeyState::Enhanced);
    EXPECT_EQ(events[1].Char, 3);
    EXPECT_EQ(events[1].ScanCode, 0x2E); // C
    EXPECT_EQ(events[2].ScanCode, 0x10); // Q
    EXPECT_TRUE(events[2].ControlState & KeyState::LeftAlt);
    EXPECT_FALSE(events[2].ControlState & KeyState::RightAlt); // never AltGr
}

TEST(TermDecoder, AnyInputInAnyPiecesEndsWithNothingHeldAndOnlyKeyPresses) {
    // Noise made of the bytes sequences are built from, cut into pieces at random times.
    const std::string alphabet =
        "\x1b\x1b\x1b[[OO0123456789;;~$^@ABCDHPSZaujq\r\x7f\x03\xc3\xbc\xe2";
    std::mt19937 random(20240601);
    for (int round = 0; round < 2000; ++round) {
        std::string input;
        const int length = static_cast<int>(random() % 40);
        for (int i = 0; i < length; ++i) input.push_back(alphabet[random() % alphabet.size()]);
        TermInputDecoder decoder;
        std::uint64_t now = 0;
        std::size_t at = 0;
        while (at < input.size()) {
            const std::size_t piece = 1 + random() % 6;
            decoder.Feed(input.substr(at, piece), now);
            at += piece;
            now += random() % (2 * TermInputDecoder::EscQuietMs);
            decoder.Tick(now);
        }
        decoder.Finish();
        EXPECT_FALSE(decoder.HasDeadline()) << printable(input);
        const auto events = drain(decoder);
        EXPECT_LE(events.size(), input.size()) << printable(input);
        for (const ConsoleInputEvent& e : events) {
            EXPECT_TRUE(e.IsKey && e.KeyDown) << printable(input);
        }
        EXPECT_LE(keyBytes(events).size(), 2 * events.size());
    }
}

// Input that is not a terminal: every byte is a key as it stands.

TEST(TermDecoderPlain, EveryByteIsItsOwnKey) {
    for (int b = 1; b < 256; ++b) {
        EXPECT_EQ(decode(std::string(1, static_cast<char>(b)), TermInputDecoder::Mode::Plain),
                  Bytes{b})
            << "byte " << b;
    }
}

TEST(TermDecoderPlain, ZeroAndCodeIsThatExtendedKey) {
    for (int code = 0; code < 256; ++code) {
        std::string input(1, '\0');
        input.push_back(static_cast<char>(code));
        EXPECT_EQ(decode(input, TermInputDecoder::Mode::Plain), (Bytes{0, code}))
            << "code " << code;
    }
}

TEST(TermDecoderPlain, NothingIsTimedAndEscIsAKeyAtOnce) {
    TermInputDecoder decoder(TermInputDecoder::Mode::Plain);
    decoder.Feed(std::string("\x1b[A\0", 4), 0);
    EXPECT_FALSE(decoder.HasDeadline());
    EXPECT_EQ(decoder.Ready(), 3u);
    decoder.Feed("H", 100000);
    decoder.Feed(std::string(1, '\0'), 100000);
    decoder.Finish(); // a 0 with nothing after it is no key
    EXPECT_EQ(keyBytes(drain(decoder)), (Bytes{27, '[', 'A', 0, 72}));
}

// Typed characters become the byte of the console's code page that shows them, in plain UTF-8
// and in xterm's character-code forms; a character the code page lacks gives nothing.
TEST(TermDecoder, TypedCharactersGiveTheCodePagesByte) {
    struct TypedCase {
        CodePage::Id Page;
        std::string Input;
        Bytes Expected;
    };
    const TypedCase cases[] = {
        {CodePage::Id::Us, "П", {}},
        {CodePage::Id::Us, "é", {0x82}},
        {CodePage::Id::Cyrillic, "П", {0x8F}},
        {CodePage::Id::Cyrillic, "привет", {0xAF, 0xE0, 0xA8, 0xA2, 0xA5, 0xE2}},
        {CodePage::Id::Cyrillic, "Ёё", {0xF0, 0xF1}},
        {CodePage::Id::Cyrillic, "\x1b[1055u", {0x8F}},      // П as a CSI u key code
        {CodePage::Id::Cyrillic, "\x1b[27;2;1071~", {0x9F}}, // Shift+Я
        {CodePage::Id::Cyrillic, "é", {}},
        {CodePage::Id::Cyrillic, "─╔█", {0xC4, 0xC9, 0xDB}},
        {CodePage::Id::Greek, "Ωω", {0x97, 0xE0}},
        {CodePage::Id::Hebrew, "שלום", {0x99, 0x8C, 0x85, 0x8D}},
        {CodePage::Id::Arabic, "سلام", {0xAB, 0xE9, 0x9F, 0xEA}},
        {CodePage::Id::Arabic, "é", {0x82}},
    };
    for (const TypedCase& c : cases) {
        TermInputDecoder decoder(TermInputDecoder::Mode::Terminal, true, c.Page);
        decoder.Feed(c.Input, 0);
        decoder.Finish();
        EXPECT_EQ(keyBytes(drain(decoder)), c.Expected)
            << static_cast<int>(c.Page) << ": " << printable(c.Input);
    }
}

// What the encoder shows for a byte, typed back, is that byte, in every code page.
TEST(TermDecoder, EveryGlyphShownTypesItsOwnByte) {
    for (CodePage::Id page : {CodePage::Id::Us, CodePage::Id::Arabic, CodePage::Id::Greek,
                              CodePage::Id::Hebrew, CodePage::Id::Cyrillic}) {
        for (int b = 0x80; b < 0x100; ++b) {
            TermOutputEncoder encoder(true, page);
            encoder.PutCell(0, 0, static_cast<std::uint8_t>(b), 7);
            const std::string& out = encoder.Pending();
            TermInputDecoder decoder(TermInputDecoder::Mode::Terminal, true, page);
            decoder.Feed(out.substr(out.rfind('m') + 1), 0); // the glyph after the colours
            decoder.Finish();
            EXPECT_EQ(keyBytes(drain(decoder)), Bytes{b}) << static_cast<int>(page) << " " << b;
        }
    }
}

} // namespace
