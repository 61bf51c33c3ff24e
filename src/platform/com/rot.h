// The running-object table: one per process, naming running objects by moniker so that a tool
// can find them. It holds a reference to each object and its name until the cookie is revoked.
#pragma once

#include "platform/com/moniker.h"

inline constexpr DWORD ROTFLAGS_REGISTRATIONKEEPSALIVE = 0x1;
inline constexpr DWORD ROTFLAGS_ALLOWANYCLIENT = 0x2;

struct IRunningObjectTable : IUnknown {
  using Base = IUnknown;
  static constexpr IID iid{0x00000010, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
  // Registers obj under name and gives a non-zero cookie: S_OK, or
  // MK_S_MONIKERALREADYREGISTERED when an equal name is registered already (both stay).
  virtual HRESULT Register(DWORD flags, IUnknown* obj, IMoniker* name, DWORD* cookie) = 0;
  // E_INVALIDARG for a cookie that is not registered.
  virtual HRESULT Revoke(DWORD cookie) = 0;
  // S_OK when an object is registered under an equal name, else S_FALSE.
  virtual HRESULT IsRunning(IMoniker* name) = 0;
  virtual HRESULT GetObject(IMoniker* name, IUnknown** obj) = 0;
  // The names registered now, oldest first.
  virtual HRESULT EnumRunning(IEnumMoniker** ppenum) = 0;
};
inline constexpr IID IID_IRunningObjectTable = IRunningObjectTable::iid;

// The process's table; reserved must be 0, and the thread must be in an apartment.
HRESULT GetRunningObjectTable(DWORD reserved, IRunningObjectTable** pprot);

// The flags an object was registered with, for tools that inspect the table: E_INVALIDARG for
// a cookie that is not registered.
HRESULT GetRunningObjectFlags(DWORD cookie, DWORD* flags);
