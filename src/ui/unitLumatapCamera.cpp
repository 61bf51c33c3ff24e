// The main window's webcam: device control from the settings window (GUI thread), the frame
// handler that runs the motion tracker (capture streaming thread), and the camera messages it
// posts, turned into notes and the marker (GUI thread).
#include "capture/dsaux/enummediatype.h"
#include "capture/dsaux/pinlist.h"
#include "capture/dsaux/sysdevenum.h"
#include "capture/dscapture/dscapture.h"
#include "capture/tracker/motiontracker.h"
#include "engine/waves.h"
#include "platform/dshow/filter_interfaces.h"
#include "platform/dshow/guids.h"
#include "platform/win/thread.h"
#include "rtl/graphics.h"
#include "ui/unitInstrument.h"
#include "ui/unitLumatap.h"
#include "ui/unitsettings.h"
#include "ui/widgets/application.h"
#include "ui/widgets/numbers.h"

TRelaxed<float> CamPos{0.0f};
TRelaxed<float> CamVolume{0.0f};
TRelaxed<float> CamFreq{0.0f};
TRelaxed<int32_t> CamMidiNote{0};
TRelaxed<int32_t> CamVelocity{0};

rtl::TBitmap* FrameA = nullptr;
rtl::TBitmap* FrameB = nullptr;
bool FrameToggle = false;
bool CamNoteOn = false;

// --- Device control ------------------------------------------------------------------------

void TFormLumatap::CapturePause() {
  Sleep(100);
  Application.ProcessMessages();
  Sleep(100);
}

void TFormLumatap::InitWebcam() {
  WebcamInUse = true;
  FrameA = new rtl::TBitmap;
  FrameB = new rtl::TBitmap;
  vFilterSource->SetFilterGraph(vFilterGraph);
  vSampleGrabber->SetFilterGraph(vFilterGraph);
  vSampleGrabber->OnBuffer = [this](rtl::TComponent* sender, double SampleTime, BYTE* pBuffer,
                                    LONG BufferLen) {
    vSampleGrabberBuffer(sender, SampleTime, pBuffer, BufferLen);
  };
  vFilterGraph->SetMode(gmCapture);
  vFilterGraph->SetGraphEdit(true);
  vFilterGraph->SetLinearVolume(true);

  // Every frame reaches the tracker as 24-bit RGB in the size of the device's format.
  TMediaType* demanded = vSampleGrabber->MediaType();
  demanded->SetMajorType(MEDIATYPE_Video);
  demanded->SetSubType(MEDIASUBTYPE_RGB24);
  demanded->SetFormatType(FORMAT_VideoInfo);
  AM_MEDIA_TYPE& record = *demanded->MediaRecord();
  record.bFixedSizeSamples = FALSE;
  record.bTemporalCompression = TRUE;
  record.lSampleSize = 0;
  demanded->ResetFormatBuffer();
  if (record.pUnk) {
    record.pUnk->Release();
    record.pUnk = nullptr;
  }

  DevEnum = new TSysDevEnum(CLSID_VideoInputDeviceCategory);
  for (int i = 0; i < DevEnum->CountFilters(); ++i)
    FormSettings->ComboBoxInput->addItem(QString::fromStdString(DevEnum->Filters(i).FriendlyName));
  MediaTypes = new TEnumMediaType;
  if (FormSettings->ComboBoxInput->count() > 0) {
    FormSettings->ComboBoxInput->setCurrentIndex(0);
    SelectWebcam(0);
  }
}

void TFormLumatap::SelectWebcam(int Index) {
  const bool running = vFilterGraph->Active();
  if (running) {
    StopWebcam();
    CapturePause();
  }
  DevEnum->SelectGUIDCategory(CLSID_VideoInputDeviceCategory);
  // A camera index that no longer exists gives no moniker: no device is bound.
  vFilterSource->BaseFilter()->SetMoniker(DevEnum->GetMoniker(Index).Get());
  vFilterSource->SetFilterGraph(vFilterGraph);
  vFilterGraph->SetActive(true);

  std::unique_ptr<TPinList> pins;
  try {
    ComPtr<IBaseFilter> device;
    vFilterSource->QueryInterface(IID_IBaseFilter, device.PutVoid());
    pins = std::make_unique<TPinList>(device.Get());
    FormSettings->VideoFormats->clear();
    MediaTypes->Clear();
    // Without a device, or with one without pins, no format is listed: item i of the list
    // stays item i of MediaTypes.
    if (pins->Count() > 0) {
      MediaTypes->Assign(pins->First().Get());
      for (int i = 0; i < MediaTypes->Count(); ++i)
        FormSettings->VideoFormats->addItem(
            QString::fromStdString(MediaTypes->MediaDescription(i)));
      FormSettings->VideoFormats->setCurrentIndex(0);
    }
  } catch (...) {
    vFilterGraph->SetActive(false);
    throw;
  }
  vFilterGraph->SetActive(false);
  pins.reset();

  if (running) {
    CapturePause();
    StartWebcam();
  }
}

