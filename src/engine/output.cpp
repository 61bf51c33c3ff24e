#include "engine/output.h"

#include <chrono>
#include <cstring>
#include <thread>
#include <utility>

#include "engine/host.h"
#include "engine/import.h"
#include "engine/mixer.h"
#include "engine/recording.h"
#include "engine/tables.h"

std::atomic<bool> AudioOpen{false};
HWAVEOUT WaveOutHandle = nullptr;
WAVEFORMATEX AudioFormat{};
WAVEHDR WaveHeaders[WaveBufferCount]{};
std::atomic<bool> SecondHalfPending{false};
MMRESULT AudioOpenResult = MMSYSERR_NOERROR;

namespace {

// StopAudio lets the windows handle their messages while it waits. A start asked for in that
// time (a play click, a tool switched on) must not open a second device over the one being
// closed: it is kept and carried out once the stop is done; a stop asked for meanwhile
// cancels it. GUI thread only, like StartAudio and StopAudio.
bool g_stopping = false;
int32_t g_startAfterStop = -1;

void ProcessMessages() { EngineHost().ProcessMessages(); }

void SleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

constexpr int HalfSamples = BlockSamples / 2;

// Both duties of a completed buffer; Mode is the mode of the masters it starts.
void Completion(HWAVEOUT hwo, UINT uMsg, DWORD_PTR dwParam1, int32_t Mode) {
  if (uMsg != WOM_DONE || !AudioOpen.load()) return;
  auto* hdr = reinterpret_cast<WAVEHDR*>(dwParam1);
  // A late block's master may still be writing OutBlock, so it is read only by CopyOutBlock,
  // into buffers of the callback's own.
  static_assert(WaveBufferBytes == HalfSamples * sizeof(int16_t));
  if (SecondHalfPending.load()) {
    int16_t half[HalfSamples];
    CopyOutBlock(half, HalfSamples, HalfSamples);
    std::memcpy(hdr->lpData, half, WaveBufferBytes);
    waveOutWrite(hwo, hdr, sizeof(WAVEHDR));
    SecondHalfPending.store(false);  // sequentially consistent: the fence before CalcBusy
    // Starts the next block only when none is being computed; a late one plays again.
    StartMasterIfIdle(Mode);
  } else {
    for (int i = 0; i < 8 && CalcBusy.load() != 0; ++i) SleepMs(1);
    // One copy of the block as it stands: the recording holds what the device plays, also
    // when the block is late.
    int16_t block[BlockSamples];
    CopyOutBlock(block, 0, BlockSamples);
    if (Mode == cmPlayMaster) AppendRecording(block);
    std::memcpy(hdr->lpData, block, WaveBufferBytes);
    waveOutWrite(hwo, hdr, sizeof(WAVEHDR));
    SecondHalfPending.store(true);
  }
}

}  // namespace

void WaveOutProcPlay(HWAVEOUT hwo, UINT uMsg, DWORD_PTR, DWORD_PTR dwParam1, DWORD_PTR) {
  Completion(hwo, uMsg, dwParam1, cmPlayMaster);
}

void WaveOutProcPreview(HWAVEOUT hwo, UINT uMsg, DWORD_PTR, DWORD_PTR dwParam1, DWORD_PTR) {
  Completion(hwo, uMsg, dwParam1, cmPreviewMaster);
}

void StartAudio(int32_t Mode) {
  if (g_stopping) {
    g_startAfterStop = Mode;
    return;
  }
  if (AudioOpen.load()) return;
  CalcBusy.store(0);
  AudioFormat.wFormatTag = WAVE_FORMAT_PCM;
  AudioFormat.nChannels = 1;
  AudioFormat.nSamplesPerSec = 48000;
  AudioFormat.nAvgBytesPerSec = 96000;
  AudioFormat.nBlockAlign = 2;
  AudioFormat.wBitsPerSample = 16;
  AudioFormat.cbSize = 0;
  const WAVEOUTPROC proc = Mode == amPreview ? WaveOutProcPreview : WaveOutProcPlay;
  // Without a device nothing ever completes and all stays silent; the result is only kept for
  // the windows to report.
  AudioOpenResult = waveOutOpen(&WaveOutHandle, WAVE_MAPPER, &AudioFormat,
                                reinterpret_cast<DWORD_PTR>(proc), 0, CALLBACK_FUNCTION);
  for (WAVEHDR& hdr : WaveHeaders) {
    hdr.dwFlags = 0;
    hdr.dwBufferLength = WaveBufferBytes;
    waveOutPrepareHeader(WaveOutHandle, &hdr, sizeof(WAVEHDR));
  }
  AudioOpen.store(true);
  for (WAVEHDR& hdr : WaveHeaders) std::memset(hdr.lpData, 0, WaveBufferBytes);
  std::memset(OutBlock, 0, sizeof(OutBlock));
  // Set before the buffers go out, so that even the earliest completion finds it.
  SecondHalfPending.store(true);
  for (WAVEHDR& hdr : WaveHeaders) waveOutWrite(WaveOutHandle, &hdr, sizeof(WAVEHDR));
}

void StopAudio() {
  if (g_stopping) {
    g_startAfterStop = -1;
    return;
  }
  if (!AudioOpen.load()) return;
  g_stopping = true;
  AudioOpen.store(false);
  // Completions and masters in flight finish during these pauses.
  ProcessMessages();
  SleepMs(150);
  ProcessMessages();
  waveOutReset(WaveOutHandle);
  SleepMs(100);
  // The master the last completion started may outlive the pauses on a busy machine; once the
  // reset has returned no completion starts another. The load that sees its CalcBusy := 0
  // orders the whole block (the voices, the work blocks, OutBlock) before whatever this thread
  // does next: the next output's start, note operations, the main-note export.
  while (CalcBusy.load() != 0) SleepMs(1);
  for (WAVEHDR& hdr : WaveHeaders) waveOutUnprepareHeader(WaveOutHandle, &hdr, sizeof(WAVEHDR));
  waveOutClose(WaveOutHandle);
  g_stopping = false;
  if (g_startAfterStop >= 0) {
    const int32_t mode = std::exchange(g_startAfterStop, -1);
    StartAudio(mode);
  }
}

void InitAudio() {
  InitAudioDefaults();
  Recording.store(false);
  InitImportBuffers();
  AudioOpen.store(false);
  for (WAVEHDR& hdr : WaveHeaders) {
    hdr.dwBufferLength = WaveBufferBytes;
    if (!hdr.lpData) hdr.lpData = new char[WaveBufferBytes]();
    hdr.dwFlags = 0;
  }
}

void DoneAudio() {
  StopAudio();
  StopRecording();
  DoneImportBuffers();
  AudioOpen.store(false);
  for (WAVEHDR& hdr : WaveHeaders) {
    delete[] hdr.lpData;
    hdr.lpData = nullptr;
    hdr.dwBufferLength = 0;
    hdr.dwFlags = 0;
  }
}
