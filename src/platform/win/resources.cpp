#include "platform/win/resources.h"

#include <atomic>

namespace {
std::atomic<ResourceProvider*> g_provider{nullptr};
}

ResourceProvider* SetResourceProvider(ResourceProvider* provider) {
  return g_provider.exchange(provider);
}

HRSRC FindResourceW(HMODULE, const char* name, const char* type) {
  ResourceProvider* provider = g_provider.load();
  if (provider == nullptr || name == nullptr || type == nullptr) return nullptr;
  return provider->Find(type, name);
}

HGLOBAL LoadResource(HMODULE, HRSRC resource) { return const_cast<ResourceBlock*>(resource); }

DWORD SizeofResource(HMODULE, HRSRC resource) { return resource ? resource->size : 0; }

void* LockResource(HGLOBAL data) {
  return data ? const_cast<void*>(static_cast<const ResourceBlock*>(data)->data) : nullptr;
}
