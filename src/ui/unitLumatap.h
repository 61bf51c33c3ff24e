// The main window: toolbar with the volume bar, the playing surface, the status bar.
#pragma once

#include <QTimer>
#include <cstdint>

#include "platform/win/dialogs.h"
#include "platform/win/types.h"
#include "ui/widgets/controls.h"
#include "ui/widgets/form.h"

// Mode flags shared by the windows; false at start.
extern bool Playing;          // written only by the play and pause buttons
extern bool TouchCapable;     // a multi-touch digitizer is present
extern bool TouchRegistered;  // touch input is active (mouse input is then ignored)
extern bool TouchOffered;     // touch can be chosen as input method
extern bool WebcamInUse;

class TSysDevEnum;
class TEnumMediaType;

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
  bool PianoMode = false;

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

  void FormCreate();
  void FormDestroy();
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

  HWND Handle() { return this; }

 protected:
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  TImage* AddButton(TAlign align, int designedLeft, const char* picture, const char* hint,
                    void (TFormLumatap::*click)());
};

extern TFormLumatap* FormLumatap;

// Sets TouchCapable when a multi-touch digitizer is present.
void CheckTouchCapable();
// Asks for no gestures on the window, so that every finger arrives as a touch.
void DisableGestures(HWND window);
