// Libraries bound by name at run time. Some names stand for code of this process (a library
// this program carries within itself) or for nothing at all (a library this system never has);
// every other name goes to the system's dynamic loader. A handle is counted: each successful
// LoadLibraryA needs its FreeLibrary.
#pragma once

#include <string>
#include <vector>

#include "platform/win/types.h"

using FARPROC = void (*)();

// nullptr when the library is missing (or taken away) or the loader refuses it. Names of the
// table compare without regard to case.
HMODULE LoadLibraryA(const char* fileName);
// nullptr for an unknown handle or name.
FARPROC GetProcAddress(HMODULE module, const char* procName);
// FALSE for a handle that is not loaded.
BOOL FreeLibrary(HMODULE module);

// One named entry point of a library that lives in this process.
struct TLibraryEntry {
  std::string Name;
  FARPROC Proc;
};

// Enters a library into the table: with entries it is present in process, without it is
// missing (loading it fails). Replaces an entry of the same name.
void RegisterInprocLibrary(const std::string& fileName, std::vector<TLibraryEntry> entries,
                           bool present = true);
// Takes a present library of the table away (false) or brings it back (true), as on a machine
// without it; handles already loaded stay valid. False when the name is not in the table.
bool SetInprocLibraryPresent(const std::string& fileName, bool present);
// Handles of a library of the table held now (loaded and not yet freed); -1 when the name is
// not in the table. Lets a test see whether and how often a library was bound.
int InprocLibraryLoads(const std::string& fileName);