void TFormLumatap::RestartWebcam() {
  if (!vFilterGraph->Active()) return;
  StopWebcam();
  CapturePause();
  StartWebcam();
}

void TFormLumatap::StartWebcam() {
  vFilterGraph->SetActive(true);
  ComPtr<IBaseFilter> source;
  vFilterSource->QueryInterface(IID_IBaseFilter, source.PutVoid());
  if (!source) {
    // No camera was found, or the bound one is gone: nothing to capture from. The graph stays
    // down and mouse and touch play on.
    vFilterGraph->SetActive(false);
    SetStatus("No camera is available for webcam input.");
    return;
  }
  if (vFilterSource->FilterGraph()) {
    TPinList pins(source.Get());
    const int selected = FormSettings->VideoFormats->currentIndex();
    // The format is set before the pins are connected; the device's answer is not looked at.
    if (selected != -1 && pins.Count() > 0 && selected < MediaTypes->Count()) {
      ComPtr<IAMStreamConfig> config;
      pins.First()->QueryInterface(IID_IAMStreamConfig, config.PutVoid());
      if (config) config->SetFormat(MediaTypes->Items(selected)->MediaRecord());
    }
  }
  ComPtr<ICaptureGraphBuilder2> builder;
  vFilterGraph->QueryInterface(IID_ICaptureGraphBuilder2, builder.PutVoid());
  if (vFilterSource->FilterGraph() && builder) {
    ComPtr<IBaseFilter> sink;
    vSampleGrabber->QueryInterface(IID_IBaseFilter, sink.PutVoid());
    builder->RenderStream(&PIN_CATEGORY_CAPTURE, nullptr, source.Get(), nullptr, sink.Get());
  }
  vFilterGraph->Play();
}

void TFormLumatap::StopWebcam() {
  // The graph goes down even when the stop fails, so that the camera is released.
  try {
    vFilterGraph->Stop();
  } catch (...) {
    vFilterGraph->SetActive(false);
    throw;
  }
  vFilterGraph->SetActive(false);
}

void TFormLumatap::BeginShutDown() {
  ShutDownBegun = true;
  if (!WebcamInUse) return;
  try {
    StopWebcam();
  } catch (...) {
    Application.HandleException(this);
  }
}

// --- The motion tracker (streaming thread) ---------------------------------------------------

void TFormLumatap::vSampleGrabberBuffer(rtl::TComponent*, double, uint8_t* pBuffer,
                                        int32_t BufferLen) {
  rtl::TBitmap* stored = FrameToggle ? FrameA : FrameB;
  rtl::TBitmap* other = FrameToggle ? FrameB : FrameA;
  if (!stored || !other) return;  // the webcam was never chosen
  vSampleGrabber->GetBitmap(stored, pBuffer, BufferLen);
  tracker::MatchFrameSizes(*stored, *other);
  FrameToggle = !FrameToggle;
  const int32_t W = stored->Width(), H = stored->Height();
  if (W <= 0 || H <= 0) return;

  const int32_t threshold = 767 - FormSettings->TrackBarWebCam->Position();
  const tracker::TMotion motion = tracker::FindMotion(*FrameA, *FrameB, threshold);
  UINT message = 0;
  switch (tracker::FollowMotion(motion, W, H, {CamX, CamY, CamNoteOn})) {
    case tracker::TCamEvent::None:
      return;
    case tracker::TCamEvent::NoteOn:
      message = WM_CAMNOTEON;
      break;
    case tracker::TCamEvent::NoteMove:
      message = WM_CAMNOTEMOVE;
      break;
    case tracker::TCamEvent::NoteOff:
      message = WM_CAMNOTEOFF;
      break;
  }
  if (message != WM_CAMNOTEOFF) CamNoteValues(motion, W, H);
  PostMessageA(Handle(), message, 0, 0);
}

