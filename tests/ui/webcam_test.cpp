// Webcam playing through the real windows and the real capture graph: synthetic cameras
// chosen in the settings window, stepped frame by frame by the test, down to the notes, the
// MIDI bytes, the status line and the marker's pixels on the playing surface.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <algorithm>
#include <memory>
#include <optional>

#include "capture/com_fixture.h"
#include "capture/dsaux/enummediatype.h"
#include "capture/dscapture/dscapture.h"
#include "engine/waves.h"
#include "platform/dshow/classes.h"
#include "platform/dshow/devices.h"
#include "platform/dshow/filterbase.h"
#include "platform/dshow/synthetic_camera.h"
#include "platform/winmm/midiout_virtual.h"
#include "platform/winmm/waveout_virtual.h"
#include "rtl/graphics.h"
#include "support/program_windows.h"
#include "support/recording_dialogs.h"
#include "ui/unitInstrument.h"
#include "ui/unitLumatap.h"
#include "ui/unitsettings.h"
#include "ui/widgets/application.h"

namespace {

using Bytes = std::vector<BYTE>;
constexpr TRgb kLight{205, 200, 190}, kHand{60, 45, 40};

const TVoice* HeldVoice(int32_t id) {
  for (const TVoice& v : Voices)
    if (v.Id == id && (v.State == vsAttack || v.State == vsSustain)) return &v;
  return nullptr;
}

int Held() {
  return static_cast<int>(std::count_if(std::begin(Voices), std::end(Voices), [](const TVoice& v) {
    return v.State == vsAttack || v.State == vsSustain;
  }));
}

// A light 640 × 480 picture, with a dark hand 40 wide and 100 high whose top left corner is
// at (x, y) when y >= 0.
TFrameImage Picture(int x = 0, int y = -1) {
  TFrameImage image(640, 480, kLight);
  if (y >= 0) image.View().FillRect(x, y, x + 40, y + 100, kHand);
  return image;
}

// A camera whose source filter has no pins.
class TPinlessFilter : public TDSFilter {
 public:
  TPinlessFilter() : TDSFilter(GUID{0x6A1D2C3B, 0x1, 0x2, {1, 2, 3, 4, 5, 6, 7, 8}}) {}
};
class TPinlessProvider : public TDeviceProvider {
 public:
  std::string Name() const override { return "pinless"; }
  std::vector<TVideoDevice> ListDevices() override { return {{"p", "Pinless", GUID{}}}; }
  HRESULT CreateSourceFilter(const std::string&, IBaseFilter** filter) override {
    *filter = new TPinlessFilter;  // one reference, the caller's
    return S_OK;
  }
};

// A capture graph builder whose graph reports a failure when stopped (after stopping it): the
// filter graph component reaches the graph's controls through the builder first.
class TStopFailingBuilder : public TComObject<ICaptureGraphBuilder2, IMediaControl> {
 public:
  TStopFailingBuilder() { CreateCaptureGraphBuilder(IID_ICaptureGraphBuilder2, real_.PutVoid()); }
  static HRESULT Create(REFIID riid, void** ppv) {
    ComPtr<ICaptureGraphBuilder2> builder;
    builder.Attach(new TStopFailingBuilder);
    return builder->QueryInterface(riid, ppv);
  }
  HRESULT SetFiltergraph(IGraphBuilder* graph) override {
    graph->QueryInterface(IID_IMediaControl, control_.PutVoid());
    return real_->SetFiltergraph(graph);
  }
  HRESULT GetFiltergraph(IGraphBuilder** graph) override { return real_->GetFiltergraph(graph); }
  HRESULT FindInterface(const GUID* category, const GUID* type, IBaseFilter* filter, REFIID riid,
                        void** ppv) override {
    return real_->FindInterface(category, type, filter, riid, ppv);
  }
  HRESULT RenderStream(const GUID* category, const GUID* type, IUnknown* source,
                       IBaseFilter* intermediate, IBaseFilter* sink) override {
    return real_->RenderStream(category, type, source, intermediate, sink);
  }
  HRESULT FindPin(IUnknown* source, PIN_DIRECTION dir, const GUID* category, const GUID* type,
                  BOOL unconnected, int num, IPin** pin) override {
    return real_->FindPin(source, dir, category, type, unconnected, num, pin);
  }
  HRESULT Run() override { return control_->Run(); }
  HRESULT Pause() override { return control_->Pause(); }
  HRESULT Stop() override {
    control_->Stop();
    return E_FAIL;
  }
  HRESULT GetState(LONG timeout, OAFilterState* state) override {
    return control_->GetState(timeout, state);
  }
  HRESULT StopWhenReady() override { return Stop(); }

