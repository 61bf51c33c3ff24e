// Block computation: a master per block splits the 4096 bins into one range per calculation
// thread, runs the kernels, sums the partial blocks and converts them to 16-bit output.
#pragma once

#include <atomic>
#include <cstdint>

#include "engine/tables.h"
#include "platform/win/thread.h"

inline constexpr int BlockSamples = 1024;
inline constexpr int BlockGroups = BlockSamples / 8;
inline constexpr int MaxThreads = 8;
inline constexpr size_t CalcThreadStackSize = 4194304;

// One per calculation thread. Done is published after Samples (sequentially consistent), so a
// master that sees it non-zero may read the samples.
struct alignas(64) TWorkBlock {
  alignas(32) float Samples[BlockSamples];
  std::atomic<int32_t> Done{0};  // 0 while computing, −1 when Samples is complete
  int32_t First = 0;
  int32_t Last = 0;
};

extern TWorkBlock WorkBlocks[MaxThreads];

// Per-bin ramp state of the play kernel; each bin is written only by the thread whose range
// holds it.
extern TVec8 BinAmp[BinCount];
extern TVec8 BinStep[BinCount];
extern int32_t BinActive[BinCount];

// The last computed block; its halves are what the wave-out callback queues. A master writes
// its samples as relaxed atomics: a late block is read by the callback while it is written.
extern int16_t OutBlock[BlockSamples];
// Samples first .. first + count − 1 of OutBlock, each read as a relaxed atomic: the callback's
// way to read it, since the block may still be written.
void CopyOutBlock(int16_t* to, int first, int count);

// −1 from the start of a master step to its end, else 0.
extern std::atomic<int32_t> CalcBusy;

// The modes of a calculation thread: a master computes a whole block (and starts the workers),
// a worker one range of bins. Preview sounds the instrument spectrum, play the voices.
enum : int32_t {
  cmPreviewMaster = 1,
  cmPlayMaster = 2,
  cmPreviewWorker = 3,
  cmPlayWorker = 4,
};

// The master and worker threads: 4 MiB stacks, started at once, detached, freeing themselves.
// A mode other than the four above does nothing. A master gives its workers the processors
// they may run on (nullptr or empty: anywhere).
class TCalcThread : public TThread {
 public:
  TCalcThread(int32_t Index, int32_t Mode, int32_t First, int32_t Last,
              const TProcessorSet* processors = nullptr);

  int32_t Index;
  int32_t First;
  int32_t Last;
  int32_t Mode;

 protected:
  void Execute() override;
};

// Master steps: return when OutBlock holds the new block and CalcBusy is 0 again.
void MixVoices();    // play: the ten voices, advanced by one block
void MixSpectrum();  // preview: the instrument spectrum as a steady sound

// The start path of the wave-out callback: when no block is being computed, claims CalcBusy
// and starts a master thread of the given mode (cmPlayMaster or cmPreviewMaster). False when a
// computation is still running or the thread could not be created.
bool StartMasterIfIdle(int32_t Mode);

// Bins per range: 4096 div threads, cleared to a multiple of four. Range i of t threads is
// [i × chunk, (i + 1) × chunk − 1]; the last one runs on to 4095.
int32_t RangeChunk(int32_t threads);

// Step 7 of a master: sums WorkBlocks[0 .. threads − 1] in index order, multiplies by
// InstrumentVolume in preview, converts with ties to even, clips to ±32767 into OutBlock and
// lowers ClipVolume to the smallest clip candidate of each group.
void SumConvertClip(int32_t threads, bool preview);

// The kernels (256-bit fused multiply-add): compute Samples for bins First..Last, then Done.
void CalcVoicesBlock(TWorkBlock& WorkBlock);
void CalcSpectrumBlock(TWorkBlock& WorkBlock);
