#pragma once
// Runs a program as a user would start it from a shell, with its standard input from bytes or
// /dev/null and its output and error kept, in a folder of the caller's choosing, within a time
// limit. Its standard output is a file, or a pseudo-terminal of 80x25 when it must be a
// terminal. POSIX only.

#ifndef _WIN32

#include <chrono>
#include <string>
#include <utility>
#include <vector>

struct ProcessOptions {
    std::string Program;
    std::vector<std::string> Args;
    std::string WorkDir;        // the program's current folder; empty: the test's own
    std::string Input;          // its standard input, byte for byte
    bool InputFromNull = false; // standard input is /dev/null instead
    // Standard output is a pseudo-terminal of 80x25 (what the program draws is kept in Out, as
    // the terminal passes it on), and TERM is xterm unless Env sets it.
    bool OutputOnTerminal = false;
    std::vector<std::pair<std::string, std::string>> Env; // set (empty value: unset) in the child
    std::chrono::milliseconds TimeLimit{120000};          // killed after it
};

struct ProcessResult {
    bool Finished = false; // ended by itself within the limit
    int Exit = -1;         // exit code, or -1 when it did not exit normally
    int Signal = 0;        // the signal that ended it, if one did
    std::string Out;
    std::string Err;
    double Seconds = 0;
};

ProcessResult RunProcess(const ProcessOptions& options);

// The program built beside the tests, by name ("skeinview", "tools/jamgen").
std::string BuiltProgram(const std::string& name);

#endif