 private:
  ComPtr<ICaptureGraphBuilder2> real_;
  ComPtr<IMediaControl> control_;
};

// The three windows with two synthetic cameras plugged in (stepped), a virtual sound device
// and two virtual MIDI ports; the main window 1001 by 601 client pixels: playing rows 68..564.
class Webcam : public ::testing::Test {
 protected:
  void SetUp() override {
    a->SetPace(TCameraPace::Stepped);
    b->SetPace(TCameraPace::Stepped);
    a->SetScript(FrameListScript({Picture()}));
    b->SetScript(FrameListScript({Picture()}));
    windows_.emplace();
    f = FormLumatap;
    s = FormSettings;
    f->Timer1->stop();
    f->move(40, 30);
    f->resize(1001, 601);
    f->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(f));
    ASSERT_EQ(f->Panel1->height(), 68);
    ASSERT_EQ(f->StatusBar1->y(), 565);
  }
  void TearDown() override { windows_.reset(); }

  // The user picks "WebCam" in the input list.
  void ChooseWebcam() {
    s->ComboBoxInput->setCurrentIndex(1);
    s->ComboBoxInputChange();
    ASSERT_TRUE(WebcamInUse);
  }
  // The user picks item index of a list of the settings window.
  static void Pick(TComboBox* box, int index) {
    box->setCurrentIndex(index);
    box->OnChange();
  }
  // The camera shows picture from its next frame on; the frame is delivered and the messages
  // it posted are handled.
  void Show(TSyntheticCamera& camera, TFrameImage picture) {
    camera.SetScript(FrameListScript({std::move(picture)}));
    ASSERT_TRUE(camera.Step());
    Application.ProcessMessages();
  }
  std::string Status() const { return f->StatusBar1->SimpleText().toStdString(); }
  QImage Surface() const { return f->Canvas().Image().copy(); }
  // The rectangle of the surface where it differs from before; empty when it does not.
  static QRect Changed(const QImage& before, const QImage& after) {
    QRect r;
    for (int y = 0; y < before.height(); ++y)
      for (int x = 0; x < before.width(); ++x)
        if (before.pixel(x, y) != after.pixel(x, y)) r |= QRect(x, y, 1, 1);
    return r;
  }
  static QRect Marker() {
    const TMarkerRect& m = FormLumatap->MarkerRect;
    return QRect(QPoint(m.left, m.top), QPoint(m.right, m.bottom));
  }
  void EnterMidiMode() {
    FormInstrument->btnMidiClick();
    FormInstrument->ComboBoxMidi->setCurrentIndex(0);
    FormInstrument->ComboBoxMidi->OnChange();
    ASSERT_NE(FormInstrument->MidiOut, nullptr);
    ports_.Clear();
  }

  std::shared_ptr<TSyntheticCamera> a = std::make_shared<TSyntheticCamera>("a", "Camera A");
  std::shared_ptr<TSyntheticCamera> b = std::make_shared<TSyntheticCamera>("b", "Camera B");
  TInstalledDeviceProviders providers_{{std::make_shared<TSyntheticCameraProvider>(
      std::vector<std::shared_ptr<TSyntheticCamera>>{a, b})}};
  VirtualWaveOut sound_{VirtualWaveOut::Pace::Stepped};
  VirtualMidiOut ports_{{"Synth A"}};
  RecordingDialogs dialogs_;
  TFormLumatap* f = nullptr;
  TFormSettings* s = nullptr;
  std::optional<ProgramWindows> windows_;
};

// --- Device control --------------------------------------------------------------------------

