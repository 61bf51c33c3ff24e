// The filter graph component's events: the hidden window drains the queue on its message, each
// event reaches OnDSEvent and the property of its code with its arguments decoded, and goes
// back to FreeEventParams as it came, also when a handler raises.
#include <cstring>
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

  void SetUp() override {
    GraphTest::SetUp();
    UseFakeBuilder();
    graph = new TFilterGraph(owner.get());
    graph->SetMode(gmCapture);
    graph->SetActive(true);
    Listen();
  }
  // Every property with arguments writes its name and arguments into `fired`.
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
  void Listen() {
    TFilterGraph& g = *graph;
    g.OnGraphComplete = [this](rtl::TComponent*, HRESULT r, IBaseFilter* f) {
      fired.push_back("Complete " + std::to_string(r) + (f ? " filter" : " nil"));
    };
    g.OnGraphVideoSizeChanged = Record<WORD, WORD>("VideoSize");
    g.OnGraphOpeningFile = Record<bool>("OpeningFile");
    g.OnGraphDeviceLost = [this](rtl::TComponent*, IUnknown*, bool removed) {
      fired.push_back(std::string("DeviceLost ") + (removed ? "1" : "0"));
    };
    g.OnGraphEndOfSegment = Record<REFERENCE_TIME, DWORD>("EndOfSegment");
    g.OnGraphOleEvent = [this](rtl::TComponent*, const std::u16string& a, const std::u16string& b) {
      fired.push_back("Ole " + std::string(a.begin(), a.end()) + "," +
                      std::string(b.begin(), b.end()));
    };
    g.OnGraphStreamErrorStopped = Record<HRESULT, DWORD>("StreamErrorStopped");
    g.OnGraphSNDDevOutError = Record<SND_DEVICE_ERROR, DWORD>("SNDDevOutError");
    g.OnGraphUserAbort = Record<>("UserAbort");
    g.OnDVDCurrentTime = Record<LONG, LONG, LONG, LONG, LONG>("CurrentTime");
    g.OnDVDPlaybackRateChange = Record<float>("Rate");
    g.OnDVDStillOn = Record<bool, LONG>("StillOn");
    g.OnDVDAngleChange = Record<LONG, LONG>("Angle");
    g.OnDVDTitleChange = Record<LONG>("Title");
    g.OnDVDCMDEnd = Record<DWORD>("CMDEnd");
    g.OnDVDKaraokeMode = Record<bool>("Karaoke");
    g.OnDVDCurrentHMSFTime = [this](rtl::TComponent*, tagDVD_HMSF_TIMECODE t, TDsDVDTimecode c) {
      std::ostringstream text;
      text << "HMSF " << int(t.bHours) << ':' << int(t.bMinutes) << ':' << int(t.bSeconds) << ':'
           << int(t.bFrames) << " rate " << int(c.FrameRateCode);
      fired.push_back(text.str());
    };
    g.OnDVDAudioStreamChange = Record<LONG, LONG, std::string>("Audio");
    g.OnDVDSubpictureStreamChange = Record<LONG, LONG, std::string>("Subpicture");
    const std::pair<TNotifyEvent*, const char*> plain[] = {
        {&g.OnDVDDomainFirstPlay, "FirstPlay"},
        {&g.OnDVDDomainStop, "DomainStop"},
        {&g.OnDVDErrorUnexpected, "ErrorUnexpected"},
        {&g.OnDVDErrorIncompatibleDiscAndDecoderRegions, "ErrorDiscRegions"},
        {&g.OnDVDWarningInvalidDVD1_0Disc, "WarningDisc"},
        {&g.OnDVDWarningRead, "WarningRead"},
    };
    for (const auto& [property, name] : plain) *property = Record<>(name);
  }
  // Queues the events, posts the notification and lets the window handle it.
  void Deliver(std::vector<TFakeBuilder::Event> events) {
    for (const auto& e : events) builder->queued.push_back(e);
    PostMessageA(graph->WindowHandle(), WM_GRAPHNOTIFY, 0, 0);
    DrainMessages();
  }
};

