#pragma once
// Ctrl+Z: the program stops as a stop signal from outside stops it (the terminal given back,
// the screen drawn again when it goes on). Where there is no such signal (Windows) nothing
// happens.
void SuspendProgram();
