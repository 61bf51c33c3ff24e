// The filter graph component's events: the hidden window drains the queue on its message, each
// event reaches OnDSEvent and the property of its code with its arguments decoded, and goes
// back to FreeEventParams as it came; a raising handler is shown and ends the drain.
#include <sstream>

#include "capture/graph_fixture.h"
#include "platform/dshow/evcode.h"
#include "platform/win/dialogs.h"

namespace {

// Collects the messages the application shows.
class TShownMessages : public DialogService {
 public:
  TShownMessages() : previous_(SetDialogService(this)) {}
  ~TShownMessages() override { SetDialogService(previous_); }
  void ShowMessage(const std::string& text) override { shown.push_back(text); }
  bool AskYesNo(const std::string&, const std::string&) override { return false; }
  bool ExecuteOpen(TOpenDialog&) override { return false; }
  bool ExecuteSave(TSaveDialog&) override { return false; }
  std::vector<std::string> shown;

 private:
  DialogService* previous_;
};

class GraphEvents : public GraphTest {
 protected:
  TFilterGraph* graph = nullptr;
  std::vector<std::string> fired;
  TShownMessages messages;

  // A handler that writes its name and arguments into `fired`.
  template <class... A>
  auto Record(const char* name) {
    return [this, name](rtl::TComponent* sender, A... args) {
      EXPECT_EQ(sender, graph);
      std::ostringstream text;
      text << name;
      ((text << ' ' << args), ...);
      fired.push_back(text.str());
    };
  }
  void SetUp() override {
    GraphTest::SetUp();
    UseFakeBuilder();
    graph = new TFilterGraph(owner.get());
    graph->SetMode(gmCapture);
    graph->SetActive(true);
    TFilterGraph& g = *graph;
    g.OnGraphComplete = Record<HRESULT, IBaseFilter*>("Complete");
    g.OnGraphVideoSizeChanged = Record<WORD, WORD>("VideoSize");
    g.OnGraphOpeningFile = Record<bool>("OpeningFile");
    g.OnGraphStreamErrorStopped = Record<HRESULT, DWORD>("StreamError");
    g.OnGraphUserAbort = Record<>("UserAbort");
    g.OnDVDCurrentTime = Record<LONG, LONG, LONG, LONG, LONG>("Time");
    g.OnDVDPlaybackRateChange = Record<float>("Rate");
    g.OnDVDTitleChange = Record<LONG>("Title");
    g.OnDVDAudioStreamChange = Record<LONG, LONG, std::string>("Audio");
    g.OnDVDSubpictureStreamChange = Record<LONG, LONG, std::string>("Subpicture");
    g.OnDVDDomainFirstPlay = Record<>("FirstPlay");
    g.OnDVDDomainStop = Record<>("DomainStop");
    g.OnDVDErrorUnexpected = Record<>("ErrorUnexpected");
    g.OnDVDErrorIncompatibleDiscAndDecoderRegions = Record<>("ErrorRegions");
    g.OnDVDWarningInvalidDVD1_0Disc = Record<>("WarningDisc");
    g.OnDVDWarningRead = Record<>("WarningRead");
  }
  // Queues the events, posts the notification and lets the window handle it.
  void Deliver(std::vector<TFakeBuilder::Event> events) {
    for (const auto& e : events) builder->queued.push_back(e);
    PostMessageA(graph->WindowHandle(), WM_GRAPHNOTIFY, 0, 0);
    DrainMessages();
  }
};

TEST_F(GraphEvents, EachCodeFiresItsPropertyWithItsArgumentsAndIsFreedAsItCame) {
  const LONG_PTR high = LONG_PTR{1} << 32;  // bits above the low 32 do not count
  // DVD time 12:34:56 frame 21: each field's units nibble above its tens, the frame's tens in
  // bits 3-2 and the frame-rate code in bits 1-0.
  const LONG_PTR time = 0x21436518;
  struct Case {
    LONG code;
    LONG_PTR param1, param2;
    std::vector<std::string> fired;
  };
  const Case cases[] = {
      {EC_COMPLETE, high | S_FALSE, 0, {"Complete 1 0"}},
      {EC_USERABORT, 0, 0, {"UserAbort"}},
      {EC_VIDEO_SIZE_CHANGED, high | (480 << 16) | 640, 0, {"VideoSize 640 480"}},
      {EC_OPENING_FILE, 1, 0, {"OpeningFile 1"}},
      {EC_OPENING_FILE, high | 1, 0, {"OpeningFile 0"}},
      {EC_STREAM_ERROR_STOPPED, high | 0x80004005, high | 5, {"StreamError -2147467259 5"}},
      {EC_DVD_CURRENT_TIME, time | 1, 0, {"Time 12 34 56 21 25"}},
      {EC_DVD_CURRENT_TIME, time | 3, 0, {"Time 12 34 56 21 30"}},
      {EC_DVD_CURRENT_TIME, time | 0, 0, {"Time 12 34 56 21 0"}},
      {EC_DVD_CURRENT_TIME, time | 2, 0, {"Time 12 34 56 21 0"}},
      {EC_DVD_PLAYBACK_RATE_CHANGE, 10000, 0, {"Rate 1"}},
      {EC_DVD_PLAYBACK_RATE_CHANGE, 25000, 0, {"Rate 2.5"}},
      {EC_DVD_TITLE_CHANGE, high | 0xFFFFFFFF, 0, {"Title -1"}},
      {EC_DVD_DOMAIN_CHANGE, 1, 0, {"FirstPlay"}},
      {EC_DVD_DOMAIN_CHANGE, 5, 0, {"DomainStop"}},
      {EC_DVD_DOMAIN_CHANGE, 6, 0, {}},
      {EC_DVD_ERROR, 1, 0, {"ErrorUnexpected"}},
      {EC_DVD_ERROR, 8, 0, {"ErrorRegions"}},
      {EC_DVD_ERROR, 9, 0, {}},
      {EC_DVD_WARNING, 1, 0, {"WarningDisc"}},
      {EC_DVD_WARNING, 6, 0, {"WarningRead"}},
      {EC_DVD_WARNING, 0, 0, {}},
      {EC_DVD_AUDIO_STREAM_CHANGE, 2, 0, {"Audio 2 1033 English"}},
      {EC_DVD_SUBPICTURE_STREAM_CHANGE, 3, 0, {"Subpicture 3 1033 English"}},
      {0, 1, 1, {}},
      {-4, 1, 1, {}},
      {999, 1, 1, {}},
  };
  std::vector<TFakeBuilder::Event> all;
  int dsEvents = 0;
  graph->OnDSEvent = [&](rtl::TComponent*, LONG, LONG_PTR, LONG_PTR) { ++dsEvents; };
  for (const Case& c : cases) {
    fired.clear();
    dsEvents = 0;
    Deliver({{c.code, c.param1, c.param2}});
    all.push_back({c.code, c.param1, c.param2});
    EXPECT_EQ(dsEvents, 1) << c.code;
    EXPECT_EQ(fired, c.fired) << c.code << " " << c.param1;
  }
  EXPECT_EQ(builder->freed, all);
}

TEST_F(GraphEvents, FailuresAreShownAndEndTheDrainUntilTheNextMessage) {
  graph->OnDVDTitleChange = [](rtl::TComponent*, LONG) { throw rtl::Exception("no title"); };
  Deliver({{EC_DVD_TITLE_CHANGE, 1, 0}, {EC_USERABORT, 0, 0}});
  EXPECT_EQ(messages.shown, std::vector<std::string>{"no title"});
  EXPECT_EQ(builder->freed, (std::vector<TFakeBuilder::Event>{{EC_DVD_TITLE_CHANGE, 1, 0}}));
  Deliver({});
  EXPECT_EQ(fired, std::vector<std::string>{"UserAbort"});

  // The audio language is checked and raises; the subpicture language is not.
  fired.clear();
  builder->audioLanguageResult = builder->subpictureLanguageResult = E_FAIL;
  Deliver({{EC_DVD_SUBPICTURE_STREAM_CHANGE, 3, 0}, {EC_DVD_AUDIO_STREAM_CHANGE, 2, 0}});
  EXPECT_EQ(fired, std::vector<std::string>{"Subpicture 3 0 "});
  ASSERT_EQ(messages.shown.size(), 2u);
  EXPECT_NE(messages.shown[1].find("($80004005)."), std::string::npos) << messages.shown[1];
  // Without the DVD interface neither handler is called.
  fired.clear();
  builder->hidden.insert(IID_IDvdInfo2);
  Deliver({{EC_DVD_AUDIO_STREAM_CHANGE, 2, 0}, {EC_DVD_SUBPICTURE_STREAM_CHANGE, 3, 0}});
  EXPECT_TRUE(fired.empty());
}

TEST_F(GraphEvents, TheGraphsOwnQueueReachesTheWindowOnlyWhileActive) {
  graph->SetMode(gmNormal);  // no builder: the graph's queue answers
  std::vector<LONG> codes;
  graph->OnDSEvent = [&](rtl::TComponent*, LONG code, LONG_PTR, LONG_PTR) {
    codes.push_back(code);
  };
  ComPtr<IMediaEventSink> sink;
  ASSERT_EQ(graph->QueryInterface(IID_IMediaEventSink, sink.PutVoid()), S_OK);
  sink->Notify(EC_USERABORT, 0, 0);
  DrainMessages();
  EXPECT_EQ(codes, std::vector<LONG>{EC_USERABORT});
  sink->Notify(EC_PAUSED, 0, 0);  // queued and posted, then the graph goes
  sink.Reset();
  graph->SetActive(false);
  PostMessageA(graph->WindowHandle(), WM_GRAPHNOTIFY, 0, 0);
  DrainMessages();
  EXPECT_EQ(codes.size(), 1u);
}

}  // namespace
