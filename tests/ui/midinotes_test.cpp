#include "ui/midinotes.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// The slot table alone, without a window or a port: the messages it hands out, in order.
class MidiNotes : public ::testing::Test {
 protected:
  void SetUp() override {
    slots.Send = [this](DWORD m) { sent.push_back(m); };
  }
  TMidiNoteSlots slots;
  std::vector<DWORD> sent;
};

TEST_F(MidiNotes, EachNoteKeepsTheChannelItWasTurnedOnWith) {
  slots.NoteOn(5, 60, 100, 2);
  slots.NoteChange(5, 60, 90, 7);  // pressure on the note's channel, not the current one
  slots.NoteChange(5, 62, 80, 7);  // off on the old channel, on on the current one
  slots.NoteChange(5, 62, 80, 7);  // neither changed: nothing
  slots.NoteOff(5);
  const std::vector<DWORD> expected = {MidiMessage(0x90, 2, 60, 100), MidiMessage(0xA0, 2, 60, 90),
                                       MidiMessage(0x80, 2, 60, 90), MidiMessage(0x90, 7, 62, 80),
                                       MidiMessage(0x80, 7, 62, 80)};
  EXPECT_EQ(sent, expected);
  EXPECT_EQ(slots[0].Id, 0u);
}

TEST_F(MidiNotes, SixteenAreHeldTheSeventeenthIsDroppedAndIdZeroIsANoteLikeAnyOther) {
  slots.NoteOff(0);  // no note under id 0: the free slots' old notes are not touched
  EXPECT_TRUE(sent.empty());
  for (uint32_t id = 0; id < 16; ++id) slots.NoteOn(id, uint8_t(40 + id), 64, 0);
  slots.NoteOn(99, 90, 64, 0);
  slots.NoteChange(99, 91, 64, 0);
  EXPECT_EQ(sent.size(), 16u) << "the seventeenth note and its change send nothing";
  slots.NoteOff(0);
  EXPECT_EQ(sent.back(), MidiMessage(0x80, 0, 40, 64));
  slots.NoteOn(77, 50, 10, 3);
  EXPECT_EQ(slots[0].Id, 77u) << "the slot of id 0 is free again";
  sent.clear();
  slots.AllNotesOff();
  EXPECT_EQ(sent.size(), 16u);
  for (const MidiNoteSlot& s : slots) EXPECT_EQ(s.Id, 0u);
}

}  // namespace
