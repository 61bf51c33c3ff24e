// The handful of Windows scalar types that our platform stand-ins keep in their signatures.
#pragma once

#include <cstdint>

using BYTE = uint8_t;
using WORD = uint16_t;
using DWORD = uint32_t;
using UINT = uint32_t;
using LONG = int32_t;
using ULONG = uint32_t;
using BOOL = int32_t;
using HRESULT = int32_t;
using DWORD_PTR = uint64_t;
using UINT_PTR = uint64_t;
using HANDLE = void*;
using HWND = void*;
using HINSTANCE = void*;
using HMODULE = void*;
using LCID = uint32_t;
using LCTYPE = uint32_t;
// Wide text is UTF-16, as the system's wide calls hand it out.
using WCHAR = char16_t;

inline constexpr BOOL TRUE = 1;
inline constexpr BOOL FALSE = 0;
