#include "ConsoleDevice.h"

#ifndef _WIN32
#include "TermConsoleDevice.h"
#include "TextOutput.h"

#include <csignal>
#include <cstdlib>
#include <unistd.h>

std::unique_ptr<ConsoleDevice> CreatePlatformConsole() {
    return CreateTermConsoleDevice();
}

bool StandardOutputIsConsole() {
    return isatty(STDOUT_FILENO) == 1;
}

TTextOutput CreateStandardTextOutput() {
    // A closed pipe shows as a failed write (EPIPE), which ends the writing quietly.
    std::signal(SIGPIPE, SIG_IGN);
    const char* lcAll = std::getenv("LC_ALL");
    const char* lcCtype = std::getenv("LC_CTYPE");
    const char* lang = std::getenv("LANG");
    if (!LocaleIsUtf8(lcAll, lcCtype, lang)) return TTextOutput();
    return TTextOutput(CodePage::FromLocale(lcAll, lcCtype, lang));
}
#endif
