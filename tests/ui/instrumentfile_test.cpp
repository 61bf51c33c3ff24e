// The editor's file buttons with real files in a temporary folder: instrument files saved and
// loaded (layout, older and other bin counts, clamping, piano flag, note mask, refused files),
// failed opens and saves, the WAV import and the main-note export.
#include "files/instrumentfile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QLocale>
#include <QTemporaryDir>
#include <QTest>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <vector>

#include "engine/engine_fixture.h"
#include "engine/waves.h"
#include "support/disk_room.h"
#include "support/program_windows.h"
#include "support/recording_dialogs.h"
#include "ui/unitInstrument.h"
#include "ui/unitLumatap.h"
#include "ui/unitsettings.h"
#include "ui/widgets/application.h"
#include "ui/widgets/numbers.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

Bytes ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}
void WriteAll(const std::string& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}
uint32_t U32At(const Bytes& b, size_t at) {
  return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 |
         uint32_t(b[at + 3]) << 24;
}
void PutU32(Bytes& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
}
void PutF32(Bytes& b, float v) { PutU32(b, std::bit_cast<uint32_t>(v)); }
void SetU32(Bytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i));
}

// A file as another program writing this format would: every field given explicitly.
struct FileSpec {
  int32_t version = 1;
  int32_t bins = 4096;
  uint32_t mainBin = 700;
  float volume = 12.5f;
  std::array<int32_t, 6> sliders{3, 40, 5, 60, 7, 500};
  int32_t piano = 0;
  uint32_t mask = 0;
  std::vector<float> amps;  // empty: 4096 (or 8192) values of Amp(i)
  static float Amp(int i) { return 0.001f * float(i % 997) - 0.25f; }
};

Bytes MakeFile(const FileSpec& s) {
  Bytes b = {'.', 'l', 'm', 't'};
  PutU32(b, uint32_t(s.version));
  PutU32(b, uint32_t(s.bins));
  PutU32(b, s.mainBin);
  PutF32(b, s.volume);
  for (int32_t v : s.sliders) PutU32(b, uint32_t(v));
  PutU32(b, uint32_t(s.piano));
  PutU32(b, s.mask);
  for (int i = 0; i < 11; ++i) PutU32(b, 0xA5A5A5A5u);  // reserved: ignored whatever they hold
  if (s.amps.empty()) {
    const int count = s.bins == 4096 ? 4096 : 8192;
    for (int i = 0; i < count; ++i) PutF32(b, FileSpec::Amp(i));
  } else {
    for (float a : s.amps) PutF32(b, a);
  }
  return b;
}

// Everything a load may change, to compare before and after.
struct State {
  std::vector<float> spectrum;
  int32_t mainBin;
  std::array<float, 8> volume;
  std::array<int32_t, 6> sliders;
  bool piano;
  std::array<bool, 12> boxes;
  std::array<bool, NoteCount> enabled;
  bool operator==(const State&) const = default;
};

class InstrumentFiles : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { EnsureEngineTables(); }
  void SetUp() override {
    InitAudio();
    for (TVec8& bin : InstrumentSpectrum) bin = ZeroVec;
    windows_.emplace();
    f = FormInstrument;
    s = FormSettings;
    ASSERT_TRUE(dir_.isValid());
  }
  void TearDown() override {
    windows_.reset();
    InitAudioDefaults();
  }

  std::string Path(const std::string& name) const {
    return dir_.filePath(name.c_str()).toStdString();
  }
  std::array<QCheckBox*, 12> Boxes() const {
    return {s->CheckBoxA,  s->CheckBoxAs, s->CheckBoxB,  s->CheckBoxC,
            s->CheckBoxCs, s->CheckBoxD,  s->CheckBoxDs, s->CheckBoxE,
            s->CheckBoxF,  s->CheckBoxFs, s->CheckBoxG,  s->CheckBoxGs};
  }
  std::array<TTrackBar*, 6> Sliders() const {
    return {s->TrackBarAttackTime,         s->TrackBarReleaseTime,    s->TrackBarLowestPlayingNote,
            s->TrackBarHighestPlayingNote, s->TrackBarNoiseReduction, s->TrackBarWebCam};
  }
  State Now() const {
    State st;
    for (const TVec8& bin : InstrumentSpectrum)
      st.spectrum.insert(st.spectrum.end(), bin.v, bin.v + 8);
    st.mainBin = MainBin.load();
    std::copy(InstrumentVolume.v, InstrumentVolume.v + 8, st.volume.begin());
    for (int i = 0; i < 6; ++i) st.sliders[i] = Sliders()[i]->Position();
    st.piano = FormLumatap->PianoMode;
    for (int k = 0; k < 12; ++k) st.boxes[k] = Boxes()[k]->isChecked();
    std::copy(std::begin(NoteEnabled), std::end(NoteEnabled), st.enabled.begin());
    return st;
  }
  void Load(const std::string& path) {
    dialogs.fileNames.push_back(path);
    f->btnImport->Click();
  }
  void Save(const std::string& path) {
    dialogs.fileNames.push_back(path);
    f->btnSave->Click();
  }
  std::string Status() const { return f->StatusBar1->SimpleText().toStdString(); }
  // Files in the folder other than the ones named.
  std::vector<std::string> Listing() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir_.path().toStdString()))
      names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  RecordingDialogs dialogs;
  QTemporaryDir dir_;
  TFormInstrument* f = nullptr;
  TFormSettings* s = nullptr;
  std::optional<ProgramWindows> windows_;
};

