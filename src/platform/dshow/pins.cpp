#include "platform/dshow/pins.h"

#include <algorithm>
#include <cstring>

#include "platform/com/com.h"
#include "platform/dshow/enumerators.h"
#include "platform/dshow/filterbase.h"
#include "platform/dshow/guids.h"

namespace {

// The media types a pin lists, in its order.
std::vector<TAMMediaType> TypesOf(IPin* pin) {
  std::vector<TAMMediaType> types;
  ComPtr<IEnumMediaTypes> list;
  if (pin->EnumMediaTypes(list.ReleaseAndGetAddressOf()) != S_OK || !list) return types;
  AM_MEDIA_TYPE* mt = nullptr;
  while (list->Next(1, &mt, nullptr) == S_OK && mt) {
    TAMMediaType held;
    held.Set(*mt);
    MediaTypeDelete(mt);
    types.push_back(std::move(held));
  }
  return types;
}

bool SameKind(const AM_MEDIA_TYPE& a, const AM_MEDIA_TYPE& b) {
  return a.majortype == b.majortype && a.subtype == b.subtype && a.formattype == b.formattype;
}

}  // namespace

TDSPin::TDSPin(TDSFilter& filter, std::u16string name, PIN_DIRECTION dir, const GUID& category)
    : filter_(filter), name_(std::move(name)), dir_(dir), category_(category) {}

TDSPin::~TDSPin() = default;

HRESULT TDSPin::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = FindInterface(riid);
  if (!*ppv) return E_NOINTERFACE;
  AddRef();
  return S_OK;
}

// A pin lives as long as its filter: references to it are references to the filter.
ULONG TDSPin::AddRef() { return static_cast<IBaseFilter&>(filter_).AddRef(); }
ULONG TDSPin::Release() { return static_cast<IBaseFilter&>(filter_).Release(); }

void* TDSPin::FindInterface(REFIID riid) {
  if (riid == IID_IUnknown || riid == IID_IPin) return static_cast<IPin*>(this);
  if (riid == IID_IKsPropertySet && category_ != GUID_NULL)
    return static_cast<IKsPropertySet*>(this);
  return nullptr;
}

bool TDSPin::IsConnected() const {
  std::lock_guard guard(lock_);
  return static_cast<bool>(peer_);
}

TAMMediaType TDSPin::ConnectionType() const {
  std::lock_guard guard(lock_);
  return type_;
}

ComPtr<IPin> TDSPin::Peer() const {
  std::lock_guard guard(lock_);
  return peer_;
}

void TDSPin::SetConnection(IPin* peer, const AM_MEDIA_TYPE* mt) {
  std::lock_guard guard(lock_);
  peer_ = ComPtr<IPin>(peer);
  if (mt)
    type_.Set(*mt);
  else
    type_.Clear();
}

HRESULT TDSPin::CheckMediaType(const AM_MEDIA_TYPE& mt) {
  TAMMediaType mine;
  for (int i = 0; GetMediaType(i, &mine) == S_OK; ++i)
    if (SameKind(mine.Get(), mt)) return S_OK;
  return S_FALSE;
}

HRESULT TDSPin::GetMediaType(int, TAMMediaType*) { return VFW_S_NO_MORE_ITEMS; }

HRESULT TDSPin::CompleteConnect(IPin*) { return S_OK; }

HRESULT TDSPin::Connect(IPin* receivePin, const AM_MEDIA_TYPE* mt) {
  if (!receivePin) return E_POINTER;
  if (dir_ != PINDIR_OUTPUT) return E_UNEXPECTED;
  if (filter_.State() != State_Stopped) return VFW_E_NOT_STOPPED;
  if (IsConnected()) return VFW_E_ALREADY_CONNECTED;
  ComPtr<IPin> busy;
  if (receivePin->ConnectedTo(busy.ReleaseAndGetAddressOf()) == S_OK && busy)
    return VFW_E_ALREADY_CONNECTED;
  if (mt && MediaTypeIsComplete(*mt)) return TryConnection(receivePin, *mt);
  // Our preferred types first, then the receiver's.
  if (TryTypesOf(this, receivePin, mt) == S_OK) return S_OK;
  if (TryTypesOf(receivePin, receivePin, mt) == S_OK) return S_OK;
  return VFW_E_NO_ACCEPTABLE_TYPES;
}

