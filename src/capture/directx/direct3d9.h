// The Direct3D 9 library bound at run time: "d3d9.dll" loads during module initialisation and
// stays bound only when it has "Direct3DCreate9" ("Direct3DCreate9Ex" is optional). Nothing of
// it is called.
#pragma once

#include "capture/directx/binding.h"
#include "platform/win/hresult.h"

namespace directx {

struct IDirect3D9;
struct IDirect3D9Ex;

using TDirect3DCreate9 = IDirect3D9* (*)(UINT sdkVersion);
using TDirect3DCreate9Ex = HRESULT (*)(UINT sdkVersion, IDirect3D9Ex** direct3D);

// Nil while unbound.
extern TDirect3DCreate9 Direct3DCreate9;
extern TDirect3DCreate9Ex Direct3DCreate9Ex;

// Loads "d3d9.dll" unless loaded; false (nothing loaded, both variables nil) when the library
// or "Direct3DCreate9" is missing.
bool LoadDirect3D9();
bool IsDirect3D9Loaded();
// True when nothing was loaded or FreeLibrary succeeded; the variables are nil afterwards.
bool UnloadDirect3D9();

}  // namespace directx