TEST_F(InstrumentFiles, CancelledDialogsOnlyEndTheTools) {
  f->btnDrawToolClick();
  const State before = Now();
  f->btnImport->Click();
  EXPECT_FALSE(f->DrawToolMode);
  f->btnMorphVClick();
  f->btnSave->Click();
  EXPECT_FALSE(f->MorphVMode);
  EXPECT_EQ(dialogs.dialogTitles, (std::vector<std::string>{"Open lmt file or import wav file.",
                                                            "Save Lumatap Synth instrument."}));
  EXPECT_TRUE(dialogs.messages.empty());
  EXPECT_TRUE(Listing().empty());
  EXPECT_TRUE(Now() == before);
}

TEST_F(InstrumentFiles, SaveWritesTheTableInOrderAndLoadRestoresEverything) {
  for (int b = 0; b < BinCount; ++b) InstrumentSpectrum[b].Fill(FileSpec::Amp(b) * 3.0f);
  MainBin = 1234;
  InstrumentVolume.Fill(0.7f);
  const std::array<int32_t, 6> positions{7, 150, 10, 40, 9, 700};
  for (int i = 0; i < 6; ++i) Sliders()[i]->SetPosition(positions[i]);
  FormLumatap->PianoMode = true;
  for (int k : {1, 7, 11}) Boxes()[k]->setChecked(false);  // A#, E, G#
  s->CheckBoxAsClick();
  s->CheckBoxGsClick();
  const State saved = Now();

  const std::string path = Path("piano.lmt");
  Save(path);
  EXPECT_TRUE(dialogs.messages.empty());
  EXPECT_EQ(Listing(), std::vector<std::string>{"piano.lmt"});
  const Bytes file = ReadAll(path);
  ASSERT_EQ(file.size(), 16480u);
  EXPECT_EQ(std::string(file.begin(), file.begin() + 4), ".lmt");
  EXPECT_EQ(U32At(file, 4), 1u);
  EXPECT_EQ(U32At(file, 8), 4096u);
  EXPECT_EQ(U32At(file, 12), 1234u);
  EXPECT_EQ(U32At(file, 16), std::bit_cast<uint32_t>(0.7f));
  for (int i = 0; i < 6; ++i) EXPECT_EQ(U32At(file, 20 + 4 * i), uint32_t(positions[i])) << i;
  EXPECT_EQ(U32At(file, 44), 1u);
  EXPECT_EQ(U32At(file, 48), 4u + 256u + 4096u);
  for (size_t at = 52; at < 96; at += 4) EXPECT_EQ(U32At(file, at), 0u) << at;
  for (int b = 0; b < BinCount; b += 511)
    EXPECT_EQ(U32At(file, 96 + 4 * b), std::bit_cast<uint32_t>(FileSpec::Amp(b) * 3.0f)) << b;

  // Another state entirely, then the file again.
  for (TVec8& bin : InstrumentSpectrum) bin.Fill(0.125f);
  MainBin = 5;
  InstrumentVolume.Fill(1.0f);
  for (TTrackBar* bar : Sliders()) bar->SetPosition(bar->Min());
  FormLumatap->PianoMode = false;
  for (QCheckBox* box : Boxes()) box->setChecked(true);
  std::fill(std::begin(NoteEnabled), std::end(NoteEnabled), true);
  Load(path);
  EXPECT_TRUE(dialogs.messages.empty());
  EXPECT_TRUE(Now() == saved);
  EXPECT_FALSE(NoteEnabled[1] || NoteEnabled[7] || NoteEnabled[19] || NoteEnabled[95]);
  EXPECT_EQ(Status(), "Instrument " + path + " loaded");
  EXPECT_EQ(s->LabelReleaseTime->text().toStdString(), "  Release Time: 3200ms");

  // Whatever the state, the same size; a save replaces the earlier file.
  for (TVec8& bin : InstrumentSpectrum) bin = ZeroVec;
  Save(path);
  EXPECT_EQ(ReadAll(path).size(), 16480u);
  EXPECT_EQ(Listing(), std::vector<std::string>{"piano.lmt"});
}

