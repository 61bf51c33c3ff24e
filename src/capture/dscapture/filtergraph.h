// The filter graph component: one DirectShow filter graph for its owner, built when the
// component becomes active (in the chosen mode, with the filters of its member components) and
// taken down when it becomes inactive. It drains the graph's events on the thread that made it
// (through a hidden window of its own) and answers QueryInterface for the interfaces of the
// graph objects it owns, so that callers can use the component as the graph itself.
//
// Its COM interfaces are not reference counted: COM never frees it, its owner does. Everything
// runs on the thread that created it, except QueryService, which reads no state.
#pragma once

#include <memory>
#include <string>

#include "capture/dscapture/graphevents.h"
#include "capture/dscapture/ifilter.h"
#include "platform/dshow/graph_interfaces.h"
#include "platform/win/messages.h"
#include "rtl/component.h"
#include "rtl/interfacelist.h"
#include "rtl/streams.h"

enum TGraphMode : int32_t { gmNormal = 0, gmCapture = 1, gmDVD = 2 };

// The message the graph's event interface posts to the hidden window for each event queued.
inline constexpr UINT WM_GRAPHNOTIFY = WM_APP + 1;

// The service (and interface) through which UnableToRender finds, by way of the graph's site,
// the component that built the graph. QueryService hands out the component object itself.
inline constexpr GUID SID_FilterGraphComponent{
    0x3F0B7C52, 0x9E14, 0x4D6A, {0xA8, 0x3B, 0x71, 0x2C, 0x5D, 0x90, 0xE4, 0x6F}};