TEST_F(Webcam, ChoosingTheWebcamListsTheCamerasAndTheFirstOnesFormats) {
  ChooseWebcam();
  ASSERT_EQ(s->ComboBoxInput->count(), 2);
  EXPECT_EQ(s->ComboBoxInput->itemText(0), "Camera A");
  EXPECT_EQ(s->ComboBoxInput->itemText(1), "Camera B");
  EXPECT_EQ(s->ComboBoxInput->currentIndex(), 0);
  ASSERT_EQ(s->VideoFormats->count(), 3);
  EXPECT_EQ(f->MediaTypes->Count(), 3);
  EXPECT_EQ(s->VideoFormats->currentIndex(), 0);
  EXPECT_NE(s->VideoFormats->itemText(0).toStdString().find("640"), std::string::npos)
      << s->VideoFormats->itemText(0).toStdString();
  EXPECT_FALSE(f->vFilterGraph->Active()) << "capture starts only with playing";
  EXPECT_EQ(f->vFilterGraph->Mode(), gmCapture);
  const AM_MEDIA_TYPE& demanded = *f->vSampleGrabber->MediaType()->MediaRecord();
  EXPECT_EQ(demanded.subtype, MEDIASUBTYPE_RGB24);
  EXPECT_EQ(demanded.bFixedSizeSamples, FALSE);
  EXPECT_EQ(demanded.bTemporalCompression, TRUE);
  EXPECT_EQ(demanded.lSampleSize, 0u);
  EXPECT_EQ(demanded.cbFormat, 0u);
  ASSERT_NE(FrameA, nullptr);
  EXPECT_TRUE(FrameA->Empty() && FrameB->Empty());
}

TEST_F(Webcam, AnotherCameraWhileNotPlayingTakesEffectAtTheNextStart) {
  ChooseWebcam();
  Pick(s->ComboBoxInput, 1);
  EXPECT_EQ(s->VideoFormats->count(), 3);
  EXPECT_FALSE(f->vFilterGraph->Active());
  EXPECT_FALSE(a->Streaming() || b->Streaming());
  f->btnPlay->Click();
  EXPECT_TRUE(f->vFilterGraph->Active());
  EXPECT_TRUE(b->Streaming());
  EXPECT_FALSE(a->Streaming());
  ASSERT_TRUE(b->Step());
  EXPECT_EQ(FrameB->Width(), 640) << "the first format";
}

TEST_F(Webcam, AnotherCameraOrFormatWhilePlayingRestartsCaptureInIt) {
  ChooseWebcam();
  f->btnPlay->Click();
  ASSERT_TRUE(a->Streaming());
  Pick(s->VideoFormats, 1);  // 320 × 240
  EXPECT_TRUE(a->Streaming());
  ASSERT_TRUE(a->Step());
  EXPECT_EQ(FrameB->Width(), 320);
  EXPECT_EQ(FrameB->Height(), 240);

  Pick(s->ComboBoxInput, 1);
  EXPECT_FALSE(a->Streaming());
  EXPECT_TRUE(b->Streaming());
  EXPECT_EQ(s->VideoFormats->currentIndex(), 0);
  ASSERT_TRUE(b->Step());
  EXPECT_EQ(FrameA->Width(), 640) << "the new camera's first format";
}

TEST_F(Webcam, PauseAndPlayTakeTheGraphDownAndBuildItAgain) {
  ChooseWebcam();
  for (int round = 0; round < 2; ++round) {
    f->btnPlay->Click();
    EXPECT_TRUE(f->vFilterGraph->Active());
    EXPECT_TRUE(a->Step()) << round;
    f->btnPause->Click();
    EXPECT_FALSE(f->vFilterGraph->Active());
    EXPECT_FALSE(a->Streaming());
    EXPECT_FALSE(a->Step()) << "no frame once paused";
  }
  EXPECT_EQ(a->FramesDelivered(), 2u);
  EXPECT_TRUE(dialogs_.messages.empty());
}

TEST_F(Webcam, AVanishedCameraOrOneWithoutPinsListsNoFormatAndRaisesNothing) {
  ChooseWebcam();
  b->SetPresent(false);
  Pick(s->ComboBoxInput, 1);  // the index no longer exists
  EXPECT_EQ(s->VideoFormats->count(), 0);
  EXPECT_EQ(f->MediaTypes->Count(), 0);
  EXPECT_FALSE(f->vFilterGraph->Active());
  EXPECT_FALSE(f->vFilterSource->BaseFilter()->Moniker()) << "no device bound";

  TInstalledDeviceProviders pinless{{std::make_shared<TPinlessProvider>()}};
  Pick(s->ComboBoxInput, 0);
  EXPECT_EQ(s->VideoFormats->count(), 0);
  EXPECT_FALSE(f->vFilterGraph->Active());
  EXPECT_TRUE(dialogs_.messages.empty());
}

