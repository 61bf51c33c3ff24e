#include "platform/winmm/midiout.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/winmm/midiout_backend.h"

namespace {

// The release velocity of the note offs a reset sends: the value MIDI prescribes for a sender
// without velocity.
constexpr BYTE kResetVelocity = 64;

// One open port: its connection and, per channel and note, how many note ons are unanswered.
struct MidiOutPort {
  std::unique_ptr<MidiOutConnection> connection;
  std::array<std::array<BYTE, 128>, 16> held{};

  void Track(DWORD msg) {
    const BYTE status = static_cast<BYTE>(msg);
    const BYTE note = static_cast<BYTE>(msg >> 8);
    const BYTE velocity = static_cast<BYTE>(msg >> 16);
    BYTE& count = held[status & 0x0F][note];
    const BYTE kind = status & 0xF0;
    // A note on with velocity 0 is a note off to every receiver.
    if (kind == 0x90 && velocity != 0) {
      if (count < 255) ++count;
    } else if ((kind == 0x80 || kind == 0x90) && count > 0) {
      --count;
    }
  }
};

// Handles are numbers that are never reused, so a stale handle cannot reach a newer port.
std::mutex g_mutex;
std::map<uintptr_t, std::unique_ptr<MidiOutPort>> g_ports;
uintptr_t g_lastHandle = 0;

MidiOutPort* FindLocked(HMIDIOUT hmo) {
  const auto it = g_ports.find(reinterpret_cast<uintptr_t>(hmo));
  return it == g_ports.end() ? nullptr : it->second.get();
}

// Copies a name into szPname: at most 31 bytes, cut before a character that does not fit
// whole, then zeros.
void CopyName(const std::string& name, CHAR (&out)[MAXPNAMELEN]) {
  size_t n = std::min<size_t>(name.size(), MAXPNAMELEN - 1);
  if (n < name.size())
    while (n > 0 && (static_cast<unsigned char>(name[n]) & 0xC0) == 0x80) --n;
  std::memset(out, 0, sizeof out);
  std::memcpy(out, name.data(), n);
}

}  // namespace

UINT midiOutGetNumDevs() { return static_cast<UINT>(MakeMidiOutBackend()->Devices().size()); }

MMRESULT midiOutGetDevCapsA(UINT_PTR uDeviceID, MIDIOUTCAPSA* pmoc, UINT cbmoc) {
  if (!pmoc || cbmoc == 0) return MMSYSERR_INVALPARAM;
  const auto names = MakeMidiOutBackend()->Devices();
  // The mapper as a UINT, or as a -1 widened to the full width.
  const bool mapper = uDeviceID == MIDI_MAPPER || uDeviceID == static_cast<UINT_PTR>(-1);
  const UINT_PTR index = mapper ? 0 : uDeviceID;
  if (index >= names.size()) return MMSYSERR_BADDEVICEID;

  MIDIOUTCAPSA caps{};
  CopyName(names[index], caps.szPname);
  caps.wTechnology = MOD_MIDIPORT;
  caps.wChannelMask = 0xFFFF;
  std::memcpy(pmoc, &caps, std::min<size_t>(cbmoc, sizeof caps));
  return MMSYSERR_NOERROR;
}

MMRESULT midiOutOpen(HMIDIOUT* phmo, UINT uDeviceID, DWORD_PTR, DWORD_PTR, DWORD fdwOpen) {
  if (!phmo) return MMSYSERR_INVALPARAM;
  *phmo = nullptr;
  if (fdwOpen != CALLBACK_NULL) return MMSYSERR_INVALFLAG;

  auto backend = MakeMidiOutBackend();
  const size_t count = backend->Devices().size();
  UINT index = uDeviceID;
  if (uDeviceID == MIDI_MAPPER) {
    if (count == 0) return MIDIERR_NODEVICE;
    index = 0;
  }
  if (index >= count) return MMSYSERR_BADDEVICEID;

  auto port = std::make_unique<MidiOutPort>();
  port->connection = backend->Open(index);
  if (!port->connection) return MMSYSERR_ERROR;

  std::lock_guard lk(g_mutex);
  const uintptr_t handle = ++g_lastHandle;
  g_ports.emplace(handle, std::move(port));
  *phmo = reinterpret_cast<HMIDIOUT>(handle);
  return MMSYSERR_NOERROR;
}

MMRESULT midiOutShortMsg(HMIDIOUT hmo, DWORD dwMsg) {
  std::lock_guard lk(g_mutex);
  MidiOutPort* port = FindLocked(hmo);
  if (!port) return MMSYSERR_INVALHANDLE;
  if (!IsMidiChannelMsg(dwMsg)) return MMSYSERR_INVALPARAM;
  // Only what really went out counts as held.
  if (!port->connection->Send(dwMsg)) return MMSYSERR_ERROR;
  port->Track(dwMsg);
  return MMSYSERR_NOERROR;
}

MMRESULT midiOutSetVolume(HMIDIOUT hmo, DWORD dwVolume) {
  std::lock_guard lk(g_mutex);
  MidiOutPort* port = FindLocked(hmo);
  if (!port) return MMSYSERR_INVALHANDLE;
  port->connection->VolumeRefused(dwVolume);
  return MMSYSERR_NOTSUPPORTED;
}

MMRESULT midiOutReset(HMIDIOUT hmo) {
  std::lock_guard lk(g_mutex);
  MidiOutPort* port = FindLocked(hmo);
  if (!port) return MMSYSERR_INVALHANDLE;
  port->connection->Resetting();
  MMRESULT result = MMSYSERR_NOERROR;
  for (DWORD channel = 0; channel < 16; ++channel) {
    for (DWORD note = 0; note < 128; ++note) {
      BYTE& count = port->held[channel][note];
      const DWORD off = (0x80 | channel) | note << 8 | DWORD{kResetVelocity} << 16;
      // A note off that did not go out stays held, for the next reset to try again.
      while (count > 0 && port->connection->Send(off)) --count;
      if (count > 0) result = MMSYSERR_ERROR;
    }
  }
  return result;
}

MMRESULT midiOutClose(HMIDIOUT hmo) {
  std::unique_ptr<MidiOutPort> port;
  {
    std::lock_guard lk(g_mutex);
    const auto it = g_ports.find(reinterpret_cast<uintptr_t>(hmo));
    if (it == g_ports.end()) return MMSYSERR_INVALHANDLE;
    port = std::move(it->second);
    g_ports.erase(it);
  }
  return MMSYSERR_NOERROR;  // the connection disconnects as it goes
}
