#include "ui/midinotes.h"

namespace {
constexpr BYTE kNoteOff = 0x80, kNoteOn = 0x90, kKeyPressure = 0xA0;
}

bool TMidiNoteSlots::Held(int Slot) const {
  return slots_[Slot].Id != 0 || (zeroIdSlots_ >> Slot & 1);
}

int TMidiNoteSlots::SlotOf(uint32_t Id) const {
  for (int i = 0; i < Count; ++i)
    if (slots_[i].Id == Id && (Id != 0 || (zeroIdSlots_ >> i & 1))) return i;
  return -1;
}

int TMidiNoteSlots::FreeSlot() const {
  for (int i = 0; i < Count; ++i)
    if (!Held(i)) return i;
  return -1;
}

void TMidiNoteSlots::Emit(DWORD Msg) const {
  if (Send) Send(Msg);
}

void TMidiNoteSlots::SlotOff(int Slot) {
  MidiNoteSlot& s = slots_[Slot];
  Emit(MidiMessage(kNoteOff, s.Channel, s.Note, s.Velocity));
  s.Id = 0;
  zeroIdSlots_ &= static_cast<uint16_t>(~(1u << Slot));
}

void TMidiNoteSlots::NoteOn(uint32_t Id, uint8_t Note, uint8_t Velocity, uint8_t Channel) {
  const int slot = FreeSlot();
  if (slot < 0) return;  // all sixteen held: the note is dropped
  slots_[slot] = {Id, Note, Velocity, Channel};
  if (Id == 0) zeroIdSlots_ |= static_cast<uint16_t>(1u << slot);
  Emit(MidiMessage(kNoteOn, Channel, Note, Velocity));
}

void TMidiNoteSlots::NoteChange(uint32_t Id, uint8_t Note, uint8_t Velocity, uint8_t Channel) {
  const int slot = SlotOf(Id);
  if (slot < 0) return;
  MidiNoteSlot& s = slots_[slot];
  if (Note != s.Note) {
    Emit(MidiMessage(kNoteOff, s.Channel, s.Note, s.Velocity));
    s.Note = Note;
    s.Velocity = Velocity;
    s.Channel = Channel;
    Emit(MidiMessage(kNoteOn, Channel, Note, Velocity));
  } else if (Velocity != s.Velocity) {
    s.Velocity = Velocity;
    // On the note's own channel: after a repeated entry into MIDI mode the current channel
    // may differ, and pressure there would reach another note or none.
    Emit(MidiMessage(kKeyPressure, s.Channel, Note, Velocity));
  }
}

void TMidiNoteSlots::NoteOff(uint32_t Id) {
  const int slot = SlotOf(Id);
  if (slot >= 0) SlotOff(slot);
}

void TMidiNoteSlots::AllNotesOff() {
  for (int i = 0; i < Count; ++i)
    if (Held(i)) SlotOff(i);
}