TEST_F(InstrumentFiles, AFileOfAnotherProgramLoadsWithOlderVersionsAndAnyReservedWords) {
  for (int32_t version : {1, 0, -3}) {
    FileSpec spec;
    spec.version = version;
    spec.mainBin = 700u + uint32_t(version + 3);
    WriteAll(Path("other.lmt"), MakeFile(spec));
    Load(Path("other.lmt"));
    EXPECT_TRUE(dialogs.messages.empty()) << version;
    EXPECT_EQ(MainBin.load(), int32_t(spec.mainBin)) << version;
    EXPECT_EQ(InstrumentVolume[5], 12.5f);
    for (int b : {0, 1, 996, 997, 4095}) {
      EXPECT_EQ(InstrumentSpectrum[b][0], FileSpec::Amp(b)) << b;
      EXPECT_EQ(InstrumentSpectrum[b][7], FileSpec::Amp(b)) << b;
    }
  }
}

TEST_F(InstrumentFiles, ANewerVersionOrAWrongMagicChangesNothing) {
  const State before = Now();
  FileSpec newer;
  newer.version = 2;
  WriteAll(Path("newer.lmt"), MakeFile(newer));
  Load(Path("newer.lmt"));
  Bytes wrong = MakeFile({});
  wrong[1] = 'L';
  WriteAll(Path("wrong.lmt"), wrong);
  Load(Path("wrong.lmt"));
  EXPECT_EQ(dialogs.messages,
            (std::vector<std::string>{"Newer file version, please upgrade to latest version!",
                                      "Import file corrupted!"}));
  EXPECT_TRUE(Now() == before);
}

TEST_F(InstrumentFiles, OtherBinCountsFoldPairsAndOnly8192MovesTheMainBin) {
  std::vector<float> amps(8192);
  for (int i = 0; i < 8192; ++i) amps[i] = 0.37f * float(i % 13) + 1.0e-3f * float(i);
  FileSpec spec;
  spec.bins = 8192;
  spec.mainBin = 2001;
  spec.amps = amps;
  WriteAll(Path("fine.lmt"), MakeFile(spec));
  Load(Path("fine.lmt"));
  EXPECT_EQ(MainBin.load(), 1000);
  for (int b = 0; b < BinCount; ++b) {
    ASSERT_EQ(InstrumentSpectrum[b][0], amps[2 * b] + amps[2 * b + 1]) << b;
    ASSERT_EQ(InstrumentSpectrum[b][6], InstrumentSpectrum[b][0]) << b;
  }

  MainBin = 321;
  spec.bins = 2048;
  spec.mainBin = 0xFFFFFFFF;  // not looked at
  std::reverse(spec.amps.begin(), spec.amps.end());
  WriteAll(Path("coarse.lmt"), MakeFile(spec));
  Load(Path("coarse.lmt"));
  EXPECT_TRUE(dialogs.messages.empty());
  EXPECT_EQ(MainBin.load(), 321);
  EXPECT_EQ(InstrumentSpectrum[0][0], amps[8191] + amps[8190]);
  EXPECT_EQ(InstrumentSpectrum[4095][3], amps[1] + amps[0]);
}