TEST_F(Webcam, PlayingWithoutACameraSaysSoAndTheMouseStillPlays) {
  ChooseWebcam();
  a->SetPresent(false);
  b->SetPresent(false);
  Pick(s->ComboBoxInput, 0);
  f->btnPlay->Click();
  EXPECT_EQ(Status(), "No camera is available for webcam input.");
  EXPECT_FALSE(f->vFilterGraph->Active()) << "neither rendered nor run";
  EXPECT_TRUE(dialogs_.messages.empty());
  QTest::mousePress(f, Qt::LeftButton, {}, QPoint(500, 316));
  EXPECT_EQ(Held(), 1);
  QTest::mouseRelease(f, Qt::LeftButton, {}, QPoint(500, 316));
  f->btnPause->Click();
  EXPECT_TRUE(dialogs_.messages.empty());
}

TEST_F(Webcam, AFailedRunGoesToTheApplicationsHandler) {
  ChooseWebcam();
  // Another stream holds the camera: running the graph fails.
  ASSERT_EQ(a->Open(333333), S_OK);
  f->btnPlay->Click();
  ASSERT_EQ(dialogs_.messages.size(), 1u);
  EXPECT_NE(dialogs_.messages[0].find("($"), std::string::npos) << dialogs_.messages[0];
  a->RequestStop();
  a->Close();
  f->btnPause->Click();
  EXPECT_FALSE(f->vFilterGraph->Active());
  EXPECT_EQ(dialogs_.messages.size(), 1u);
  f->btnPlay->Click();
  EXPECT_TRUE(a->Streaming()) << "the next start works";
}

TEST_F(Webcam, AFailedStopIsReportedAndStillReleasesTheCamera) {
  TClassOverride builder(CLSID_CaptureGraphBuilder2, &TStopFailingBuilder::Create);
  ChooseWebcam();
  f->btnPlay->Click();
  ASSERT_TRUE(a->Streaming());
  f->btnPause->Click();
  ASSERT_EQ(dialogs_.messages.size(), 1u) << "the pause button's stop failed";
  EXPECT_FALSE(f->vFilterGraph->Active());
  EXPECT_FALSE(a->Streaming());

  // At the end of the program the failure is caught and shown; the windows go all the same.
  f->btnPlay->Click();
  ASSERT_TRUE(a->Streaming());
  windows_.reset();
  EXPECT_EQ(dialogs_.messages.size(), 2u);
  EXPECT_FALSE(a->Streaming());
}

// --- Shut-down -------------------------------------------------------------------------------

TEST_F(Webcam, ShutDownStopsCaptureAndIgnoresQueuedCameraMessages) {
  ChooseWebcam();
  f->btnPlay->Click();
  ASSERT_TRUE(a->Streaming());
  const int32_t ids = NoteIdCounter;
  f->BeginShutDown();
  EXPECT_FALSE(a->Streaming());
  EXPECT_FALSE(f->vFilterGraph->Active());
  CamFreq = 440.0f;
  CamVolume = 1.0f;
  PostMessageA(f->Handle(), WM_CAMNOTEON, 0, 0);
  Application.ProcessMessages();
  EXPECT_EQ(Held(), 0);
  EXPECT_EQ(NoteIdCounter, ids);
}

TEST_F(Webcam, ExitWhileTheCameraRunsInMidiMode) {
  EnterMidiMode();
  ChooseWebcam();
  f->btnPlay->Click();
  Show(*a, Picture(560, 8));
  Show(*a, Picture(560, 8));  // the hand enters: no message yet
  // A note on queued when the program ends reaches neither the editor nor the port.
  a->SetScript(FrameListScript({Picture()}));
  ASSERT_TRUE(a->Step());
  ASSERT_EQ(PostedMessagesWaiting(), 1u);
  windows_.reset();
  EXPECT_FALSE(a->Streaming());
  EXPECT_TRUE(ports_.Messages(0).empty());
}

