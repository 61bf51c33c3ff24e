// The instrument editor: drawing and reshaping the spectrum, instrument files, MIDI output.
#pragma once

#include <cstdint>

#include "platform/win/types.h"
#include "ui/widgets/controls.h"
#include "ui/widgets/form.h"

// True once MIDI mode has been entered; never set back.
extern bool MidiMode;

// One held MIDI note; Id 0 marks a free slot.
struct MidiNoteSlot {
  uint32_t Id = 0;
  uint8_t Note = 0;
  uint8_t Velocity = 0;
  uint8_t Channel = 0;
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
  TStatusBar* StatusBar1;

  HANDLE MidiOut = nullptr;
  int32_t LastDrawBin = 0;  // bin drawn at the previous event of a draw drag
  int32_t DrawBin = 0;      // bin under the pointer at the current draw move
  int32_t MidiDevice = 0;
  MidiNoteSlot MidiSlots[16]{};
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

  // The MIDI note operations of the main window's input paths, only used in MIDI mode.
  void MidiNoteOn(uint32_t id, uint8_t note, uint8_t velocity);
  void MidiNoteChange(uint32_t id, uint8_t note, uint8_t velocity);
  void MidiNoteOff(uint32_t id);

 protected:
  void PaintForm() override { FormPaint(); }
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  TPanel* AddToolPanel(int designedLeft, TBevelCut bevel, const char* picture, const char* hint,
                       TImage** button);
  TImage* AddImage(QWidget* parent, const char* picture, const char* hint);
  void SetStatus(const QString& text);

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
