#include "platform/com/com.h"

#include <atomic>
#include <cstdlib>
#include <map>
#include <mutex>

#include "platform/com/builtin.h"

namespace {

struct Apartment {
  DWORD model = 0;
  int count = 0;
};
thread_local Apartment t_apartment;

std::atomic<long> g_objects{0};
std::atomic<long> g_taskBlocks{0};

// The class registry of the process, made on first use with the library's own classes; every
// other class is entered by the code that implements it (CoRegisterInprocServer).
struct Registry {
  std::mutex lock;
  std::map<CLSID, TCreateInstance> classes;
  Registry() { RegisterBuiltinClasses(classes); }
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

}  // namespace

long ComObjectsAlive() { return g_objects.load(); }
void com_detail::CountObject(long delta) { g_objects.fetch_add(delta); }

HRESULT CoInitializeEx(void*, DWORD coInit) {
  Apartment& a = t_apartment;
  if (a.count > 0 && a.model != coInit) return RPC_E_CHANGED_MODE;
  a.model = coInit;
  return a.count++ == 0 ? S_OK : S_FALSE;
}

HRESULT CoInitialize(void* reserved) { return CoInitializeEx(reserved, COINIT_APARTMENTTHREADED); }

void CoUninitialize() {
  if (t_apartment.count > 0) --t_apartment.count;
}

bool CoIsInitialized() { return t_apartment.count > 0; }

bool CoRegisterInprocServer(REFCLSID clsid, TCreateInstance create) {
  if (!create) return false;
  Registry& r = TheRegistry();
  std::lock_guard guard(r.lock);
  r.classes[clsid] = std::move(create);
  return true;
}

TCreateInstance CoUnregisterInprocServer(REFCLSID clsid) {
  Registry& r = TheRegistry();
  std::lock_guard guard(r.lock);
  const auto it = r.classes.find(clsid);
  if (it == r.classes.end()) return {};
  TCreateInstance create = std::move(it->second);
  r.classes.erase(it);
  return create;
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD clsContext, REFIID riid,
                         void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (!CoIsInitialized()) return CO_E_NOTINITIALIZED;
  if (outer) return CLASS_E_NOAGGREGATION;
  if (!(clsContext & (CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER))) return REGDB_E_CLASSNOTREG;
  TCreateInstance create;
  {
    Registry& r = TheRegistry();
    std::lock_guard guard(r.lock);
    const auto it = r.classes.find(clsid);
    if (it == r.classes.end()) return REGDB_E_CLASSNOTREG;
    create = it->second;  // called unlocked: a constructor may create further objects
  }
  return create(riid, ppv);
}

void* CoTaskMemAlloc(size_t size) {
  void* block = std::malloc(size ? size : 1);
  if (block) g_taskBlocks.fetch_add(1);
  return block;
}

void* CoTaskMemRealloc(void* block, size_t size) {
  if (!block) return CoTaskMemAlloc(size);
  return std::realloc(block, size ? size : 1);
}

void CoTaskMemFree(void* block) {
  if (!block) return;
  g_taskBlocks.fetch_sub(1);
  std::free(block);
}

long CoTaskMemBlocksAlive() { return g_taskBlocks.load(); }
