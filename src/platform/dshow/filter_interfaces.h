// The interfaces of filters and pins: what a filter graph and its builders call on the filters
// in it, and what pins call on each other. Samples travel from an output pin to the input pin
// it is connected to through IMemInputPin::Receive; the output pin supplies the samples itself.
#pragma once

#include "platform/com/moniker.h"
#include "platform/dshow/types.h"

struct IEnumPins;
struct IEnumMediaTypes;
struct IFilterGraph;
// Streams here run on their source's own timing; the graph hands out no clock.
struct IReferenceClock : IUnknown {
  using Base = IUnknown;
  static constexpr IID iid{
      0x56A86897, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
};

// One buffer of media data with its times.
struct IMediaSample : IUnknown {
  using Base = IUnknown;
  static constexpr IID iid{
      0x56A8689A, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
  virtual HRESULT GetPointer(BYTE** buffer) = 0;
  // The capacity of the buffer in bytes.
  virtual LONG GetSize() = 0;
  // VFW_E_SAMPLE_TIME_NOT_SET when the sample carries no times.
  virtual HRESULT GetTime(REFERENCE_TIME* start, REFERENCE_TIME* end) = 0;
  // Null start: the sample has no times.
  virtual HRESULT SetTime(REFERENCE_TIME* start, REFERENCE_TIME* end) = 0;
  virtual HRESULT IsSyncPoint() = 0;  // S_OK or S_FALSE
  virtual HRESULT SetSyncPoint(BOOL sync) = 0;
  virtual HRESULT IsPreroll() = 0;
  virtual HRESULT SetPreroll(BOOL preroll) = 0;
  // The bytes of the buffer that hold data.
  virtual LONG GetActualDataLength() = 0;
  // VFW_E_BUFFER_OVERFLOW above the capacity.
  virtual HRESULT SetActualDataLength(LONG length) = 0;
  // S_FALSE and null when the type did not change since the last sample; else a record in task
  // memory that the caller deletes.
  virtual HRESULT GetMediaType(AM_MEDIA_TYPE** type) = 0;
  virtual HRESULT SetMediaType(AM_MEDIA_TYPE* type) = 0;
  virtual HRESULT IsDiscontinuity() = 0;
  virtual HRESULT SetDiscontinuity(BOOL discontinuity) = 0;
  virtual HRESULT GetMediaTime(LONGLONG* start, LONGLONG* end) = 0;
  virtual HRESULT SetMediaTime(LONGLONG* start, LONGLONG* end) = 0;
};
inline constexpr IID IID_IMediaSample = IMediaSample::iid;

// The input side of a sample connection.
struct IMemInputPin : IUnknown {
  using Base = IUnknown;
  static constexpr IID iid{
      0x56A8689D, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
  // On the sender's streaming thread. VFW_E_WRONG_STATE while the receiving filter is stopped;
  // S_FALSE asks the sender to send no more until it is started again.
  virtual HRESULT Receive(IMediaSample* sample) = 0;
  virtual HRESULT ReceiveMultiple(IMediaSample** samples, LONG count, LONG* processed) = 0;
  // S_OK when Receive may block the caller, S_FALSE when it never does.
  virtual HRESULT ReceiveCanBlock() = 0;
};
inline constexpr IID IID_IMemInputPin = IMemInputPin::iid;

struct IPin : IUnknown {
  using Base = IUnknown;
  static constexpr IID iid{
      0x56A86891, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
  // Called on an output pin: connects it to receivePin with mt, or, when mt is null or leaves
  // GUIDs null, with the first media type of either pin that matches what it gives and both
  // accept. VFW_E_ALREADY_CONNECTED, VFW_E_NOT_STOPPED, VFW_E_NO_ACCEPTABLE_TYPES ...
  virtual HRESULT Connect(IPin* receivePin, const AM_MEDIA_TYPE* mt) = 0;
  // Called on an input pin by the output pin that connects to it.
  virtual HRESULT ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* mt) = 0;
  // Breaks this side of the connection only; S_FALSE when not connected.
  virtual HRESULT Disconnect() = 0;
  // The other pin (a reference for the caller); VFW_E_NOT_CONNECTED and null when none.
  virtual HRESULT ConnectedTo(IPin** pin) = 0;
  // A copy of the connection's media type (its format block in task memory, the caller frees
  // it); VFW_E_NOT_CONNECTED and an empty record when not connected.
  virtual HRESULT ConnectionMediaType(AM_MEDIA_TYPE* mt) = 0;
  virtual HRESULT QueryPinInfo(PIN_INFO* info) = 0;
  virtual HRESULT QueryDirection(PIN_DIRECTION* dir) = 0;
  // The pin's name in task memory.
  virtual HRESULT QueryId(LPWSTR* id) = 0;
  // S_OK when the pin accepts mt, else S_FALSE.
  virtual HRESULT QueryAccept(const AM_MEDIA_TYPE* mt) = 0;
  // The media types the pin prefers, in its order.
  virtual HRESULT EnumMediaTypes(IEnumMediaTypes** ppenum) = 0;
  virtual HRESULT QueryInternalConnections(IPin** pins, ULONG* count) = 0;
  virtual HRESULT EndOfStream() = 0;
  virtual HRESULT BeginFlush() = 0;
  virtual HRESULT EndFlush() = 0;
  virtual HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) = 0;
};
inline constexpr IID IID_IPin = IPin::iid;

struct IEnumPins : IUnknown {
  using Base = IUnknown;
  static constexpr IID iid{
      0x56A86892, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
  // Up to count pins, each a reference for the caller: S_OK when all came, else S_FALSE.
  virtual HRESULT Next(ULONG count, IPin** pins, ULONG* fetched) = 0;
  virtual HRESULT Skip(ULONG count) = 0;
  virtual HRESULT Reset() = 0;
  virtual HRESULT Clone(IEnumPins** ppenum) = 0;
};
inline constexpr IID IID_IEnumPins = IEnumPins::iid;

struct IEnumMediaTypes : IUnknown {
  using Base = IUnknown;
  static constexpr IID iid{
      0x89C31040, 0x846B, 0x11CE, {0x97, 0xD3, 0x00, 0xAA, 0x00, 0x55, 0x59, 0x5A}};
  // Up to count media types, each a record in task memory whose format block is task memory
  // too: the caller frees the block, releases pUnk and frees the record (MediaTypeDelete).
  virtual HRESULT Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) = 0;
  virtual HRESULT Skip(ULONG count) = 0;
  virtual HRESULT Reset() = 0;
  virtual HRESULT Clone(IEnumMediaTypes** ppenum) = 0;
};
inline constexpr IID IID_IEnumMediaTypes = IEnumMediaTypes::iid;

struct IMediaFilter : IPersist {
  using Base = IPersist;
  static constexpr IID iid{
      0x56A86899, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
  // Returns when the filter's streaming has ended: no sample is being delivered and none will
  // be, and no callback of the filter runs.
  virtual HRESULT Stop() = 0;
  virtual HRESULT Pause() = 0;
  virtual HRESULT Run(REFERENCE_TIME start) = 0;
  virtual HRESULT GetState(DWORD msTimeout, FILTER_STATE* state) = 0;
  virtual HRESULT SetSyncSource(IReferenceClock* clock) = 0;
  virtual HRESULT GetSyncSource(IReferenceClock** clock) = 0;
};
inline constexpr IID IID_IMediaFilter = IMediaFilter::iid;

struct IBaseFilter : IMediaFilter {
  using Base = IMediaFilter;
  static constexpr IID iid{
      0x56A86895, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
  virtual HRESULT EnumPins(IEnumPins** ppenum) = 0;
  // The pin whose QueryId is id; VFW_E_NOT_FOUND when none.
  virtual HRESULT FindPin(LPCWSTR id, IPin** pin) = 0;
  virtual HRESULT QueryFilterInfo(FILTER_INFO* info) = 0;
  // The graph tells the filter it joined (a null graph: it left). The filter keeps no
  // reference to the graph, which holds one to the filter.
  virtual HRESULT JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) = 0;
  virtual HRESULT QueryVendorInfo(LPWSTR* info) = 0;
};
inline constexpr IID IID_IBaseFilter = IBaseFilter::iid;

struct IEnumFilters : IUnknown {
  using Base = IUnknown;
  static constexpr IID iid{
      0x56A86893, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
  virtual HRESULT Next(ULONG count, IBaseFilter** filters, ULONG* fetched) = 0;
  virtual HRESULT Skip(ULONG count) = 0;
  virtual HRESULT Reset() = 0;
  virtual HRESULT Clone(IEnumFilters** ppenum) = 0;
};
inline constexpr IID IID_IEnumFilters = IEnumFilters::iid;

// Through this a filter reports events to the graph it is in (the graph answers for it). The
// graph owns what the parameters hold from here on (evcode.h), also when it refuses the event.
struct IMediaEventSink : IUnknown {
  using Base = IUnknown;
  static constexpr IID iid{
      0x56A868A2, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
  virtual HRESULT Notify(LONG code, LONG_PTR param1, LONG_PTR param2) = 0;
};
inline constexpr IID IID_IMediaEventSink = IMediaEventSink::iid;

// Properties by set and id; pins tell their category through AMPROPSETID_Pin.
struct IKsPropertySet : IUnknown {
  using Base = IUnknown;
  static constexpr IID iid{
      0x31EFAC30, 0x515C, 0x11D0, {0xA9, 0xAA, 0x00, 0xAA, 0x00, 0x61, 0xBE, 0x93}};
  virtual HRESULT Set(REFGUID set, DWORD id, void* instanceData, DWORD instanceLength,
                      void* propertyData, DWORD dataLength) = 0;
  virtual HRESULT Get(REFGUID set, DWORD id, void* instanceData, DWORD instanceLength,
                      void* propertyData, DWORD dataLength, DWORD* bytesReturned) = 0;
  virtual HRESULT QuerySupported(REFGUID set, DWORD id, DWORD* typeSupport) = 0;
};
inline constexpr IID IID_IKsPropertySet = IKsPropertySet::iid;
inline constexpr DWORD KSPROPERTY_SUPPORT_GET = 1;
inline constexpr DWORD KSPROPERTY_SUPPORT_SET = 2;

// The formats of a capture pin. Once SetFormat succeeded, the pin offers that format first
// and connects with it.
struct IAMStreamConfig : IUnknown {
  using Base = IUnknown;
  static constexpr IID iid{
      0xC6E13340, 0x30AC, 0x11D0, {0xA1, 0x8C, 0x00, 0xA0, 0xC9, 0x11, 0x89, 0x56}};
  virtual HRESULT SetFormat(AM_MEDIA_TYPE* mt) = 0;
  // A record in task memory that the caller deletes.
  virtual HRESULT GetFormat(AM_MEDIA_TYPE** mt) = 0;
  // count formats, each described by a capability record of size bytes.
  virtual HRESULT GetNumberOfCapabilities(int* count, int* size) = 0;
  virtual HRESULT GetStreamCaps(int index, AM_MEDIA_TYPE** mt, BYTE* caps) = 0;
};
inline constexpr IID IID_IAMStreamConfig = IAMStreamConfig::iid;