TEST_F(GraphEvents, EachCodeFiresItsPropertyWithItsArgumentsDecoded) {
  const REFERENCE_TIME streamTime = 123456789012LL;
  BSTR one = SysAllocString(u"one"), two = SysAllocString(u"two");
  const LONG_PTR high = LONG_PTR{1} << 32;  // bits above the low 32 do not count
  struct Case {
    LONG code;
    LONG_PTR param1, param2;
    std::vector<std::string> fired;
  };
  const Case cases[] = {
      {EC_COMPLETE, S_FALSE, 0, {"Complete 1 nil"}},
      {EC_USERABORT, 0, 0, {"UserAbort"}},
      {EC_VIDEO_SIZE_CHANGED, high | (480 << 16) | 640, 0, {"VideoSize 640 480"}},
      {EC_OPENING_FILE, 1, 0, {"OpeningFile 1"}},
      {EC_OPENING_FILE, high | 1, 0, {"OpeningFile 0"}},
      {EC_DEVICE_LOST, 0, 1, {"DeviceLost 1"}},
      {EC_END_OF_SEGMENT,
       reinterpret_cast<LONG_PTR>(&streamTime),
       7,
       {"EndOfSegment 123456789012 7"}},
      {EC_OLE_EVENT,
       reinterpret_cast<LONG_PTR>(one),
       reinterpret_cast<LONG_PTR>(two),
       {"Ole one,two"}},
      {EC_STREAM_ERROR_STOPPED,
       high | static_cast<uint32_t>(E_FAIL),
       high | 5,
       {"StreamErrorStopped -2147467259 5"}},
      {EC_SNDDEV_OUT_ERROR, SNDDEV_ERROR_Write, 11, {"SNDDevOutError 9 11"}},
      // DVD time codes 12:34:56 frame 21: each field's units nibble above its tens, the frame's
      // tens in bits 3-2 and the frame-rate code in bits 1-0.
      {EC_DVD_CURRENT_TIME, 0x21436518 | 1, 0, {"CurrentTime 12 34 56 21 25"}},
      {EC_DVD_CURRENT_TIME, 0x21436518 | 3, 0, {"CurrentTime 12 34 56 21 30"}},
      {EC_DVD_CURRENT_TIME, 0x21436518, 0, {"CurrentTime 12 34 56 21 0"}},
      {EC_DVD_CURRENT_TIME, 0x21436518 | 2, 0, {"CurrentTime 12 34 56 21 0"}},
      {EC_DVD_PLAYBACK_RATE_CHANGE, 10000, 0, {"Rate 1"}},
      {EC_DVD_PLAYBACK_RATE_CHANGE, 25000, 0, {"Rate 2.5"}},
      {EC_DVD_STILL_ON, 1, -3, {"StillOn 1 -3"}},
      {EC_DVD_ANGLE_CHANGE, high | 4, 2, {"Angle 4 2"}},
      {EC_DVD_TITLE_CHANGE, -1, 0, {"Title -1"}},
      {EC_DVD_CMD_END, 0xFFFFFFFF, 0, {"CMDEnd 4294967295"}},
      {EC_DVD_KARAOKE_MODE, 2, 0, {"Karaoke 1"}},
      {EC_DVD_CURRENT_HMSF_TIME, 0x04030201, 0x00000003, {"HMSF 1:2:3:4 rate 3"}},
      {EC_DVD_DOMAIN_CHANGE, 1, 0, {"FirstPlay"}},
      {EC_DVD_DOMAIN_CHANGE, 5, 0, {"DomainStop"}},
      {EC_DVD_DOMAIN_CHANGE, 6, 0, {}},
      {EC_DVD_ERROR, 1, 0, {"ErrorUnexpected"}},
      {EC_DVD_ERROR, 8, 0, {"ErrorDiscRegions"}},
      {EC_DVD_ERROR, 9, 0, {}},
      {EC_DVD_WARNING, 1, 0, {"WarningDisc"}},
      {EC_DVD_WARNING, 6, 0, {"WarningRead"}},
      {EC_DVD_WARNING, 0, 0, {}},
      {EC_DVD_WARNING, 7, 0, {}},
      {0, 1, 1, {}},
      {-4, 1, 1, {}},
      {999, 1, 1, {}},
  };
  int dsEvents = 0;
  graph->OnDSEvent = [&](rtl::TComponent*, LONG, LONG_PTR, LONG_PTR) { ++dsEvents; };
  for (const Case& c : cases) {
    fired.clear();
    dsEvents = 0;
    Deliver({{c.code, c.param1, c.param2}});
    EXPECT_EQ(dsEvents, 1) << c.code;
    EXPECT_EQ(fired, c.fired) << c.code << " " << c.param1;
  }
  SysFreeString(one);
  SysFreeString(two);
}

