#include "ConsoleDevice.h"

#ifndef _WIN32
#include "TermConsoleDevice.h"

std::unique_ptr<ConsoleDevice> CreatePlatformConsole() {
    return CreateTermConsoleDevice();
}
#endif
