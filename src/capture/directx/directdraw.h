// The DirectDraw library bound at run time: "ddraw.dll" loads during module initialisation and
// stays bound only when it has "DirectDrawCreate". Nothing of it is called; the binding stands
// so that start-up and shut-down load and free what they always have.
#pragma once

#include "capture/directx/binding.h"
#include "platform/com/guid.h"

struct IUnknown;

namespace directx {

// The library's objects are never made here; their interfaces stay opaque.
struct IDirectDraw;
struct IDirectDrawClipper;
using HMONITOR = void*;

using TDDEnumCallbackA = BOOL (*)(GUID* guid, char* description, char* name, void* context);
using TDDEnumCallbackW = BOOL (*)(GUID* guid, WCHAR* description, WCHAR* name, void* context);
using TDDEnumCallbackExA = BOOL (*)(GUID* guid, char* description, char* name, void* context,
                                    HMONITOR monitor);
using TDDEnumCallbackExW = BOOL (*)(GUID* guid, WCHAR* description, WCHAR* name, void* context,
                                    HMONITOR monitor);

using TDirectDrawEnumerateA = HRESULT (*)(TDDEnumCallbackA callback, void* context);
using TDirectDrawEnumerateW = HRESULT (*)(TDDEnumCallbackW callback, void* context);
using TDirectDrawEnumerateExA = HRESULT (*)(TDDEnumCallbackExA callback, void* context,
                                            DWORD flags);
using TDirectDrawEnumerateExW = HRESULT (*)(TDDEnumCallbackExW callback, void* context,
                                            DWORD flags);
using TDirectDrawCreate = HRESULT (*)(GUID* guid, IDirectDraw** directDraw, IUnknown* outer);
using TDirectDrawCreateEx = HRESULT (*)(GUID* guid, void** directDraw, REFIID iid, IUnknown* outer);
using TDirectDrawCreateClipper = HRESULT (*)(DWORD flags, IDirectDrawClipper** clipper,
                                             IUnknown* outer);

// Nil while unbound; the generic enumerate variables hold the 8-bit entries.
extern TDirectDrawEnumerateA DirectDrawEnumerateA;
extern TDirectDrawEnumerateW DirectDrawEnumerateW;
extern TDirectDrawEnumerateA DirectDrawEnumerate;
extern TDirectDrawEnumerateExA DirectDrawEnumerateExA;
extern TDirectDrawEnumerateExW DirectDrawEnumerateExW;
extern TDirectDrawEnumerateExA DirectDrawEnumerateEx;
extern TDirectDrawCreate DirectDrawCreate;
extern TDirectDrawCreateEx DirectDrawCreateEx;
extern TDirectDrawCreateClipper DirectDrawCreateClipper;

// Loads "ddraw.dll" unless loaded and binds its nine variables; false (nothing loaded) when the
// library or "DirectDrawCreate" is missing.
bool LoadDirectDraw();
bool IsDirectDrawLoaded();
// True when nothing was loaded or FreeLibrary succeeded; the variables are nil afterwards.
bool UnloadDirectDraw();

}  // namespace directx
