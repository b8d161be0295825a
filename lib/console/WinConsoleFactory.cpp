#include "ConsoleDevice.h"
#include "TextOutput.h"
#include "WinConsoleDevice.h"

#include <windows.h>

std::unique_ptr<ConsoleDevice> CreatePlatformConsole() {
    return std::make_unique<WinConsoleDevice>();
}

CodePage::Id DisplayCodePage() {
    switch (GetConsoleOutputCP()) {
    case 720:
        return CodePage::Id::Arabic;
    case 737:
        return CodePage::Id::Greek;
    case 862:
        return CodePage::Id::Hebrew;
    case 866:
        return CodePage::Id::Cyrillic;
    default:
        return CodePage::Id::Us;
    }
}

bool StandardOutputIsConsole() {
    // A file or a pipe has no console mode; a character device that is not the console (NUL)
    // has none either.
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    return out != INVALID_HANDLE_VALUE && out != nullptr && GetFileType(out) == FILE_TYPE_CHAR &&
           GetConsoleMode(out, &mode) != 0;
}

TTextOutput CreateStandardTextOutput() {
    // The bytes go out as they are: a Windows program's text in a file or pipe is in the OEM
    // code page, as the console shows it.
    return TTextOutput();
}