TEST_F(GraphEvents, EveryEventGoesBackToFreeEventParamsAtFullWidth) {
  int seen = 0;
  graph->OnDSEvent = [&](rtl::TComponent*, LONG, LONG_PTR, LONG_PTR) { ++seen; };
  const std::vector<TFakeBuilder::Event> events = {
      {EC_COMPLETE, 0, LONG_PTR{0x7FFF12345678}},
      {EC_STREAM_CONTROL_STARTED, LONG_PTR{0x7FFF00000010}, 0x1'00000002},
      {EC_END_OF_SEGMENT, LONG_PTR{0x7FFF00000020}, 3},
      {EC_DVD_TITLE_CHANGE, -LONG_PTR{1} << 40, 0}};
  // Handlers that would read through these made-up pointers stay unassigned.
  graph->OnGraphComplete = nullptr;
  graph->OnGraphEndOfSegment = nullptr;
  Deliver(events);
  EXPECT_EQ(seen, 4);
  EXPECT_EQ(builder->freed, events);
}

TEST_F(GraphEvents, AHandlerThatRaisesIsShownAndTheRestWaitForTheNextMessage) {
  TShownMessages messages;
  graph->OnDVDTitleChange = [](rtl::TComponent*, LONG) { throw rtl::Exception("no title"); };
  Deliver({{EC_DVD_TITLE_CHANGE, 1, 0}, {EC_USERABORT, 0, 0}});
  EXPECT_EQ(messages.shown, std::vector<std::string>{"no title"});
  EXPECT_EQ(builder->freed, (std::vector<TFakeBuilder::Event>{{EC_DVD_TITLE_CHANGE, 1, 0}}));
  EXPECT_TRUE(fired.empty());
  Deliver({});
  EXPECT_EQ(fired, std::vector<std::string>{"UserAbort"});
}

TEST_F(GraphEvents, LanguageNamesComeThroughTheDvdInterface) {
  TShownMessages messages;
  Deliver({{EC_DVD_AUDIO_STREAM_CHANGE, 2, 0}, {EC_DVD_SUBPICTURE_STREAM_CHANGE, 3, 0}});
  EXPECT_EQ(fired, (std::vector<std::string>{"Audio 2 1033 English", "Subpicture 3 1033 English"}));

  fired.clear();
  builder->subpictureLanguageResult = E_FAIL;  // not checked: no language
  Deliver({{EC_DVD_SUBPICTURE_STREAM_CHANGE, 3, 0}});
  EXPECT_EQ(fired, std::vector<std::string>{"Subpicture 3 0 "});

  fired.clear();
  builder->audioLanguageResult = E_FAIL;  // checked: raises
  Deliver({{EC_DVD_AUDIO_STREAM_CHANGE, 2, 0}});
  EXPECT_TRUE(fired.empty());
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_NE(messages.shown[0].find("($80004005)."), std::string::npos) << messages.shown[0];

  builder->hidden.insert(IID_IDvdInfo2);
  Deliver({{EC_DVD_AUDIO_STREAM_CHANGE, 2, 0}, {EC_DVD_SUBPICTURE_STREAM_CHANGE, 3, 0}});
  EXPECT_TRUE(fired.empty());
}

TEST_F(GraphEvents, TheRealQueueReachesTheWindowOnlyWhileActive) {
  // In the normal mode the graph's own queue answers.
  graph->SetMode(gmNormal);
  std::vector<LONG> codes;
  graph->OnDSEvent = [&](rtl::TComponent*, LONG code, LONG_PTR, LONG_PTR) {
    codes.push_back(code);
  };
  ComPtr<IMediaEventSink> sink;
  ASSERT_EQ(graph->QueryInterface(IID_IMediaEventSink, sink.PutVoid()), S_OK);
  sink->Notify(EC_USERABORT, 0, 0);
  sink->Notify(EC_GRAPH_CHANGED, 0, 0);
  DrainMessages();
  EXPECT_EQ(codes, (std::vector<LONG>{EC_USERABORT, EC_GRAPH_CHANGED}));

  sink->Notify(EC_PAUSED, 0, 0);  // queued and posted, then the graph goes
  sink.Reset();
  graph->SetActive(false);
  PostMessageA(graph->WindowHandle(), WM_GRAPHNOTIFY, 0, 0);
  DrainMessages();
  EXPECT_EQ(codes.size(), 2u);

  PostMessageA(graph->WindowHandle(), WM_APP + 2, 0, 0);
  DrainMessages();  // goes to the default procedure
  EXPECT_EQ(codes.size(), 2u);
}

}  // namespace
