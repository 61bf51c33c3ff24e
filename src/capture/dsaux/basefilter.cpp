#include "capture/dsaux/basefilter.h"

#include <cstring>
#include <new>

#include "rtl/streamadapter.h"

ComPtr<IMoniker> TBaseFilter::Moniker() const {
  ComPtr<IMoniker> moniker;
  if (DataLength() == 0 || !Data()) return moniker;
  rtl::TMemoryStream stream;
  stream.SetSize(DataLength());
  std::memcpy(stream.Memory(), Data(), DataLength());
  ComPtr<IStream> adapter;
  adapter.Attach(new rtl::TStreamAdapter(&stream, rtl::soReference));
  if (FAILED(OleLoadFromStream(adapter.Get(), IID_IMoniker, moniker.PutVoid()))) moniker.Reset();
  return moniker;
}

void TBaseFilter::SetMoniker(IMoniker* Value) {
  AllocateDataLength(0);
  if (!Value) return;
  rtl::TMemoryStream stream;
  ComPtr<IStream> adapter;
  adapter.Attach(new rtl::TStreamAdapter(&stream, rtl::soReference));
  // Half a saved moniker would only fail to load later: keep no device instead.
  if (FAILED(OleSaveToStream(Value, adapter.Get()))) return;
  const auto size = static_cast<uint32_t>(stream.Size());
  AllocateDataLength(size);
  if (DataLength() != size) throw std::bad_alloc();
  if (size) std::memcpy(Data(), stream.Memory(), size);
}

ComPtr<IBaseFilter> TBaseFilter::CreateFilter() const {
  ComPtr<IBaseFilter> filter;
  const ComPtr<IMoniker> moniker = Moniker();
  if (moniker && FAILED(moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, filter.PutVoid())))
    filter.Reset();
  return filter;
}