class TFilterGraph : public rtl::TComponent,
                     public IAMGraphBuilderCallback,
                     public IAMFilterGraphCallback,
                     public IServiceProvider {
 public:
  explicit TFilterGraph(rtl::TComponent* AOwner);
  // Deactivates, then destroys the hidden window. Members left in the list are not told here:
  // they hear of the end through Notification.
  ~TFilterGraph() override;

  std::string ClassName() const override { return "TFilterGraph"; }

  // IUnknown: the component's own interfaces, then (while active) those of the graph objects
  // by mode. No reference counting: AddRef and Release return -1.
  HRESULT QueryInterface(REFIID riid, void** Obj) override;
  ULONG AddRef() override { return static_cast<ULONG>(-1); }
  ULONG Release() override { return static_cast<ULONG>(-1); }

  // ---- published properties ----
  const std::string& LogFile() const { return logFile_; }
  // Inactive: stored. Active: the log is recreated; a file that cannot be created switches the
  // log off and the old name stays.
  void SetLogFile(const std::string& Value);
  bool Active() const { return active_; }
  void SetActive(bool Value);
  bool AutoCreate() const { return autoCreate_; }
  void SetAutoCreate(bool Value) { autoCreate_ = Value; }
  TGraphMode Mode() const { return mode_; }
  // An active component is rebuilt in the new mode with its members.
  void SetMode(TGraphMode Value);
  bool GraphEdit() const { return graphEdit_; }
  // Registered in the running-object table exactly while active with GraphEdit.
  void SetGraphEdit(bool Value);
  bool LinearVolume() const { return linearVolume_; }
  void SetLinearVolume(bool Value);

  // ---- public properties ----
  int32_t Volume() const { return volume_; }
  void SetVolume(int32_t Value);  // 0 .. 10000
  int32_t Balance() const { return balance_; }
  void SetBalance(int32_t Value);  // -10000 .. 10000

  // ---- members ----
  // Lists F; while active its filter enters the graph at once (foAdding, add, foAdded).
  void InsertFilter(IFilter* F);
  // Unlists F; while active its filter leaves the graph (foRemoving, remove, foRemoved).
  void RemoveFilter(IFilter* F);
  int FilterCount() const { return filters_ ? filters_->Count() : 0; }

  // Runs or stops the graph: False while inactive; a failure code raises EDirectShowException.
  // Stop is True only for exactly S_OK.
  bool Play();
  bool Stop();

  // ---- graph events ----
  HWND WindowHandle() const { return windowHandle_; }
  // Takes every queued event (GUI thread).
  void HandleEvents();
  // One event: OnDSEvent, then the event property of its code.
  virtual void DoEvent(LONG Code, LONG_PTR Param1, LONG_PTR Param2);

  // ---- graph-builder callbacks (the component is the graph's site) ----
  HRESULT SelectedFilter(IMoniker* Moniker) override;
  HRESULT CreatedFilter(IBaseFilter* Filter) override;
  HRESULT UnableToRender(IPin* Pin) override;
  HRESULT QueryService(REFGUID Service, REFIID riid, void** Obj) override;

  // ---- event properties, in their streaming order ----
  TNotifyEvent OnActivate;
  TOnDSEvent OnDSEvent;
  TOnGraphBufferingData OnGraphBufferingData;
  TNotifyEvent OnGraphClockChanged;
  TOnGraphComplete OnGraphComplete;
  TOnGraphDeviceLost OnGraphDeviceLost;
  TOnGraphEndOfSegment OnGraphEndOfSegment;
  TOnDSResult OnGraphErrorStillPlaying;
  TOnDSResult OnGraphErrorAbort;
  TOnGraphFullscreenLost OnGraphFullscreenLost;
  TNotifyEvent OnGraphChanged;
  TOnGraphOleEvent OnGraphOleEvent;
  TOnGraphOpeningFile OnGraphOpeningFile;
  TNotifyEvent OnGraphPaletteChanged;
  TOnDSResult OnGraphPaused;
  TNotifyEvent OnGraphQualityChange;
  TOnGraphSNDDevError OnGraphSNDDevInError;
  TOnGraphSNDDevError OnGraphSNDDevOutError;
  TNotifyEvent OnGraphStepComplete;
  TOnGraphStreamControl OnGraphStreamControlStarted;
  TOnGraphStreamControl OnGraphStreamControlStopped;
  TOnGraphStreamError OnGraphStreamErrorStillPlaying;
  TOnGraphStreamError OnGraphStreamErrorStopped;
  TNotifyEvent OnGraphUserAbort;
  TOnGraphVideoSizeChanged OnGraphVideoSizeChanged;
  TOnGraphTimeCodeAvailable OnGraphTimeCodeAvailable;
  TOnGraphEXTDeviceModeChange OnGraphEXTDeviceModeChange;
  TNotifyEvent OnGraphClockUnset;
  TOnGraphVMRRenderDevice OnGraphVMRRenderDevice;
  TOnDVDAudioStreamChange OnDVDAudioStreamChange;
  TOnDVDCurrentTime OnDVDCurrentTime;
  TOnDVDTitleChange OnDVDTitleChange;
  TOnDVDChapterStart OnDVDChapterStart;
  TOnDVDChange OnDVDAngleChange;
  TOnDVDValidUOPSChange OnDVDValidUOPSChange;
  TOnDVDChange OnDVDButtonChange;
  TNotifyEvent OnDVDChapterAutoStop;
  TOnDVDStillOn OnDVDStillOn;
  TNotifyEvent OnDVDStillOff;
  TOnDVDSubpictureStreamChange OnDVDSubpictureStreamChange;
  TNotifyEvent OnDVDNoFP_PGC;
  TOnDVDPlaybackRateChange OnDVDPlaybackRateChange;
  TOnDVDParentalLevelChange OnDVDParentalLevelChange;
  TNotifyEvent OnDVDPlaybackStopped;
  TOnDVDAnglesAvailable OnDVDAnglesAvailable;
  TNotifyEvent OnDVDPlayPeriodAutoStop;
  TOnDVDButtonAutoActivated OnDVDButtonAutoActivated;
  TOnDVDCMD OnDVDCMDStart;
  TOnDVDCMD OnDVDCMDEnd;
  TNotifyEvent OnDVDDiscEjected;
  TNotifyEvent OnDVDDiscInserted;
  TOnDVDCurrentHMSFTime OnDVDCurrentHMSFTime;
  TOnDVDKaraokeMode OnDVDKaraokeMode;
  TNotifyEvent OnDVDDomainFirstPlay;
  TNotifyEvent OnDVDDomainVideoManagerMenu;
  TNotifyEvent OnDVDDomainVideoTitleSetMenu;
  TNotifyEvent OnDVDDomainTitle;
  TNotifyEvent OnDVDDomainStop;
  TNotifyEvent OnDVDErrorUnexpected;
  TNotifyEvent OnDVDErrorCopyProtectFail;
  TNotifyEvent OnDVDErrorInvalidDVD1_0Disc;
  TNotifyEvent OnDVDErrorInvalidDiscRegion;
  TNotifyEvent OnDVDErrorLowParentalLevel;
  TNotifyEvent OnDVDErrorMacrovisionFail;
  TNotifyEvent OnDVDErrorIncompatibleSystemAndDecoderRegions;
  TNotifyEvent OnDVDErrorIncompatibleDiscAndDecoderRegions;
  TNotifyEvent OnDVDWarningInvalidDVD1_0Disc;
  TNotifyEvent OnDVDWarningFormatNotSupported;
  TNotifyEvent OnDVDWarningIllegalNavCommand;
  TNotifyEvent OnDVDWarningOpen;
  TNotifyEvent OnDVDWarningSeek;
  TNotifyEvent OnDVDWarningRead;
  TOnSelectedFilter OnSelectedFilter;
  TOnCreatedFilter OnCreatedFilter;
  TOnUnableToRender OnUnableToRender;

 protected:
  // AutoCreate activates the component once streaming has finished.
  void Loaded() override;

 private:
  // The hidden window's procedure.
  void WndProc(TMessage& Message);
  // The mode's graph objects; false (nothing kept) when one of them cannot be created.
  bool CreateGraphObjects();
  void Activate();
  // Removes the members, then releases the graph objects.
  void Deactivate();
  // Detaches the graph from this component (event window, site) and releases the graph
  // objects; never throws.
  void ReleaseGraphObjects();
  void AddToGraph(IFilter* F);
  void RemoveFromGraph(IFilter* F);
  void AddAllFilters();
  void RemoveAllFilters();
  IFilter* Member(int Index) const;
  // The typed event property of a code (DoEvent's second step).
  void DoTypedEvent(LONG Code, LONG_PTR Param1, LONG_PTR Param2);

  HWND windowHandle_ = nullptr;
  std::unique_ptr<rtl::TInterfaceList> filters_;  // of IFilter; absent while empty
  ComPtr<IFilterGraph2> graph_;
  ComPtr<ICaptureGraphBuilder2> captureBuilder_;
  ComPtr<IDvdGraphBuilder> dvdBuilder_;
  ComPtr<IMediaEventEx> mediaEvent_;
  std::string logFile_;
  std::unique_ptr<rtl::TFileStream> logStream_;
  TGraphMode mode_ = gmNormal;
  int32_t volume_ = 10000;
  int32_t balance_ = 0;
  DWORD rotCookie_ = 0;
  bool active_ = false;
  bool autoCreate_ = false;
  bool linearVolume_ = true;
  bool graphEdit_ = false;
};
