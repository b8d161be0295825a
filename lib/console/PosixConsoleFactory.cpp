#include "ConsoleDevice.h"

#ifndef _WIN32
// Provided by the terminal device (TermConsoleDevice).
std::unique_ptr<ConsoleDevice> CreateTermConsoleDevice();

std::unique_ptr<ConsoleDevice> CreatePlatformConsole() {
    return CreateTermConsoleDevice();
}
#endif