TEST_F(InstrumentFiles, SliderValuesLandInTheirRangesThroughTheirHandlers) {
  FileSpec spec;
  spec.sliders = {-5, 999, -1, 1000, 0, 100000};
  WriteAll(Path("wide.lmt"), MakeFile(spec));
  Load(Path("wide.lmt"));
  std::array<int32_t, 6> now;
  for (int i = 0; i < 6; ++i) now[i] = Sliders()[i]->Position();
  EXPECT_EQ(now, (std::array<int32_t, 6>{1, 200, 0, 98, 1, 750}));
  EXPECT_EQ(s->LabelReleaseTime->text().toStdString(), "  Release Time: 4266ms");
  EXPECT_EQ(s->LabelNoiseReduction->text().toStdString(), "  Noise Reduction: 0.10%");
  EXPECT_EQ(s->labelcamsense->text().toStdString(), " Sensitivity Webcam: 100.00%");

  // The range rule holds for loaded values: the highest follows a raised lowest.
  spec.sliders = {1, 1, 80, 20, 2, 650};
  WriteAll(Path("narrow.lmt"), MakeFile(spec));
  Load(Path("narrow.lmt"));
  EXPECT_EQ(s->TrackBarLowestPlayingNote->Position(), 17);
  EXPECT_EQ(s->TrackBarHighestPlayingNote->Position(), 20);
}

TEST_F(InstrumentFiles, OnlyAPianoFlagOfOneMeansPianoMode) {
  const bool smoothShown = FormLumatap->btnSmooth->isVisibleTo(FormLumatap);
  for (auto [flag, piano] : {std::pair{1, true}, {2, false}, {1, true}, {-1, false}, {0, false}}) {
    FileSpec spec;
    spec.piano = flag;
    WriteAll(Path("p.lmt"), MakeFile(spec));
    Load(Path("p.lmt"));
    EXPECT_EQ(FormLumatap->PianoMode, piano) << flag;
  }
  EXPECT_EQ(FormLumatap->btnSmooth->isVisibleTo(FormLumatap), smoothShown);
}

TEST_F(InstrumentFiles, TheMaskSetsTheBoxesAndEveryHandlerRuns) {
  FileSpec spec;
  spec.mask = 0x1FFE;
  WriteAll(Path("none.lmt"), MakeFile(spec));
  Load(Path("none.lmt"));
  for (QCheckBox* box : Boxes()) EXPECT_FALSE(box->isChecked()) << box->text().toStdString();
  EXPECT_TRUE(
      std::none_of(std::begin(NoteEnabled), std::end(NoteEnabled), [](bool e) { return e; }));

  // Bits 0 and 13 to 31 mean nothing; the handlers also run for boxes that did not change.
  spec.mask = 0xFFFFE001u;
  WriteAll(Path("all.lmt"), MakeFile(spec));
  Load(Path("all.lmt"));
  NoteEnabled[12] = false;
  spec.mask = 0;
  WriteAll(Path("zero.lmt"), MakeFile(spec));
  Load(Path("zero.lmt"));
  for (QCheckBox* box : Boxes()) EXPECT_TRUE(box->isChecked()) << box->text().toStdString();
  EXPECT_TRUE(
      std::all_of(std::begin(NoteEnabled), std::end(NoteEnabled), [](bool e) { return e; }));

  spec.mask = NoteMaskBit(3) | NoteMaskBit(10);  // C and G
  WriteAll(Path("cg.lmt"), MakeFile(spec));
  Load(Path("cg.lmt"));
  for (int k = 0; k < 12; ++k) EXPECT_EQ(Boxes()[k]->isChecked(), k != 3 && k != 10) << k;
  for (int n = 0; n < NoteCount; ++n) EXPECT_EQ(NoteEnabled[n], n % 12 != 3 && n % 12 != 10) << n;
}

