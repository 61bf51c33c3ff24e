// Opening a document with the desktop's default application.
#pragma once

#include <functional>
#include <string>

#include "platform/win/types.h"

inline constexpr int SW_SHOWNORMAL = 1;

// Returns a value above 32 on success; 2 when the file does not exist.
HINSTANCE ShellExecuteA(HWND window, const char* verb, const char* file, const char* parameters,
                        const char* directory, int show);

// Tests see what would be opened instead of starting an application. Empty restores the desktop.
using ShellExecuteHandler = std::function<bool(const std::string& verb, const std::string& file)>;
void SetShellExecuteHandler(ShellExecuteHandler handler);
