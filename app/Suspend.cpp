#include "Suspend.h"

#include <csignal>

void SuspendProgram() {
#ifdef SIGTSTP
    // The terminal device's handler of the stop signal gives the terminal back before the
    // process stops, and asks for a repaint when it goes on.
    std::raise(SIGTSTP);
#endif
}
