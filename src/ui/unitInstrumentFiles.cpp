// The editor's file buttons: loading an instrument or importing a WAV file, saving an
// instrument or rendering its main note to a WAV file.
#include <QCheckBox>
#include <QString>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/import.h"
#include "engine/mainnote.h"
#include "engine/recording.h"
#include "engine/tables.h"
#include "files/instrumentfile.h"
#include "platform/win/dialogs.h"
#include "ui/unitInstrument.h"
#include "ui/unitLumatap.h"
#include "ui/unitsettings.h"
#include "ui/widgets/numbers.h"

namespace {

// The twelve check boxes in the order of their mask bits (bit value 2 << index).
std::array<QCheckBox*, 12> NoteBoxes(TFormSettings* s) {
  return {s->CheckBoxA,  s->CheckBoxAs, s->CheckBoxB, s->CheckBoxC,  s->CheckBoxCs, s->CheckBoxD,
          s->CheckBoxDs, s->CheckBoxE,  s->CheckBoxF, s->CheckBoxFs, s->CheckBoxG,  s->CheckBoxGs};
}

}  // namespace

void TFormInstrument::DesignFileDialogs() {
  OpenDialog1.Title = "Open lmt file or import wav file.";
  OpenDialog1.DefaultExt = ".lmt";
  OpenDialog1.Filter = "Lumatap Synth files|*.lmt|Wave files|*.wav";
  OpenDialog1.Options = ofPathMustExist | ofFileMustExist | ofEnableSizing | ofViewDetail;
  SaveDialog1.Title = "Save Lumatap Synth instrument.";
  SaveDialog1.DefaultExt = ".lmt";
  SaveDialog1.Filter = "Lumatap Synth files|*.lmt|Wave file instrument sample|*.wav";
  SaveDialog1.Options = ofOverwritePrompt | ofHideReadOnly | ofPathMustExist | ofNoReadOnlyReturn |
                        ofEnableSizing | ofViewDetail;
}

void TFormInstrument::btnImportClick() {
  EndAllModes();
  if (!OpenDialog1.Execute()) return;
  const std::string name = OpenDialog1.FileName;
  const std::string ext = LowerCase(ExtractFileExt(name));
  if (ext == ".wav") {
    if (LoadWaveFile(name)) {
      AnalyseWave();
      StatusBar1->SetSimpleText(
          QString::fromStdString("Wave file " + name + " imported. Main frequency at: ") +
          F2(BinFrequency[MainBin.load(std::memory_order_relaxed)]) + "Hz");
    } else {
      ShowMessage("Could not import file!");
    }
    Invalidate();
  } else if (ext == ".lmt") {
    LoadInstrument(name);
  } else {
    ShowMessage("Incompatible file extension. Only wav and lmt files can be imported!");
  }
}

void TFormInstrument::LoadInstrument(const std::string& name) {
  std::vector<uint8_t> bytes;
  std::string error;
  // No layout needs more than the paired amplitudes; later bytes are not looked at.
  if (!ReadFileBytes(name, PairedInstrumentFileBytes, bytes, error)) {
    ShowMessage(error);
    return;
  }
  TInstrumentFile file;
  switch (ReadInstrumentFile(bytes.data(), bytes.size(), file)) {
    case TInstrumentRead::irCorrupted:
      ShowMessage("Import file corrupted!");
      return;
    case TInstrumentRead::irNewer:
      ShowMessage("Newer file version, please upgrade to latest version!");
      return;
    case TInstrumentRead::irLoaded:
      break;
  }

  if (file.HasMainBin) MainBin.store(file.MainBin, std::memory_order_relaxed);
  InstrumentVolume.Fill(file.Volume);
  // Through the sliders' own setters: clamped to their ranges, handlers run on a change.
  TFormSettings* s = FormSettings;
  s->TrackBarAttackTime->SetPosition(file.AttackTime);
  s->TrackBarReleaseTime->SetPosition(file.ReleaseTime);
  s->TrackBarLowestPlayingNote->SetPosition(file.LowestPlayingNote);
  s->TrackBarHighestPlayingNote->SetPosition(file.HighestPlayingNote);
  s->TrackBarNoiseReduction->SetPosition(file.NoiseReduction);
  s->TrackBarWebCam->SetPosition(file.WebCam);
  // Only the mode flag and, when it changes, the surface that shows it; the main window's
  // buttons stay as they are.
  const bool piano = file.PianoMode == 1;
  if (FormLumatap->PianoMode != piano) {
    FormLumatap->PianoMode = piano;
    FormLumatap->Invalidate();
  }
  const auto boxes = NoteBoxes(s);
  for (int k = 0; k < 12; ++k) boxes[k]->setChecked(!(file.DisabledNotes & NoteMaskBit(k)));
  // The enabled-note flags follow the boxes whether or not a box changed.
  s->CheckBoxAClick();
  s->CheckBoxAsClick();
  s->CheckBoxBClick();
  s->CheckBoxCClick();
  s->CheckBoxCsClick();
  s->CheckBoxDClick();
  s->CheckBoxDsClick();
  s->CheckBoxEClick();
  s->CheckBoxFClick();
  s->CheckBoxFsClick();
  s->CheckBoxGClick();
  s->CheckBoxGsClick();
  for (int b = 0; b < InstrumentBins; ++b) InstrumentSpectrum[b].Fill(file.Amplitudes[b]);

  Invalidate();
  StatusBar1->SetSimpleText(QString::fromStdString("Instrument " + name + " loaded"));
}

void TFormInstrument::btnSaveClick() {
  EndAllModes();
  if (!SaveDialog1.Execute()) return;
  const std::string name = SaveDialog1.FileName;
  if (LowerCase(ExtractFileExt(name)) == ".wav")
    ExportMainNote(name);
  else
    SaveInstrument(name);
}

void TFormInstrument::SaveInstrument(const std::string& name) {
  TFormSettings* s = FormSettings;
  TInstrumentFile file;
  file.MainBin = MainBin.load(std::memory_order_relaxed);
  file.Volume = InstrumentVolume[0];
  file.AttackTime = s->TrackBarAttackTime->Position();
  file.ReleaseTime = s->TrackBarReleaseTime->Position();
  file.LowestPlayingNote = s->TrackBarLowestPlayingNote->Position();
  file.HighestPlayingNote = s->TrackBarHighestPlayingNote->Position();
  file.NoiseReduction = s->TrackBarNoiseReduction->Position();
  file.WebCam = s->TrackBarWebCam->Position();
  file.PianoMode = FormLumatap->PianoMode ? 1 : 0;
  const auto boxes = NoteBoxes(s);
  for (int k = 0; k < 12; ++k)
    if (!boxes[k]->isChecked()) file.DisabledNotes += NoteMaskBit(k);
  for (int b = 0; b < InstrumentBins; ++b) file.Amplitudes[b] = InstrumentSpectrum[b][0];

  std::string error;
  if (!WriteFileReplacing(name, BuildInstrumentFile(file), error)) ShowMessage(error);
}

void TFormInstrument::ExportMainNote(const std::string& name) {
  // The export writes a file of its own: a recording of the main window's is finished first,
  // as its stop button finishes it, so that the note neither lands in that recording nor ends
  // it behind the main window's back.
  if (Recording.load()) FormLumatap->btnStopRecordClick();
  if (Playing) FormLumatap->btnPauseClick();
  // A file that fails is reported and removed by the export.
  RenderMainNote(name);
}
