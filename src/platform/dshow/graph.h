// The filter graph: its member filters with their names, the graph state that run, pause and
// stop drive through every member (from the downstream end up), the event queue, the log, and
// the site it forwards service requests to.
//
// Threads: membership, connections and state changes come from the thread that owns the graph
// (they take the graph lock); filters report events from their streaming threads through
// IMediaEventSink, which takes only the queue's lock, so a stop that waits for a streaming
// thread never waits for a lock that thread needs.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "platform/dshow/events.h"
#include "platform/dshow/graph_interfaces.h"

class TFilterGraphManager : public TComObject<IFilterGraph2, IMediaControl, IMediaEventEx,
                                              IMediaEventSink, IObjectWithSite, IServiceProvider> {
 public:
  TFilterGraphManager() = default;

  HRESULT AddFilter(IBaseFilter* filter, LPCWSTR name) override;
  HRESULT RemoveFilter(IBaseFilter* filter) override;
  HRESULT EnumFilters(IEnumFilters** ppenum) override;
  HRESULT FindFilterByName(LPCWSTR name, IBaseFilter** filter) override;
  HRESULT ConnectDirect(IPin* out, IPin* in, const AM_MEDIA_TYPE* mt) override;
  HRESULT Reconnect(IPin* pin) override;
  HRESULT Disconnect(IPin* pin) override;
  HRESULT SetDefaultSyncSource() override;

  HRESULT Connect(IPin* out, IPin* in) override;
  HRESULT Render(IPin* out) override;
  HRESULT RenderFile(LPCWSTR file, LPCWSTR playList) override;
  HRESULT AddSourceFilter(LPCWSTR file, LPCWSTR name, IBaseFilter** filter) override;
  HRESULT SetLogFile(DWORD_PTR file) override;
  HRESULT Abort() override;
  HRESULT ShouldOperationContinue() override;

  HRESULT AddSourceFilterForMoniker(IMoniker* moniker, IBindCtx* ctx, LPCWSTR name,
                                    IBaseFilter** filter) override;
  HRESULT ReconnectEx(IPin* pin, const AM_MEDIA_TYPE* mt) override;
  HRESULT RenderEx(IPin* out, DWORD flags, DWORD* context) override;

  // Without a source filter (one with output pins and no input pin) the graph cannot run or
  // pause: VFW_E_NO_CAPTURE_HARDWARE.
  HRESULT Run() override;
  HRESULT Pause() override;
  HRESULT Stop() override;
  HRESULT GetState(LONG msTimeout, OAFilterState* state) override;
  HRESULT StopWhenReady() override;

  HRESULT GetEvent(LONG* code, LONG_PTR* param1, LONG_PTR* param2, LONG msTimeout) override;
  HRESULT FreeEventParams(LONG code, LONG_PTR param1, LONG_PTR param2) override;
  HRESULT SetNotifyWindow(OAHWND window, LONG message, LONG_PTR instanceData) override;
  HRESULT SetNotifyFlags(LONG noNotifyFlags) override;
  HRESULT GetNotifyFlags(LONG* noNotifyFlags) override;

  HRESULT Notify(LONG code, LONG_PTR param1, LONG_PTR param2) override;

  HRESULT SetSite(IUnknown* site) override;
  HRESULT GetSite(REFIID riid, void** ppv) override;

  HRESULT QueryService(REFGUID service, REFIID riid, void** ppv) override;

  // Asks the site's IAMFilterGraphCallback about a pin that cannot be rendered; S_OK means
  // the site wants another try. S_FALSE without a site that answers.
  HRESULT AskSiteUnableToRender(IPin* pin);

 protected:
  ~TFilterGraphManager() override;

 private:
  struct Member {
    ComPtr<IBaseFilter> filter;
    std::u16string name;
  };

  // Under lock_.
  std::vector<Member>::iterator FindMember(IBaseFilter* filter);
  bool Contains(IPin* pin);
  bool HasSource();
  // The members ordered so that each comes before the filters upstream of it.
  std::vector<ComPtr<IBaseFilter>> DownstreamFirst();
  HRESULT ChangeState(FILTER_STATE target);
  void StopAll();
  void RemoveMember(std::vector<Member>::iterator member);
  void Log(const char* line);

  std::mutex lock_;
  std::vector<Member> members_;
  FILTER_STATE state_ = State_Stopped;
  DWORD_PTR logFile_ = 0;

  TEventQueue events_;

  std::mutex siteLock_;
  ComPtr<IUnknown> site_;
};
