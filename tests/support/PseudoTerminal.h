#pragma once
// A pseudo-terminal for tests: the slave side stands for the user's terminal (the program's input
// and output), the master side for the terminal emulator (what the user types, what is shown).
// POSIX only.

#ifndef _WIN32

#include <cstddef>
#include <string>

class PseudoTerminal {
public:
    PseudoTerminal(); // 80x25; Master or Slave is -1 when it could not be made
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    // The window size the terminal reports (TIOCSWINSZ); it sends no SIGWINCH by itself.
    void SetSize(int columns, int rows);
    // Bytes as typed by the user.
    void Type(const std::string& bytes);
    // Everything written to the terminal, once nothing more comes for a short while.
    std::string Output();
    // The emulator goes away: the slave side reads end and writes fail.
    void CloseMaster();

    int Master = -1;
    int Slave = -1;
};

// How many times a sequence occurs in what a terminal was sent (overlaps counted).
std::size_t CountOf(const std::string& sent, const std::string& part);

#endif
