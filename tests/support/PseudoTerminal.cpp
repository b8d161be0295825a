#ifndef _WIN32

#include "PseudoTerminal.h"

#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

PseudoTerminal::PseudoTerminal() {
    Master = posix_openpt(O_RDWR | O_NOCTTY);
    if (Master < 0 || grantpt(Master) != 0 || unlockpt(Master) != 0) return;
    Slave = open(ptsname(Master), O_RDWR | O_NOCTTY);
    SetSize(80, 25);
}

PseudoTerminal::~PseudoTerminal() {
    CloseMaster();
    if (Slave >= 0) close(Slave);
}

void PseudoTerminal::SetSize(int columns, int rows) {
    winsize size{};
    size.ws_col = static_cast<unsigned short>(columns);
    size.ws_row = static_cast<unsigned short>(rows);
    ioctl(Master, TIOCSWINSZ, &size);
}

void PseudoTerminal::Type(const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(Master, bytes.data() + done, bytes.size() - done);
        if (n <= 0) return;
        done += static_cast<std::size_t>(n);
    }
}

std::string PseudoTerminal::Output() {
    std::string out;
    char buffer[4096];
    pollfd p{Master, POLLIN, 0};
    while (poll(&p, 1, 100) > 0 && (p.revents & POLLIN)) {
        const ssize_t n = read(Master, buffer, sizeof buffer);
        if (n <= 0) break;
        out.append(buffer, static_cast<std::size_t>(n));
    }
    return out;
}

std::size_t CountOf(const std::string& sent, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = sent.find(part); at != std::string::npos; at = sent.find(part, at + 1))
        ++count;
    return count;
}

void PseudoTerminal::CloseMaster() {
    if (Master >= 0) close(Master);
    Master = -1;
}

#endif