TEST_F(InstrumentFiles, AFileThatIsShortOrHoldsNoNumbersChangesNothing) {
  for (int b = 0; b < BinCount; ++b) InstrumentSpectrum[b].Fill(0.5f);
  const State before = Now();
  std::vector<std::pair<std::string, Bytes>> bad;
  Bytes whole = MakeFile({});
  bad.push_back({"empty", {}});
  bad.push_back({"header only", Bytes(whole.begin(), whole.begin() + 96)});
  bad.push_back({"one amplitude short", Bytes(whole.begin(), whole.end() - 4)});
  Bytes nanVolume = whole;
  SetU32(nanVolume, 16, 0x7FC00000u);
  bad.push_back({"volume not a number", nanVolume});
  Bytes infAmp = whole;
  SetU32(infAmp, 96 + 4 * 4095, 0xFF800000u);
  bad.push_back({"infinite amplitude", infAmp});
  FileSpec paired;
  paired.bins = 8192;
  paired.mainBin = 10;
  Bytes pairs = MakeFile(paired);
  bad.push_back({"pairs cut short", Bytes(pairs.begin(), pairs.begin() + 16480)});
  Bytes overflow = pairs;
  SetU32(overflow, 96, 0x7F7FFFFFu);
  SetU32(overflow, 100, 0x7F7FFFFFu);
  bad.push_back({"pair sum beyond single precision", overflow});
  // Volumes the volume bar cannot show or set.
  for (float volume : {-0.5f, 64.0f, 1e30f}) {
    FileSpec loud;
    loud.volume = volume;
    bad.push_back({"volume " + std::to_string(volume), MakeFile(loud)});
  }
  FileSpec outside;
  outside.mainBin = 4096;
  bad.push_back({"main bin outside the spectrum", MakeFile(outside)});
  paired.mainBin = 8192;
  bad.push_back({"halved main bin outside the spectrum", MakeFile(paired)});

  for (const auto& [what, bytes] : bad) {
    dialogs.messages.clear();
    WriteAll(Path("bad.lmt"), bytes);
    Load(Path("bad.lmt"));
    EXPECT_EQ(dialogs.messages, std::vector<std::string>{"Import file corrupted!"}) << what;
    EXPECT_TRUE(Now() == before) << what;
  }
}

TEST_F(InstrumentFiles, AFileThatCannotBeOpenedIsReportedWithTheSystemsText) {
  const State before = Now();
  Load(Path("missing.lmt"));
  fs::create_directory(Path("folder.lmt"));
  Load(Path("folder.lmt"));
  // A named pipe without a writer is refused at once instead of waiting for one.
  ASSERT_EQ(mkfifo(Path("pipe.lmt").c_str(), 0600), 0);
  Load(Path("pipe.lmt"));
  EXPECT_EQ(dialogs.messages,
            (std::vector<std::string>{
                "Cannot open file \"" + Path("missing.lmt") + "\". No such file or directory",
                "Cannot open file \"" + Path("folder.lmt") + "\". Is a directory",
                "Cannot open file \"" + Path("pipe.lmt") + "\". Not a regular file"}));
  EXPECT_TRUE(Now() == before);
}