HRESULT TDSPin::TryTypesOf(IPin* lister, IPin* receivePin, const AM_MEDIA_TYPE* partial) {
  for (const TAMMediaType& t : TypesOf(lister))
    if (MediaTypeMatches(t.Get(), partial) && TryConnection(receivePin, t.Get()) == S_OK)
      return S_OK;
  return VFW_E_NO_ACCEPTABLE_TYPES;
}

HRESULT TDSPin::TryConnection(IPin* receivePin, const AM_MEDIA_TYPE& mt) {
  if (Failed(MediaTypeCheckFormat(mt)) || CheckMediaType(mt) != S_OK)
    return VFW_E_TYPE_NOT_ACCEPTED;
  PIN_DIRECTION dir;
  if (Failed(receivePin->QueryDirection(&dir)) || dir != PINDIR_INPUT)
    return VFW_E_INVALID_DIRECTION;
  SetConnection(receivePin, &mt);
  HRESULT hr = receivePin->ReceiveConnection(this, &mt);
  if (Succeeded(hr)) {
    hr = CompleteConnect(receivePin);
    if (Failed(hr)) receivePin->Disconnect();
  }
  if (Failed(hr)) SetConnection(nullptr, nullptr);
  return hr;
}

HRESULT TDSPin::ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* mt) {
  if (!connector || !mt) return E_POINTER;
  if (dir_ != PINDIR_INPUT) return E_UNEXPECTED;
  if (filter_.State() != State_Stopped) return VFW_E_NOT_STOPPED;
  if (IsConnected()) return VFW_E_ALREADY_CONNECTED;
  if (Failed(MediaTypeCheckFormat(*mt)) || CheckMediaType(*mt) != S_OK)
    return VFW_E_TYPE_NOT_ACCEPTED;
  PIN_DIRECTION dir;
  if (Failed(connector->QueryDirection(&dir)) || dir != PINDIR_OUTPUT)
    return VFW_E_INVALID_DIRECTION;
  SetConnection(connector, mt);
  const HRESULT hr = CompleteConnect(connector);
  if (Failed(hr)) SetConnection(nullptr, nullptr);
  return hr;
}

HRESULT TDSPin::Disconnect() {
  if (filter_.State() != State_Stopped) return VFW_E_NOT_STOPPED;
  {
    std::lock_guard guard(lock_);
    if (!peer_) return S_FALSE;
  }
  BreakConnect();
  SetConnection(nullptr, nullptr);
  return S_OK;
}

HRESULT TDSPin::ConnectedTo(IPin** pin) {
  if (!pin) return E_POINTER;
  std::lock_guard guard(lock_);
  *pin = peer_.Get();
  if (!*pin) return VFW_E_NOT_CONNECTED;
  (*pin)->AddRef();
  return S_OK;
}

HRESULT TDSPin::ConnectionMediaType(AM_MEDIA_TYPE* mt) {
  if (!mt) return E_POINTER;
  std::lock_guard guard(lock_);
  *mt = AM_MEDIA_TYPE{};
  if (!peer_) return VFW_E_NOT_CONNECTED;
  return MediaTypeCopy(mt, type_.Get());
}

HRESULT TDSPin::QueryPinInfo(PIN_INFO* info) {
  if (!info) return E_POINTER;
  info->pFilter = &filter_;
  info->pFilter->AddRef();
  info->dir = dir_;
  const size_t n = std::min(name_.size(), MAX_PIN_NAME - 1);
  std::copy_n(name_.data(), n, info->achName);
  info->achName[n] = 0;
  return S_OK;
}

