// The main window: toolbar with the volume bar, the playing surface, the status bar.
#pragma once

#include <QTimer>
#include <cstdint>
#include <memory>
#include <string>

#include "engine/relaxed.h"
#include "platform/win/dialogs.h"
#include "platform/win/messages.h"
#include "platform/win/types.h"
#include "ui/widgets/controls.h"
#include "ui/widgets/form.h"

// Mode flags shared by the windows; false at start.
extern bool Playing;          // written only by the play and pause buttons
extern bool TouchCapable;     // a multi-touch digitizer is present
extern bool TouchRegistered;  // touch input is active (mouse input is then ignored)
extern bool TouchOffered;     // touch can be chosen as input method
extern bool WebcamInUse;

// Ids of the mouse and camera notes: each new note takes the next counter value, and the two
// sources never share an id. Touch notes use the contact ids instead.
extern int32_t NoteIdCounter;
extern int32_t MouseNoteId;
extern int32_t CamNoteId;

// A drag on the volume bar is in progress.
extern bool VolumeDragging;

// The messages the motion tracker posts to the main window, both parameters 0: the values
// travel in the camera note's variables below.
inline constexpr UINT WM_CAMNOTEON = WM_APP + 0x16;
inline constexpr UINT WM_CAMNOTEMOVE = WM_APP + 0x17;
inline constexpr UINT WM_CAMNOTEOFF = WM_APP + 0x18;

// The camera note: written by the tracker on the streaming thread before it posts a message,
// read by the window when it handles one (the latest values then).
extern TRelaxed<float> CamPos;     // 2/(W − 1) .. 1 across the playing range
extern TRelaxed<float> CamVolume;  // above 0, at most 1
extern TRelaxed<float> CamFreq;    // Hz, outside MIDI mode
extern TRelaxed<int32_t> CamMidiNote;
extern TRelaxed<int32_t> CamVelocity;

namespace rtl {
class TBitmap;
}
// The tracker's own state, on the streaming thread only: the last two frames (made when the
// webcam is chosen, freed with the main window), which of them takes the next frame (true:
// FrameA), and whether a camera note sounds.
extern rtl::TBitmap* FrameA;
extern rtl::TBitmap* FrameB;
extern bool FrameToggle;
extern bool CamNoteOn;

class TSysDevEnum;
class TEnumMediaType;
class TFilterGraph;
class TSampleGrabber;
class TFilter;
namespace rtl {
class TComponent;
}
namespace tracker {
struct TMotion;
}

struct TMarkerRect {
  int32_t left = 0, right = 0, top = 0, bottom = 0;
};

class TFormLumatap : public TForm {
  Q_OBJECT
 public:
  explicit TFormLumatap(QWidget* parent = nullptr);
  ~TFormLumatap() override;

  TSysDevEnum* DevEnum = nullptr;
  TEnumMediaType* MediaTypes = nullptr;
  int32_t CamX = 0;
  int32_t CamY = 0;
  TMarkerRect MarkerRect;
  bool MouseIsDown = false;
  bool MarkerShown = false;
  TRelaxed<bool> PianoMode{false};  // the camera's thread reads it

  TPanel* Panel1;
  TImage* btnSettings;
  TImage* btnInstrument;
  TImage* btnReadme;
  TPaintBox* VolumeBar;
  TImage* btnSmooth;
  TImage* btnPiano;
  TImage* btnStopRecord;
  TImage* btnRecord;
  TImage* btnPlay;
  TImage* btnPause;
  TStatusBar* StatusBar1;
  QTimer* Timer1;
  TSaveDialog SaveDialogWav;
  // The capture components, owned by the window through CaptureComponents (below) and made
  // from their stored values with it: the graph inactive, both members listed in it.
  TFilterGraph* vFilterGraph = nullptr;
  TSampleGrabber* vSampleGrabber = nullptr;
  TFilter* vFilterSource = nullptr;

  void FormCreate();
  void FormDestroy();
  // The camera's frame handler (streaming thread).
  void vSampleGrabberBuffer(rtl::TComponent* sender, double SampleTime, uint8_t* pBuffer,
                            int32_t BufferLen);
  void FormResize() {}
  void FormShow() {}

  void btnPlayClick();
  void btnPauseClick();
  void btnRecordClick();
  void btnStopRecordClick();
  void btnSmoothClick();
  void btnPianoClick();
  void btnSettingsClick();
  void btnInstrumentClick();
  void btnReadmeClick();