void TFormLumatap::CamNoteValues(const tracker::TMotion& motion, int32_t W, int32_t H) {
  const float volume = tracker::CamVolumeAt(motion.Y, H);
  const float pos = tracker::CamPosAt(motion.Xf, W);
  CamVolume = volume;
  CamPos = pos;
  if (MidiMode) {
    CamVelocity = tracker::CamVelocityOf(volume);
    CamMidiNote = PositionToMidiNote(pos);
  } else if (PianoMode) {
    CamFreq = PositionToNoteFreq(pos);
  } else {
    const auto [lo, hi] = FormSettings->PlayingRange();
    CamFreq = tracker::SmoothCamFreq(lo, hi, pos);
  }
}

// --- Camera messages (GUI thread) ------------------------------------------------------------

void TFormLumatap::WndProc(TMessage& Message) {
  switch (Message.Msg) {
    case WM_CAMNOTEON:
    case WM_CAMNOTEMOVE:
    case WM_CAMNOTEOFF:
      // Once the program ends, the editor and the engine may be gone.
      if (!ShutDownBegun) CamNoteMessage(Message.Msg);
      Message.Result = 0;
      return;
    default:
      TForm::WndProc(Message);
  }
}

void TFormLumatap::CamNoteMessage(UINT Msg) {
  // The latest values the tracker wrote, read once for the whole message.
  TNotePoint p{};
  p.Frequency = CamFreq;
  p.Volume = CamVolume;
  p.MidiNote = CamMidiNote;
  p.Velocity = CamVelocity;
  const float pos = CamPos;
  const auto note = static_cast<uint8_t>(p.MidiNote);
  const auto velocity = static_cast<uint8_t>(p.Velocity);

  switch (Msg) {
    case WM_CAMNOTEON:
      if (MidiMode)
        FormInstrument->MidiNoteOff(static_cast<uint32_t>(CamNoteId));
      else
        NoteOff(CamNoteId);
      NoteIdCounter = NoteIdCounter + 1;
      CamNoteId = NoteIdCounter;
      if (CamNoteId == MouseNoteId) CamNoteId = MouseNoteId - 2;
      if (MidiMode)
        FormInstrument->MidiNoteOn(static_cast<uint32_t>(CamNoteId), note, velocity);
      else
        NoteOn(CamNoteId, p.Frequency, p.Volume);
      SetStatus(MouseText(p));
      DrawMarker(pos, p.Volume);
      break;
    case WM_CAMNOTEMOVE:
      if (MidiMode)
        FormInstrument->MidiNoteChange(static_cast<uint32_t>(CamNoteId), note, velocity);
      else
        NoteMove(CamNoteId, p.Frequency, p.Volume);
      SetStatus(MouseText(p));
      if (MarkerShown) EraseMarker();
      DrawMarker(pos, p.Volume);
      break;
    case WM_CAMNOTEOFF:
      if (MidiMode)
        FormInstrument->MidiNoteOff(static_cast<uint32_t>(CamNoteId));
      else
        NoteOff(CamNoteId);
      SetStatus("Note released");
      if (MarkerShown) {
        EraseMarker();
        MarkerShown = false;
      }
      break;
  }
}

void TFormLumatap::MarkerEllipse() {
  TCanvas& canvas = Canvas();
  canvas.Pen.Mode = TPenMode::pmXor;
  canvas.Pen.Width = 8;
  canvas.Pen.Color = 0x0000FF;
  canvas.Ellipse(MarkerRect.left, MarkerRect.top, MarkerRect.right, MarkerRect.bottom);
  canvas.Pen.Mode = TPenMode::pmCopy;
  canvas.Pen.Width = 1;
}

void TFormLumatap::DrawMarker(float Pos, float Volume) {
  // The client width, as the mouse mapping uses it: the marker sits where a press would play
  // the same pitch. Vertically, the inverse of the mapping of a row to a volume.
  const float x = static_cast<float>(width() - 1) * Pos;
  const int32_t T = Panel1->height(), B = StatusBar1->y();
  const int32_t y = RoundEven(T + (1.0 - static_cast<double>(Volume)) * (B - 1 - T));
  MarkerRect = {RoundEven(x - 6.0f), RoundEven(x + 6.0f), y - 6, y + 6};
  MarkerEllipse();
  MarkerShown = true;
}

void TFormLumatap::EraseMarker() { MarkerEllipse(); }
