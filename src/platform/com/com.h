// The COM library of this process: apartments counted per thread, an in-process class registry
// behind CoCreateInstance, and task memory. Classes are registered by the code that implements
// them and can be taken away again (a test plays a machine without one).
#pragma once

#include <cstddef>
#include <functional>

#include "platform/com/unknown.h"

inline constexpr DWORD COINIT_MULTITHREADED = 0x0;
inline constexpr DWORD COINIT_APARTMENTTHREADED = 0x2;

inline constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;
inline constexpr DWORD CLSCTX_INPROC_HANDLER = 0x2;
inline constexpr DWORD CLSCTX_LOCAL_SERVER = 0x4;

// Enters the calling thread into an apartment: S_OK the first time, S_FALSE for each further
// call of the same model (each needs its CoUninitialize), RPC_E_CHANGED_MODE for another model
// (which needs none).
HRESULT CoInitializeEx(void* reserved, DWORD coInit);
HRESULT CoInitialize(void* reserved);
void CoUninitialize();
// The calling thread is in an apartment.
bool CoIsInitialized();

// Makes a new object of a class and answers for the interface riid (the creator owns the
// reference handed out; on failure *ppv is null).
using TCreateInstance = std::function<HRESULT(REFIID riid, void** ppv)>;

// Registers (or replaces) the in-process server of a class; false for an empty function.
bool CoRegisterInprocServer(REFCLSID clsid, TCreateInstance create);
// Takes the class away and returns its server (empty when it had none), to put back later.
TCreateInstance CoUnregisterInprocServer(REFCLSID clsid);

// Needs an apartment on the calling thread (CO_E_NOTINITIALIZED), an in-process context
// (CLSCTX_INPROC_SERVER or CLSCTX_INPROC_HANDLER), no outer object (CLASS_E_NOAGGREGATION) and
// a registered class (REGDB_E_CLASSNOTREG).
HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD clsContext, REFIID riid,
                         void** ppv);

// Memory that COM callers hand to each other; CoTaskMemFree(nullptr) does nothing.
void* CoTaskMemAlloc(size_t size);
void* CoTaskMemRealloc(void* block, size_t size);
void CoTaskMemFree(void* block);
// Blocks allocated and not yet freed (leak checks).
long CoTaskMemBlocksAlive();
