#pragma once
// The few POSIX helpers the test suites use that the Windows C runtime lacks. The Windows build
// puts this header in front of every test source; it declares nothing elsewhere.

#ifdef _WIN32

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <direct.h>
#include <process.h>

inline std::tm* gmtime_r(const std::time_t* t, std::tm* out) {
    return gmtime_s(out, t) == 0 ? out : nullptr;
}

// Replaces the trailing XXXXXX of tmpl with a name no folder has yet and makes that folder.
inline char* mkdtemp(char* tmpl) {
    const std::size_t length = std::strlen(tmpl);
    if (length < 6 || std::strcmp(tmpl + length - 6, "XXXXXX") != 0) {
        errno = EINVAL;
        return nullptr;
    }
    static const char letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    // No windows.h here: its macros would rename words in the tests that include this.
    unsigned long long seed = (static_cast<unsigned long long>(_getpid()) << 32) ^
                              static_cast<unsigned long long>(
                                  std::chrono::steady_clock::now().time_since_epoch().count()) ^
                              reinterpret_cast<std::uintptr_t>(tmpl);
    for (int attempt = 0; attempt < 1000; ++attempt) {
        seed = seed * 6364136223846793005ull + 1442695040888963407ull;
        unsigned long long bits = seed >> 16;
        for (std::size_t i = length - 6; i < length; ++i) {
            tmpl[i] = letters[bits % 36];
            bits /= 36;
        }
        if (_mkdir(tmpl) == 0) return tmpl;
        if (errno != EEXIST) return nullptr;
    }
    return nullptr;
}

#endif
