#include "PcKeyEvents.h"

#include <cstring>

namespace PcKeyEvents {

namespace {

constexpr std::uint16_t vkBack = 0x08;
constexpr std::uint16_t vkTab = 0x09;
constexpr std::uint16_t vkClear = 0x0C;
constexpr std::uint16_t vkReturn = 0x0D;
constexpr std::uint16_t vkEscape = 0x1B;
constexpr std::uint16_t vkF1 = 0x70;

constexpr std::uint16_t scanEscape = 0x01;
constexpr std::uint16_t scanBack = 0x0E;
constexpr std::uint16_t scanTab = 0x0F;
constexpr std::uint16_t scanEnter = 0x1C;
constexpr std::uint16_t scanTwo = 0x03; // Ctrl+2 is the key that gives byte 0
constexpr std::uint16_t scanSlash = 0x35;

// Where the printable ASCII characters are on a US keyboard: each row of keys unshifted and
// shifted, with the scan code of the row's first key (the keys of a row are numbered in a run;
// the grave accent, left of 1, happens to continue the home row's run).
struct KeyRow {
    const char* Plain;
    const char* Shifted;
    std::uint16_t FirstScan;
};
constexpr KeyRow keyRows[] = {
    {"1234567890-=", "!@#$%^&*()_+", 0x02},
    {"qwertyuiop[]", "QWERTYUIOP{}", 0x10},
    {"asdfghjkl;'`", "ASDFGHJKL:\"~", 0x1E},
    {"\\zxcvbnm,./", "|ZXCVBNM<>?", 0x2B},
    {" ", " ", 0x39},
};

// The virtual key code of the key that gives an unshifted character.
std::uint16_t virtualKeyOf(char plain) {
    if (plain >= 'a' && plain <= 'z') return static_cast<std::uint16_t>(plain - 'a' + 'A');
    if ((plain >= '0' && plain <= '9') || plain == ' ') return static_cast<std::uint16_t>(plain);
    switch (plain) {
    case ';':
        return 0xBA;
    case '=':
        return 0xBB;
    case ',':
        return 0xBC;
    case '-':
        return 0xBD;
    case '.':
        return 0xBE;
    case '/':
        return 0xBF;
    case '`':
        return 0xC0;
    case '[':
        return 0xDB;
    case '\\':
        return 0xDC;
    case ']':
        return 0xDD;
    case '\'':
        return 0xDE;
    default:
        return 0;
    }
}

ConsoleInputEvent press(std::uint16_t vk, std::uint16_t scan, std::uint8_t ch,
                        std::uint32_t state) {
    ConsoleInputEvent event;
    event.IsKey = true;
    event.KeyDown = true;
    event.RepeatCount = 1;
    event.VirtualKey = vk;
    event.ScanCode = scan;
    event.Char = ch;
    event.ControlState = state;
    return event;
}

// The key of a printable character; false for bytes no key gives.
bool findKey(char ch, std::uint16_t& vk, std::uint16_t& scan, bool& shifted) {
    for (const KeyRow& row : keyRows) {
        const std::size_t count = std::strlen(row.Plain);
        for (std::size_t i = 0; i < count; ++i) {
            if (row.Plain[i] != ch && row.Shifted[i] != ch) continue;
            vk = virtualKeyOf(row.Plain[i]);
            scan = static_cast<std::uint16_t>(row.FirstScan + i);
            shifted = row.Plain[i] != ch;
            return true;
        }
    }
    return false;
}

} // namespace

ConsoleInputEvent Navigation(Nav key, std::uint32_t mods) {
    struct NavKey {
        std::uint16_t Vk;
        std::uint16_t Scan;
    };
    constexpr NavKey keys[] = {{0x26, 0x48}, {0x28, 0x50}, {0x27, 0x4D},   {0x25, 0x4B},
                               {0x24, 0x47}, {0x23, 0x4F}, {0x21, 0x49},   {0x22, 0x51},
                               {0x2D, 0x52}, {0x2E, 0x53}, {vkClear, 0x4C}};
    const NavKey& k = keys[static_cast<int>(key)];
    // The grey keys are the enhanced ones; the keypad's middle key is not.
    const std::uint32_t enhanced = key == Nav::Centre ? 0 : KeyState::Enhanced;
    return press(k.Vk, k.Scan, 0, mods | enhanced);
}

ConsoleInputEvent Function(int number, std::uint32_t mods) {
    if (number < 1 || number > 12) number = 1;
    const std::uint16_t scan = number <= 10 ? static_cast<std::uint16_t>(0x3B + number - 1)
                                            : static_cast<std::uint16_t>(0x57 + number - 11);
    return press(static_cast<std::uint16_t>(vkF1 + number - 1), scan, 0, mods);
}

ConsoleInputEvent Typed(std::uint8_t byte, std::uint32_t mods) {
    switch (byte) {
    case 0:
        return press('2', scanTwo, 0, mods | Ctrl);
    case 8:
    case 127:
        return press(vkBack, scanBack, 8, mods);
    case 9:
        return press(vkTab, scanTab, 9, mods);
    case 10:
    case 13:
        return press(vkReturn, scanEnter, 13, mods);
    case 27:
        return press(vkEscape, scanEscape, 27, mods);
    case 28:
        return press(0xDC, 0x2B, byte, mods | Ctrl); // Ctrl+backslash
    case 29:
        return press(0xDD, 0x1B, byte, mods | Ctrl); // Ctrl+]
    case 30:
        return press('6', 0x07, byte, mods | Ctrl); // Ctrl+^
    case 31:
        return press(0xBD, 0x0C, byte, mods | Ctrl); // Ctrl+_
    default:
        break;
    }
    std::uint16_t vk = 0;
    std::uint16_t scan = 0;
    bool shifted = false;
    if (byte < 32) { // Ctrl+A to Ctrl+Z
        findKey(static_cast<char>('a' + byte - 1), vk, scan, shifted);
        return press(vk, scan, byte, mods | Ctrl);
    }
    if (byte > 127 || !findKey(static_cast<char>(byte), vk, scan, shifted)) {
        return Character(byte);
    }
    return press(vk, scan, byte, mods | (shifted ? Shift : 0));
}

ConsoleInputEvent Character(std::uint8_t ch) {
    return press(0, 0, ch, 0);
}

ConsoleInputEvent Escape() {
    return Typed(27, 0);
}

ConsoleInputEvent ShiftTab(std::uint32_t mods) {
    return press(vkTab, scanTab, 9, mods | Shift);
}

ConsoleInputEvent KeypadEnter(std::uint32_t mods) {
    return press(vkReturn, scanEnter, 13, mods | KeyState::Enhanced);
}

ConsoleInputEvent Keypad(char ch, std::uint32_t mods) {
    const auto byte = static_cast<std::uint8_t>(ch);
    switch (ch) {
    case '*':
        return press(0x6A, 0x37, byte, mods);
    case '+':
        return press(0x6B, 0x4E, byte, mods);
    case '-':
        return press(0x6D, 0x4A, byte, mods);
    case '.':
        return press(0x6E, 0x53, byte, mods);
    case '/':
        return press(0x6F, scanSlash, byte, mods | KeyState::Enhanced);
    default:
        break;
    }
    if (ch >= '0' && ch <= '9') {
        // Scan codes of the keypad digits 0 to 9. The virtual key is the plain digit's: the
        // terminal never tells when Alt is let go, so an Alt+keypad number could never end.
        constexpr std::uint16_t scans[] = {0x52, 0x4F, 0x50, 0x51, 0x4B,
                                           0x4C, 0x4D, 0x47, 0x48, 0x49};
        return press(static_cast<std::uint16_t>(ch), scans[ch - '0'], byte, mods);
    }
    return Typed(byte, mods);
}

ConsoleInputEvent PlainByte(std::uint8_t byte) {
    ConsoleInputEvent event = byte < 128 ? Typed(byte, 0) : Character(byte);
    // Exactly this byte: the terminal object queues the character of a key without Alt as is.
    event.Char = byte;
    event.ControlState = 0;
    return event;
}

ConsoleInputEvent PlainExtended(std::uint8_t code) {
    // The terminal object queues 0 and the scan code itself for keys outside its table, and
    // keeps only the low byte. Three codes would otherwise be taken as keys it knows (the slash,
    // F11 and F12); one bit above the byte keeps them apart.
    std::uint16_t scan = code;
    if (code == scanSlash || code == 0x57 || code == 0x58) scan = 0x100 | code;
    return press(0, scan, 0, 0);
}

} // namespace PcKeyEvents
