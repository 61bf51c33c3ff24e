// MIDI out: the program plays an external synthesizer by sending it channel messages. The
// devices are the ALSA sequencer ports that other programs offer for writing (soft synths,
// "Midi Through"), or, while a test installed them, in-process virtual ports
// (midiout_virtual.h). Without a sequencer there are simply no devices.
//
// Device numbers index the current device list, ordered by sequencer client and port. Only
// channel messages (status 80..EF hexadecimal) are sent; running status, system messages and
// long messages are not offered. A port tracks the notes it turned on, so that midiOutReset
// can turn them off again.
#pragma once

#include "platform/win/types.h"
#include "platform/winmm/mmresult.h"

struct HMIDIOUT__;
using HMIDIOUT = HMIDIOUT__*;

using MMVERSION = UINT;
using CHAR = char;

// Opens the first device.
inline constexpr UINT MIDI_MAPPER = static_cast<UINT>(-1);

// Open flags: only "no callback" is supported.
inline constexpr DWORD CALLBACK_NULL = 0x00000000;

inline constexpr MMRESULT MIDIERR_NODEVICE = 68;  // the mapper found no device

inline constexpr UINT MAXPNAMELEN = 32;
inline constexpr WORD MOD_MIDIPORT = 1;

struct MIDIOUTCAPSA {
  WORD wMid;
  WORD wPid;
  MMVERSION vDriverVersion;
  CHAR szPname[MAXPNAMELEN];  // at most 31 bytes of UTF-8 (whole characters) and a zero
  WORD wTechnology;
  WORD wVoices;
  WORD wNotes;
  WORD wChannelMask;
  DWORD dwSupport;  // no MIDICAPS_VOLUME: a sequencer port has no volume
};
static_assert(sizeof(MIDIOUTCAPSA) == 52);

// The number of devices now; 0 without a sequencer, quietly.
UINT midiOutGetNumDevs();
// Fills the first cbmoc bytes (52 at most) of the device's capabilities. MIDI_MAPPER asks for
// those of the first device.
MMRESULT midiOutGetDevCapsA(UINT_PTR uDeviceID, MIDIOUTCAPSA* pmoc, UINT cbmoc);
// Opens device uDeviceID (MIDI_MAPPER: the first device) without a callback: fdwOpen must be
// CALLBACK_NULL, and dwCallback and dwInstance are then unused. On failure *phmo is null.
MMRESULT midiOutOpen(HMIDIOUT* phmo, UINT uDeviceID, DWORD_PTR dwCallback, DWORD_PTR dwInstance,
                     DWORD fdwOpen);
// Sends one channel message at once: status | data1 << 8 | data2 << 16 (data2 unused by
// program change and channel pressure). Data bytes must be below 80 hexadecimal.
MMRESULT midiOutShortMsg(HMIDIOUT hmo, DWORD dwMsg);
// Always MMSYSERR_NOTSUPPORTED for an open port: a sequencer port has no volume control.
MMRESULT midiOutSetVolume(HMIDIOUT hmo, DWORD dwVolume);
// Sends a note off (release velocity 64) for every note the port still holds on, on every
// channel, as many as were turned on.
MMRESULT midiOutReset(HMIDIOUT hmo);
// Disconnects and forgets the port; sends nothing.
MMRESULT midiOutClose(HMIDIOUT hmo);
