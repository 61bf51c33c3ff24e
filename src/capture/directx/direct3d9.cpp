#include "capture/directx/direct3d9.h"

namespace directx {

TDirect3DCreate9 Direct3DCreate9 = nullptr;
TDirect3DCreate9Ex Direct3DCreate9Ex = nullptr;

namespace {
HMODULE Direct3D9Handle = nullptr;
}  // namespace

bool IsDirect3D9Loaded() { return Direct3D9Handle != nullptr; }

bool LoadDirect3D9() {
  if (IsDirect3D9Loaded()) return true;
  Direct3D9Handle = LoadLibraryA("d3d9.dll");
  if (!Direct3D9Handle) return false;
  BindEntry(Direct3D9Handle, "Direct3DCreate9", Direct3DCreate9);
  BindEntry(Direct3D9Handle, "Direct3DCreate9Ex", Direct3DCreate9Ex);
  if (!Direct3DCreate9) {
    // Release clears the optional entry too: it is bound only while the library stays.
    UnloadDirect3D9();
    return false;
  }
  return true;
}

bool UnloadDirect3D9() {
  if (!IsDirect3D9Loaded()) return true;
  const bool freed = FreeLibrary(Direct3D9Handle) != FALSE;
  Direct3DCreate9 = nullptr;
  Direct3DCreate9Ex = nullptr;
  Direct3D9Handle = nullptr;
  return freed;
}

}  // namespace directx
