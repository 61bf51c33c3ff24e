#include "capture/directx/directdraw.h"

namespace directx {

TDirectDrawEnumerateA DirectDrawEnumerateA = nullptr;
TDirectDrawEnumerateW DirectDrawEnumerateW = nullptr;
TDirectDrawEnumerateA DirectDrawEnumerate = nullptr;
TDirectDrawEnumerateExA DirectDrawEnumerateExA = nullptr;
TDirectDrawEnumerateExW DirectDrawEnumerateExW = nullptr;
TDirectDrawEnumerateExA DirectDrawEnumerateEx = nullptr;
TDirectDrawCreate DirectDrawCreate = nullptr;
TDirectDrawCreateEx DirectDrawCreateEx = nullptr;
TDirectDrawCreateClipper DirectDrawCreateClipper = nullptr;

namespace {
HMODULE DirectDrawHandle = nullptr;
}  // namespace

bool IsDirectDrawLoaded() { return DirectDrawHandle != nullptr; }

bool LoadDirectDraw() {
  if (IsDirectDrawLoaded()) return true;
  DirectDrawHandle = LoadLibraryA("ddraw.dll");
  if (!DirectDrawHandle) return false;
  BindEntry(DirectDrawHandle, "DirectDrawEnumerateA", DirectDrawEnumerateA);
  BindEntry(DirectDrawHandle, "DirectDrawEnumerateW", DirectDrawEnumerateW);
  BindEntry(DirectDrawHandle, "DirectDrawEnumerateA", DirectDrawEnumerate);
  BindEntry(DirectDrawHandle, "DirectDrawEnumerateExA", DirectDrawEnumerateExA);
  BindEntry(DirectDrawHandle, "DirectDrawEnumerateExW", DirectDrawEnumerateExW);
  BindEntry(DirectDrawHandle, "DirectDrawEnumerateExA", DirectDrawEnumerateEx);
  BindEntry(DirectDrawHandle, "DirectDrawCreate", DirectDrawCreate);
  BindEntry(DirectDrawHandle, "DirectDrawCreateEx", DirectDrawCreateEx);
  BindEntry(DirectDrawHandle, "DirectDrawCreateClipper", DirectDrawCreateClipper);
  if (!DirectDrawCreate) {
    UnloadDirectDraw();
    return false;
  }
  return true;
}

bool UnloadDirectDraw() {
  if (!IsDirectDrawLoaded()) return true;
  const bool freed = FreeLibrary(DirectDrawHandle) != FALSE;
  DirectDrawEnumerateA = nullptr;
  DirectDrawEnumerateW = nullptr;
  DirectDrawEnumerate = nullptr;
  DirectDrawEnumerateExA = nullptr;
  DirectDrawEnumerateExW = nullptr;
  DirectDrawEnumerateEx = nullptr;
  DirectDrawCreate = nullptr;
  DirectDrawCreateEx = nullptr;
  DirectDrawCreateClipper = nullptr;
  DirectDrawHandle = nullptr;
  return freed;
}

}  // namespace directx
