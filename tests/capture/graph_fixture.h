// What the capture component tests share: a member that records what its graph tells it, a
// capture graph builder that stands in for the real one and answers for the interfaces a test
// scripts (running, audio, DVD languages, the event queue), and a fixture that puts it in place
// and empties the window message queue around each test.
#pragma once

#include <deque>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "capture/com_fixture.h"
#include "capture/dscapture/filtergraph.h"
#include "platform/dshow/graph_interfaces.h"
#include "platform/dshow/guids.h"

// A member of a graph that logs "<name>:<operation>" and makes a Sample Grabber filter on
// foAdding, dropped on foRemoved.
class TRecordingMember : public TComObject<IFilter> {
 public:
  TRecordingMember(std::string name, std::vector<std::string>* log)
      : name_(std::move(name)), log_(log) {}
  ComPtr<IBaseFilter> GetFilter() override { return filter_; }
  std::string GetName() override { return name_; }
  void NotifyFilter(TFilterOperation Operation) override {
    static const char* const kNames[] = {"adding", "added", "removing", "removed", "refresh"};
    log_->push_back(name_ + ":" + kNames[Operation]);
    if (Operation == foAdding)
      CoCreateInstance(CLSID_SampleGrabber, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                       filter_.PutVoid());
    if (Operation == foRemoved) filter_.Reset();
  }

 private:
  std::string name_;
  std::vector<std::string>* log_;
  ComPtr<IBaseFilter> filter_;
};

// Stands in for the capture graph builder. The component asks the builder before the graph,
// so whatever this answers hides the graph's own interface.
class TFakeBuilder : public TComObject<ICaptureGraphBuilder2, IMediaControl, IBasicAudio, IDvdInfo2,
                                       IMediaEventEx> {
 public:
  std::set<GUID> hidden;  // interfaces it denies having
  std::vector<std::string> calls;
  HRESULT runResult = S_OK, stopResult = S_OK;
  HRESULT audioLanguageResult = S_OK, subpictureLanguageResult = S_OK;
  LCID language = 0x0409;
  struct Event {
    LONG code;
    LONG_PTR param1, param2;
    bool operator==(const Event&) const = default;
  };
  std::deque<Event> queued;
  std::vector<Event> freed;
  ComPtr<IGraphBuilder> graph;

  HRESULT QueryInterface(REFIID riid, void** ppv) override {
    if (ppv) *ppv = nullptr;
    if (hidden.count(riid)) return E_NOINTERFACE;
    return TComObject::QueryInterface(riid, ppv);
  }
  // ICaptureGraphBuilder2
  HRESULT SetFiltergraph(IGraphBuilder* g) override {
    graph = ComPtr<IGraphBuilder>(g);
    return S_OK;
  }
  HRESULT GetFiltergraph(IGraphBuilder**) override { return E_NOTIMPL; }
  HRESULT FindInterface(const GUID*, const GUID*, IBaseFilter*, REFIID, void**) override {
    return E_NOTIMPL;
  }
  HRESULT RenderStream(const GUID*, const GUID*, IUnknown*, IBaseFilter*, IBaseFilter*) override {
    return E_NOTIMPL;
  }
  HRESULT FindPin(IUnknown*, PIN_DIRECTION, const GUID*, const GUID*, BOOL, int, IPin**) override {
    return E_NOTIMPL;
  }
  // IMediaControl
  HRESULT Run() override { return calls.push_back("Run"), runResult; }
  HRESULT Pause() override { return E_NOTIMPL; }
  HRESULT Stop() override { return calls.push_back("Stop"), stopResult; }
  HRESULT GetState(LONG, OAFilterState*) override { return E_NOTIMPL; }
  HRESULT StopWhenReady() override { return E_NOTIMPL; }
  // IBasicAudio
  HRESULT put_Volume(LONG v) override {
    return calls.push_back("Volume " + std::to_string(v)), S_OK;
  }
  HRESULT get_Volume(LONG*) override { return E_NOTIMPL; }
  HRESULT put_Balance(LONG b) override {
    return calls.push_back("Balance " + std::to_string(b)), S_OK;
  }
  HRESULT get_Balance(LONG*) override { return E_NOTIMPL; }
  // IDvdInfo2
  HRESULT GetAudioLanguage(ULONG, LCID* lcid) override {
    *lcid = language;
    return audioLanguageResult;
  }
  HRESULT GetSubpictureLanguage(ULONG, LCID* lcid) override {
    *lcid = language;
    return subpictureLanguageResult;
  }
  // IMediaEventEx
  HRESULT GetEvent(LONG* code, LONG_PTR* p1, LONG_PTR* p2, LONG) override {
    if (queued.empty()) return E_ABORT;
    *code = queued.front().code, *p1 = queued.front().param1, *p2 = queued.front().param2;
    queued.pop_front();
    return S_OK;
  }
  HRESULT FreeEventParams(LONG code, LONG_PTR p1, LONG_PTR p2) override {
    freed.push_back({code, p1, p2});
    return S_OK;
  }
  HRESULT SetNotifyWindow(OAHWND, LONG, LONG_PTR) override { return S_OK; }
  HRESULT SetNotifyFlags(LONG) override { return S_OK; }
  HRESULT GetNotifyFlags(LONG*) override { return E_NOTIMPL; }
};

class GraphTest : public ComTest {
 protected:
  void SetUp() override {
    ComTest::SetUp();
    DrainMessages();
  }
  void TearDown() override {
    owner.reset();
    DrainMessages();
    builder.Reset();
    ComTest::TearDown();
  }
  static void DrainMessages() {
    while (DispatchPostedMessage()) {
    }
  }
  // The capture graph builder is the fake from here on; builder is the one made last.
  void UseFakeBuilder() {
    fake_ = std::make_unique<TClassOverride>(CLSID_CaptureGraphBuilder2,
                                             [this](REFIID riid, void** ppv) {
                                               builder.Attach(new TFakeBuilder);
                                               return builder->QueryInterface(riid, ppv);
                                             });
  }

  // Owns the components a test makes; they go before the leak checks.
  std::unique_ptr<rtl::TComponent> owner = std::make_unique<rtl::TComponent>(nullptr);
  ComPtr<TFakeBuilder> builder;
  std::unique_ptr<TClassOverride> fake_;
};
