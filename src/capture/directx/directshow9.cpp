#include "capture/directx/directshow9.h"

namespace directx {

TAMGetErrorTextA AMGetErrorTextA = nullptr;
TAMGetErrorTextW AMGetErrorTextW = nullptr;
TAMGetErrorTextA AMGetErrorTextProc = nullptr;

TReservedBinding<10> DirectShowReserved10;
TReservedBinding<11> DirectShowReserved11;
TReservedBinding<4> DirectShowReserved4;
TReservedBinding<6> DirectShowReserved6;

namespace {
HMODULE QuartzHandle = nullptr;

void ClearQuartzEntries() {
  AMGetErrorTextA = nullptr;
  AMGetErrorTextW = nullptr;
  AMGetErrorTextProc = nullptr;
}
}  // namespace

bool IsDirectShow9Loaded() { return QuartzHandle != nullptr; }

bool LoadDirectShow9() {
  if (IsDirectShow9Loaded()) return true;
  QuartzHandle = LoadLibraryA("quartz.dll");
  if (!QuartzHandle) return false;
  BindEntry(QuartzHandle, "AMGetErrorTextA", AMGetErrorTextA);
  BindEntry(QuartzHandle, "AMGetErrorTextW", AMGetErrorTextW);
  AMGetErrorTextProc = AMGetErrorTextA;
  if (!AMGetErrorTextA || !AMGetErrorTextW) {
    UnloadDirectShow9();
    return false;
  }
  return true;
}

bool UnloadDirectShow9() {
  if (!IsDirectShow9Loaded()) return true;
  const bool freed = FreeLibrary(QuartzHandle) != FALSE;
  ClearQuartzEntries();
  QuartzHandle = nullptr;
  return freed;
}

DWORD AMGetErrorText(HRESULT hr, char* buffer, DWORD maxLen) {
  // Only the GUI thread asks, so the lazy load takes no lock.
  if (!LoadDirectShow9()) {
    if (buffer && maxLen >= 1) buffer[0] = '\0';
    return 0;
  }
  return AMGetErrorTextA(hr, buffer, maxLen);
}

void InitializeDirectShow9Module() { DirectShowReserved10.Clear(); }

void FinalizeDirectShow9Module() {
  DirectShowReserved10.Release();
  UnloadDirectShow9();
  DirectShowReserved11.Release();
  DirectShowReserved4.Release();
  DirectShowReserved6.Release();
}

}  // namespace directx
