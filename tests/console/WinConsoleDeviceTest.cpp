// The Windows console device: keys from a standard input that is not a console, output where
// there is no console, and, when the process has a console (a console window, or a terminal under
// Wine), the console calls themselves on a screen buffer and input of the test's own.

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "Lib_IO_STDIO_Windows.h"
#include "WinConsoleDevice.h"

namespace {

constexpr std::uint8_t esc = 27;

// Puts a handle in place of one standard handle while it lives; the device takes its handles
// when it is made.
class StdHandleSwap {
public:
    StdHandleSwap(DWORD which, HANDLE h) : which_(which), saved_(GetStdHandle(which)) {
        SetStdHandle(which, h);
    }
    ~StdHandleSwap() { SetStdHandle(which_, saved_); }
    StdHandleSwap(const StdHandleSwap&) = delete;
    StdHandleSwap& operator=(const StdHandleSwap&) = delete;

private:
    DWORD which_;
    HANDLE saved_;
};

class OwnedHandle {
public:
    explicit OwnedHandle(HANDLE h = INVALID_HANDLE_VALUE) : h_(h) {}
    ~OwnedHandle() {
        if (h_ != INVALID_HANDLE_VALUE && h_ != nullptr) CloseHandle(h_);
    }
    OwnedHandle(const OwnedHandle&) = delete;
    OwnedHandle& operator=(const OwnedHandle&) = delete;
    HANDLE Get() const { return h_; }

private:
    HANDLE h_;
};

// The reading end of a pipe that holds bytes and whose writing end is closed, so that a reader
// meets the end of the input after them.
HANDLE pipeWith(const std::string& bytes) {
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, nullptr, 1 << 16)) return INVALID_HANDLE_VALUE;
    DWORD written = 0;
    WriteFile(writeEnd, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(writeEnd);
    return readEnd;
}