HRESULT TDSPin::QueryDirection(PIN_DIRECTION* dir) {
  if (!dir) return E_POINTER;
  *dir = dir_;
  return S_OK;
}

HRESULT TDSPin::QueryId(LPWSTR* id) {
  if (!id) return E_POINTER;
  *id = static_cast<LPWSTR>(CoTaskMemAlloc((name_.size() + 1) * sizeof(WCHAR)));
  if (!*id) return E_OUTOFMEMORY;
  std::copy(name_.begin(), name_.end(), *id);
  (*id)[name_.size()] = 0;
  return S_OK;
}

HRESULT TDSPin::QueryAccept(const AM_MEDIA_TYPE* mt) {
  if (!mt) return E_POINTER;
  return Succeeded(MediaTypeCheckFormat(*mt)) && CheckMediaType(*mt) == S_OK ? S_OK : S_FALSE;
}

HRESULT TDSPin::EnumMediaTypes(IEnumMediaTypes** ppenum) {
  if (!ppenum) return E_POINTER;
  std::vector<TAMMediaType> types;
  TAMMediaType mt;
  for (int i = 0; GetMediaType(i, &mt) == S_OK; ++i) types.push_back(mt);
  *ppenum = new TMediaTypeEnumerator(std::move(types));
  return S_OK;
}

HRESULT TDSPin::QueryInternalConnections(IPin**, ULONG*) { return E_NOTIMPL; }

HRESULT TDSPin::EndOfStream() { return dir_ == PINDIR_INPUT ? S_OK : E_UNEXPECTED; }
HRESULT TDSPin::BeginFlush() { return dir_ == PINDIR_INPUT ? S_OK : E_UNEXPECTED; }
HRESULT TDSPin::EndFlush() { return dir_ == PINDIR_INPUT ? S_OK : E_UNEXPECTED; }
HRESULT TDSPin::NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) { return S_OK; }

HRESULT TDSPin::Set(REFGUID set, DWORD, void*, DWORD, void*, DWORD) {
  return set == AMPROPSETID_Pin ? E_PROP_ID_UNSUPPORTED : E_PROP_SET_UNSUPPORTED;
}

HRESULT TDSPin::Get(REFGUID set, DWORD id, void*, DWORD, void* propertyData, DWORD dataLength,
                    DWORD* bytesReturned) {
  if (set != AMPROPSETID_Pin) return E_PROP_SET_UNSUPPORTED;
  if (id != AMPROPERTY_PIN_CATEGORY) return E_PROP_ID_UNSUPPORTED;
  if (!propertyData) return E_POINTER;
  if (dataLength < sizeof(GUID)) return E_UNEXPECTED;
  std::memcpy(propertyData, &category_, sizeof(GUID));
  if (bytesReturned) *bytesReturned = sizeof(GUID);
  return S_OK;
}

HRESULT TDSPin::QuerySupported(REFGUID set, DWORD id, DWORD* typeSupport) {
  if (set != AMPROPSETID_Pin) return E_PROP_SET_UNSUPPORTED;
  if (id != AMPROPERTY_PIN_CATEGORY) return E_PROP_ID_UNSUPPORTED;
  if (typeSupport) *typeSupport = KSPROPERTY_SUPPORT_GET;
  return S_OK;
}

// ---- output pin ----

namespace {
// Samples kept for reuse by one output pin; beyond that a delivery gets a sample of its own.
constexpr size_t kPoolSize = 4;
}  // namespace

TDSOutputPin::TDSOutputPin(TDSFilter& filter, std::u16string name, const GUID& category)
    : TDSPin(filter, std::move(name), PINDIR_OUTPUT, category) {}

TDSOutputPin::~TDSOutputPin() = default;

HRESULT TDSOutputPin::CompleteConnect(IPin* peer) {
  ComPtr<IMemInputPin> input;
  if (Failed(peer->QueryInterface(IID_IMemInputPin, input.PutVoid()))) return E_NOINTERFACE;
  std::lock_guard guard(lock_);
  input_ = std::move(input);
  return S_OK;
}

