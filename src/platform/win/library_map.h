// The libraries that this program names and what stands for them here, entered into the table
// when it is first used. A library that another layer carries in process is entered by that
// layer (RegisterInprocLibrary).
#pragma once

#include <string>
#include <vector>

#include "platform/win/dynlib.h"

struct TBuiltinLibrary {
  std::string Name;  // lower case
  std::vector<TLibraryEntry> Entries;
  bool Present;
};

std::vector<TBuiltinLibrary> BuiltinLibraries();
