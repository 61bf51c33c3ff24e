// MIDI mode of the instrument editor: entering it, the device and channel controls, the slot
// table behind the three note operations, the editor's lifecycle, and the main window's mouse,
// touch and volume-bar paths down to the bytes on a virtual MIDI port.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QLineEdit>
#include <QLocale>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <chrono>
#include <fstream>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "engine/output.h"
#include "engine/recording.h"
#include "engine/waves.h"
#include "platform/qt/folders.h"
#include "platform/winmm/midiout_virtual.h"
#include "platform/winmm/waveout_virtual.h"
#include "support/disk_room.h"
#include "support/program_windows.h"
#include "support/recording_dialogs.h"
#include "ui/unitInstrument.h"
#include "ui/unitLumatap.h"
#include "ui/unitsettings.h"
#include "ui/widgets/application.h"

namespace {

using Bytes = std::vector<BYTE>;
using Kind = VirtualMidiEvent::Kind;

constexpr char kStartText[] = "Select midi output device or midi loop port";

// The three windows as start-up makes them, two MIDI devices installed; the main window is
// 1001 by 601 client pixels: playing rows 68..564.
class Midi : public ::testing::Test {
 protected:
  void SetUp() override {
    windows_.emplace();
    w = FormLumatap;
    e = FormInstrument;
    w->move(40, 30);
    w->resize(1001, 601);
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
    ASSERT_EQ(w->Panel1->height(), 68);
    ASSERT_EQ(w->StatusBar1->y(), 565);
  }
  void TearDown() override {
    windows_.reset();
    e = nullptr;
    w = nullptr;
  }

  // Enters MIDI mode and opens device `device` through the device box, as the user would.
  void EnterAndOpen(int device) {
    e->btnMidiClick();
    ASSERT_TRUE(MidiMode);
    Pick(device);
    ASSERT_NE(e->MidiOut, nullptr);
    ports_.Clear();
  }
  // A click on the item in the opened list.
  void Pick(int index) {
    TDropDownComboBox* box = e->ComboBoxMidi;
    box->showPopup();
    QAbstractItemView* list = box->view();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(list->window()));
    const QPoint at = list->visualRect(box->model()->index(index, 0)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    ASSERT_EQ(box->ItemIndex(), index);
    ASSERT_EQ(e->MidiDevice, index);
  }
  std::vector<Bytes> Sent(int device = 0) const { return ports_.Messages(device); }
  std::vector<Kind> Kinds() const {
    std::vector<Kind> kinds;
    for (const VirtualMidiEvent& event : ports_.Events()) kinds.push_back(event.kind);
    return kinds;
  }
  int HeldSlots() const {
    return static_cast<int>(std::count_if(std::begin(e->MidiSlots), std::end(e->MidiSlots),
                                          [](const MidiNoteSlot& s) { return s.Id != 0; }));
  }
  std::string Status() const { return w->StatusBar1->SimpleText().toStdString(); }

