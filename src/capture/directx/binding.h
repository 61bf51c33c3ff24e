// What the library bindings share: binding one entry point by name into a typed variable, the
// bindings that are declared for libraries this system never loads, and the module-local
// FreeAndNil of this layer.
#pragma once

#include <array>

#include "platform/win/dynlib.h"

namespace directx {

// The entry point name of module, or nullptr when the library lacks it.
template <class Proc>
void BindEntry(HMODULE module, const char* name, Proc& variable) {
  variable = reinterpret_cast<Proc>(GetProcAddress(module, name));
}

// A binding whose library is never named, so it never loads: a handle and N entry-point
// variables, all nil from module initialisation on.
template <int N>
struct TReservedBinding {
  HMODULE Handle = nullptr;
  std::array<FARPROC, N> Entries{};

  bool IsLoaded() const { return Handle != nullptr; }
  void Clear() {
    Handle = nullptr;
    Entries.fill(nullptr);
  }
  // True when nothing was loaded or FreeLibrary succeeded.
  bool Release() {
    if (!IsLoaded()) return true;
    const bool freed = FreeLibrary(Handle) != FALSE;
    Clear();
    return freed;
  }
};

// Clears the variable first, then frees the object (nil frees nothing), so the destructor
// never sees its own reference still set.
template <class T>
void FreeAndNil(T*& Obj) {
  T* object = Obj;
  Obj = nullptr;
  delete object;
}

}  // namespace directx
