// Pins of our in-process filters. A pin lives inside its filter and shares its reference
// count. The output pin connects to an input pin (negotiating a media type both accept) and
// delivers samples of its own pool to it on the caller's (the streaming) thread; the input pin
// turns each sample into OnReceive while its filter is not stopped.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/dshow/filter_interfaces.h"
#include "platform/dshow/mediatype.h"

class TDSFilter;

// A sample with a buffer of its own.
class TMediaSample : public TComObject<IMediaSample> {
 public:
  explicit TMediaSample(LONG capacity);

  HRESULT GetPointer(BYTE** buffer) override;
  LONG GetSize() override { return capacity_; }
  HRESULT GetTime(REFERENCE_TIME* start, REFERENCE_TIME* end) override;
  HRESULT SetTime(REFERENCE_TIME* start, REFERENCE_TIME* end) override;
  HRESULT IsSyncPoint() override { return sync_ ? S_OK : S_FALSE; }
  HRESULT SetSyncPoint(BOOL sync) override;
  HRESULT IsPreroll() override { return preroll_ ? S_OK : S_FALSE; }
  HRESULT SetPreroll(BOOL preroll) override;
  LONG GetActualDataLength() override { return length_; }
  HRESULT SetActualDataLength(LONG length) override;
  HRESULT GetMediaType(AM_MEDIA_TYPE** type) override;
  HRESULT SetMediaType(AM_MEDIA_TYPE* type) override;
  HRESULT IsDiscontinuity() override { return discontinuity_ ? S_OK : S_FALSE; }
  HRESULT SetDiscontinuity(BOOL discontinuity) override;
  HRESULT GetMediaTime(LONGLONG* start, LONGLONG* end) override;
  HRESULT SetMediaTime(LONGLONG* start, LONGLONG* end) override;
  ULONG Release() override;

  // Pool use: takes the sample when no one else holds it, with room for capacity bytes and
  // its properties reset. False when it is in use.
  bool Acquire(LONG capacity);

 private:
  std::unique_ptr<BYTE[]> buffer_;
  LONG capacity_ = 0;
  LONG length_ = 0;
  REFERENCE_TIME start_ = 0, end_ = 0;
  bool timeValid_ = false, sync_ = false, preroll_ = false, discontinuity_ = false;
  std::unique_ptr<TAMMediaType> type_;
  std::atomic<bool> busy_{false};
};

class TDSPin : public IPin, public IKsPropertySet {
 public:
  // category: what the pin answers through AMPROPSETID_Pin (GUID_NULL: no IKsPropertySet).
  TDSPin(TDSFilter& filter, std::u16string name, PIN_DIRECTION dir,
         const GUID& category = GUID_NULL);
  TDSPin(const TDSPin&) = delete;
  TDSPin& operator=(const TDSPin&) = delete;
  virtual ~TDSPin();

  HRESULT QueryInterface(REFIID riid, void** ppv) override;
  ULONG AddRef() override;
  ULONG Release() override;

