#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Lib_IO_STDIO_Windows.h"
#include "MemoryConsoleDevice.h"

namespace {

using Bytes = std::vector<int>;

constexpr std::uint32_t alt = KeyState::LeftAlt;
constexpr std::uint32_t ctrl = KeyState::LeftCtrl;
constexpr std::uint32_t shift = KeyState::Shift;
constexpr std::uint32_t enhanced = KeyState::Enhanced;

// Scan codes of the keys used below.
constexpr std::uint16_t scanEnter = 0x1C;
constexpr std::uint16_t scanAlt = 0x38;
constexpr std::uint16_t scanF1 = 0x3B;
constexpr std::uint16_t scanF4 = 0x3E;
constexpr std::uint16_t scanUp = 0x48;
constexpr std::uint16_t scanF12 = 0x58;

ConsoleInputEvent keyPress(std::uint16_t vk, std::uint16_t scan, std::uint8_t ch) {
    ConsoleInputEvent e;
    e.IsKey = true;
    e.KeyDown = true;
    e.VirtualKey = vk;
    e.ScanCode = scan;
    e.Char = ch;
    return e;
}

class Keyboard : public ::testing::Test {
protected:
    MemoryConsoleDevice console;
    TIO_STDIO io{console, 80, 25};

    // Every byte the script yields now, without waiting.
    Bytes drain() {
        Bytes bytes;
        while (io.KeyWait(0)) bytes.push_back(io.ReadKey());
        return bytes;
    }
    void pressAlt() { console.PushKeyPress(VKey::Menu, scanAlt, 0, alt); }
    void releaseAlt() { console.PushKeyRelease(VKey::Menu, scanAlt, 0, 0); }
    // A keypad digit typed with Alt and Num Lock on: the console gives it no character.
    void altKeypadDigit(int digit) {
        static const std::uint16_t scans[10] = {0x52, 0x4F, 0x50, 0x51, 0x4B,
                                                0x4C, 0x4D, 0x47, 0x48, 0x49};
        console.PushKeyStroke(static_cast<std::uint16_t>(VKey::Numpad0 + digit), scans[digit], 0,
                              alt);
    }
};

TEST_F(Keyboard, ArrowKeyGivesZeroAndItsCodeAndTheReleaseNothing) {
    console.PushExtendedKey(scanUp, VKey::Up, enhanced);
    EXPECT_EQ(drain(), (Bytes{0, 72}));
    EXPECT_EQ(console.ScriptLeft(), 0u);
}

TEST_F(Keyboard, ModifierKeysAloneGiveNothing) {
    console.PushKeyStroke(VKey::Shift, 0x2A, 0, shift);
    console.PushKeyStroke(VKey::Control, 0x1D, 0, ctrl);
    console.PushKeyStroke(VKey::Menu, scanAlt, 0, alt);
    console.PushKeyStroke(VKey::Capital, 0x3A, 0);
    console.PushKeyStroke(VKey::NumLock, 0x45, 0, enhanced);
    console.PushKeyStroke(VKey::Scroll, 0x46, 0);
    EXPECT_EQ(drain(), Bytes{});
    EXPECT_EQ(console.ScriptLeft(), 0u);
}

TEST_F(Keyboard, CharactersArriveAsTheirBytes) {
    console.PushText("Hi, /x?{");
    console.PushChar(27);
    console.PushChar(8);
    console.PushChar(9);
    EXPECT_EQ(drain(), (Bytes{'H', 'i', ',', ' ', '/', 'x', '?', '{', 27, 8, 9}));
}

TEST_F(Keyboard, CtrlCIsAnOrdinaryKey) {
    console.PushChar(3);
    console.PushText("q");
    EXPECT_EQ(drain(), (Bytes{3, 'q'}));
    EXPECT_TRUE(console.RawInput);
}

TEST_F(Keyboard, FunctionKeysWithModifiers) {
    console.PushExtendedKey(scanF4, 0x73, alt);
    console.PushExtendedKey(scanF1, 0x70, ctrl);
    console.PushExtendedKey(scanF12, 0x7B, shift);
    console.PushExtendedKey(scanF12, 0x7B, ctrl | shift); // Ctrl wins over Shift
    EXPECT_EQ(drain(), (Bytes{0, 107, 0, 94, 0, 136, 0, 138}));
}

TEST_F(Keyboard, EnterIsThirteenAlsoOnTheKeypadAndWithAlt) {
    console.PushKeyStroke(VKey::Return, scanEnter, 13);
    console.PushKeyStroke(VKey::Return, scanEnter, 13, enhanced);
    console.PushKeyStroke(VKey::Return, scanEnter, 13, alt);
    console.PushKeyStroke(VKey::Return, scanEnter, 13, alt | enhanced);
    EXPECT_EQ(drain(), (Bytes{13, 13, 13, 13}));
}

TEST_F(Keyboard, EnterWithoutItsCharacterGetsItsAltCode) {
    console.PushKeyStroke(VKey::Return, scanEnter, 0, alt);
    EXPECT_EQ(drain(), (Bytes{0, 166}));
}

TEST_F(Keyboard, KeypadSlashIsTheSlashCharacter) {
    console.PushKeyStroke(VKey::Divide, 0x35, '/', enhanced);
    console.PushKeyStroke(0xBF, 0x35, 0, alt);
    EXPECT_EQ(drain(), (Bytes{'/', '/'}));
}

TEST_F(Keyboard, AltGrGivesTheCharacterOnTheKey) {
    console.PushKeyStroke('Q', 0x10, '@', KeyState::RightAlt | KeyState::LeftCtrl);
    // Right Alt without Left Ctrl is plain Alt: the key's Alt code.
    console.PushKeyStroke('Q', 0x10, 'q', KeyState::RightAlt);
    EXPECT_EQ(drain(), (Bytes{'@', 0, 16}));
}

TEST_F(Keyboard, ReleasesRepeatsAndOtherEventsAddNothing) {
    console.PushOtherEvent();
    console.PushKeyRelease('A', 0x1E, 'a');
    ConsoleInputEvent repeated = keyPress('B', 0x30, 'b');
    repeated.RepeatCount = 5;
    console.PushEvent(repeated);
    console.PushOtherEvent();
    EXPECT_EQ(drain(), (Bytes{'b'}));
    EXPECT_EQ(console.ScriptLeft(), 0u);
}

TEST_F(Keyboard, AltKeypadNumberIsDeliveredOnAltRelease) {
    pressAlt();
    altKeypadDigit(6);
    altKeypadDigit(5);
    releaseAlt();
    EXPECT_EQ(drain(), (Bytes{0, 157, 0, 76, 65}));
    EXPECT_FALSE(io.AltCodeActive);
    EXPECT_EQ(io.AltCode, 0);
}

TEST_F(Keyboard, AltKeypadNumberIsTakenModulo256AndZeroDeliversNothing) {
    pressAlt();
    altKeypadDigit(2);
    altKeypadDigit(5);
    altKeypadDigit(6);
    releaseAlt();
    EXPECT_EQ(drain(), (Bytes{0, 160, 0, 76, 0, 157}));
    EXPECT_TRUE(io.AltCodeActive);
    // The next number starts from that 0.
    pressAlt();
    altKeypadDigit(6);
    altKeypadDigit(6);
    releaseAlt();
    EXPECT_EQ(drain(), (Bytes{0, 157, 0, 157, 66}));
}

TEST_F(Keyboard, AltReleaseWithoutKeypadDigitsDeliversNothing) {
    pressAlt();
    console.PushKeyStroke('X', 0x2D, 0, alt);
    releaseAlt();
    EXPECT_EQ(drain(), (Bytes{0, 45}));
}

TEST_F(Keyboard, TranslateKeyTable) {
    struct Case {
        std::uint16_t Scan;
        int None, Shift, Ctrl, Alt;
    };
    const Case cases[] = {
        {0x02, 2, 2, 2, 120},       {0x0D, 13, 13, 13, 131},  {0x0F, 15, 15, 148, 15},
        {0x1C, 28, 28, 28, 166},    {0x37, 55, 55, 150, 55},  {0x3B, 59, 84, 94, 104},
        {0x44, 68, 93, 103, 113},   {0x47, 71, 71, 119, 151}, {0x48, 72, 72, 141, 152},
        {0x49, 73, 73, 132, 153},   {0x4A, 74, 74, 142, 74},  {0x4B, 75, 75, 115, 155},
        {0x4C, 76, 76, 143, 76},    {0x4D, 77, 77, 116, 157}, {0x4E, 78, 78, 78, 78},
        {0x4F, 79, 79, 117, 159},   {0x50, 80, 80, 145, 160}, {0x51, 81, 81, 118, 161},
        {0x52, 82, 82, 146, 162},   {0x53, 83, 83, 147, 163}, {0x57, 133, 135, 137, 139},
        {0x58, 134, 136, 138, 140}, {0x10, 16, 16, 16, 16},   {0x2D, 45, 45, 45, 45},
        {0x45, 69, 69, 69, 69},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Scan);
        EXPECT_EQ(io.TranslateKey(c.Scan, 0, 0), c.None);
        EXPECT_EQ(io.TranslateKey(c.Scan, KeyState::Shift, 0), c.Shift);
        EXPECT_EQ(io.TranslateKey(c.Scan, KeyState::LeftCtrl, 0), c.Ctrl);
        EXPECT_EQ(io.TranslateKey(c.Scan, KeyState::RightCtrl, 0), c.Ctrl);
        EXPECT_EQ(io.TranslateKey(c.Scan, KeyState::LeftAlt, 0), c.Alt);
        EXPECT_EQ(io.TranslateKey(c.Scan, KeyState::RightAlt, 0), c.Alt);
        // Only the strongest modifier counts: Alt, then Ctrl, then Shift.
        EXPECT_EQ(io.TranslateKey(c.Scan, KeyState::Shift | KeyState::LeftCtrl, 0), c.Ctrl);
        EXPECT_EQ(io.TranslateKey(c.Scan, KeyState::LeftAlt | KeyState::LeftCtrl, 0), c.Alt);
        EXPECT_EQ(io.TranslateKey(c.Scan, KeyState::Enhanced, 0), c.None);
    }
    EXPECT_FALSE(io.AltCodeActive); // no keypad digit was named
}