// --- Camera messages -------------------------------------------------------------------------

TEST_F(Webcam, TheCameraNoteIdStaysApartFromTheMouseNoteId) {
  struct Case {
    int32_t counter, mouse, cam;
  };
  for (const Case c : {Case{0, 0, 1}, Case{0, 1, -1}, Case{4, 3, 5}, Case{4, 5, 3}}) {
    NoteIdCounter = c.counter;
    MouseNoteId = c.mouse;
    PostMessageA(f->Handle(), WM_CAMNOTEON, 0, 0);
    Application.ProcessMessages();
    EXPECT_EQ(CamNoteId, c.cam) << c.counter << " " << c.mouse;
    EXPECT_EQ(NoteIdCounter, c.counter + 1);
  }
}

TEST_F(Webcam, TheMarkerSitsWhereAPressWouldPlayAndFollowsUntilARepaint) {
  CamPos = 0.5f;
  CamVolume = 0.5f;
  CamFreq = 440.0f;
  const QImage plain = Surface();
  PostMessageA(f->Handle(), WM_CAMNOTEON, 0, 0);
  Application.ProcessMessages();
  EXPECT_EQ(Status(), "Note: 440.00Hz at volume: 0.500");
  // Client width 1001: x = 1000 × 0.5; y = 68 + 0.5 × (564 − 68).
  EXPECT_EQ(f->MarkerRect.left, 494);
  EXPECT_EQ(f->MarkerRect.right, 506);
  EXPECT_EQ(f->MarkerRect.top, 310);
  EXPECT_EQ(f->MarkerRect.bottom, 322);
  EXPECT_TRUE(f->MarkerShown);
  const QRect first = Changed(plain, Surface());
  ASSERT_FALSE(first.isEmpty());
  EXPECT_TRUE(Marker().adjusted(-8, -8, 8, 8).contains(first));
  EXPECT_EQ(FromQColor(Surface().pixel(500, 316 - 5)),
            0x0000FFu ^ FromQColor(plain.pixel(500, 311)))
      << "red in exclusive-or on the ring";

  // A move erases the old circle: only the new one differs from the plain surface.
  CamPos = 0.25f;
  PostMessageA(f->Handle(), WM_CAMNOTEMOVE, 0, 0);
  Application.ProcessMessages();
  const QRect second = Changed(plain, Surface());
  EXPECT_TRUE(Marker().adjusted(-8, -8, 8, 8).contains(second));
  EXPECT_FALSE(second.intersects(first));

  // After a repaint the marker is gone, and the next move draws without erasing.
  f->Invalidate();
  f->repaint();
  EXPECT_FALSE(f->MarkerShown);
  EXPECT_TRUE(Changed(plain, Surface()).isEmpty());
  CamPos = 0.75f;
  PostMessageA(f->Handle(), WM_CAMNOTEMOVE, 0, 0);
  Application.ProcessMessages();
  EXPECT_TRUE(Marker().adjusted(-8, -8, 8, 8).contains(Changed(plain, Surface())));

  PostMessageA(f->Handle(), WM_CAMNOTEOFF, 0, 0);
  Application.ProcessMessages();
  EXPECT_EQ(Status(), "Note released");
  EXPECT_FALSE(f->MarkerShown);
  EXPECT_TRUE(Changed(plain, Surface()).isEmpty());
}

TEST_F(Webcam, InMidiModeTheCameraPlaysThroughTheEditor) {
  EnterMidiMode();
  CamPos = 0.5f;
  CamVolume = 0.5f;
  CamMidiNote = 60;
  CamVelocity = 64;
  PostMessageA(f->Handle(), WM_CAMNOTEON, 0, 0);
  Application.ProcessMessages();
  EXPECT_EQ(Status(), "Midi 60 at 64");
  CamMidiNote = 62;
  PostMessageA(f->Handle(), WM_CAMNOTEMOVE, 0, 0);
  PostMessageA(f->Handle(), WM_CAMNOTEOFF, 0, 0);
  Application.ProcessMessages();
  EXPECT_EQ(ports_.Messages(0),
            (std::vector<Bytes>{{0x90, 60, 64}, {0x80, 60, 64}, {0x90, 62, 64}, {0x80, 62, 64}}));
  EXPECT_EQ(Held(), 0);
}

