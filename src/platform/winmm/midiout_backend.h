// The one small interface behind MIDI out: a list of named devices and connections to them
// that take one channel message at a time. The core (midiout.cpp) owns the handles, checks
// the messages and remembers the held notes; a backend only lists and delivers.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/win/types.h"

// An open connection to one device; destroying it disconnects.
class MidiOutConnection {
 public:
  virtual ~MidiOutConnection() = default;
  // Delivers one valid channel message (see IsMidiChannelMsg) at once; false when it failed.
  virtual bool Send(DWORD msg) = 0;
  // Told before a reset sends its note offs, and of a volume the port refused; the virtual
  // port keeps both in its log.
  virtual void Resetting() {}
  virtual void VolumeRefused(DWORD) {}
};

class MidiOutBackend {
 public:
  virtual ~MidiOutBackend() = default;
  // The device names, in device-number order.
  virtual std::vector<std::string> Devices() = 0;
  // Connects to device `index` of the list as it is now; nullptr when that fails.
  virtual std::unique_ptr<MidiOutConnection> Open(UINT index) = 0;
};

// The bytes a channel message puts on the wire: 3, or 2 for program change (C0) and channel
// pressure (D0); 0 for a status byte that is no channel status.
inline int MidiMsgLength(BYTE status) {
  if (status < 0x80 || status >= 0xF0) return 0;
  return (status & 0xF0) == 0xC0 || (status & 0xF0) == 0xD0 ? 2 : 3;
}

// A channel message whose data bytes all lie below 80 hexadecimal (a byte with the top bit
// set would be read as a status byte).
inline bool IsMidiChannelMsg(DWORD msg) {
  const int length = MidiMsgLength(static_cast<BYTE>(msg));
  if (length == 0) return false;
  if (msg & 0x8000) return false;
  return length == 2 || !(msg & 0x800000);
}

// The ALSA sequencer.
std::unique_ptr<MidiOutBackend> MakeAlsaMidiOutBackend();
// The backend of the next call: the installed virtual ports, else the sequencer.
std::unique_ptr<MidiOutBackend> MakeMidiOutBackend();
