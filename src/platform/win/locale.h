// Locale information by locale id: the English name of a locale's language.
#pragma once

#include "platform/win/types.h"

inline constexpr LCTYPE LOCALE_SENGLANGUAGE = 0x1001;

// Copies the value with its terminating zero into data of size characters and returns the
// characters copied including the zero; with size 0 returns the size needed. 0 when the id or
// the type is unknown or the buffer is too small.
int GetLocaleInfoA(LCID locale, LCTYPE type, char* data, int size);
