// The settings window: playing range, attack and release, enabled notes, noise threshold,
// input method and, once the webcam is chosen, camera, format and webcam sensitivity. Its
// slider positions are the settings themselves: other windows and the engine read them.
#pragma once

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>

#include "ui/widgets/controls.h"
#include "ui/widgets/form.h"
#include "ui/widgets/stdctrls.h"

// The playing range: note indices of the lowest and the highest playing note.
struct TPlayingRange {
  int32_t Lowest;
  int32_t Highest;
};

class TFormSettings : public TForm {
  Q_OBJECT
 public:
  explicit TFormSettings(QWidget* parent = nullptr);
  ~TFormSettings() override;

  QLabel* LabelAttackTime;
  TTrackBar* TrackBarAttackTime;
  QLabel* LabelReleaseTime;
  TTrackBar* TrackBarReleaseTime;
  QLabel* LabelLowestPlayingNote;
  TTrackBar* TrackBarLowestPlayingNote;
  QLabel* LabelHighestPlayingNote;
  TTrackBar* TrackBarHighestPlayingNote;
  QGroupBox* GroupBoxNotes;
  QCheckBox* CheckBoxA;
  QCheckBox* CheckBoxAs;
  QCheckBox* CheckBoxB;
  QCheckBox* CheckBoxC;
  QCheckBox* CheckBoxCs;
  QCheckBox* CheckBoxD;
  QCheckBox* CheckBoxDs;
  QCheckBox* CheckBoxE;
  QCheckBox* CheckBoxF;
  QCheckBox* CheckBoxFs;
  QCheckBox* CheckBoxG;
  QCheckBox* CheckBoxGs;
  QLabel* LabelNoiseReduction;
  TTrackBar* TrackBarNoiseReduction;
  QLabel* LabelSelectInput;
  TComboBox* ComboBoxInput;
  QWidget* Panel1;
  TComboBox* VideoFormats;
  QLabel* labelcamsense;
  TTrackBar* TrackBarWebCam;
  TStatusBar* StatusBar1;

  void FormCreate();
  void FormShow();
  void FormResize();
  void TrackBarAttackTimeChange();
  void TrackBarReleaseTimeChange();
  void TrackBarLowestPlayingNoteChange();
  void TrackBarHighestPlayingNoteChange();
  void TrackBarNoiseReductionChange();
  void TrackBarNoiseReductionMouseUp();
  void TrackBarWebCamChange();
  void ComboBoxInputChange();
  void VideoFormatsChange();
  void StartWebcamInput();
  void CheckBoxAClick();
  void CheckBoxAsClick();
  void CheckBoxBClick();
  void CheckBoxCClick();
  void CheckBoxCsClick();
  void CheckBoxDClick();
  void CheckBoxDsClick();
  void CheckBoxEClick();
  void CheckBoxFClick();
  void CheckBoxFsClick();
  void CheckBoxGClick();
  void CheckBoxGsClick();

  // The two range sliders' positions, as the main window's mapping and painting read them
  // (the camera thread too: it only reads).
  TPlayingRange PlayingRange() const;

  // The noise slider changed since the last noise question.
  bool NoiseChanged = false;
  // Webcam input was chosen: the input list holds the cameras and Panel1 is shown, for good.
  bool CamPanelShown = false;

 protected:
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void LayOut();
  void UpdateRangeLabels();
  // Note class k (0 = A) of every octave follows the check box.
  static void SetNoteClass(int k, const QCheckBox* box);
};

extern TFormSettings* FormSettings;
