#include "capture/dsaux/rot.h"

#include <cinttypes>
#include <cstdio>
#include <string>

#include "platform/com/oleauto.h"
#include "platform/com/rot.h"
#include "platform/win/thread.h"

namespace {

// The item name under which Graph is registered in this process.
std::string RotItemName(const void* Graph) {
  char name[64];
  std::snprintf(name, sizeof name, "FilterGraph %016" PRIX64 " pid %" PRIX32,
                static_cast<uint64_t>(reinterpret_cast<uintptr_t>(Graph)),
                static_cast<uint32_t>(GetCurrentProcessId()));
  return name;
}

}  // namespace

HRESULT AddGraphToRot(IFilterGraph* Graph, DWORD& ID) {
  // The holders release the table and the moniker on every way out.
  ComPtr<IRunningObjectTable> table;
  HRESULT hr = GetRunningObjectTable(0, table.ReleaseAndGetAddressOf());
  if (FAILED(hr)) return hr;
  const std::u16string item = Utf8ToWide(RotItemName(Graph));
  ComPtr<IMoniker> moniker;
  hr = CreateItemMoniker(u"!", item.c_str(), moniker.ReleaseAndGetAddressOf());
  if (FAILED(hr)) return hr;
  // Flags 0: a weak registration, which does not keep the graph's server alive.
  return table->Register(0, Graph, moniker.Get(), &ID);
}

HRESULT RemoveGraphFromRot(DWORD ID) {
  ComPtr<IRunningObjectTable> table;
  const HRESULT hr = GetRunningObjectTable(0, table.ReleaseAndGetAddressOf());
  if (FAILED(hr)) return hr;
  return table->Revoke(ID);
}
