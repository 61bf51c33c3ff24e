// Resources of the program's own module, looked up by type and name. The lookup itself is
// done by a provider: the Qt part installs one over the Qt resources (":/<type>/<name>"),
// tests may install their own. With none installed, no resource exists.
#pragma once

#include "platform/win/types.h"

using HMODULE = HINSTANCE;
using HGLOBAL = void*;

// A resource's bytes; they stay where they are for the rest of the run.
struct ResourceBlock {
  const void* data;
  DWORD size;
};
using HRSRC = const ResourceBlock*;

class ResourceProvider {
 public:
  virtual ~ResourceProvider() = default;
  // The resource of this type and name (UTF-8), or nullptr. The block must stay valid while
  // the provider is installed.
  virtual const ResourceBlock* Find(const char* type, const char* name) = 0;
};

// Installs a provider (nullptr removes it) and returns the previous one.
ResourceProvider* SetResourceProvider(ResourceProvider* provider);

// The module handle is ignored: the program is its only module.
HRSRC FindResourceW(HMODULE module, const char* name, const char* type);
HGLOBAL LoadResource(HMODULE module, HRSRC resource);
DWORD SizeofResource(HMODULE module, HRSRC resource);
void* LockResource(HGLOBAL data);