void TDSOutputPin::BreakConnect() {
  std::lock_guard guard(lock_);
  input_.Reset();
}

HRESULT TDSOutputPin::GetDeliveryBuffer(LONG size, ComPtr<IMediaSample>* sample) {
  if (!sample) return E_POINTER;
  if (size < 0) return E_INVALIDARG;
  std::lock_guard guard(poolLock_);
  for (const ComPtr<TMediaSample>& s : pool_)
    if (s->Acquire(size)) {
      *sample = ComPtr<IMediaSample>(s.Get());
      return S_OK;
    }
  ComPtr<TMediaSample> fresh;
  fresh.Attach(new TMediaSample(size));
  if (fresh->GetSize() < size || !fresh->Acquire(size)) return E_OUTOFMEMORY;
  *sample = ComPtr<IMediaSample>(fresh.Get());
  if (pool_.size() < kPoolSize) pool_.push_back(std::move(fresh));
  return S_OK;
}

HRESULT TDSOutputPin::Deliver(IMediaSample* sample) {
  if (!sample) return E_POINTER;
  ComPtr<IMemInputPin> input;
  {
    std::lock_guard guard(lock_);
    input = input_;
  }
  if (!input) return VFW_E_NOT_CONNECTED;
  return input->Receive(sample);
}

HRESULT TDSOutputPin::DeliverBuffer(const BYTE* data, LONG size, REFERENCE_TIME start,
                                    REFERENCE_TIME end) {
  if (!data && size > 0) return E_POINTER;
  if (!IsConnected()) return VFW_E_NOT_CONNECTED;
  ComPtr<IMediaSample> sample;
  HRESULT hr = GetDeliveryBuffer(size, &sample);
  if (Failed(hr)) return hr;
  BYTE* buffer = nullptr;
  sample->GetPointer(&buffer);
  if (size > 0) std::memcpy(buffer, data, size);
  sample->SetActualDataLength(size);
  sample->SetTime(&start, &end);
  sample->SetSyncPoint(TRUE);
  return Deliver(sample.Get());
}

HRESULT TDSOutputPin::DeliverEndOfStream() {
  const ComPtr<IPin> peer = Peer();
  if (!peer) return VFW_E_NOT_CONNECTED;
  return peer->EndOfStream();
}

// ---- input pin ----

TDSInputPin::TDSInputPin(TDSFilter& filter, std::u16string name)
    : TDSPin(filter, std::move(name), PINDIR_INPUT) {}

void* TDSInputPin::FindInterface(REFIID riid) {
  if (riid == IID_IMemInputPin) return static_cast<IMemInputPin*>(this);
  return TDSPin::FindInterface(riid);
}

HRESULT TDSInputPin::Receive(IMediaSample* sample) {
  if (!sample) return E_POINTER;
  std::lock_guard guard(receiveLock_);
  if (Filter().State() == State_Stopped) return VFW_E_WRONG_STATE;
  if (flushing_.load()) return S_FALSE;
  return OnReceive(sample);
}

HRESULT TDSInputPin::ReceiveMultiple(IMediaSample** samples, LONG count, LONG* processed) {
  if (!samples || !processed) return E_POINTER;
  *processed = 0;
  HRESULT hr = S_OK;
  while (*processed < count && hr == S_OK) {
    hr = Receive(samples[*processed]);
    if (hr == S_OK) ++*processed;
  }
  return hr;
}

HRESULT TDSInputPin::BeginFlush() {
  flushing_.store(true);
  std::lock_guard guard(receiveLock_);  // the receive under way ends first
  return S_OK;
}

HRESULT TDSInputPin::EndFlush() {
  flushing_.store(false);
  return S_OK;
}

void TDSInputPin::StreamingStopped() { std::lock_guard guard(receiveLock_); }
