// The user's special folders.
#pragma once

#include <string>

inline constexpr int CSIDL_PERSONAL = 5;  // the documents folder

// The folder with a trailing path separator, created when missing; empty when unknown.
std::string GetWindowsSpecialDir(int csidl);