  VirtualMidiOut ports_{{"Synth A", "Synth B"}};
  VirtualWaveOut sound_{VirtualWaveOut::Pace::Stepped};
  RecordingDialogs dialogs_;
  TFormLumatap* w = nullptr;
  TFormInstrument* e = nullptr;
  std::optional<ProgramWindows> windows_;
};

TEST_F(Midi, ShortMessagesPackStatusOrChannelThenTheTwoDataBytes) {
  EXPECT_EQ(MidiMessage(0x90, 3, 60, 100), 0x643C93u);
  EXPECT_EQ(MidiMessage(0x80, 15, 119, 0), 0x00778Fu);
  EXPECT_EQ(MidiMessage(0xA0, 0, 21, 127), 0x7F15A0u);
}

TEST_F(Midi, TheControlsAreDesignedAndHiddenUntilMidiMode) {
  EXPECT_TRUE(e->Panel2->isHidden());
  EXPECT_EQ(e->SpinEditChannel->parentWidget(), e->Panel2);
  EXPECT_EQ(e->ComboBoxMidi->parentWidget(), e->Panel2);
  EXPECT_EQ(e->SpinEditChannel->minimum(), 1);
  EXPECT_EQ(e->SpinEditChannel->maximum(), 16);
  EXPECT_EQ(e->SpinEditChannel->value(), 1);
  EXPECT_EQ(e->SpinEditChannel->toolTip(), "Midi Channel");
  EXPECT_EQ(e->SpinEditChannel->font().pixelSize(), 30);
  EXPECT_EQ(e->ComboBoxMidi->font().pixelSize(), 30);
  EXPECT_TRUE(e->ComboBoxMidi->isEditable());
  EXPECT_EQ(e->ComboBoxMidi->count(), 0);
  EXPECT_EQ(e->ComboBoxMidi->currentText(), kStartText);
  EXPECT_EQ(e->MidiOut, nullptr);
  EXPECT_EQ(e->MidiChannel, 0);
  EXPECT_EQ(HeldSlots(), 0);
  // The dialogs start in the documents folder's LumatapSynth folder.
  const std::string folder = GetWindowsSpecialDir(CSIDL_PERSONAL) + "LumatapSynth/";
  EXPECT_EQ(e->OpenDialog1.InitialDir, folder);
  EXPECT_EQ(e->SaveDialog1.InitialDir, folder);
}

TEST_F(Midi, WithoutADeviceTheEditorStaysInEditMode) {
  ports_.SetDevices({});
  e->btnDrawToolClick();
  ASSERT_TRUE(e->DrawToolMode);
  e->btnMidi->Click();
  EXPECT_FALSE(e->DrawToolMode) << "the tools end first";
  EXPECT_EQ(
      dialogs_.messages,
      std::vector<std::string>{"No Midi output ports found, please install a Midi Loop driver!"});
  EXPECT_FALSE(MidiMode);
  EXPECT_TRUE(e->Panel2->isHidden());
  EXPECT_FALSE(e->btnImport->isHidden());
  EXPECT_FALSE(e->PanelDrawTool->isHidden());
  EXPECT_FALSE(w->PianoMode);
  EXPECT_FALSE(w->btnSmooth->isHidden());
  EXPECT_EQ(e->ComboBoxMidi->count(), 0);
}

TEST_F(Midi, EnteringShowsTheControlsListsThePortsAndOpensNone) {
  e->btnMidi->Click();
  EXPECT_TRUE(dialogs_.messages.empty());
  EXPECT_TRUE(MidiMode);
  for (QWidget* hidden :
       {static_cast<QWidget*>(e->btnImport), static_cast<QWidget*>(e->btnSave),
        static_cast<QWidget*>(e->PanelDrawTool), static_cast<QWidget*>(e->PanelBaseFreq),
        static_cast<QWidget*>(e->PanelMorphV), static_cast<QWidget*>(e->PanelMorphH)})
    EXPECT_TRUE(hidden->isHidden());
  EXPECT_FALSE(e->PanelMidi->isHidden());
  EXPECT_FALSE(e->Panel2->isHidden());
  EXPECT_EQ(e->PanelMidi->x(), 0) << "the MIDI button moves into the freed room";
  EXPECT_GE(e->Panel2->x(), e->PanelMidi->geometry().right());
  EXPECT_EQ(e->StatusBar1->SimpleText(),
            "Started Midi mode, to connect software syntesizers use a Midi loop port driver.");
  EXPECT_TRUE(w->PianoMode);
  EXPECT_TRUE(w->btnSmooth->isHidden());
  EXPECT_FALSE(w->btnPiano->isHidden());

  ASSERT_EQ(e->ComboBoxMidi->count(), 2);
  EXPECT_EQ(e->ComboBoxMidi->itemText(0), "Synth A");
  EXPECT_EQ(e->ComboBoxMidi->itemText(1), "Synth B");
  EXPECT_EQ(e->ComboBoxMidi->currentText(), kStartText) << "no device is chosen yet";
  EXPECT_EQ(e->ComboBoxMidi->ItemIndex(), -1);
  EXPECT_TRUE(ports_.Events().empty());
  EXPECT_EQ(e->MidiOut, nullptr);

  // Notes before a device is chosen are tracked, not sent.
  e->MidiNoteOn(5, 60, 100);
  EXPECT_EQ(HeldSlots(), 1);
  EXPECT_TRUE(ports_.Events().empty());
}

// Entering MIDI mode while the main window plays and records, on a disk with room for all or
// for one and a half blocks.
struct RecordingRow {
  const char* name;
  rlim_t room;        // bytes the file may take
  uint32_t data;      // the data the file ends with
  bool toldCutShort;  // the player is told that the disk cut it short
};

void PrintTo(const RecordingRow& row, std::ostream* out) { *out << row.name; }

class MidiWhileRecording : public Midi, public ::testing::WithParamInterface<RecordingRow> {};

TEST_P(MidiWhileRecording, EnteringStopsTheSoundAndEndsTheRecordingAsItsButtonDoes) {
  const RecordingRow& row = GetParam();
  QTemporaryDir dir;
  const std::string file = dir.filePath("take.wav").toStdString();
  Playing = true;
  StartAudio(1);
  ASSERT_TRUE(AudioOpen);
  const int place = w->btnRecord->x();
  dialogs_.fileNames.push_back(file);
  w->btnRecordClick();
  ASSERT_TRUE(Recording.load());
  ASSERT_TRUE(w->btnStopRecord->isVisibleTo(w));
  {
    const DiskRoom room(row.room);
    ASSERT_TRUE(room.Set());
    // Twelve halves played, each once the device holds every buffer again (the output hands
    // one back shortly after its completion): every second completion records 2048 bytes.
    for (int i = 0; i < 12; ++i) {
      const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(30);
      while (sound_.Pending() < size_t{WaveBufferCount}) {
        ASSERT_LT(std::chrono::steady_clock::now(), limit) << "a buffer never came back";
        std::this_thread::yield();
      }
      ASSERT_TRUE(sound_.Step());
    }
  }

  e->btnMidiClick();
  EXPECT_TRUE(MidiMode);
  EXPECT_FALSE(AudioOpen);
  EXPECT_FALSE(sound_.IsOpen());
  EXPECT_TRUE(Playing) << "the main window still counts as playing";
  EXPECT_FALSE(Recording.load());
  EXPECT_TRUE(w->btnRecord->isVisibleTo(w));
  EXPECT_FALSE(w->btnStopRecord->isVisibleTo(w));
  EXPECT_EQ(w->btnRecord->x(), place);
  const std::vector<std::string> told =
      row.toldCutShort
          ? std::vector<std::string>{"Recording \"" + file + "\" was cut short: File too large."}
          : std::vector<std::string>{};
  EXPECT_EQ(dialogs_.messages, told);
  std::ifstream in(file, std::ios::binary);
  std::vector<char> wav((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_EQ(wav.size(), 44u + row.data);
  const auto le32 = [&](size_t at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<uint8_t>(wav[at + i]);
    return v;
  };
  EXPECT_EQ(le32(40), row.data);
  EXPECT_EQ(le32(4), 36u + row.data);

  // The record button starts a new recording as ever.
  dialogs_.fileNames.push_back(dir.filePath("again.wav").toStdString());
  w->btnRecordClick();
  EXPECT_TRUE(Recording.load());
  w->btnStopRecordClick();
  EXPECT_FALSE(Recording.load());
}

const RecordingRow kRecordingRows[] = {
    {"RoomForAll", RLIM_INFINITY, 6 * 2048, false},
    {"RoomForOneAndAHalfBlocks", 44 + 3072, 3072, true},
};
INSTANTIATE_TEST_SUITE_P(Midi, MidiWhileRecording, ::testing::ValuesIn(kRecordingRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Midi, ChoosingADeviceOpensItAtFullVolume) {
  e->btnMidiClick();
  Pick(1);
  EXPECT_EQ(e->MidiDevice, 1);
  EXPECT_EQ(e->MidiVolume, 0xFFFFFFFFu);
  ASSERT_EQ(Kinds(), (std::vector<Kind>{Kind::Open, Kind::Volume}));
  EXPECT_EQ(ports_.Events()[0].device, 1);
  EXPECT_EQ(ports_.Events()[1].value, 0xFFFFFFFFu) << "asked for, and refused by the port";
  EXPECT_EQ(ports_.OpenPorts(1), 1);

  // Changing the device with a note held: the old port is silenced and closed, the slot stays,
  // and the note's release goes to the new port.
  e->MidiNoteOn(4, 64, 90);
  ports_.Clear();
  Pick(0);
  EXPECT_EQ(Kinds(),
            (std::vector<Kind>{Kind::Reset, Kind::Message, Kind::Close, Kind::Open, Kind::Volume}));
  EXPECT_EQ(ports_.Messages(1), (std::vector<Bytes>{{0x80, 64, 64}})) << "the port's reset";
  EXPECT_EQ(ports_.OpenPorts(1), 0);
  EXPECT_EQ(ports_.OpenPorts(0), 1);
  EXPECT_EQ(HeldSlots(), 1);
  e->MidiNoteOff(4);
  EXPECT_EQ(Sent(0), (std::vector<Bytes>{{0x80, 64, 90}}));
}

TEST_F(Midi, TypingIntoTheDeviceBoxOpensTheMapper) {
  e->btnMidiClick();
  Pick(1);
  ports_.Clear();
  QLineEdit* text = e->ComboBoxMidi->lineEdit();
  text->selectAll();
  QTest::keyClick(text, Qt::Key_Backspace);
  EXPECT_EQ(e->ComboBoxMidi->currentText(), "");
  EXPECT_EQ(e->MidiDevice, -1);
  ASSERT_EQ(Kinds(), (std::vector<Kind>{Kind::Reset, Kind::Close, Kind::Open, Kind::Volume}));
  EXPECT_EQ(ports_.Events()[2].device, 0) << "the mapper is the first device";
  // Every key typed is a change; Return adds nothing to the list.
  ports_.Clear();
  QTest::keyClicks(text, "xy");
  QTest::keyClick(text, Qt::Key_Return);
  EXPECT_EQ(e->ComboBoxMidi->count(), 2);
  EXPECT_EQ(Kinds(), (std::vector<Kind>{Kind::Reset, Kind::Close, Kind::Open, Kind::Volume,
                                        Kind::Reset, Kind::Close, Kind::Open, Kind::Volume}));
}

TEST_F(Midi, EnteringAgainRefreshesTheListOnlyWhenTheCountChanged) {
  EnterAndOpen(1);
  e->MidiNoteOn(9, 50, 70);
  ports_.Clear();
  // Same count: the list and the open port stay.
  ports_.SetDevices({"Other A", "Other B"});
  e->btnMidiClick();
  EXPECT_EQ(e->ComboBoxMidi->itemText(0), "Synth A");
  EXPECT_NE(e->MidiOut, nullptr);
  EXPECT_TRUE(ports_.Events().empty());
  // A third device: the list is read again and the port silenced and closed; the note stays
  // in its slot.
  ports_.SetDevices({"Synth A", "Synth B", "Synth C"});
  e->btnMidiClick();
  ASSERT_EQ(e->ComboBoxMidi->count(), 3);
  EXPECT_EQ(e->ComboBoxMidi->itemText(2), "Synth C");
  EXPECT_EQ(e->ComboBoxMidi->ItemIndex(), -1);
  EXPECT_EQ(e->ComboBoxMidi->currentText(), "Synth B") << "the text stays";
  EXPECT_EQ(e->MidiOut, nullptr);
  EXPECT_EQ(Kinds(), (std::vector<Kind>{Kind::Reset, Kind::Message, Kind::Close}));
  EXPECT_EQ(HeldSlots(), 1);
  EXPECT_TRUE(dialogs_.messages.empty());
}

TEST_F(Midi, EnteringAgainGoesBackToChannelOneWithoutReleasingNotes) {
  EnterAndOpen(0);
  e->SpinEditChannel->setValue(5);
  EXPECT_EQ(e->MidiChannel, 4);
  e->MidiNoteOn(1, 60, 100);
  e->btnMidiClick();
  EXPECT_EQ(e->MidiChannel, 0);
  EXPECT_EQ(e->SpinEditChannel->value(), 1) << "the box shows the channel in use";
  EXPECT_EQ(HeldSlots(), 1);
  // The held note keeps its channel for pressure and release; new notes go to channel 1.
  e->MidiNoteChange(1, 60, 80);
  e->MidiNoteOn(2, 62, 90);
  e->MidiNoteOff(1);
  EXPECT_EQ(Sent(),
            (std::vector<Bytes>{{0x94, 60, 100}, {0xA4, 60, 80}, {0x90, 62, 90}, {0x84, 60, 80}}));
}

TEST_F(Midi, ChangingTheChannelReleasesEveryNoteOnItsOwnChannel) {
  EnterAndOpen(0);
  e->MidiNoteOn(1, 60, 100);
  QTest::keyClick(e->SpinEditChannel, Qt::Key_Up);  // channel 2
  EXPECT_EQ(e->MidiChannel, 1);
  e->MidiNoteOn(2, 62, 50);
  e->MidiNoteOn(3, 64, 40);
  e->SpinEditChannel->setValue(16);
  EXPECT_EQ(e->MidiChannel, 15);
  EXPECT_EQ(HeldSlots(), 0);
  // A finger still down moves: its note was released, so nothing is sent.
  e->MidiNoteChange(2, 70, 50);
  e->MidiNoteOff(2);
  e->MidiNoteOn(4, 65, 30);
  EXPECT_EQ(Sent(), (std::vector<Bytes>{{0x90, 60, 100},
                                        {0x80, 60, 100},
                                        {0x91, 62, 50},
                                        {0x91, 64, 40},
                                        {0x81, 62, 50},
                                        {0x81, 64, 40},
                                        {0x9F, 65, 30}}));
}

TEST_F(Midi, NoteChangesSendOffAndOnPressureOrNothing) {
  EnterAndOpen(0);
  e->MidiNoteOn(7, 60, 100);
  e->MidiNoteChange(7, 60, 100);  // nothing changed
  e->MidiNoteChange(7, 60, 80);   // new velocity
  e->MidiNoteChange(7, 62, 80);   // new note
  e->MidiNoteChange(7, 62, 80);
  e->MidiNoteChange(8, 30, 30);  // no such note
  e->MidiNoteOff(8);
  e->MidiNoteOff(7);
  e->MidiNoteOff(7);  // released already
  EXPECT_EQ(Sent(),
            (std::vector<Bytes>{
                {0x90, 60, 100}, {0xA0, 60, 80}, {0x80, 60, 80}, {0x90, 62, 80}, {0x80, 62, 80}}));
  EXPECT_EQ(HeldSlots(), 0);
}

TEST_F(Midi, ASeventeenthNoteIsDropped) {
  EnterAndOpen(0);
  for (uint32_t id = 1; id <= 16; ++id) e->MidiNoteOn(id, static_cast<uint8_t>(40 + id), 64);
  ASSERT_EQ(Sent().size(), 16u);
  e->MidiNoteOn(17, 100, 64);
  e->MidiNoteChange(17, 101, 64);
  e->MidiNoteChange(17, 100, 10);
  e->MidiNoteOff(17);
  EXPECT_EQ(Sent().size(), 16u);
  // A released slot takes the next note.
  e->MidiNoteOff(9);
  e->MidiNoteOn(17, 100, 64);
  EXPECT_EQ(e->MidiSlots[8].Id, 17u);
  EXPECT_EQ(Sent().back(), (Bytes{0x90, 100, 64}));
}

TEST_F(Midi, IdZeroIsANoteIdLikeAnyOther) {
  EnterAndOpen(0);
  // A slot that held note 60 is free again while another id holds note 60 too.
  e->MidiNoteOn(1, 60, 100);
  e->MidiNoteOn(2, 60, 90);
  e->MidiNoteOff(1);
  ports_.Clear();
  // Releasing id 0, which holds nothing, must not send the free slot's old note off.
  e->MidiNoteOff(0);
  e->MidiNoteChange(0, 61, 10);
  EXPECT_TRUE(Sent().empty());
  // A note under id 0 is held, found, changed and released like any other.
  e->MidiNoteOn(0, 70, 20);
  EXPECT_EQ(HeldSlots(), 1) << "slot 0 holds id 0, slot 1 id 2";
  e->MidiNoteOn(3, 72, 30);
  EXPECT_EQ(e->MidiSlots[2].Id, 3u) << "the slot of id 0 is not free";
  e->MidiNoteChange(0, 70, 25);
  e->MidiNoteOff(0);
  e->MidiNoteOff(0);
  EXPECT_EQ(Sent(),
            (std::vector<Bytes>{{0x90, 70, 20}, {0x90, 72, 30}, {0xA0, 70, 25}, {0x80, 70, 25}}));
  // All notes off reaches a note under id 0 too.
  e->MidiNoteOn(0, 71, 5);
  ports_.Clear();
  e->MidiAllNotesOff();
  EXPECT_EQ(Sent(), (std::vector<Bytes>{{0x80, 71, 5}, {0x80, 60, 90}, {0x80, 72, 30}}));
  EXPECT_EQ(HeldSlots(), 0);
  e->MidiNoteOff(0);
  EXPECT_EQ(Sent().size(), 3u);
}

TEST_F(Midi, ClosingOnlyHidesTheEditorAndNotesGoOn) {
  EnterAndOpen(0);
  e->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(e));
  EXPECT_TRUE(e->close());
  EXPECT_FALSE(e->isVisible());
  EXPECT_TRUE(w->isVisible());
  e->MidiNoteOn(1, 60, 100);
  EXPECT_EQ(Sent().size(), 1u);
  w->btnInstrumentClick();
  EXPECT_TRUE(e->isVisible());
}

TEST_F(Midi, ProgramEndReleasesTheHeldNotesThenSilencesAndClosesThePort) {
  EnterAndOpen(1);
  e->MidiNoteOn(1, 60, 100);
  e->MidiNoteOn(2, 64, 90);
  e->MidiNoteOn(3, 67, 80);
  e->MidiNoteOff(2);
  e->MidiNoteOn(4, 69, 70);
  ports_.Clear();
  delete FormInstrument;
  FormInstrument = e = nullptr;
  EXPECT_EQ(Kinds(), (std::vector<Kind>{Kind::Message, Kind::Message, Kind::Message, Kind::Reset,
                                        Kind::Close}));
  EXPECT_EQ(ports_.Messages(1),
            (std::vector<Bytes>{{0x80, 60, 100}, {0x80, 69, 70}, {0x80, 67, 80}}));
  EXPECT_EQ(ports_.OpenPorts(1), 0);
}

TEST_F(Midi, ProgramEndOutsideMidiModeTouchesNoPort) {
  delete FormInstrument;
  FormInstrument = e = nullptr;
  EXPECT_TRUE(ports_.Events().empty());
}

// --- From the main window's input to the port -----------------------------------------------

TEST_F(Midi, MousePressMoveAndReleaseReachThePort) {
  EnterAndOpen(0);
  Playing = true;
  const int left = w->PositionToMidiNote(100.0f / 1000);
  const int right = w->PositionToMidiNote(900.0f / 1000);
  ASSERT_NE(left, right);
  // The bottom row plays velocity 0; the release of the previous mouse note (id 0) sends
  // nothing.
  QTest::mousePress(w, Qt::LeftButton, {}, QPoint(100, 564));
  EXPECT_EQ(Status(), "Midi " + std::to_string(left) + " at 0");
  QTest::mouseMove(w, QPoint(100, 316));  // louder: pressure
  QTest::mouseMove(w, QPoint(101, 316));  // the same note and velocity: nothing
  QTest::mouseMove(w, QPoint(900, 30));   // above the area: the top row
  QTest::mouseRelease(w, Qt::LeftButton, {}, QPoint(900, 30));
  const auto l = static_cast<BYTE>(left), r = static_cast<BYTE>(right);
  EXPECT_EQ(Sent(),
            (std::vector<Bytes>{
                {0x90, l, 0}, {0xA0, l, 64}, {0x80, l, 64}, {0x90, r, 127}, {0x80, r, 127}}));
  EXPECT_EQ(HeldSlots(), 0);

  // A second press while the first is held releases it first, on the channel it began on.
  e->SpinEditChannel->setValue(3);
  QTest::mousePress(w, Qt::LeftButton, {}, QPoint(100, 68));
  e->btnMidiClick();  // back to channel 1 with the note held
  QTest::mousePress(w, Qt::RightButton, {}, QPoint(900, 68));
  QTest::mouseRelease(w, Qt::RightButton, {}, QPoint(900, 68));
  const std::vector<Bytes> sent = Sent();
  ASSERT_GE(sent.size(), 4u);
  EXPECT_EQ(std::vector<Bytes>(sent.end() - 4, sent.end()),
            (std::vector<Bytes>{{0x92, l, 127}, {0x82, l, 127}, {0x90, r, 127}, {0x80, r, 127}}));
}

TEST_F(Midi, TheVolumeBarSetsTheMidiVolumeButNotThePort) {
  EnterAndOpen(0);
  // The bar follows the full volume the port was opened with.
  w->Timer1Timer(w->Timer1);
  EXPECT_EQ(w->VolumeBar->Tag, 65535);
  QTest::mousePress(w->VolumeBar, Qt::LeftButton, {}, QPoint(0, 10));
  QTest::mouseRelease(w->VolumeBar, Qt::LeftButton, {}, QPoint(0, 10));
  EXPECT_EQ(e->MidiVolume, 0u);
  // A sequencer port has no volume: nothing reaches it, and notes keep their velocity.
  Playing = true;
  QTest::mousePress(w, Qt::LeftButton, {}, QPoint(500, 68));
  ASSERT_EQ(Kinds(), std::vector<Kind>{Kind::Message});
  EXPECT_EQ(Sent()[0][2], 127);
}

// A multi-touch screen is present before the windows are created.
class MidiTouch : public Midi {
 protected:
  void SetUp() override {
    screen_.reset(QTest::createTouchDevice(QInputDevice::DeviceType::TouchScreen));
    Midi::SetUp();
    ASSERT_TRUE(TouchRegistered);
  }
  void TearDown() override {
    Midi::TearDown();
    screen_.reset();
  }
  QTest::QTouchEventWidgetSequence Touch() { return QTest::touchEvent(w, screen_.get()); }
  std::unique_ptr<QPointingDevice> screen_;
};

TEST_F(MidiTouch, TwoFingersOnOneNoteThenMovesAndLifts) {
  EnterAndOpen(0);
  Playing = true;
  const auto n = static_cast<BYTE>(w->PositionToMidiNote(500.0f / 1000));
  const auto m = static_cast<BYTE>(w->PositionToMidiNote(750.0f / 1000));
  // Contact id 0 plays like any other.
  Touch().press(0, QPoint(500, 316)).press(9, QPoint(500, 68));
  EXPECT_EQ(e->MidiSlots[0].Id, 0u);
  EXPECT_EQ(e->MidiSlots[1].Id, 9u);
  Touch().move(0, QPoint(500, 564)).stationary(9);  // softer: pressure
  Touch().move(0, QPoint(750, 564)).stationary(9);  // another note
  Touch().stationary(0).release(9, QPoint(500, 68));
  Touch().release(0, QPoint(750, 564));
  EXPECT_EQ(Sent(), (std::vector<Bytes>{{0x90, n, 64},
                                        {0x90, n, 127},
                                        {0xA0, n, 0},
                                        {0x80, n, 0},
                                        {0x90, m, 0},
                                        {0x80, n, 127},
                                        {0x80, m, 0}}));
  EXPECT_EQ(HeldSlots(), 0);
}

}  // namespace