std::string tempFileName() {
    char dir[MAX_PATH];
    char name[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    GetTempFileNameA(dir, "skn", 0, name);
    return name;
}

// Output goes to a file: every console output call fails on it.
class NoConsoleOutput {
public:
    NoConsoleOutput()
        : path_(tempFileName()),
          file_(CreateFileA(path_.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)),
          swap_(STD_OUTPUT_HANDLE, file_.Get()) {}
    ~NoConsoleOutput() { DeleteFileA(path_.c_str()); }
    NoConsoleOutput(const NoConsoleOutput&) = delete;
    NoConsoleOutput& operator=(const NoConsoleOutput&) = delete;

    std::int64_t BytesWritten() const {
        LARGE_INTEGER size{};
        GetFileSizeEx(file_.Get(), &size);
        return size.QuadPart;
    }

private:
    std::string path_;
    OwnedHandle file_;
    StdHandleSwap swap_;
};

// The bytes ReadKey gives for count keys.
std::vector<int> readKeys(TIO_STDIO& term, int count) {
    std::vector<int> keys;
    for (int i = 0; i < count; ++i) keys.push_back(term.ReadKey());
    return keys;
}

// --- Keys from an input that is not a console ---

TEST(WinPipedInput, BytesAreKeysAndTheEndReadsAsEsc) {
    NoConsoleOutput out;
    OwnedHandle pipe(pipeWith(std::string("a\r\0H\x1b", 5) + "\x7f"));
    StdHandleSwap in(STD_INPUT_HANDLE, pipe.Get());
    TIO_STDIO term(std::make_unique<WinConsoleDevice>(), 80, 25);
    EXPECT_EQ(readKeys(term, 6), (std::vector<int>{'a', 13, 0, 72, esc, 0x7f}));
    // After the end every key is Esc, at once and as often as asked.
    EXPECT_TRUE(term.KeyWait(0));
    EXPECT_EQ(readKeys(term, 3), (std::vector<int>{esc, esc, esc}));
}

TEST(WinPipedInput, LongInputComesWholeAcrossReads) {
    NoConsoleOutput out;
    std::string bytes;
    for (int i = 0; i < 1000; ++i) bytes.push_back(static_cast<char>('!' + i % 90));
    // An extended key whose two bytes straddle the end of one read of the pipe.
    for (std::size_t at : {255u, 511u}) {
        bytes[at] = '\0';
        bytes[at + 1] = 'P';
    }
    OwnedHandle pipe(pipeWith(bytes));
    StdHandleSwap in(STD_INPUT_HANDLE, pipe.Get());
    TIO_STDIO term(std::make_unique<WinConsoleDevice>(), 80, 25);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        ASSERT_EQ(term.ReadKey(), static_cast<std::uint8_t>(bytes[i])) << "byte " << i;
    EXPECT_EQ(term.ReadKey(), esc);
}

TEST(WinPipedInput, AZeroCutOffByTheEndIsEsc) {
    OwnedHandle pipe(pipeWith(std::string("x\0", 2)));
    StdHandleSwap in(STD_INPUT_HANDLE, pipe.Get());
    WinConsoleDevice device;
    ConsoleInputEvent event;
    ASSERT_TRUE(device.ReadEvent(event));
    EXPECT_TRUE(event.IsKey && event.KeyDown);
    EXPECT_EQ(event.Char, 'x');
    ASSERT_TRUE(device.ReadEvent(event));
    EXPECT_EQ(event.Char, esc);
    EXPECT_EQ(event.VirtualKey, VK_ESCAPE);
    // Past the end there is always one more Esc to take without waiting.
    EXPECT_EQ(device.WaitInput(0), ConsoleWait::Signalled);
    EXPECT_GT(device.PendingEvents(), 0u);
}

TEST(WinPipedInput, EmptyFilesAndTheNullDeviceEndAtOnce) {
    NoConsoleOutput out;
    const std::string path = tempFileName(); // made empty
    for (const char* name : {path.c_str(), "NUL"}) {
        SCOPED_TRACE(name);
        OwnedHandle file(CreateFileA(name, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                     nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_NE(file.Get(), INVALID_HANDLE_VALUE);
        StdHandleSwap in(STD_INPUT_HANDLE, file.Get());
        TIO_STDIO term(std::make_unique<WinConsoleDevice>(), 80, 25);
        EXPECT_EQ(term.ReadKey(), esc);
    }
    DeleteFileA(path.c_str());
}

TEST(WinPipedInput, NoStandardInputNeverWaits) {
    NoConsoleOutput out;
    for (HANDLE none : {static_cast<HANDLE>(nullptr), INVALID_HANDLE_VALUE}) {
        StdHandleSwap in(STD_INPUT_HANDLE, none);
        WinConsoleDevice device;
        ConsoleInputEvent event;
        EXPECT_FALSE(device.ReadEvent(event));
        EXPECT_EQ(device.WaitInput(ConsoleDevice::Infinite), ConsoleWait::Failed);
        EXPECT_EQ(device.PendingEvents(), 0u);
        TIO_STDIO term(device, 80, 25);
        EXPECT_FALSE(term.KeyWait(10));
        // The key loops still end: the unlimited wait fails and reads as Esc.
        EXPECT_EQ(term.ReadKey(), esc);
    }
}

// --- Output without a console ---

TEST(WinNoConsole, DrawingGoesOnInTheBufferAndWritesNothingElsewhere) {
    NoConsoleOutput out;
    OwnedHandle pipe(pipeWith(""));
    StdHandleSwap in(STD_INPUT_HANDLE, pipe.Get());
    {
        TIO_STDIO term(std::make_unique<WinConsoleDevice>(), 80, 25);
        term.ClearScreen();
        term.WriteAt(75, 1, 0x1E, "0123456789");
        TScreenImage image;
        term.SaveScreen(image);
        term.WriteText(std::string(80 * 25, 'x') + "\r\nend");
        term.RestoreScreen(image);
        TPercentBar bar{};
        bar.Mode = 1;
        bar.Kind = 1;
        bar.BarX = 80;
        bar.BarY = 2;
        bar.BarLen = 10;
        bar.PctX = 1;
        bar.PctY = 25;
        term.DrawPercentBar(bar, 5, 10);
        term.SetCloseEnabled(true);
        term.SetCloseEnabled(false);

        EXPECT_EQ(term.Screen.At(75, 1).Ch, '0');
        EXPECT_EQ(term.Screen.At(80, 1).Ch, '5');
        EXPECT_EQ(term.Screen.At(80, 1).Attr, 0x1E);
        EXPECT_EQ(term.Screen.At(1, 2).Ch, ' ');
    }
    // Cells are never sent as a stream of text where there is no console.
    EXPECT_EQ(out.BytesWritten(), 0);

    WinConsoleDevice device;
    TScreenCell cells[4];
    device.WriteCells(cells, 4, 3, 0, 2, 0); // an empty rectangle
    device.WriteCells(cells, 0, 0, 0, 3, 0);
    device.FillChar(-5, 100000, 'x', 0);
    device.FillAttr(0, 0, 7, -1);
    device.SetCursor(-1, -1);
    device.SetSize(80, 25);
    EXPECT_EQ(out.BytesWritten(), 0);
}

// --- A real console ---

// A screen buffer of the test's own (never shown) and the console's input, when the process has
// a console at all; tests that need one skip without.
class WinConsoleTest : public ::testing::Test {
protected:
    void SetUp() override {
        input_ =
            CreateFileA("CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                        nullptr, OPEN_EXISTING, 0, nullptr);
        if (input_ == INVALID_HANDLE_VALUE || !GetConsoleMode(input_, &savedMode_))
            GTEST_SKIP() << "no console";
        output_ = CreateConsoleScreenBuffer(GENERIC_READ | GENERIC_WRITE,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                            CONSOLE_TEXTMODE_BUFFER, nullptr);
        ASSERT_NE(output_, INVALID_HANDLE_VALUE);
        savedIn_ = GetStdHandle(STD_INPUT_HANDLE);
        savedOut_ = GetStdHandle(STD_OUTPUT_HANDLE);
        SetStdHandle(STD_INPUT_HANDLE, input_);
        SetStdHandle(STD_OUTPUT_HANDLE, output_);
        FlushConsoleInputBuffer(input_);
        device_ = std::make_unique<WinConsoleDevice>();
    }
    void TearDown() override {
        device_.reset();
        if (input_ != INVALID_HANDLE_VALUE) {
            SetConsoleMode(input_, savedMode_);
            if (savedIn_ != nullptr) SetStdHandle(STD_INPUT_HANDLE, savedIn_);
            CloseHandle(input_);
        }
        if (output_ != INVALID_HANDLE_VALUE) {
            SetStdHandle(STD_OUTPUT_HANDLE, savedOut_);
            CloseHandle(output_);
        }
    }

    CHAR_INFO CellAt(int x, int y) {
        CHAR_INFO cell{};
        SMALL_RECT r{static_cast<SHORT>(x), static_cast<SHORT>(y), static_cast<SHORT>(x),
                     static_cast<SHORT>(y)};
        ReadConsoleOutputA(output_, &cell, COORD{1, 1}, COORD{0, 0}, &r);
        return cell;
    }

    void Inject(std::initializer_list<INPUT_RECORD> records) {
        std::vector<INPUT_RECORD> all(records);
        DWORD written = 0;
        ASSERT_TRUE(
            WriteConsoleInputA(input_, all.data(), static_cast<DWORD>(all.size()), &written));
        ASSERT_EQ(written, all.size());
    }

    static INPUT_RECORD Key(bool down, WORD vk, WORD sc, char ch, DWORD state) {
        INPUT_RECORD r{};
        r.EventType = KEY_EVENT;
        r.Event.KeyEvent.bKeyDown = down;
        r.Event.KeyEvent.wRepeatCount = 1;
        r.Event.KeyEvent.wVirtualKeyCode = vk;
        r.Event.KeyEvent.wVirtualScanCode = sc;
        r.Event.KeyEvent.uChar.AsciiChar = ch;
        r.Event.KeyEvent.dwControlKeyState = state;
        return r;
    }

    HANDLE input_ = INVALID_HANDLE_VALUE;
    HANDLE output_ = INVALID_HANDLE_VALUE;
    HANDLE savedIn_ = nullptr;
    HANDLE savedOut_ = nullptr;
    DWORD savedMode_ = 0;
    std::unique_ptr<WinConsoleDevice> device_;
};

TEST_F(WinConsoleTest, SizeModeAndCells) {
    device_->SetRawInput();
    DWORD mode = 0xFFFF;
    ASSERT_TRUE(GetConsoleMode(input_, &mode));
    EXPECT_EQ(mode, 0u);

    device_->SetSize(80, 25);
    CONSOLE_SCREEN_BUFFER_INFO info{};
    ASSERT_TRUE(GetConsoleScreenBufferInfo(output_, &info));
    EXPECT_EQ(info.dwSize.X, 80);
    EXPECT_EQ(info.dwSize.Y, 25);

    // A rectangle of two rows out of a buffer three cells wide: code page 437 bytes and
    // attributes arrive unchanged.
    TScreenCell cells[6];
    const std::uint8_t chars[6] = {0xC9, 0xCD, 0xBB, 0xB0, 0x01, 0xFE};
    for (int i = 0; i < 6; ++i) {
        cells[i].Ch = chars[i];
        cells[i].Attr = static_cast<std::uint16_t>(0x10 + i);
    }
    device_->WriteCells(cells, 3, 77, 23, 79, 24);
    for (int i = 0; i < 6; ++i) {
        CHAR_INFO got = CellAt(77 + i % 3, 23 + i / 3);
        EXPECT_EQ(static_cast<std::uint8_t>(got.Char.AsciiChar), chars[i]) << i;
        EXPECT_EQ(got.Attributes, 0x10 + i) << i;
    }

    device_->FillChar(0, 0, 'Q', 1);
    device_->FillAttr(0, 0, 0x4F, 1);
    EXPECT_EQ(CellAt(0, 0).Char.AsciiChar, 'Q');
    EXPECT_EQ(CellAt(0, 0).Attributes, 0x4F);
    EXPECT_NE(CellAt(1, 0).Char.AsciiChar, 'Q');

    device_->SetCursor(12, 7);
    ASSERT_TRUE(GetConsoleScreenBufferInfo(output_, &info));
    EXPECT_EQ(info.dwCursorPosition.X, 12);
    EXPECT_EQ(info.dwCursorPosition.Y, 7);

    // The Close command: nothing to see here, only that it never fails the program.
    device_->SetCloseEnabled(false);
    device_->SetCloseEnabled(true);
}

TEST_F(WinConsoleTest, KeyEventsBecomeBytes) {
    INPUT_RECORD focus{};
    focus.EventType = FOCUS_EVENT;
    Inject({focus, Key(true, VK_UP, 0x48, 0, ENHANCED_KEY),
            Key(false, VK_UP, 0x48, 0, ENHANCED_KEY), Key(true, 'A', 0x1E, 'a', 0),
            // Esc as some consoles report it: without its character.
            Key(true, VK_ESCAPE, 0x01, 0, 0), Key(true, VK_F4, 0x3E, 0, LEFT_ALT_PRESSED)});
    EXPECT_EQ(device_->PendingEvents(), 6u);
    TIO_STDIO term(*device_, 80, 25);
    EXPECT_EQ(readKeys(term, 6), (std::vector<int>{0, 72, 'a', esc, 0, 107}));
}

TEST_F(WinConsoleTest, WaitsEndAtTheirLimit) {
    using Clock = std::chrono::steady_clock;
    auto start = Clock::now();
    EXPECT_EQ(device_->WaitInput(60), ConsoleWait::TimedOut);
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(40));

    // Events that are no key presses do not stretch the caller's limit.
    INPUT_RECORD focus{};
    focus.EventType = FOCUS_EVENT;
    Inject({focus, Key(false, 'A', 0x1E, 'a', 0)});
    TIO_STDIO term(*device_, 80, 25);
    start = Clock::now();
    EXPECT_FALSE(term.KeyWait(100));
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));

    Inject({Key(true, 'A', 0x1E, 'a', 0)});
    EXPECT_EQ(device_->WaitInput(ConsoleDevice::Infinite), ConsoleWait::Signalled);
    EXPECT_TRUE(term.KeyWait(0));
    EXPECT_EQ(term.ReadKey(), 'a');
}

} // namespace
