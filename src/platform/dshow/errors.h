// The error texts of the DirectShow runtime: the text for a result code copied into the
// caller's buffer of maxLen characters (cut to fit, always terminated); the result is the
// number of characters copied, 0 for a code without a text (the buffer then holds "").
#pragma once

#include "platform/win/hresult.h"
#include "platform/win/types.h"

DWORD AMGetErrorTextA(HRESULT hr, char* buffer, DWORD maxLen);
DWORD AMGetErrorTextW(HRESULT hr, WCHAR* buffer, DWORD maxLen);
