// The interfaces of the filter graph and of the objects that build and watch it: the graph's
// membership and connections, running and stopping, the event queue, the site that the graph
// asks for help, the capture graph builder, the device enumerator, the sample grabber, and the
// audio and DVD interfaces that are named but that no class here provides.
#pragma once

#include "platform/dshow/filter_interfaces.h"

struct IFilterGraph : IUnknown {
  using Base = IUnknown;
  static constexpr IID iid{
      0x56A8689F, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
  // Adds a reference to the filter and tells it it joined. A name used already gets a number
  // appended (VFW_S_DUPLICATE_NAME).
  virtual HRESULT AddFilter(IBaseFilter* filter, LPCWSTR name) = 0;
  // Stops the filter when it runs, disconnects its pins, tells it it left and releases it.
  virtual HRESULT RemoveFilter(IBaseFilter* filter) = 0;
  virtual HRESULT EnumFilters(IEnumFilters** ppenum) = 0;
  virtual HRESULT FindFilterByName(LPCWSTR name, IBaseFilter** filter) = 0;
  // Connects the two pins with exactly mt, or, when mt is null, with a type both accept.
  virtual HRESULT ConnectDirect(IPin* out, IPin* in, const AM_MEDIA_TYPE* mt) = 0;
  virtual HRESULT Reconnect(IPin* pin) = 0;
  // Breaks one side of a connection (the caller breaks the other side too).
  virtual HRESULT Disconnect(IPin* pin) = 0;
  virtual HRESULT SetDefaultSyncSource() = 0;
};
inline constexpr IID IID_IFilterGraph = IFilterGraph::iid;

struct IGraphBuilder : IFilterGraph {
  using Base = IFilterGraph;
  static constexpr IID iid{
      0x56A868A9, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
  // Connects the pins directly (no filter is inserted between them here).
  virtual HRESULT Connect(IPin* out, IPin* in) = 0;
  // There is no renderer to insert: asks the site (UnableToRender), then VFW_E_CANNOT_RENDER.
  virtual HRESULT Render(IPin* out) = 0;
  virtual HRESULT RenderFile(LPCWSTR file, LPCWSTR playList) = 0;
  virtual HRESULT AddSourceFilter(LPCWSTR file, LPCWSTR name, IBaseFilter** filter) = 0;
  // A file descriptor (0: none) that receives one line per change of the graph's state.
  virtual HRESULT SetLogFile(DWORD_PTR file) = 0;
  virtual HRESULT Abort() = 0;
  virtual HRESULT ShouldOperationContinue() = 0;
};
inline constexpr IID IID_IGraphBuilder = IGraphBuilder::iid;

struct IFilterGraph2 : IGraphBuilder {
  using Base = IGraphBuilder;
  static constexpr IID iid{
      0x36B73882, 0xC2C8, 0x11CF, {0x8B, 0x46, 0x00, 0x80, 0x5F, 0x6C, 0xEF, 0x60}};
  virtual HRESULT AddSourceFilterForMoniker(IMoniker* moniker, IBindCtx* ctx, LPCWSTR name,
                                            IBaseFilter** filter) = 0;
  virtual HRESULT ReconnectEx(IPin* pin, const AM_MEDIA_TYPE* mt) = 0;
  virtual HRESULT RenderEx(IPin* out, DWORD flags, DWORD* context) = 0;
};
inline constexpr IID IID_IFilterGraph2 = IFilterGraph2::iid;

using OAFilterState = LONG;

struct IMediaControl : IUnknown {
  using Base = IUnknown;
  static constexpr IID iid{
      0x56A868B1, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
  // Pauses every filter first when the graph is stopped; the filters change state from the
  // downstream end up. A failing filter fails the call, and the graph is stopped again.
  virtual HRESULT Run() = 0;
  virtual HRESULT Pause() = 0;
  // Returns when every filter is stopped, its streaming ended and no callback of it runs.
  virtual HRESULT Stop() = 0;
  virtual HRESULT GetState(LONG msTimeout, OAFilterState* state) = 0;
  virtual HRESULT StopWhenReady() = 0;
};
inline constexpr IID IID_IMediaControl = IMediaControl::iid;

inline constexpr LONG AM_MEDIAEVENT_NONOTIFY = 0x01;

struct IMediaEvent : IUnknown {
  using Base = IUnknown;
  static constexpr IID iid{
      0x56A868B6, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
  // The oldest queued event; waits up to msTimeout (INFINITE: for ever) and gives E_ABORT when
  // none came. The parameters stay the caller's until it hands them to FreeEventParams.
  virtual HRESULT GetEvent(LONG* code, LONG_PTR* param1, LONG_PTR* param2, LONG msTimeout) = 0;
  // Releases what the parameters of an event taken with GetEvent hold, once: the same
  // parameters again, or ones that GetEvent never gave, are refused with E_INVALIDARG.
  virtual HRESULT FreeEventParams(LONG code, LONG_PTR param1, LONG_PTR param2) = 0;
};
inline constexpr IID IID_IMediaEvent = IMediaEvent::iid;
inline constexpr LONG INFINITE_WAIT = -1;

struct IMediaEventEx : IMediaEvent {
  using Base = IMediaEvent;
  static constexpr IID iid{
      0x56A868C0, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
  // Each event queued from now on posts message to the window, with WParam 0 and LParam
  // instanceData (window 0: none).
  virtual HRESULT SetNotifyWindow(OAHWND window, LONG message, LONG_PTR instanceData) = 0;
  // 0: events are queued and posted; AM_MEDIAEVENT_NONOTIFY: queued events are dropped and new
  // ones are neither queued nor posted. E_INVALIDARG for other values.
  virtual HRESULT SetNotifyFlags(LONG noNotifyFlags) = 0;
  virtual HRESULT GetNotifyFlags(LONG* noNotifyFlags) = 0;
};
inline constexpr IID IID_IMediaEventEx = IMediaEventEx::iid;

struct IObjectWithSite : IUnknown {
  using Base = IUnknown;
  static constexpr IID iid{
      0xFC4801A3, 0x2BA9, 0x11CF, {0xA2, 0x29, 0x00, 0xAA, 0x00, 0x3D, 0x73, 0x52}};
  // The object keeps a reference to the site (null: none) until it is given another or ends.
  virtual HRESULT SetSite(IUnknown* site) = 0;
  virtual HRESULT GetSite(REFIID riid, void** ppv) = 0;
};
inline constexpr IID IID_IObjectWithSite = IObjectWithSite::iid;

struct IServiceProvider : IUnknown {
  using Base = IUnknown;
  static constexpr IID iid{
      0x6D5140C1, 0x7436, 0x11CE, {0x80, 0x34, 0x00, 0xAA, 0x00, 0x60, 0x09, 0xFA}};
  virtual HRESULT QueryService(REFGUID service, REFIID riid, void** ppv) = 0;
};
inline constexpr IID IID_IServiceProvider = IServiceProvider::iid;

// Implemented by a graph's site: told which device filters the graph picks and creates.
struct IAMGraphBuilderCallback : IUnknown {
  using Base = IUnknown;
  static constexpr IID iid{
      0x4995F511, 0x9DDB, 0x4F12, {0xBD, 0x3B, 0xF0, 0x46, 0x11, 0x80, 0x7B, 0x79}};
  virtual HRESULT SelectedFilter(IMoniker* moniker) = 0;
  virtual HRESULT CreatedFilter(IBaseFilter* filter) = 0;
};
inline constexpr IID IID_IAMGraphBuilderCallback = IAMGraphBuilderCallback::iid;

// Implemented by a graph's site: asked for help when a pin cannot be rendered. S_OK means "try
// again"; anything else lets the failure stand.
struct IAMFilterGraphCallback : IUnknown {
  using Base = IUnknown;
  static constexpr IID iid{
      0x56A868FD, 0x0AD4, 0x11CE, {0xB0, 0xA3, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
  virtual HRESULT UnableToRender(IPin* pin) = 0;
};
inline constexpr IID IID_IAMFilterGraphCallback = IAMFilterGraphCallback::iid;

struct ICaptureGraphBuilder2 : IUnknown {
  using Base = IUnknown;
  static constexpr IID iid{
      0x93E5A4E0, 0x2D50, 0x11D2, {0xAB, 0xFA, 0x00, 0xA0, 0xC9, 0xC6, 0xE3, 0x8D}};
  // The graph the builder works in (it keeps a reference).
  virtual HRESULT SetFiltergraph(IGraphBuilder* graph) = 0;
  // E_UNEXPECTED and null before SetFiltergraph.
  virtual HRESULT GetFiltergraph(IGraphBuilder** graph) = 0;
  // riid of filter itself, or of one of its pins of the category and major type (each may be
  // null for any).
  virtual HRESULT FindInterface(const GUID* category, const GUID* type, IBaseFilter* filter,
                                REFIID riid, void** ppv) = 0;
  // Connects the source's unconnected output pin of the category and major type (null: any)
  // through the intermediate filter (optional) to an input pin of the sink. When no
  // connection is possible the graph's site is asked (UnableToRender) and the call fails.
  virtual HRESULT RenderStream(const GUID* category, const GUID* type, IUnknown* source,
                               IBaseFilter* intermediate, IBaseFilter* sink) = 0;
  // The num-th pin (from 0) of source in that direction, category and major type.
  virtual HRESULT FindPin(IUnknown* source, PIN_DIRECTION dir, const GUID* category,
                          const GUID* type, BOOL unconnected, int num, IPin** pin) = 0;
};
inline constexpr IID IID_ICaptureGraphBuilder2 = ICaptureGraphBuilder2::iid;

struct ICreateDevEnum : IUnknown {
  using Base = IUnknown;
  static constexpr IID iid{
      0x29840822, 0x5B84, 0x11D0, {0xBD, 0x3B, 0x00, 0xA0, 0xC9, 0x11, 0xCE, 0x86}};
  // The devices of the category: S_OK and an enumerator, or S_FALSE and null when the
  // category has none.
  virtual HRESULT CreateClassEnumerator(REFCLSID category, IEnumMoniker** ppenum, DWORD flags) = 0;
};
inline constexpr IID IID_ICreateDevEnum = ICreateDevEnum::iid;

// Named for callers; no filter here renders audio.
struct IBasicAudio : IUnknown {
  using Base = IUnknown;
  static constexpr IID iid{
      0x56A868B3, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
  virtual HRESULT put_Volume(LONG volume) = 0;
  virtual HRESULT get_Volume(LONG* volume) = 0;
  virtual HRESULT put_Balance(LONG balance) = 0;
  virtual HRESULT get_Balance(LONG* balance) = 0;
};
inline constexpr IID IID_IBasicAudio = IBasicAudio::iid;

// Named for callers; the DVD graph builder is not a class of this system.
struct AM_DVD_RENDERSTATUS;
struct IDvdGraphBuilder : IUnknown {
  using Base = IUnknown;
  static constexpr IID iid{
      0xFCC152B6, 0xF372, 0x11D0, {0x8E, 0x00, 0x00, 0xC0, 0x4F, 0xD7, 0xC0, 0x8B}};
  virtual HRESULT GetFiltergraph(IGraphBuilder** graph) = 0;
  virtual HRESULT GetDvdInterface(REFIID riid, void** ppv) = 0;
  virtual HRESULT RenderDvdVideoVolume(LPCWSTR path, DWORD flags, AM_DVD_RENDERSTATUS* status) = 0;
};
inline constexpr IID IID_IDvdGraphBuilder = IDvdGraphBuilder::iid;

struct IDvdInfo2 : IUnknown {
  using Base = IUnknown;
  static constexpr IID iid{
      0x34151510, 0xEEC0, 0x11D2, {0x82, 0x01, 0x00, 0xA0, 0xC9, 0xD7, 0x48, 0x42}};
  virtual HRESULT GetAudioLanguage(ULONG stream, LCID* language) = 0;
  virtual HRESULT GetSubpictureLanguage(ULONG stream, LCID* language) = 0;
};
inline constexpr IID IID_IDvdInfo2 = IDvdInfo2::iid;
