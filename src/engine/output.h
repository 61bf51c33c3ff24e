// Sound output on the wave-out device: three buffers of 512 samples circulate; each completion
// either queues the second half of OutBlock and starts the next block's master, or waits
// briefly for that master, appends the block to a running recording (play mode) and queues
// the first half. Play mode sounds the voices, preview mode the instrument spectrum.
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/winmm/waveout.h"

inline constexpr int WaveBufferCount = 3;
inline constexpr DWORD WaveBufferBytes = 1024;  // 512 samples

// The device is open and completed buffers are requeued.
extern std::atomic<bool> AudioOpen;
extern HWAVEOUT WaveOutHandle;
extern WAVEFORMATEX AudioFormat;
extern WAVEHDR WaveHeaders[WaveBufferCount];
// The next completed buffer receives the second half of OutBlock (completions only).
extern std::atomic<bool> SecondHalfPending;
// The result of the last device open (GUI thread): not MMSYSERR_NOERROR while output is
// "open" without a device, so that the windows can say why nothing sounds.
extern MMRESULT AudioOpenResult;

// The modes of sound output: the preview plays the instrument spectrum as a steady sound (the
// editor's tools), play the voices (the main window).
enum : int32_t { amPreview = 0, amPlay = 1 };

// The engine's defaults, then the import and recording state and the three wave buffers.
// Once, at start-up.
void InitAudio();
// Stops output and a running recording, releases the import and wave buffers. Once, at exit.
void DoneAudio();
// Opens output: amPreview previews the spectrum, any other mode plays the voices. Nothing while
// output is open, in whichever mode. Without a device nothing ever sounds, silently.
void StartAudio(int32_t Mode);
// Closes output, letting completions in flight finish (about 250 ms), and returns once the
// block being computed is complete; nothing while closed.
void StopAudio();

// The completion handlers, registered with the device as callback functions.
void WaveOutProcPlay(HWAVEOUT hwo, UINT uMsg, DWORD_PTR dwInstance, DWORD_PTR dwParam1,
                     DWORD_PTR dwParam2);
void WaveOutProcPreview(HWAVEOUT hwo, UINT uMsg, DWORD_PTR dwInstance, DWORD_PTR dwParam1,
                        DWORD_PTR dwParam2);
