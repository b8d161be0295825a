#include "ConsoleDevice.h"
#include "WinConsoleDevice.h"

std::unique_ptr<ConsoleDevice> CreatePlatformConsole() {
    return std::make_unique<WinConsoleDevice>();
}
