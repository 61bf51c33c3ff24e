// Program start-up: the processor test and the main block.
#pragma once

// True when the processor has AVX and FMA3 and the system saves the AVX registers.
bool CpuSupportsAvx();

// Runs the program: initialises the modules, tests the processor, creates the three windows
// and runs the message loop until the main window closes. Returns the exit code.
int RunLumatap(int argc, char** argv);