  // Frequency and MIDI note of the enabled note nearest to Pos (0 left edge, 1 right edge) in
  // the playing range. They read only the range and the note tables (the camera thread calls
  // them too).
  float PositionToNoteFreq(float Pos);
  int32_t PositionToMidiNote(float Pos);

  void FormMouseDown(QObject* Sender, Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X,
                     int Y);
  void FormMouseMove(QObject* Sender, Qt::KeyboardModifiers Shift, int X, int Y);
  void FormMouseUp(QObject* Sender, Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X,
                   int Y);
  void WMTouch(TMessage& Msg);

  void FormPaint(QObject* Sender);
  void VolumeBarMouseDown(QObject* Sender, Qt::MouseButton Button, Qt::KeyboardModifiers Shift,
                          int X, int Y);
  void VolumeBarMouseMove(QObject* Sender, Qt::KeyboardModifiers Shift, int X, int Y);
  void VolumeBarMouseUp(QObject* Sender, Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X,
                        int Y);
  void VolumeBarPaint(QObject* Sender);
  void Timer1Timer(QObject* Sender);

  // The webcam's device control (GUI thread): the capture graph set up for 24-bit RGB video,
  // the cameras and the chosen camera's formats listed in the settings window, capture
  // started with the chosen format and stopped.
  void InitWebcam();
  void SelectWebcam(int Index);
  void RestartWebcam();
  void StartWebcam();
  void StopWebcam();

  // The program is ending: capture stops before any window goes (an exception of the stop is
  // shown, not raised), and camera messages still queued are ignored from now on.
  void BeginShutDown();

 protected:
  // Handles the camera messages; every other message goes to the inherited procedure.
  void WndProc(TMessage& Message) override;
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool FormEvent(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void PaintForm() override { FormPaint(this); }

 private:
  // Makes the three capture components from their stored values; a missing Sample Grabber
  // class fails it with the grabber's assertion, which ends the window's construction.
  void CreateCaptureComponents();

  // Owns the capture components, which it frees last made first: the members leave the graph
  // before it goes.
  std::unique_ptr<rtl::TComponent> CaptureComponents;

  TImage* AddButton(TAlign align, int designedLeft, const char* picture, const char* hint,
                    void (TFormLumatap::*click)());
  // The mapping of a point of the playing area shared by mouse and touch input.
  struct TNotePoint {
    float Frequency;  // piano or smooth pitch
    float Volume;
    int32_t MidiNote;
    int32_t Velocity;
  };
  TNotePoint MapPoint(int X, int Y);
  // One path for the mouse and every finger: a press (releasing OffId first), a drag and a
  // lift of the note Id, to the engine's note operations or, in MIDI mode, the editor's.
  void SurfaceDown(int32_t OffId, int32_t Id, const TNotePoint& p);
  void SurfaceMove(int32_t Id, const TNotePoint& p);
  void SurfaceUp(int32_t Id);
  // The status line of the mouse note, and a finger's entry in the touch line.
  QString MouseText(const TNotePoint& p);
  QString TouchText(const TNotePoint& p);
  int32_t NearestEnabledNote(float Pos);
  void NewMouseNoteId();
  void SetStatus(const QString& text);
  // While playing without a sound device: says so on the status bar and returns true.
  bool ReportNoSoundOutput();

  // Between stopping and restarting capture: what the stop left queued is handled.
  static void CapturePause();
  // The camera note's values of a motion row (streaming thread).
  void CamNoteValues(const tracker::TMotion& motion, int32_t W, int32_t H);
  // The camera messages' note operations, status line and marker (GUI thread).
  void CamNoteMessage(UINT Msg);
  // The camera marker: a red circle drawn in exclusive-or on the surface, so that drawing it
  // again at the same place removes it.
  void DrawMarker(float Pos, float Volume);
  void EraseMarker();
  void MarkerEllipse();
  bool ShutDownBegun = false;
};

extern TFormLumatap* FormLumatap;

// Where the record, open and save dialogs start: the documents folder + "LumatapSynth/",
// created with its parents when missing; the documents folder itself when it cannot be.
std::string LumatapFolder();

// Sets TouchCapable when a multi-touch digitizer is present.
void CheckTouchCapable();
// Asks for no gestures on the window, so that every finger arrives as a touch.
void DisableGestures(HWND window);
