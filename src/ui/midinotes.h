// The sixteen held MIDI notes of the instrument editor and the messages that turn them on,
// change and turn them off. Every message leaves through Send; what it reaches (an open port,
// or nothing) is the editor's business. GUI thread.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/win/types.h"

// One held MIDI note; Id 0 marks a free slot.
struct MidiNoteSlot {
  uint32_t Id = 0;
  uint8_t Note = 0;
  uint8_t Velocity = 0;
  uint8_t Channel = 0;
};

// A short message in the layout of midiOutShortMsg; the arguments are not masked.
constexpr DWORD MidiMessage(BYTE Status, BYTE Channel, BYTE Data1, BYTE Data2) {
  return DWORD(Status | Channel) + DWORD(Data1) * 256 + DWORD(Data2) * 65536;
}

class TMidiNoteSlots {
 public:
  static constexpr int Count = 16;

  std::function<void(DWORD)> Send;

  // Takes the free slot with the lowest index and sends note on; all sixteen held: dropped.
  void NoteOn(uint32_t Id, uint8_t Note, uint8_t Velocity, uint8_t Channel);
  // Another note: note off of the old one on its channel, note on of the new one on Channel;
  // the same note with another velocity: polyphonic key pressure on the note's channel.
  void NoteChange(uint32_t Id, uint8_t Note, uint8_t Velocity, uint8_t Channel);
  // Note off on the note's channel with its last velocity; the slot is free again.
  void NoteOff(uint32_t Id);
  void AllNotesOff();

  MidiNoteSlot& operator[](int i) { return slots_[i]; }
  const MidiNoteSlot& operator[](int i) const { return slots_[i]; }
  MidiNoteSlot* begin() { return slots_; }
  MidiNoteSlot* end() { return slots_ + Count; }
  const MidiNoteSlot* begin() const { return slots_; }
  const MidiNoteSlot* end() const { return slots_ + Count; }

 private:
  // Id 0 also marks a free slot, so the slots that hold a note under id 0 are kept here (bit
  // i for slot i): a release of id 0 with no such note must not find a free slot's old note.
  uint16_t zeroIdSlots_ = 0;
  MidiNoteSlot slots_[Count]{};

  int SlotOf(uint32_t Id) const;
  int FreeSlot() const;
  bool Held(int Slot) const;
  void SlotOff(int Slot);
  void Emit(DWORD Msg) const;
};
