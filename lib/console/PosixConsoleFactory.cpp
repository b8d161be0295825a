#include "ConsoleDevice.h"

#ifndef _WIN32
#include "TermConsoleDevice.h"
#include "TextOutput.h"

#include <csignal>
#include <unistd.h>

std::unique_ptr<ConsoleDevice> CreatePlatformConsole() {
    return CreateTermConsoleDevice();
}

CodePage::Id DisplayCodePage() {
    return TermOptionsFromEnvironment().Page;
}

bool StandardOutputIsConsole() {
    return isatty(STDOUT_FILENO) == 1;
}

TTextOutput CreateStandardTextOutput() {
    // A closed pipe shows as a failed write (EPIPE), which ends the writing quietly.
    std::signal(SIGPIPE, SIG_IGN);
    // The same form and code page as the terminal would take in this environment.
    const TermDeviceOptions options = TermOptionsFromEnvironment();
    return options.Utf8 ? TTextOutput(options.Page) : TTextOutput();
}
#endif
