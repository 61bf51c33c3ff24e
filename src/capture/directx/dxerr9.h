// The DirectX error-text library "dxerr9ab.dll", bound during module initialisation. Where the
// library is missing, the generic variables keep pointing at fallbacks of this module: the
// texts say the library is missing and name the code; the trace returns its code.
#pragma once

#include "capture/directx/binding.h"
#include "platform/win/hresult.h"

namespace directx {

using TDXGetErrorString9A = const char* (*)(HRESULT hr);
using TDXGetErrorString9W = const WCHAR* (*)(HRESULT hr);
using TDXGetErrorDescription9A = const char* (*)(HRESULT hr);
using TDXGetErrorDescription9W = const WCHAR* (*)(HRESULT hr);
using TDXTraceA = HRESULT (*)(const char* file, DWORD line, HRESULT hr, const char* message,
                              BOOL popMessageBox);
using TDXTraceW = HRESULT (*)(const char* file, DWORD line, HRESULT hr, const WCHAR* message,
                              BOOL popMessageBox);

// Before initialisation all nine point at the fallbacks. Initialisation clears the six A and W
// variables; when the library loads it binds them and copies the A entries into the generic
// ones, which otherwise keep their fallbacks.
extern TDXGetErrorString9A DXGetErrorString9A;
extern TDXGetErrorString9W DXGetErrorString9W;
extern TDXGetErrorString9A DXGetErrorString9;
extern TDXGetErrorDescription9A DXGetErrorDescription9A;
extern TDXGetErrorDescription9W DXGetErrorDescription9W;
extern TDXGetErrorDescription9A DXGetErrorDescription9;
extern TDXTraceA DXTraceA;
extern TDXTraceW DXTraceW;
extern TDXTraceA DXTrace;

// Whether "dxerr9ab.dll" is loaded now.
bool IsDxErr9Loaded();

// Module initialisation (loads the library) and finalisation (frees it when loaded, the entry
// variables keep their values, and frees the fallback texts).
void InitializeDxErr9Module();
void FinalizeDxErr9Module();

}  // namespace directx
