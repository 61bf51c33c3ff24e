// Program start-up: the processor test and the main block.
#pragma once

// True when the processor has AVX and FMA3 and the system saves the AVX registers.
bool CpuSupportsAvx();

// The three windows in their fixed order, each complete before the next: the settings window
// reads what the main window's create handler found out about touch input. The main window
// becomes the application's main window. DestroyForms takes them down in the reverse order.
void CreateForms();
void DestroyForms();

// Runs the program: initialises the modules, tests the processor, creates the three windows
// and runs the message loop until the main window closes. SIGTERM, SIGINT and SIGHUP close it
// too, after ending any modal dialog or box as cancelled. Returns the exit code.
int RunLumatap(int argc, char** argv);