TEST_F(Keyboard, KeyWaitRunsOutAfterItsLimit) {
    EXPECT_FALSE(io.KeyWait(100));
    EXPECT_EQ(console.NowMillis(), 100u);
    EXPECT_EQ(console.WaitLimits, (std::vector<std::uint32_t>{100}));
}

TEST_F(Keyboard, KeyWaitWithAByteReadyDoesNotWait) {
    console.PushExtendedKey(scanUp, VKey::Up, enhanced);
    EXPECT_EQ(io.ReadKey(), 0);
    console.ResetCounts();
    EXPECT_TRUE(io.KeyWait(100));
    EXPECT_EQ(console.Counts.Waits, 0);
    EXPECT_EQ(console.NowMillis(), 0u);
    EXPECT_EQ(io.ReadKey(), 72);
}

TEST_F(Keyboard, KeyWaitEndsWhenAKeyArrives) {
    console.PushEventAt(50, keyPress('A', 0x1E, 'a'));
    EXPECT_TRUE(io.KeyWait(100));
    EXPECT_EQ(console.NowMillis(), 50u);
    EXPECT_EQ(io.ReadKey(), 'a');
}

TEST_F(Keyboard, EventsThatAreNoKeysDoNotStretchTheLimit) {
    console.PushEventAt(40, ConsoleInputEvent{});
    console.PushEventAt(80, ConsoleInputEvent{});
    console.PushEventAt(120, ConsoleInputEvent{});
    console.PushEventAt(130, keyPress('Z', 0x2C, 'z'));
    EXPECT_FALSE(io.KeyWait(100));
    EXPECT_EQ(console.NowMillis(), 100u);
    EXPECT_TRUE(io.KeyWait(100));
    EXPECT_EQ(console.NowMillis(), 130u);
    EXPECT_EQ(io.ReadKey(), 'z');
}

