// Wave-out: buffers of 16-bit mono PCM at 48000 Hz queued to a device that plays them in the
// order of queuing and reports each one back once, as WOM_DONE on the device's own thread.
// The device is an ALSA PCM named by LUMATAP_AUDIO_DEVICE ("default" when unset), or the
// in-process virtual device (waveout_virtual.h) when a test installed one or the variable
// says "virtual".
#pragma once

#include <string>

#include "platform/win/types.h"
#include "platform/winmm/mmresult.h"
#include "platform/winmm/waveformat.h"

struct HWAVEOUT__;
using HWAVEOUT = HWAVEOUT__*;

inline constexpr UINT WAVE_MAPPER = static_cast<UINT>(-1);

// Open flags: only a callback function is supported.
inline constexpr DWORD CALLBACK_TYPEMASK = 0x00070000;
inline constexpr DWORD CALLBACK_FUNCTION = 0x00030000;

// Messages to the callback function.
inline constexpr UINT WOM_OPEN = 0x3BB;
inline constexpr UINT WOM_CLOSE = 0x3BC;
inline constexpr UINT WOM_DONE = 0x3BD;

// WAVEHDR.dwFlags
inline constexpr DWORD WHDR_DONE = 0x01;
inline constexpr DWORD WHDR_PREPARED = 0x02;
inline constexpr DWORD WHDR_BEGINLOOP = 0x04;
inline constexpr DWORD WHDR_ENDLOOP = 0x08;
inline constexpr DWORD WHDR_INQUEUE = 0x10;

struct WAVEHDR {
  char* lpData;
  DWORD dwBufferLength;
  DWORD dwBytesRecorded;
  DWORD_PTR dwUser;
  DWORD dwFlags;
  DWORD dwLoops;
  WAVEHDR* lpNext;     // the device's, while the header is queued
  DWORD_PTR reserved;  // the device's, while the header is queued
};

// The callback function: (device, message, instance given at open, WAVEHDR* for WOM_DONE, 0).
using WAVEOUTPROC = void (*)(HWAVEOUT hwo, UINT uMsg, DWORD_PTR dwInstance, DWORD_PTR dwParam1,
                             DWORD_PTR dwParam2);

// Opens the device (WAVE_MAPPER or device 0) for 16-bit mono PCM at 48000 Hz with a callback
// function (dwCallback is a WAVEOUTPROC). Sends WOM_OPEN. Without a device: MMSYSERR_NODRIVER,
// silently, and *phwo is null.
MMRESULT waveOutOpen(HWAVEOUT* phwo, UINT uDeviceID, const WAVEFORMATEX* pwfx, DWORD_PTR dwCallback,
                     DWORD_PTR dwInstance, DWORD fdwOpen);
// Why the last waveOutOpen found no device, for the user: the device's name and the system's
// words ("\"front\": No such file or directory"); empty after an open that succeeded.
std::string WaveOutOpenError();
MMRESULT waveOutPrepareHeader(HWAVEOUT hwo, WAVEHDR* pwh, UINT cbwh);
// Queues a prepared header behind the others; legal from inside the callback.
MMRESULT waveOutWrite(HWAVEOUT hwo, WAVEHDR* pwh, UINT cbwh);
// Stops playing and returns every queued header as done (each with its WOM_DONE) before it
// returns, unless called from the callback itself.
MMRESULT waveOutReset(HWAVEOUT hwo);
MMRESULT waveOutUnprepareHeader(HWAVEOUT hwo, WAVEHDR* pwh, UINT cbwh);
// Fails with WAVERR_STILLPLAYING while headers are queued; sends WOM_CLOSE. Not from the
// callback (MMSYSERR_HANDLEBUSY).
MMRESULT waveOutClose(HWAVEOUT hwo);