TEST_F(InstrumentFiles, TheLoudestVolumeTheBarCanSetLoadsAndSoDoesSilence) {
  for (float volume : {0.0f, 63.998046875f}) {
    FileSpec spec;
    spec.volume = volume;
    WriteAll(Path("v.lmt"), MakeFile(spec));
    Load(Path("v.lmt"));
    EXPECT_EQ(InstrumentVolume[0], volume);
  }
  EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(InstrumentFiles, AFailedSaveKeepsTheEarlierFileAndSaysWhy) {
  Save(Path("no such folder/x.lmt"));
  fs::create_directory(Path("folder.lmt"));
  Save(Path("folder.lmt"));
  ASSERT_EQ(dialogs.messages.size(), 2u);
  EXPECT_EQ(dialogs.messages[0], "Cannot create file \"" + Path("no such folder/x.lmt") +
                                     "\". No such file or directory");
  EXPECT_EQ(dialogs.messages[1],
            "Cannot create file \"" + Path("folder.lmt") + "\". Is a directory");

  // A disk that takes only part of the file.
  const Bytes earlier = MakeFile({});
  WriteAll(Path("kept.lmt"), earlier);
  chmod(Path("kept.lmt").c_str(), 0640);
  {
    const DiskRoom room(1000);
    ASSERT_TRUE(room.Set());
    Save(Path("kept.lmt"));
  }
  ASSERT_EQ(dialogs.messages.size(), 3u);
  EXPECT_EQ(dialogs.messages[2], "Cannot write file \"" + Path("kept.lmt") + "\". File too large");
  EXPECT_EQ(ReadAll(Path("kept.lmt")), earlier);
  EXPECT_EQ(Listing(), (std::vector<std::string>{"folder.lmt", "kept.lmt"}));

  // With room again the save replaces it, keeping its permissions.
  Save(Path("kept.lmt"));
  EXPECT_EQ(dialogs.messages.size(), 3u);
  EXPECT_EQ(ReadAll(Path("kept.lmt")).size(), 16480u);
  EXPECT_NE(ReadAll(Path("kept.lmt")), earlier);
  struct stat st {};
  stat(Path("kept.lmt").c_str(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST_F(InstrumentFiles, TheExtensionDecidesWhatIsWrittenAndRead) {
  MainBin = 99;
  Save(Path("notes.txt"));
  const Bytes txt = ReadAll(Path("notes.txt"));
  ASSERT_EQ(txt.size(), 16480u);
  EXPECT_EQ(std::string(txt.begin(), txt.begin() + 4), ".lmt");
  EXPECT_EQ(U32At(txt, 12), 99u);

  // Loading looks at the lower-cased extension; other extensions are refused.
  fs::copy_file(Path("notes.txt"), Path("NOTES.LMT"));
  MainBin = 7;
  Load(Path("notes.txt"));
  EXPECT_EQ(dialogs.messages,
            std::vector<std::string>{
                "Incompatible file extension. Only wav and lmt files can be imported!"});
  EXPECT_EQ(MainBin.load(), 7);
  Load(Path("NOTES.LMT"));
  EXPECT_EQ(MainBin.load(), 99);
  EXPECT_EQ(dialogs.messages.size(), 1u);

  // A name as long as the file system allows saves too.
  const std::string longest = std::string(251, 'n') + ".lmt";
  Save(Path(longest));
  EXPECT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(ReadAll(Path(longest)).size(), 16480u);
}

// A 16-bit mono WAV file of a sine.
Bytes WavFile(int frames, double frequency) {
  Bytes b = {'R', 'I', 'F', 'F'};
  PutU32(b, 36 + 2 * frames);
  for (char c : std::string("WAVEfmt ")) b.push_back(uint8_t(c));
  PutU32(b, 16);
  PutU32(b, 1 | 1 << 16);  // PCM, one channel
  PutU32(b, 48000);
  PutU32(b, 96000);
  PutU32(b, 2 | 16 << 16);
  for (char c : std::string("data")) b.push_back(uint8_t(c));
  PutU32(b, 2 * frames);
  for (int i = 0; i < frames; ++i) {
    const auto v = int16_t(std::lround(12000 * std::sin(2 * M_PI * frequency * i / 48000)));
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(uint16_t(v) >> 8));
  }
  return b;
}

TEST_F(InstrumentFiles, AWavFileImportsAndAShortOneIsRefusedTwice) {
  WriteAll(Path("tone.WAV"), WavFile(48000, 440.0));
  Load(Path("tone.WAV"));
  EXPECT_TRUE(dialogs.messages.empty());
  const int32_t main = MainBin.load();
  EXPECT_NEAR(BinFrequency[main], 440.0f, 5.0f);
  EXPECT_GT(InstrumentSpectrum[main][0], 0.0f);
  EXPECT_EQ(Status(),
            "Wave file " + Path("tone.WAV") + " imported. Main frequency at: " +
                FloatToStrF(BinFrequency[main], TFloatFormat::ffNumber, 5, 2).toStdString() + "Hz");

  const State before = Now();
  WriteAll(Path("short.wav"), WavFile(1000, 440.0));
  Load(Path("short.wav"));
  EXPECT_EQ(dialogs.messages,
            (std::vector<std::string>{"Not enough samples! A 1.5 second sample is recommended",
                                      "Could not import file!"}));
  EXPECT_TRUE(Now() == before);
}

TEST_F(InstrumentFiles, VolumeMorphsStopAtTheBoundAndTheInstrumentSavesLoadsAndPlays) {
  f->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(f));
  const int W = f->width(), P = f->Panel1->height(), T = f->StatusBar1->y();
  const int x = W / 2, anchor = int(std::nearbyint(double(x) * 4095 / (W - 1)));
  for (int b = anchor - 64; b <= anchor + 64; ++b) InstrumentSpectrum[b].Fill(0.5f);
  InstrumentSpectrum[anchor + 3].Fill(-0.5f);
  MainBin = anchor;
  f->btnMorphV->Click();
  // From the bottom of the drawing area to its top, a hundred times: tenfold at the anchor
  // each time, far beyond any number a float can hold.
  for (int drag = 0; drag < 100; ++drag) {
    QTest::mousePress(f, Qt::LeftButton, {}, QPoint(x, T - 2));
    QTest::mouseMove(f, QPoint(x, P + 1));
    QTest::mouseRelease(f, Qt::LeftButton, {}, QPoint(x, P + 1));
  }
  EXPECT_EQ(InstrumentSpectrum[anchor][0], MaxEditAmplitude);
  EXPECT_EQ(InstrumentSpectrum[anchor + 3][0], -MaxEditAmplitude);
  float largest = 0.0f;
  for (const TVec8& bin : InstrumentSpectrum)
    for (float a : bin.v) largest = std::max(largest, std::fabs(a));
  EXPECT_EQ(largest, MaxEditAmplitude);
  // The band's far edges grew little and stay as the tool makes them.
  EXPECT_GT(InstrumentSpectrum[anchor + 64][0], 0.5f);
  EXPECT_LT(InstrumentSpectrum[anchor + 64][0], 1.0f);

  const State edited = Now();
  Save(Path("loud.lmt"));
  for (TVec8& bin : InstrumentSpectrum) bin = ZeroVec;
  Load(Path("loud.lmt"));
  EXPECT_EQ(dialogs.messages, std::vector<std::string>{});
  EXPECT_TRUE(Now() == edited);

  // Ten voices at full volume on it: as loud as the engine gets, and still a sound that
  // swings both ways (clipped), not one held sample.
  for (int id = 1; id <= VoiceCount; ++id) NoteOn(id, BinFrequency[anchor], 1.0f);
  int highest = 0, lowest = 0;
  for (int block = 0; block < 4; ++block) {
    MixVoices();
    for (int16_t sample : OutBlock) {
      highest = std::max<int>(highest, sample);
      lowest = std::min<int>(lowest, sample);
    }
  }
  EXPECT_EQ(highest, 32767);
  EXPECT_EQ(lowest, -32767);
  for (int id = 1; id <= VoiceCount; ++id) NoteOff(id);
}

// RMS of one block of 1024 samples of a recorded WAV file.
double BlockRms(const Bytes& wav, int block) {
  double sum = 0;
  for (int i = 0; i < 1024; ++i) {
    const size_t at = 44 + 2 * (size_t(block) * 1024 + i);
    const double v = int16_t(uint16_t(wav[at] | wav[at + 1] << 8));
    sum += v * v;
  }
  return std::sqrt(sum / 1024);
}

TEST_F(InstrumentFiles, TheExportRendersAttackPlusReleasePlusFortyBlocks) {
  // One high partial: many periods per block, so every held block has the same RMS.
  MainBin = 3000;
  InstrumentSpectrum[3000].Fill(0.5f);
  s->TrackBarAttackTime->SetPosition(10);
  s->TrackBarReleaseTime->SetPosition(20);
  Playing = true;  // as while the main window plays: the export pauses it first
  FormLumatap->btnPlay->hide();
  FormLumatap->btnPause->show();
  Save(Path("note.wav"));
  EXPECT_FALSE(Playing);
  EXPECT_TRUE(FormLumatap->btnPlay->isVisibleTo(FormLumatap));
  EXPECT_FALSE(Recording.load());
  EXPECT_TRUE(dialogs.messages.empty());

  const Bytes wav = ReadAll(Path("note.wav"));
  ASSERT_EQ(wav.size(), 44u + 143360u);
  EXPECT_EQ(U32At(wav, 4), 36u + 143360u);
  EXPECT_EQ(U32At(wav, 40), 143360u);
  // The note sounds from the first block, holds through block 49 and is released after it.
  EXPECT_GT(BlockRms(wav, 0), 0.0);
  const double held = BlockRms(wav, 30);
  EXPECT_GT(held, 1000.0);
  EXPECT_NEAR(BlockRms(wav, 49), held, held * 0.01);
  EXPECT_LT(BlockRms(wav, 50), held * 0.97);
  EXPECT_LT(BlockRms(wav, 60), BlockRms(wav, 50));
  EXPECT_LT(BlockRms(wav, 69), held * 0.05);
  for (const TVoice& v : Voices) EXPECT_EQ(v.State, vsFree);
}

TEST_F(InstrumentFiles, AnExportDuringARecordingFinishesItAndWritesItsOwnFile) {
  InstrumentSpectrum[1024].Fill(0.5f);
  s->TrackBarAttackTime->SetPosition(1);
  s->TrackBarReleaseTime->SetPosition(3);
  dialogs.fileNames.push_back(Path("session.wav"));
  FormLumatap->btnRecordClick();
  ASSERT_TRUE(Recording.load());
  ASSERT_TRUE(FormLumatap->btnStopRecord->isVisibleTo(FormLumatap));
  // What the main window's playing appended before the export.
  const Bytes blocks(3 * 2048, 0x11);
  for (int i = 0; i < 3; ++i)
    AppendRecording(reinterpret_cast<const int16_t*>(blocks.data() + 2048 * i));

  Save(Path("note.wav"));
  EXPECT_FALSE(Recording.load());
  EXPECT_TRUE(dialogs.messages.empty());
  EXPECT_TRUE(FormLumatap->btnRecord->isVisibleTo(FormLumatap));
  EXPECT_FALSE(FormLumatap->btnStopRecord->isVisibleTo(FormLumatap));
  EXPECT_EQ(FormLumatap->btnRecord->x(),
            FormLumatap->Width() - 2 * FormLumatap->btnRecord->width());
  // The recording is complete with what it had, the note is a file of its own.
  const Bytes session = ReadAll(Path("session.wav"));
  ASSERT_EQ(session.size(), 44u + blocks.size());
  EXPECT_EQ(U32At(session, 4), 36u + blocks.size());
  EXPECT_EQ(U32At(session, 40), blocks.size());
  EXPECT_TRUE(std::equal(blocks.begin(), blocks.end(), session.begin() + 44));
  const Bytes note = ReadAll(Path("note.wav"));
  ASSERT_EQ(note.size(), 44u + 44u * 2048u);
  EXPECT_EQ(U32At(note, 4), 36u + 44u * 2048u);
  EXPECT_EQ(U32At(note, 40), 44u * 2048u);
  EXPECT_GT(BlockRms(note, 0), 0.0);
  // The record button starts a new recording as ever.
  dialogs.fileNames.push_back(Path("again.wav"));
  FormLumatap->btnRecordClick();
  EXPECT_TRUE(Recording.load());
  FormLumatap->btnStopRecordClick();
  EXPECT_EQ(ReadAll(Path("again.wav")).size(), 44u);
}

TEST_F(InstrumentFiles, AnExportThatTheDiskCutsShortLeavesNoFileAndSaysWhy) {
  InstrumentSpectrum[1024].Fill(0.5f);
  // Room for part of the note, then for not even the header.
  for (rlim_t room : {rlim_t{10000}, rlim_t{20}}) {
    {
      const DiskRoom disk(room);
      ASSERT_TRUE(disk.Set());
      Save(Path("note.wav"));
    }
    EXPECT_FALSE(fs::exists(Path("note.wav"))) << room;
    EXPECT_FALSE(Recording.load());
    for (const TVoice& v : Voices) EXPECT_EQ(v.State, vsFree) << room;
  }
  ASSERT_EQ(dialogs.messages.size(), 2u);
  EXPECT_EQ(dialogs.messages[0],
            "Could not export the main note to \"" + Path("note.wav") + "\": File too large.");
  EXPECT_NE(dialogs.messages[1].find("File too large"), std::string::npos) << dialogs.messages[1];
  EXPECT_TRUE(Listing().empty());
}

TEST_F(InstrumentFiles, AnExportThatCannotCreateItsFilePlaysNothing) {
  InstrumentSpectrum[1024].Fill(0.5f);
  Save(Path("no such folder/note.wav"));
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_NE(dialogs.messages[0].find("No such file or directory"), std::string::npos);
  for (const TVoice& v : Voices) EXPECT_EQ(v.State, vsFree);
  EXPECT_FALSE(Recording.load());
}

}  // namespace
