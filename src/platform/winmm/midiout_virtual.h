// In-process MIDI-out devices for tests: while a VirtualMidiOut is installed, the midiOut
// calls see its named devices instead of the sequencer's ports, and every open, message,
// reset, refused volume and close on them is kept in one log, in order.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/win/types.h"

class MidiOutBackend;

struct VirtualMidiEvent {
  enum class Kind { Open, Message, Reset, Volume, Close };
  Kind kind;
  int device;               // the device number it was opened as
  DWORD value;              // Message: the packed message; Volume: the volume refused; else 0
  std::vector<BYTE> bytes;  // Message: status and data bytes as they go on the wire
};

class VirtualMidiOut {
 public:
  // Installs devices with these names (none: no devices at all) for every following midiOut
  // call; the destructor uninstalls them. Ports still open keep logging into this object's
  // state until they are closed, so closing them late is safe.
  explicit VirtualMidiOut(std::vector<std::string> names);
  ~VirtualMidiOut();
  VirtualMidiOut(const VirtualMidiOut&) = delete;
  VirtualMidiOut& operator=(const VirtualMidiOut&) = delete;

  // Devices come and go: a port already open keeps its device number in the log.
  void SetDevices(std::vector<std::string> names);
  // While set, the devices take no message (as a synthesizer that went away): sends fail and
  // nothing is logged.
  void SetRefusing(bool refusing);

  std::vector<VirtualMidiEvent> Events() const;
  // The bytes of every message sent to one device, in order.
  std::vector<std::vector<BYTE>> Messages(int device) const;
  // Ports open on one device now.
  int OpenPorts(int device) const;
  // Forgets the log; open ports stay open.
  void Clear();

  // The installed devices, else nullptr.
  static VirtualMidiOut* Installed();

  struct State;

 private:
  friend std::unique_ptr<MidiOutBackend> MakeMidiOutBackend();

  std::shared_ptr<State> state_;
};