  HRESULT Connect(IPin* receivePin, const AM_MEDIA_TYPE* mt) override;
  HRESULT ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* mt) override;
  HRESULT Disconnect() override;
  HRESULT ConnectedTo(IPin** pin) override;
  HRESULT ConnectionMediaType(AM_MEDIA_TYPE* mt) override;
  HRESULT QueryPinInfo(PIN_INFO* info) override;
  HRESULT QueryDirection(PIN_DIRECTION* dir) override;
  HRESULT QueryId(LPWSTR* id) override;
  HRESULT QueryAccept(const AM_MEDIA_TYPE* mt) override;
  HRESULT EnumMediaTypes(IEnumMediaTypes** ppenum) override;
  HRESULT QueryInternalConnections(IPin** pins, ULONG* count) override;
  HRESULT EndOfStream() override;
  HRESULT BeginFlush() override;
  HRESULT EndFlush() override;
  HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

  HRESULT Set(REFGUID set, DWORD id, void* instanceData, DWORD instanceLength, void* propertyData,
              DWORD dataLength) override;
  HRESULT Get(REFGUID set, DWORD id, void* instanceData, DWORD instanceLength, void* propertyData,
              DWORD dataLength, DWORD* bytesReturned) override;
  HRESULT QuerySupported(REFGUID set, DWORD id, DWORD* typeSupport) override;

  TDSFilter& Filter() const { return filter_; }
  const std::u16string& Name() const { return name_; }
  PIN_DIRECTION Direction() const { return dir_; }
  bool IsConnected() const;
  // A copy of the connection's type (empty when not connected).
  TAMMediaType ConnectionType() const;

  // The filter has just been stopped: an input pin returns once no sample is being received.
  virtual void StreamingStopped() {}

 protected:
  // S_OK when the pin takes mt. The default takes the types GetMediaType lists (major type,
  // subtype and format type equal).
  virtual HRESULT CheckMediaType(const AM_MEDIA_TYPE& mt);
  // The index-th preferred type: S_OK, or VFW_S_NO_MORE_ITEMS past the last. None by default.
  virtual HRESULT GetMediaType(int index, TAMMediaType* mt);
  // The connection with peer stands (type set); a failure undoes it.
  virtual HRESULT CompleteConnect(IPin* peer);
  // The connection has been broken.
  virtual void BreakConnect() {}
  // Interfaces beyond IPin and IKsPropertySet.
  virtual void* FindInterface(REFIID riid);

  ComPtr<IPin> Peer() const;
  // Guards the connection (peer and type).
  mutable std::mutex lock_;

 private:
  HRESULT TryConnection(IPin* receivePin, const AM_MEDIA_TYPE& mt);
  // The types that lister lists and partial fits, tried in turn.
  HRESULT TryTypesOf(IPin* lister, IPin* receivePin, const AM_MEDIA_TYPE* partial);
  void SetConnection(IPin* peer, const AM_MEDIA_TYPE* mt);

  TDSFilter& filter_;
  const std::u16string name_;
  const PIN_DIRECTION dir_;
  const GUID category_;
  ComPtr<IPin> peer_;
  TAMMediaType type_;
};

class TDSOutputPin : public TDSPin {
 public:
  TDSOutputPin(TDSFilter& filter, std::u16string name, const GUID& category = GUID_NULL);
  ~TDSOutputPin() override;

  // A sample with room for size bytes, from the pin's pool when one is free (streaming thread).
  HRESULT GetDeliveryBuffer(LONG size, ComPtr<IMediaSample>* sample);
  // Hands the sample to the connected input pin and returns its answer; VFW_E_NOT_CONNECTED
  // without a connection.
  HRESULT Deliver(IMediaSample* sample);
  // GetDeliveryBuffer, a copy of size bytes, the times, Deliver.
  HRESULT DeliverBuffer(const BYTE* data, LONG size, REFERENCE_TIME start, REFERENCE_TIME end);
  HRESULT DeliverEndOfStream();

 protected:
  HRESULT CompleteConnect(IPin* peer) override;
  void BreakConnect() override;

 private:
  ComPtr<IMemInputPin> input_;  // under lock_
  std::mutex poolLock_;
  std::vector<ComPtr<TMediaSample>> pool_;
};

class TDSInputPin : public TDSPin, public IMemInputPin {
 public:
  TDSInputPin(TDSFilter& filter, std::u16string name);

  HRESULT QueryInterface(REFIID riid, void** ppv) override {
    return TDSPin::QueryInterface(riid, ppv);
  }
  ULONG AddRef() override { return TDSPin::AddRef(); }
  ULONG Release() override { return TDSPin::Release(); }

  // VFW_E_WRONG_STATE while the filter is stopped, S_FALSE while flushing; else OnReceive.
  // Receives run one at a time.
  HRESULT Receive(IMediaSample* sample) override;
  HRESULT ReceiveMultiple(IMediaSample** samples, LONG count, LONG* processed) override;
  HRESULT ReceiveCanBlock() override { return S_OK; }
  HRESULT BeginFlush() override;
  HRESULT EndFlush() override;

  void StreamingStopped() override;

 protected:
  // One sample, on the sender's streaming thread.
  virtual HRESULT OnReceive(IMediaSample* sample) = 0;
  void* FindInterface(REFIID riid) override;

 private:
  std::mutex receiveLock_;
  std::atomic<bool> flushing_{false};
};