// --- End to end ------------------------------------------------------------------------------

enum class TMode { Smooth, Piano, Midi };

class WebcamHand : public Webcam, public ::testing::WithParamInterface<TMode> {};

// A hand enters at the top near the right of the camera picture (the low end of the playing
// range in the mirror), moves down and to the left, and leaves through the bottom band.
TEST_P(WebcamHand, OneNoteFollowsTheHandFromTheTopToTheBottomBand) {
  const TMode mode = GetParam();
  if (mode == TMode::Midi) EnterMidiMode();
  if (mode == TMode::Piano) f->btnPianoClick();
  f->repaint();
  ChooseWebcam();
  f->btnPlay->Click();
  ASSERT_TRUE(a->Streaming());
  const QImage plain = Surface();

  Show(*a, Picture());  // against the black first comparison: ignored
  Show(*a, Picture());
  EXPECT_EQ(NoteIdCounter, 0);
  EXPECT_FALSE(f->MarkerShown);

  int notesOn = 0, moves = 0;
  float lastPos = 0;
  int x = 580;
  for (int y = 8; y < 480; y += 8, x -= 4) {
    const int32_t idsBefore = NoteIdCounter;
    Show(*a, Picture(x, y));
    if (NoteIdCounter != idsBefore) ++notesOn;
    if (!f->MarkerShown) break;  // released
    ++moves;
    EXPECT_GE(CamPos, lastPos) << "the hand moves towards the high end";
    lastPos = CamPos;
    // The marker follows: what differs from the plain surface is one circle around it.
    const QRect changed = Changed(plain, Surface());
    ASSERT_FALSE(changed.isEmpty()) << y;
    ASSERT_TRUE(Marker().adjusted(-8, -8, 8, 8).contains(changed)) << y;
    if (mode == TMode::Midi) continue;
    const TVoice* voice = HeldVoice(CamNoteId);
    ASSERT_NE(voice, nullptr) << y;
  }
  EXPECT_EQ(notesOn, 1);
  EXPECT_GT(moves, 30);
  EXPECT_GT(lastPos, 0.3f);
  EXPECT_EQ(Status(), "Note released");
  EXPECT_TRUE(Changed(plain, Surface()).isEmpty()) << "the marker is erased";
  EXPECT_EQ(Held(), 0);
  if (mode == TMode::Midi) {
    const std::vector<Bytes> sent = ports_.Messages(0);
    ASSERT_GE(sent.size(), 3u);
    EXPECT_EQ(sent.front()[0], 0x90);
    EXPECT_EQ(sent.front()[2], 124) << "volume (368 − 8) / 368";
    EXPECT_EQ(sent.back()[0], 0x80);
    EXPECT_GT(sent.back()[1], sent.front()[1]) << "higher at the end";
    int on = 0, off = 0;
    for (const Bytes& m : sent) on += m[0] == 0x90, off += m[0] == 0x80;
    EXPECT_EQ(on, off) << "every note that sounded ends";
  }
  EXPECT_TRUE(dialogs_.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(Modes, WebcamHand,
                         ::testing::Values(TMode::Smooth, TMode::Piano, TMode::Midi));

TEST_F(Webcam, TheFirstNoteOfAHandHasItsRowsVolumeAndMirroredPitch) {
  ChooseWebcam();
  f->btnPlay->Click();
  Show(*a, Picture());
  Show(*a, Picture());
  // Columns 580..619 of row 8 move; 582..619 count: xf = 1501 / 38 + 1 = 40.5, and the pitch
  // 440 × 2^((98 × 40.5 / 639 − 48) / 12).
  Show(*a, Picture(580, 8));
  EXPECT_EQ(NoteIdCounter, 1);
  EXPECT_EQ(CamVolume, static_cast<float>(360.0 / 368));
  EXPECT_EQ(CamPos, 40.5f / 639);
  EXPECT_EQ(Status(), "Note: 39.37Hz at volume: 0.978");
  ASSERT_NE(HeldVoice(CamNoteId), nullptr);
}

}  // namespace
