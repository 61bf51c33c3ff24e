// The instrument editor: drawing and reshaping the spectrum, instrument files, MIDI output.
#pragma once

#include <QComboBox>
#include <cstdint>
#include <functional>

#include "engine/relaxed.h"
#include "platform/win/dialogs.h"
#include "platform/win/types.h"
#include "platform/winmm/midiout.h"
#include "ui/midinotes.h"
#include "ui/widgets/controls.h"
#include "ui/widgets/form.h"

class QSpinBox;

// True once MIDI mode has been entered; never set back. The camera's thread reads it.
extern TRelaxed<bool> MidiMode;

// What closing a window does with it.
enum class TCloseAction { caNone, caHide, caFree, caMinimize };

// A drop-down list whose text can also be typed into. OnChange runs when the user picks an
// item or edits the text, never when the list is changed from code. Typing leaves no item
// chosen: ItemIndex is then -1, as after clearing the text.
class TDropDownComboBox : public QComboBox {
  Q_OBJECT
 public:
  explicit TDropDownComboBox(QWidget* parent = nullptr);
  int ItemIndex() const { return typed_ ? -1 : currentIndex(); }
  // Change the list; the text and the chosen item stay as they are (a first item added to
  // an empty list is not chosen by itself).
  void ClearItems();
  void AddItem(const QString& item);
  std::function<void()> OnChange;

 private:
  bool typed_ = false;
};

class TFormInstrument : public TForm {
  Q_OBJECT
 public:
  explicit TFormInstrument(QWidget* parent = nullptr);
  ~TFormInstrument() override;

  TPanel* Panel1;  // the toolbar
  TImage* btnImport;
  TImage* btnSave;
  TPanel* PanelDrawTool;
  TImage* btnDrawTool;
  TPanel* PanelBaseFreq;
  TImage* btnBaseFreq;
  TPanel* PanelMorphV;
  TImage* btnMorphV;
  TPanel* PanelMorphH;
  TImage* btnMorphH;
  TPanel* PanelMidi;
  TImage* btnMidi;
  TPanel* Panel2;  // the MIDI controls, shown in MIDI mode
  QSpinBox* SpinEditChannel;
  TDropDownComboBox* ComboBoxMidi;
  TStatusBar* StatusBar1;
  TOpenDialog OpenDialog1;
  TSaveDialog SaveDialog1;

  HMIDIOUT MidiOut = nullptr;
  int32_t LastDrawBin = 0;  // bin drawn at the previous event of a draw drag
  int32_t DrawBin = 0;      // bin under the pointer at the current draw move
  int32_t MidiDevice = 0;
  TMidiNoteSlots MidiSlots;
  // Volume in the layout of midiOutSetVolume: left in the low 16 bits, right in the high.
  uint32_t MidiVolume = 0;
  bool MouseIsDown = false;  // an editing drag is under way
  bool DrawToolMode = false;
  bool BaseFreqMode = false;
  bool MorphVMode = false;
  bool MorphHMode = false;
  uint8_t MidiChannel = 0;

  // The four exclusive tools; each ends the other three first.
  void btnDrawToolClick();
  void btnDrawToolDblClick();
  void btnBaseFreqClick();
  void btnMorphHClick();
  void btnMorphVClick();

  void EndDrawToolMode();
  void EndBaseFreqMode();
  void EndMorphVMode();
  void EndMorphHMode();
  // Ends every editing tool and its preview sound.
  void EndAllModes();

  // Any mouse button edits; the shift state is not looked at.
  void FormMouseDown(Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y);
  void FormMouseMove(Qt::KeyboardModifiers Shift, int X, int Y);
  void FormMouseUp(Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y);
  void EditMouseDown(Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y);
  void EditMouseMove(Qt::KeyboardModifiers Shift, int X, int Y);
  void EditMouseUp(Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y);

  // The full paint after an invalidation, and the column repaint of a draw drag.
  void FormPaint();
  void PaintSpectrum(int32_t FirstColumn, int32_t LastColumn);
  void PaintSpectrumColumns(int32_t FirstColumn, int32_t LastColumn);

  // Loads an instrument file or imports a WAV file; saves the instrument or renders its
  // main note to a WAV file (unitInstrumentFiles.cpp).
  void btnImportClick();
  void btnSaveClick();

  void FormCreate();
  void FormClose(QObject* Sender, TCloseAction& CloseAction);
  void FormDestroy();

  // Enters MIDI mode (again): the editing tools give way to the channel and device controls.
  void btnMidiClick();
  void ComboBoxMidiChange();
  void SpinEditChannelChange();

  // The MIDI note operations of the main window's input paths, only used in MIDI mode. A
  // note is tracked in a slot even while no port is open. Id 0 is a note id like any other.
  void MidiNoteOn(uint32_t Id, uint8_t Note, uint8_t Velocity);
  void MidiNoteChange(uint32_t Id, uint8_t Note, uint8_t Velocity);
  void MidiNoteOff(uint32_t Id);
  void MidiAllNotesOff();
  void MidiSend(DWORD Msg);

 protected:
  void PaintForm() override { FormPaint(); }
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  TPanel* AddToolPanel(int designedLeft, TBevelCut bevel, const char* picture, const char* hint,
                       TImage** button);
  TImage* AddImage(QWidget* parent, const char* picture, const char* hint);
  void SetStatus(const QString& text);

  // The file buttons' work, apart from their dialogs (unitInstrumentFiles.cpp).
  void DesignFileDialogs();
  void LoadInstrument(const std::string& name);
  void SaveInstrument(const std::string& name);
  void ExportMainNote(const std::string& name);

  // The drawing area: client width W, toolbar height P, first row of the status bar T.
  int W() const { return width(); }
  int P() const;
  int T() const;
  int32_t BinAt(int64_t x) const;
  float AmpAt(int y) const;
  void ColumnStroke(int X, int Y);
  // Bin and bar top of column x, as both painters find them.
  void ColumnBar(int32_t x, float q, int32_t& bin, int32_t& top);
};

extern TFormInstrument* FormInstrument;
