// The filter graph component: activation and deactivation with the members in order in each
// mode, graph objects that cannot be made, running and stopping, the log file, the
// running-object table, volume and balance, and the graph's question for the component.
#include "capture/dscapture/filtergraph.h"

#include <filesystem>
#include <fstream>

#include "capture/dsaux/errors.h"
#include "capture/graph_fixture.h"
#include "platform/com/rot.h"
#include "platform/dshow/evcode.h"

namespace {

using Log = std::vector<std::string>;

class FilterGraph : public GraphTest {
 protected:
  TFilterGraph* graph = new TFilterGraph(owner.get());
  Log log;
  ComPtr<TRecordingMember> a, b;
  int activations = 0;

  void AddMembers() {
    a.Attach(new TRecordingMember("a", &log));
    b.Attach(new TRecordingMember("b", &log));
    graph->InsertFilter(a.Get());
    graph->InsertFilter(b.Get());
    graph->OnActivate = [this](rtl::TComponent* sender) {
      EXPECT_EQ(sender, graph);
      ++activations;
    };
  }
  void TearDown() override {
    owner.reset();
    a.Reset();
    b.Reset();
    GraphTest::TearDown();
  }
  bool Has(REFIID riid) {
    ComPtr<IUnknown> p;
    return graph->QueryInterface(riid, p.PutVoid()) == S_OK && p;
  }
};

TEST_F(FilterGraph, ActivationAddsTheMembersInOrderAndAModeChangeRebuildsThem) {
  EXPECT_EQ(graph->Volume(), 10000);
  EXPECT_EQ(graph->Balance(), 0);
  EXPECT_TRUE(graph->LinearVolume());
  EXPECT_TRUE(Has(IID_IServiceProvider)) << "its own interfaces while inactive";
  EXPECT_FALSE(Has(IID_IMediaControl));
  EXPECT_FALSE(graph->Play());
  AddMembers();
  graph->SetMode(gmCapture);  // inactive: stored only
  EXPECT_TRUE(log.empty()) << "listing while inactive tells nothing";
  graph->SetActive(true);
  EXPECT_EQ(log, (Log{"a:adding", "a:added", "b:adding", "b:added"}));
  EXPECT_EQ(activations, 1);
  EXPECT_TRUE(Has(IID_ICaptureGraphBuilder2));
  EXPECT_TRUE(Has(IID_IMediaControl));

  log.clear();
  graph->SetActive(true);  // its present value
  graph->SetMode(gmCapture);
  EXPECT_TRUE(log.empty());
  graph->SetMode(gmNormal);
  EXPECT_EQ(log, (Log{"a:removing", "a:removed", "b:removing", "b:removed", "a:adding", "a:added",
                      "b:adding", "b:added"}));
  EXPECT_EQ(activations, 2);
  EXPECT_FALSE(Has(IID_ICaptureGraphBuilder2));
  EXPECT_TRUE(Has(IID_IMediaControl));

  log.clear();
  graph->SetActive(false);
  EXPECT_EQ(log, (Log{"a:removing", "a:removed", "b:removing", "b:removed"}));
  EXPECT_FALSE(Has(IID_IMediaControl));
  EXPECT_EQ(graph->FilterCount(), 2) << "members stay listed";
}

TEST_F(FilterGraph, AGraphObjectThatCannotBeMadeLeavesItInactive) {
  AddMembers();
  struct Case {
    TGraphMode mode;
    CLSID missing;  // taken away for the case; GUID_NULL: nothing
  };
  for (const Case& c : {Case{gmDVD, GUID_NULL}, Case{gmCapture, CLSID_CaptureGraphBuilder2},
                        Case{gmCapture, CLSID_FilterGraph}, Case{gmNormal, CLSID_FilterGraph}}) {
    TClassOverride gone(c.missing, nullptr);
    graph->SetMode(c.mode);
    graph->SetActive(true);
    EXPECT_FALSE(graph->Active()) << c.mode;
    EXPECT_FALSE(Has(IID_IMediaControl));
    EXPECT_FALSE(graph->Play());
  }
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(activations, 0);
}

TEST_F(FilterGraph, PlayAndStopPassTheGraphsResults) {
  UseFakeBuilder();
  graph->SetMode(gmCapture);
  graph->SetActive(true);
  struct Case {
    HRESULT run, stop;
    bool played, stopped;
  };
  for (const Case& c : {Case{S_OK, S_OK, true, true}, Case{S_FALSE, S_FALSE, true, false}}) {
    builder->runResult = c.run, builder->stopResult = c.stop;
    EXPECT_EQ(graph->Play(), c.played);
    EXPECT_EQ(graph->Stop(), c.stopped);
  }
  builder->runResult = builder->stopResult = E_FAIL;
  EXPECT_THROW(graph->Play(), EDirectShowException);
  EXPECT_THROW(graph->Stop(), EDirectShowException);
  EXPECT_TRUE(graph->Active());
}

TEST_F(FilterGraph, VolumeAndBalanceAreClampedAndSentInTheirScale) {
  UseFakeBuilder();
  graph->SetVolume(5000);  // inactive: stored only
  EXPECT_EQ(graph->Volume(), 5000);
  graph->SetMode(gmCapture);
  graph->SetActive(true);
  builder->calls.clear();
  graph->SetLinearVolume(true);  // its present value: nothing is sent
  EXPECT_TRUE(builder->calls.empty()) << "activation does not re-apply the volume";

  struct Case {
    bool linear;
    int32_t volume, balance;
    int32_t storedVolume, storedBalance;
    std::vector<std::string> sent;
  };
  const Case cases[] = {
      {true, 12000, -20000, 10000, -10000, {"Volume 0", "Balance 10000"}},
      {true, -5, 20000, 0, 10000, {"Volume -10000", "Balance -10000"}},
      {false, 10000, -20000, 10000, -10000, {"Volume 0", "Balance -10000"}},
      {false, 0, 0, 0, 0, {"Volume -10000", "Balance 0"}},
  };
  for (const Case& c : cases) {
    graph->SetLinearVolume(c.linear);
    builder->calls.clear();
    graph->SetVolume(c.volume);
    graph->SetBalance(c.balance);
    EXPECT_EQ(graph->Volume(), c.storedVolume);
    EXPECT_EQ(graph->Balance(), c.storedBalance);
    EXPECT_EQ(builder->calls, c.sent) << c.volume << " " << c.balance;
  }
  builder->calls.clear();
  graph->SetLinearVolume(true);  // a change re-sends both in the new scale
  EXPECT_EQ(builder->calls, (std::vector<std::string>{"Volume -10000", "Balance 0"}));
}

TEST_F(FilterGraph, TheLogFileIsMadeAfreshAtEachActivation) {
  const auto dir = std::filesystem::temp_directory_path() / ("graphlog" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  const std::string path = (dir / "graph.log").string();
  const auto write = [&](const char* text) { std::ofstream(path) << text; };
  const auto size = [&] { return std::filesystem::file_size(path); };

  write("old");
  graph->SetLogFile(path);
  EXPECT_EQ(size(), 3u) << "inactive: the name is only stored";
  for (int round = 0; round < 2; ++round) {
    graph->SetActive(true);
    EXPECT_EQ(size(), 0u) << round;
    graph->SetActive(false);
    write("left over");
  }
  graph->SetActive(true);
  graph->SetLogFile((dir / "missing" / "x.log").string());  // cannot be made: swallowed
  EXPECT_EQ(graph->LogFile(), path);
  graph->SetLogFile("");
  EXPECT_EQ(graph->LogFile(), "");
  graph->SetActive(false);
  std::filesystem::remove_all(dir);
}

TEST_F(FilterGraph, TheGraphIsInTheRunningObjectTableOnlyWhileActiveWithGraphEdit) {
  const auto registered = [] {
    ComPtr<IRunningObjectTable> table;
    GetRunningObjectTable(0, table.ReleaseAndGetAddressOf());
    ComPtr<IEnumMoniker> names;
    table->EnumRunning(names.ReleaseAndGetAddressOf());
    int count = 0;
    for (ComPtr<IMoniker> m; names->Next(1, m.ReleaseAndGetAddressOf(), nullptr) == S_OK;) ++count;
    return count;
  };
  const int before = registered();
  graph->SetGraphEdit(true);
  EXPECT_EQ(registered(), before) << "inactive";
  graph->SetActive(true);
  EXPECT_EQ(registered(), before + 1);
  graph->SetGraphEdit(false);
  EXPECT_EQ(registered(), before) << "revoked at once";
  graph->SetGraphEdit(true);
  EXPECT_EQ(registered(), before + 1);
  graph->SetActive(false);
  EXPECT_EQ(registered(), before);
  EXPECT_TRUE(graph->GraphEdit());
}

// A pin that names no filter.
class TLonePin : public TComObject<IPin> {
 public:
  HRESULT QueryPinInfo(PIN_INFO* info) override {
    *info = PIN_INFO{};
    return S_OK;
  }
  HRESULT Connect(IPin*, const AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
  HRESULT ReceiveConnection(IPin*, const AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
  HRESULT Disconnect() override { return E_NOTIMPL; }
  HRESULT ConnectedTo(IPin**) override { return E_NOTIMPL; }
  HRESULT ConnectionMediaType(AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
  HRESULT QueryDirection(PIN_DIRECTION*) override { return E_NOTIMPL; }
  HRESULT QueryId(LPWSTR*) override { return E_NOTIMPL; }
  HRESULT QueryAccept(const AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
  HRESULT EnumMediaTypes(IEnumMediaTypes**) override { return E_NOTIMPL; }
  HRESULT QueryInternalConnections(IPin**, ULONG*) override { return E_NOTIMPL; }
  HRESULT EndOfStream() override { return E_NOTIMPL; }
  HRESULT BeginFlush() override { return E_NOTIMPL; }
  HRESULT EndFlush() override { return E_NOTIMPL; }
  HRESULT NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) override { return E_NOTIMPL; }
};

ComPtr<IPin> FirstPin(IBaseFilter* filter) {
  ComPtr<IEnumPins> pins;
  filter->EnumPins(pins.ReleaseAndGetAddressOf());
  ComPtr<IPin> pin;
  pins->Next(1, pin.ReleaseAndGetAddressOf(), nullptr);
  return pin;
}

// A graph someone else still holds (here the test) outlives the component: once deactivated
// or destroyed, the component must no longer be the graph's site nor its event window, in
// every mode that has a graph of its own.
TEST_F(FilterGraph, AGraphHeldElsewhereKeepsNothingOfTheComponentOnceItLetGo) {
  for (const TGraphMode mode : {gmNormal, gmCapture}) {
    SCOPED_TRACE(mode);
    graph->SetMode(mode);
    graph->SetActive(true);
    ComPtr<IObjectWithSite> site;
    ASSERT_EQ(graph->QueryInterface(IID_IObjectWithSite, site.PutVoid()), S_OK);
    ComPtr<IUnknown> current;
    EXPECT_EQ(site->GetSite(IID_IServiceProvider, current.PutVoid()), S_OK) << "while active";
    current.Reset();

    graph->SetActive(false);
    ASSERT_EQ(site->GetSite(IID_IServiceProvider, current.PutVoid()), E_FAIL);
    // Events the held graph queues from now on go to no window of the component's.
    ComPtr<IMediaEventEx> events;
    ComPtr<IMediaEventSink> sink;
    ASSERT_EQ(site->QueryInterface(IID_IMediaEventEx, events.PutVoid()), S_OK);
    ASSERT_EQ(site->QueryInterface(IID_IMediaEventSink, sink.PutVoid()), S_OK);
    events->SetNotifyFlags(0);
    sink->Notify(EC_USERABORT, 0, 0);
    EXPECT_FALSE(DispatchPostedMessage());
  }

  graph->SetActive(true);
  ComPtr<IObjectWithSite> site;
  ASSERT_EQ(graph->QueryInterface(IID_IObjectWithSite, site.PutVoid()), S_OK);
  owner.reset();  // destroys the component while the graph lives on
  graph = nullptr;
  ComPtr<IUnknown> current;
  EXPECT_EQ(site->GetSite(IID_IServiceProvider, current.PutVoid()), E_FAIL);
  site.Reset();  // the graph's last reference
}

TEST_F(FilterGraph, UnableToRenderFindsTheComponentThroughTheGraphsSite) {
  AddMembers();
  graph->SetActive(true);
  const ComPtr<IPin> inGraph = FirstPin(a->GetFilter().Get());
  ComPtr<IPin> lone;
  lone.Attach(new TLonePin);

  EXPECT_EQ(graph->UnableToRender(inGraph.Get()), S_FALSE) << "no handler";
  IPin* asked = nullptr;
  bool answer = true;
  graph->OnUnableToRender = [&](IPin* pin) { return asked = pin, answer; };
  EXPECT_EQ(graph->UnableToRender(inGraph.Get()), S_OK);
  EXPECT_EQ(asked, inGraph.Get());
  answer = false;
  EXPECT_EQ(graph->UnableToRender(inGraph.Get()), S_FALSE);
  answer = true;
  asked = nullptr;
  EXPECT_EQ(graph->UnableToRender(lone.Get()), S_FALSE);
  EXPECT_EQ(asked, nullptr);

  void* obj = nullptr;
  EXPECT_EQ(graph->QueryService(SID_FilterGraphComponent, SID_FilterGraphComponent, &obj), S_OK);
  EXPECT_EQ(obj, graph);
  obj = &obj;
  EXPECT_EQ(graph->QueryService(SID_FilterGraphComponent, IID_IUnknown, &obj), E_NOINTERFACE);
  EXPECT_EQ(obj, &obj) << "left unchanged";
}

}  // namespace
