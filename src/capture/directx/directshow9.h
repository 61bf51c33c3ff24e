// The DirectShow runtime bound at run time: "quartz.dll" loads on the first error-text request
// (and again on the next when that failed) and stays until module finalisation. The module's
// four further bindings name no library and are never loaded.
#pragma once

#include "capture/directx/binding.h"
#include "platform/win/hresult.h"

namespace directx {

using TAMGetErrorTextA = DWORD (*)(HRESULT hr, char* buffer, DWORD maxLen);
using TAMGetErrorTextW = DWORD (*)(HRESULT hr, WCHAR* buffer, DWORD maxLen);

// The quartz binding's entry points (nil while unbound); the generic one is the 8-bit entry.
extern TAMGetErrorTextA AMGetErrorTextA;
extern TAMGetErrorTextW AMGetErrorTextW;
extern TAMGetErrorTextA AMGetErrorTextProc;

// The never-loaded bindings of the module, in the order it releases them after quartz.
extern TReservedBinding<10> DirectShowReserved10;
extern TReservedBinding<11> DirectShowReserved11;
extern TReservedBinding<4> DirectShowReserved4;
extern TReservedBinding<6> DirectShowReserved6;

// Loads "quartz.dll" unless loaded and binds both error-text entries; false (nothing loaded)
// when the library or either entry is missing.
bool LoadDirectShow9();
bool IsDirectShow9Loaded();
// Frees the library and clears its entries; true when nothing was loaded or FreeLibrary
// succeeded.
bool UnloadDirectShow9();

// The text for hr in buffer (maxLen characters), through the runtime's "AMGetErrorTextA"; the
// count it wrote. Without the runtime: an empty text (when maxLen is at least 1) and 0.
DWORD AMGetErrorText(HRESULT hr, char* buffer, DWORD maxLen);

// Module initialisation clears the first never-loaded binding; finalisation releases the five
// bindings: the first never-loaded one, quartz, then the other three.
void InitializeDirectShow9Module();
void FinalizeDirectShow9Module();

}  // namespace directx
