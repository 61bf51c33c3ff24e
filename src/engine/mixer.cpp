#include "engine/mixer.h"

#include <emmintrin.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "engine/voices.h"

TWorkBlock WorkBlocks[MaxThreads];
TVec8 BinAmp[BinCount];
TVec8 BinStep[BinCount];
int32_t BinActive[BinCount];
int16_t OutBlock[BlockSamples];
std::atomic<int32_t> CalcBusy{0};

namespace {

// A late block plays as it stands while its master still writes it (the callback's wait is
// bounded), so every sample of OutBlock that a master writes is a relaxed atomic store, as
// every read of the callback is a relaxed atomic load (CopyOutBlock). On x86 both are the
// plain moves they replace.
void PutOutSample(int t, int16_t sample) {
  std::atomic_ref<int16_t>(OutBlock[t]).store(sample, std::memory_order_relaxed);
}

using TKernel = void (*)(TWorkBlock&);

// The nearest 32-bit integer, ties to even. A sum beyond the integers (an instrument far above
// full scale) saturates to the end of its own sign, so that it clips as the loud sound it is;
// only a sum that is no number gives the processor's "integer indefinite" 0x80000000, which
// clips like a large negative sample.
int32_t ConvertSample(float s) {
  if (s >= -2147483648.0f && s < 2147483648.0f) return static_cast<int32_t>(std::nearbyint(s));
  if (s >= 2147483648.0f) return std::numeric_limits<int32_t>::max();
  return std::numeric_limits<int32_t>::min();
}

// Steps 4 to 6 of a master: one worker per range but the last, the last range on this
// thread, then a spin (no sleep, no yield) until every worker has published its samples.
// Workers keep off the processor this master runs on as it starts them: one placed there would
// wait for the master's spin to be preempted before it could even begin.
void RunRanges(int32_t threads, int32_t workerMode, TKernel kernel) {
  const int32_t chunk = RangeChunk(threads);
  TProcessorSet beside{};
  if (threads > 1) beside = ProcessorsBesideCurrent();
  for (int32_t i = 0; i < threads - 1; ++i) {
    TWorkBlock& block = WorkBlocks[i];
    block.Done.store(0, std::memory_order_relaxed);
    block.First = i * chunk;
    block.Last = (i + 1) * chunk - 1;
    std::atomic_thread_fence(std::memory_order_seq_cst);
    try {
      new TCalcThread(i, workerMode, block.First, block.Last, &beside);
    } catch (const std::exception&) {
      // Without the worker nobody would ever set Done: compute its range here instead.
      kernel(block);
    }
  }
  TWorkBlock& own = WorkBlocks[threads - 1];
  own.Done.store(0, std::memory_order_relaxed);
  own.First = (threads - 1) * chunk;
  own.Last = BinCount - 1;
  kernel(own);
  for (int32_t i = 0; i < threads - 1; ++i)
    while (WorkBlocks[i].Done.load() == 0) _mm_pause();
}

int32_t CurrentThreadCount() { return std::clamp<int32_t>(ThreadCount, 1, MaxThreads); }

}  // namespace

void CopyOutBlock(int16_t* to, int first, int count) {
  for (int t = first; t < first + count; ++t)
    *to++ = std::atomic_ref<int16_t>(OutBlock[t]).load(std::memory_order_relaxed);
}

int32_t RangeChunk(int32_t threads) { return (BinCount / threads) & ~3; }

TCalcThread::TCalcThread(int32_t Index, int32_t Mode, int32_t First, int32_t Last,
                         const TProcessorSet* processors)
    : TThread(false, CalcThreadStackSize), Index(Index), First(First), Last(Last), Mode(Mode) {
  FreeOnTerminate = true;
  if (processors) SetProcessors(*processors);
  AfterConstruction();
}

void TCalcThread::Execute() {
  switch (Mode) {
    case cmPreviewMaster:
      MixSpectrum();
      break;
    case cmPlayMaster:
      MixVoices();
      break;
    case cmPreviewWorker:
    case cmPlayWorker: {
      if (Index < 0 || Index >= MaxThreads) break;
      TWorkBlock& block = WorkBlocks[Index];
      block.Done.store(0, std::memory_order_relaxed);
      block.First = First;
      block.Last = Last;
      if (Mode == cmPreviewWorker)
        CalcSpectrumBlock(block);
      else
        CalcVoicesBlock(block);
      break;
    }
    default:
      break;
  }
}

void SumConvertClip(int32_t threads, bool preview) {
  for (int g = 0; g < BlockGroups; ++g) {
    const TVec8 volume = InstrumentVolume;
    const float volume0 = volume.v[0];
    float smallest = 0.0f;
    bool clipped = false;
    for (int m = 0; m < 8; ++m) {
      const int t = 8 * g + m;
      float s = WorkBlocks[0].Samples[t];
      for (int32_t i = 1; i < threads; ++i) s = s + WorkBlocks[i].Samples[t];
      if (preview) s = s * volume.v[m];
      const int32_t x = ConvertSample(s);
      float candidate;
      if (x > 32767) {
        PutOutSample(t, 32767);
        candidate = (volume0 * 32767.0f) / static_cast<float>(x);
      } else if (x < -32767) {
        PutOutSample(t, -32767);
        candidate = (volume0 * -32767.0f) / static_cast<float>(x);
      } else {
        PutOutSample(t, static_cast<int16_t>(x));
        continue;
      }
      smallest = clipped ? std::min(smallest, candidate) : candidate;
      clipped = true;
    }
    // Only lowered here; the volume bar's timer raises it again.
    if (clipped && ClipVolume.load(std::memory_order_relaxed) > smallest)
      ClipVolume.store(smallest, std::memory_order_relaxed);
  }
}

void MixVoices() {
  MarkVoicesBusy();
  bool sounding = false;
  for (TVoice& voice : Voices) {
    EnvelopeStep(voice);
    if (voice.State != vsFree) sounding = true;
  }
  if (!sounding) {
    for (int t = 0; t < BlockSamples; ++t) PutOutSample(t, 0);
    CalcBusy.store(0);
    return;
  }
  const int32_t threads = CurrentThreadCount();
  RunRanges(threads, cmPlayWorker, CalcVoicesBlock);
  SumConvertClip(threads, false);
  for (TVoice& voice : Voices) AdvanceState(voice);
  CalcBusy.store(0);
}

void MixSpectrum() {
  CalcBusy.store(-1);
  const int32_t threads = CurrentThreadCount();
  RunRanges(threads, cmPreviewWorker, CalcSpectrumBlock);
  SumConvertClip(threads, true);
  CalcBusy.store(0);
}

bool StartMasterIfIdle(int32_t Mode) {
  if (Mode != cmPreviewMaster && Mode != cmPlayMaster) return false;
  // Claiming CalcBusy before the thread exists keeps a second master from starting while
  // this one is still on its way.
  int32_t idle = 0;
  if (!CalcBusy.compare_exchange_strong(idle, -1)) return false;
  try {
    new TCalcThread(0, Mode, 0, 0);
  } catch (const std::exception&) {
    CalcBusy.store(0);
    return false;
  }
  return true;
}