TEST_F(Keyboard, ReadKeyWaitsWithoutLimitForTheNextKey) {
    console.PushEventAt(5000, keyPress('K', 0x25, 'k'));
    EXPECT_EQ(io.ReadKey(), 'k');
    EXPECT_EQ(console.NowMillis(), 5000u);
    EXPECT_EQ(console.WaitLimits, (std::vector<std::uint32_t>{ConsoleDevice::Infinite}));
}

TEST_F(Keyboard, AConsoleThatCannotBeReadGivesEscAndKeepsTheRingSound) {
    console.SetScriptEnd(ScriptEnd::Fail);
    EXPECT_FALSE(io.KeyWait(100));
    EXPECT_EQ(console.NowMillis(), 0u);
    EXPECT_EQ(io.ReadKey(), 27);
    EXPECT_EQ(io.ReadKey(), 27);
    EXPECT_EQ(io.KeyHead, io.KeyTail);
    console.PushText("ok");
    EXPECT_EQ(drain(), (Bytes{'o', 'k'}));
}

TEST_F(Keyboard, ManyKeysPassThroughTheRingInOrder) {
    std::string typed;
    for (int i = 0; i < 300; ++i) typed += static_cast<char>('a' + i % 26);
    console.PushText(typed);
    std::string read;
    for (int i = 0; i < 300; ++i) read += static_cast<char>(io.ReadKey());
    EXPECT_EQ(read, typed);
    EXPECT_FALSE(io.KeyWait(0));
}

TEST_F(Keyboard, AFullRingDropsFurtherBytesInsteadOfLookingEmpty) {
    for (int i = 0; i < 200; ++i) io.PushKey(static_cast<std::uint8_t>(i));
    Bytes read = drain();
    ASSERT_EQ(read.size(), static_cast<std::size_t>(TIO_STDIO::KeyRingSize - 1));
    for (std::size_t i = 0; i < read.size(); ++i) EXPECT_EQ(read[i], static_cast<int>(i));
    // Once emptied, the ring takes bytes again, across its end.
    for (int i = 0; i < 127; ++i) io.PushKey(static_cast<std::uint8_t>(200 - i));
    read = drain();
    ASSERT_EQ(read.size(), 127u);
    EXPECT_EQ(read.front(), 200);
    EXPECT_EQ(read.back(), 74);
}

TEST_F(Keyboard, PollInputQueuesOneKeyAtATime) {
    console.PushText("ab");
    EXPECT_TRUE(io.PollInput());
    EXPECT_EQ(io.KeyTail, 1);
    EXPECT_EQ(io.KeyBuffer[1], 'a');
    EXPECT_EQ(console.ScriptLeft(), 3u); // a's release and b's press and release wait
}

} // namespace
