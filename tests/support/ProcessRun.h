#pragma once
// Runs a program as a user would start it from a shell, with its standard input from bytes or
// /dev/null and its output and error kept (its output on a file or on a terminal), in a folder
// of the caller's choosing, within a time limit. POSIX only.

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
    // Standard output is an 80x25 pseudo-terminal, not a file; TERM is then xterm unless Env sets
    // it or Unset removes it.
    bool OutputOnTerminal = false;
    // Standard output is a pipe whose reader has gone already (`| head` that has ended).
    bool OutputToClosedPipe = false;
    std::vector<std::pair<std::string, std::string>> Env; // set in the child
    std::vector<std::string> Unset;                       // removed from the child's environment
    std::chrono::milliseconds TimeLimit{120000};          // killed after it
};

struct ProcessResult {
    bool Finished = false; // ended by itself within the limit
    int Exit = -1;         // exit code, or -1 when it did not exit normally
    int Signal = 0;        // the signal that ended it, if one did
    std::string Out;       // on a terminal: every byte it was sent
    std::string Err;
    double Seconds = 0;
};

ProcessResult RunProcess(const ProcessOptions& options);

// The program built beside the tests, by name ("skeinview", "tools/jamgen").
std::string BuiltProgram(const std::string& name);

#endif
