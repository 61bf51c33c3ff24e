// The DirectShow layer made known to the process: its classes (classes.h) entered into the COM
// class registry, so that CoCreateInstance makes them, and "quartz.dll" (AMGetErrorTextA and
// AMGetErrorTextW, errors.h) entered into the table of libraries bound by name, so that
// LoadLibraryA finds it in process. The program calls RegisterDirectShowRuntime at start-up;
// so does every test, benchmark and tool that makes DirectShow objects or binds quartz.dll.
#pragma once

#include <vector>

#include "platform/win/dynlib.h"

// Registers the classes and the library the first time it is called in the process, from
// whichever thread; every later call does nothing. So a class or library that a caller took
// away after the first call (CoUnregisterInprocServer, SetInprocLibraryPresent) stays away
// until that caller puts it back.
void RegisterDirectShowRuntime();

// The entry points "quartz.dll" offers, as registered (a test that replaced the library puts
// them back with RegisterInprocLibrary).
std::vector<TLibraryEntry> DirectShowRuntimeEntries();
