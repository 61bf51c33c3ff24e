#include "platform/win/dynlib.h"

#include <dlfcn.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <memory>
#include <mutex>

#include "platform/win/library_map.h"

namespace {

struct InprocLibrary {
  std::vector<TLibraryEntry> entries;
  bool present = true;
  int loads = 0;
};

// Handles of the libraries in process are their table entries; those of the loader are what
// dlopen gave. Both kinds are counted here, so an unknown handle is refused, never passed on.
struct Libraries {
  std::mutex lock;
  std::map<std::string, std::unique_ptr<InprocLibrary>> table;
  std::map<void*, int> loaded;  // dlopen handles and their counts
  Libraries() {
    for (auto& [name, entries, present] : BuiltinLibraries())
      table[name] = std::make_unique<InprocLibrary>(InprocLibrary{std::move(entries), present, 0});
  }
};

Libraries& TheLibraries() {
  static Libraries libraries;
  return libraries;
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

InprocLibrary* FindInproc(Libraries& l, HMODULE module) {
  for (auto& [name, library] : l.table)
    if (library.get() == module) return library->loads > 0 ? library.get() : nullptr;
  return nullptr;
}

}  // namespace

void RegisterInprocLibrary(const std::string& fileName, std::vector<TLibraryEntry> entries,
                           bool present) {
  Libraries& l = TheLibraries();
  std::lock_guard guard(l.lock);
  auto& slot = l.table[Lower(fileName)];
  if (slot) {
    slot->entries = std::move(entries);
    slot->present = present;
  } else {
    slot = std::make_unique<InprocLibrary>(InprocLibrary{std::move(entries), present, 0});
  }
}

bool SetInprocLibraryPresent(const std::string& fileName, bool present) {
  Libraries& l = TheLibraries();
  std::lock_guard guard(l.lock);
  const auto it = l.table.find(Lower(fileName));
  if (it == l.table.end()) return false;
  it->second->present = present;
  return true;
}

int InprocLibraryLoads(const std::string& fileName) {
  Libraries& l = TheLibraries();
  std::lock_guard guard(l.lock);
  const auto it = l.table.find(Lower(fileName));
  return it == l.table.end() ? -1 : it->second->loads;
}

HMODULE LoadLibraryA(const char* fileName) {
  if (!fileName || !*fileName) return nullptr;
  Libraries& l = TheLibraries();
  std::lock_guard guard(l.lock);
  if (const auto it = l.table.find(Lower(fileName)); it != l.table.end()) {
    InprocLibrary& library = *it->second;
    if (!library.present || library.entries.empty()) return nullptr;
    ++library.loads;
    return &library;
  }
  void* handle = dlopen(fileName, RTLD_NOW | RTLD_LOCAL);
  if (handle) ++l.loaded[handle];
  return handle;
}

FARPROC GetProcAddress(HMODULE module, const char* procName) {
  if (!module || !procName) return nullptr;
  Libraries& l = TheLibraries();
  std::lock_guard guard(l.lock);
  if (InprocLibrary* library = FindInproc(l, module)) {
    for (const TLibraryEntry& e : library->entries)
      if (e.Name == procName) return e.Proc;
    return nullptr;
  }
  if (!l.loaded.count(module)) return nullptr;
  return reinterpret_cast<FARPROC>(dlsym(module, procName));
}

BOOL FreeLibrary(HMODULE module) {
  if (!module) return FALSE;
  Libraries& l = TheLibraries();
  std::lock_guard guard(l.lock);
  if (InprocLibrary* library = FindInproc(l, module)) {
    --library->loads;
    return TRUE;
  }
  const auto it = l.loaded.find(module);
  if (it == l.loaded.end()) return FALSE;
  if (--it->second == 0) l.loaded.erase(it);
  return dlclose(module) == 0 ? TRUE : FALSE;
}
