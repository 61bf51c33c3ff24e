#include "engine/import.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "engine/tables.h"
#include "engine_fixture.h"
#include "platform/win/dialogs.h"
#include "test_host.h"
#include "wav_builder.h"

using namespace wavtest;

namespace {

constexpr double kPi = 3.141592653589793;

class RecordingDialogs : public DialogService {
 public:
  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  bool AskYesNo(const std::string&, const std::string&) override { return false; }
  bool ExecuteOpen(TOpenDialog&) override { return false; }
  bool ExecuteSave(TSaveDialog&) override { return false; }
  std::vector<std::string> messages;
};

// Sample data of `frames` frames, each channel's value given by f(frame, channel).
std::string Samples(int frames, int channels, int bytes,
                    const std::function<int64_t(int, int)>& f) {
  std::string s;
  s.reserve(static_cast<size_t>(frames) * channels * bytes);
  for (int i = 0; i < frames; ++i)
    for (int c = 0; c < channels; ++c) {
      const uint64_t v = static_cast<uint64_t>(f(i, c));
      for (int b = 0; b < bytes; ++b) s += static_cast<char>((v >> (8 * b)) & 0xFF);
    }
  return s;
}

// A cosine of `amplitude` that makes exactly `cycles` cycles in every 32768 frames.
int64_t Cosine(int frame, double cycles, double amplitude) {
  return std::llround(amplitude * std::cos(2 * kPi * cycles * frame / 32768.0));
}

class ImportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    EnsureEngineTables();
    previousDialogs_ = SetDialogService(&dialogs_);
    previousHost_ = SetEngineHost(&settings_);
    InitImportBuffers();
  }
  void TearDown() override {
    SetDialogService(previousDialogs_);
    SetEngineHost(previousHost_);
  }

  bool Load(const std::string& bytes) { return LoadWaveFile(dir_.Write("in.wav", bytes)); }

  // A 16-bit mono file at `rate` Hz.
  bool Load16(int frames, uint32_t rate, const std::function<int64_t(int, int)>& f) {
    return Load(PcmWave(1, rate, 16, Samples(frames, 1, 2, f)));
  }

  static float Lane0(int bin) { return InstrumentSpectrum[bin][0]; }

  void ExpectNormalisedSpectrum() {
    const float threshold = static_cast<float>(settings_.noise * 0.001);
    float peak = 0;
    for (int i = 0; i < BinCount; ++i) {
      const float v = Lane0(i);
      ASSERT_TRUE(v == 0.0f || (v >= threshold && v <= 1.0f)) << "bin " << i << ": " << v;
      for (int lane = 1; lane < 8; ++lane) ASSERT_EQ(InstrumentSpectrum[i][lane], v);
      peak = std::max(peak, v);
    }
    EXPECT_NEAR(peak, 1.0f, 1e-6f);
    EXPECT_EQ(Lane0(MainBin), peak);
  }

  static void ExpectSilentSpectrum() {
    for (int i = 0; i < BinCount; ++i)
      for (int lane = 0; lane < 8; ++lane) ASSERT_EQ(InstrumentSpectrum[i][lane], 0.0f);
    EXPECT_EQ(MainBin, 0);
  }

  TempDir dir_;
  RecordingDialogs dialogs_;
  TTestHost settings_;
  DialogService* previousDialogs_ = nullptr;
  TEngineHost* previousHost_ = nullptr;
};

TEST_F(ImportTest, FilesThatCannotBeOpenedOrHaveTooFewFramesAreRefusedWithTheirMessage) {
  SampleRateRatio = 0.25f;
  EXPECT_FALSE(LoadWaveFile((dir_.Path() / "missing.wav").string()));
  EXPECT_FALSE(Load("RIFF\x04\0\0\0WAVE"));
  ASSERT_EQ(dialogs_.messages.size(), 2u);
  EXPECT_EQ(dialogs_.messages[0], "Error opening wave file.");
  EXPECT_EQ(dialogs_.messages[1], "Error opening wave file.");
  EXPECT_EQ(SampleRateRatio, 0.25f);

  dialogs_.messages.clear();
  const std::vector<float> before = SampleData;
  EXPECT_FALSE(Load16(32767, 44100, [](int i, int) { return i; }));
  ASSERT_EQ(dialogs_.messages.size(), 1u);
  EXPECT_EQ(dialogs_.messages[0], "Not enough samples! A 1.5 second sample is recommended");
  EXPECT_EQ(SampleCount, 32767);
  EXPECT_EQ(SampleRateRatio, static_cast<float>(44100 * (1.0 / 48000)));
  EXPECT_EQ(SampleData, before);
}

TEST_F(ImportTest, UnusableBlockAlignOrSampleRateIsRefusedLikeAnUnopenableFile) {
  const std::string data(65536, '\x10');
  const std::string zeroAlign =
      Riff(Chunk("fmt ", FmtFields(1, 1, 48000, 0, 8)) + Chunk("data", data));
  EXPECT_FALSE(Load(zeroAlign));
  // Rates at which the lowest grid frequency lies beyond the transform bins.
  for (uint32_t rate : {0u, 1u, 20u}) {
    EXPECT_FALSE(Load(PcmWave(1, rate, 8, data))) << rate;
  }
  ASSERT_EQ(dialogs_.messages.size(), 4u);
  for (const std::string& m : dialogs_.messages) EXPECT_EQ(m, "Error opening wave file.");
  // The lowest usable rate lies just above the lowest grid frequency.
  const uint32_t lowest = static_cast<uint32_t>(std::ceil(BinFrequency[0])) + 1;
  ASSERT_TRUE(Load(PcmWave(1, lowest, 8, data)));
  AnalyseWave();
  EXPECT_LE(FftLowBin, 32768);
}

TEST_F(ImportTest, SampleSizesConvertAsTheFileFormatDefines) {
  // 8-bit: unsigned around 128.
  ASSERT_TRUE(Load(PcmWave(1, 48000, 8, Samples(32768, 1, 1, [](int i, int) {
                             return i == 0 ? 0 : i == 1 ? 255 : 128;
                           }))));
  EXPECT_EQ(SampleData[0], -128.0f);
  EXPECT_EQ(SampleData[1], 127.0f);
  EXPECT_EQ(SampleData[2], 0.0f);
  EXPECT_EQ(SampleData.size(), 32768u + 4);

  // 16-bit signed, little-endian.
  ASSERT_TRUE(Load16(32768, 48000, [](int i, int) {
    return i == 0 ? -32768 : i == 1 ? 0x1234 : 0;
  }));
  EXPECT_EQ(SampleData[0], -32768.0f);
  EXPECT_EQ(SampleData[1], 4660.0f);

  // 20 and 24 bits: 256 times the 24-bit value.
  for (uint16_t bits : {20, 24}) {
    std::string file = Riff(Chunk("fmt ", FmtFields(1, 1, 48000, 3, bits)) +
                            Chunk("data", Samples(32768, 1, 3, [](int i, int) {
                                    return i == 0 ? 0x800000 : i == 1 ? 0x123456 : 0xFFFFFF;
                                  })));
    ASSERT_TRUE(Load(file));
    EXPECT_EQ(SampleData[0], -8388608.0f * 256) << bits;
    EXPECT_EQ(SampleData[1], static_cast<float>(0x123456 * 256)) << bits;
    EXPECT_EQ(SampleData[2], -256.0f) << bits;
  }

  // 32 bits: integers under PCM (plain or extensible, the value itself), single-precision
  // numbers under IEEE float (plain or extensible) and any other tag.
  const std::string floats = Samples(32768, 1, 4, [](int i, int) {
    return i == 0 ? std::bit_cast<uint32_t>(1.5f) : std::bit_cast<uint32_t>(-0.25f);
  });
  const std::string integers = Samples(32768, 1, 4, [](int i, int) {
    return i == 0 ? int64_t{INT32_MIN} : i == 1 ? int64_t{0x12345678} : int64_t{-1};
  });
  const std::vector<std::pair<std::string, std::string>> asFloats = {
      {"float", Wave32(3, 1, 48000, floats)},
      {"extensible float", Extensible32(3, floats)},
      {"other tag", Wave32(0x55, 1, 48000, floats)}};
  for (const auto& [what, file] : asFloats) {
    ASSERT_TRUE(Load(file)) << what;
    EXPECT_EQ(SampleData[0], 1.5f) << what;
    EXPECT_EQ(SampleData[1], -0.25f) << what;
  }
  for (const auto& [what, file] : std::vector<std::pair<std::string, std::string>>{
           {"pcm", PcmWave(1, 48000, 32, integers)},
           {"extensible pcm", Extensible32(1, integers)}}) {
    ASSERT_TRUE(Load(file)) << what;
    EXPECT_EQ(SampleData[0], -2147483648.0f) << what;
    EXPECT_EQ(SampleData[1], static_cast<float>(0x12345678)) << what;
    EXPECT_EQ(SampleData[2], -1.0f) << what;
  }
  EXPECT_TRUE(dialogs_.messages.empty());
}

TEST_F(ImportTest, AFileThatYieldsNoSoundIsRefusedSayingWhyAndChangesNothing) {
  const std::string data(65536, '\x7f');
  const std::vector<std::pair<std::string, std::string>> refused = {
      {"12-bit", Riff(Chunk("fmt ", FmtFields(1, 1, 48000, 2, 12)) + Chunk("data", data))},
      {"64-bit float", Riff(Chunk("fmt ", FmtFields(3, 1, 48000, 8, 64) + std::string(2, '\0')) +
                            Chunk("data", data + data))},
      {"no channels", Riff(Chunk("fmt ", FmtFields(1, 0, 48000, 2, 16)) + Chunk("data", data))},
      // The data chunk claims 40000 frames and the file ends right after its header.
      {"data beyond the file",
       Riff(Chunk("fmt ", FmtFields(1, 1, 48000, 2, 16)) + Chunk("data", "", 80000))},
  };
  const std::vector<std::string> why = {
      "Unsupported wave file: 12 bits per sample are not supported.",
      "Unsupported wave file: 64 bits per sample are not supported.",
      "Unsupported wave file: it has no channels.",
      "Wave file holds no samples: its data chunk lies beyond the end of the file."};
  SampleRateRatio = 0.25f;
  SampleCount = 0;
  const std::vector<float> before = SampleData;
  for (size_t i = 0; i < refused.size(); ++i) {
    dialogs_.messages.clear();
    EXPECT_FALSE(Load(refused[i].second)) << refused[i].first;
    EXPECT_EQ(dialogs_.messages, std::vector<std::string>{why[i]}) << refused[i].first;
    EXPECT_EQ(SampleRateRatio, 0.25f) << refused[i].first;
    EXPECT_EQ(SampleCount, 0) << refused[i].first;
    EXPECT_EQ(SampleData, before) << refused[i].first;
  }

  // A recording of silence is a sound: it imports, as silence.
  dialogs_.messages.clear();
  ASSERT_TRUE(Load(PcmWave(1, 48000, 16, std::string(65536, '\0'))));
  AnalyseWave();
  ExpectSilentSpectrum();
  EXPECT_TRUE(dialogs_.messages.empty());
}

TEST_F(ImportTest, ChannelsAreSummedNotAveraged) {
  ASSERT_TRUE(Load(PcmWave(
      3, 48000, 16, Samples(32768, 3, 2, [](int i, int c) { return (i % 100) * (c + 1) - 50; }))));
  for (int i : {0, 1, 99, 32767})
    EXPECT_EQ(SampleData[i], static_cast<float>((i % 100) * 6 - 150)) << i;
}

TEST_F(ImportTest, OppositeChannelsAndConstantEightBitMidpointAreSilence) {
  ASSERT_TRUE(Load(PcmWave(2, 48000, 16, Samples(40000, 2, 2, [](int i, int c) {
                             const int64_t v = Cosine(i, 300, 20000);
                             return c == 0 ? v : -v;
                           }))));
  AnalyseWave();
  ExpectSilentSpectrum();

  ASSERT_TRUE(Load(PcmWave(1, 48000, 8, std::string(50000, '\x80'))));
  AnalyseWave();
  ExpectSilentSpectrum();
}

TEST_F(ImportTest, AtMost655360FramesAreImported) {
  ASSERT_TRUE(Load16(700000, 48000, [](int i, int) { return i % 1000; }));
  EXPECT_EQ(SampleCount, 655360);
  ASSERT_EQ(SampleData.size(), 655364u);
  EXPECT_EQ(SampleData[655359], static_cast<float>(655359 % 1000));
  EXPECT_EQ(SampleData[655360], 0.0f);
}

TEST_F(ImportTest, ShortOrFailedReadsAddZeroAndTheRestStaysSilent) {
  // Block align 1 for 16-bit mono: twice as many frames as samples in the chunk. The last
  // sample gets one byte of its two, so it adds nothing.
  std::string data = Samples(20000, 1, 2, [](int, int) { return 1000; }) + "\x55";
  ASSERT_TRUE(Load(Riff(Chunk("fmt ", FmtFields(1, 1, 48000, 1, 16)) + Chunk("data", data))));
  EXPECT_EQ(SampleCount, 40001);
  EXPECT_EQ(SampleData[19999], 1000.0f);
  EXPECT_EQ(SampleData[20000], 0.0f);
  EXPECT_EQ(SampleData[40000], 0.0f);

  // The chunk claims 40000 frames that the file does not hold.
  std::string cut = Samples(100, 1, 2, [](int, int) { return -7; });
  ASSERT_TRUE(Load(Riff(Chunk("fmt ", FmtFields(1, 1, 48000, 2, 16)) + Chunk("data", cut, 80000))));
  EXPECT_EQ(SampleCount, 40000);
  EXPECT_EQ(SampleData[99], -7.0f);
  EXPECT_EQ(SampleData[100], 0.0f);
}

// A direct DFT of the same points, in long double.
TEST_F(ImportTest, FftMatchesADirectTransform) {
  std::mt19937 random(7);
  std::uniform_real_distribution<double> uniform(-1.0, 1.0);
  const std::vector<std::function<TComplex(int)>> signals = {
      [&](int) {
        return TComplex{uniform(random), uniform(random)};
      },
      [](int n) {
        return TComplex{n == 5 ? 1.0 : 0.0, 0.0};
      },
      [](int n) {
        return TComplex{std::sin(2 * kPi * 1234.5 * n / 32768.0 + 0.01 * n * n / 32768.0), 0.0};
      },
  };
  for (size_t s = 0; s < signals.size(); ++s) {
    std::vector<TComplex> x(FftSize);
    for (int n = 0; n < FftSize; ++n) x[n] = signals[s](n);
    std::fill(std::begin(FftData), std::end(FftData), TComplex{0, 0});
    std::copy(x.begin(), x.end(), FftData);
    FFT();
    for (int k : {0, 1, 17, 1234, 1235, 16384, 20000, 32767}) {
      long double re = 0, im = 0;
      for (int n = 0; n < FftSize; ++n) {
        const long double angle =
            -2.0L * 3.141592653589793238462643L *
            static_cast<long double>((static_cast<int64_t>(k) * n) % FftSize) / FftSize;
        re += x[n].re * std::cos(angle) - x[n].im * std::sin(angle);
        im += x[n].re * std::sin(angle) + x[n].im * std::cos(angle);
      }
      EXPECT_NEAR(FftData[k].re, static_cast<double>(re), 1e-9) << "signal " << s << " bin " << k;
      EXPECT_NEAR(FftData[k].im, static_cast<double>(im), 1e-9) << "signal " << s << " bin " << k;
    }
    for (int k = FftSize; k < FftBins; ++k) EXPECT_EQ(FftData[k].re, 0.0);
  }
}

TEST_F(ImportTest, TransformBinRangeFollowsTheSampleRate) {
  const auto tone = [](int i, int) { return Cosine(i, 700, 10000); };
  ASSERT_TRUE(Load16(32768, 48000, tone));
  AnalyseWave();
  EXPECT_EQ(FftLowBin, 18);
  EXPECT_EQ(FftHighBin, 8192);
  EXPECT_EQ(FftMagnitude[FftHighBin + 1], 0.0);

  ASSERT_TRUE(Load16(32768, 44100, tone));
  AnalyseWave();
  EXPECT_EQ(FftLowBin, 20);
  EXPECT_EQ(FftHighBin, 8916);

  // Below 24000 Hz the grid's top lies past the file's Nyquist frequency: the transform's
  // Nyquist bin is the last one used.
  ASSERT_TRUE(Load16(32768, 8000, tone));
  AnalyseWave();
  EXPECT_EQ(FftHighBin, 16384);
  EXPECT_EQ(FftMagnitude[16385], 0.0);
  ExpectNormalisedSpectrum();
  ASSERT_TRUE(Load16(32768, 24000, tone));
  AnalyseWave();
  EXPECT_EQ(FftHighBin, 16384);
}

TEST_F(ImportTest, LowRateTonesImportAtTheirOwnFrequencyNotTheirMirrorImage) {
  for (uint32_t rate : {8000u, 11025u, 16000u, 22050u}) {
    ASSERT_TRUE(Load16(3 * 32768, rate, [&](int i, int) {
      return std::llround(10000 * std::sin(2 * kPi * 440.0 * i / rate));
    })) << rate;
    AnalyseWave();
    EXPECT_NEAR(BinFrequency[MainBin], 440.0f, 1.0f) << rate;
    // Nothing above the file's Nyquist frequency: the mirror images are not folded in.
    for (int b = 0; b < BinCount; ++b)
      if (BinFrequency[b] > rate / 2.0f + 1.0f) ASSERT_EQ(Lane0(b), 0.0f) << rate << " bin " << b;
  }
}

TEST_F(ImportTest, A32BitIntegerToneImportsLikeItsSixteenBitTwin) {
  const auto tone = [](int i, int) { return Cosine(i, 413.5, 9000) + Cosine(i, 1207.25, 3000); };
  ASSERT_TRUE(Load16(40000, 44100, tone));
  AnalyseWave();
  const std::vector<TVec8> twin(std::begin(InstrumentSpectrum), std::end(InstrumentSpectrum));
  const int32_t twinMain = MainBin;
  ASSERT_GT(twin[twinMain][0], 0.0f);
  // The same samples in the upper 16 bits of 32-bit PCM: 65536 times the values.
  ASSERT_TRUE(Load(PcmWave(
      1, 44100, 32, Samples(40000, 1, 4, [&](int i, int c) { return tone(i, c) * 65536; }))));
  AnalyseWave();
  EXPECT_EQ(MainBin, twinMain);
  for (int b = 0; b < BinCount; ++b) ASSERT_EQ(InstrumentSpectrum[b][0], twin[b][0]) << b;
}

TEST_F(ImportTest, BlocksCoverTheSoundAndALongRemainderAddsAnOverlappingTailBlock) {
  // The first 32768 frames hold a tone at transform bin 100, the rest one at bin 200.
  const auto sound = [](int i, int) {
    return i < 32768 ? Cosine(i, 100, 8000) : Cosine(i, 200, 8000);
  };
  ASSERT_TRUE(Load16(32768, 48000, sound));
  AnalyseWave();
  const double oneBlock = FftMagnitude[100];
  EXPECT_NEAR(oneBlock, 8000 / 32768.0 * 16384, 0.01);
  EXPECT_LT(FftMagnitude[200], 1e-6);

  ASSERT_TRUE(Load16(32768 + 16384, 48000, sound));
  AnalyseWave();
  EXPECT_EQ(FftMagnitude[100], oneBlock);  // the remainder of 16384 is dropped
  EXPECT_LT(FftMagnitude[200], 1e-6);

  ASSERT_TRUE(Load16(32768 + 16385, 48000, sound));
  AnalyseWave();
  EXPECT_GT(FftMagnitude[200], 100.0);  // the tail block from frame 16385
  EXPECT_GT(FftMagnitude[100], oneBlock);

  ASSERT_TRUE(Load16(3 * 32768, 48000, sound));
  AnalyseWave();
  EXPECT_NEAR(FftMagnitude[200], 2 * oneBlock, 0.01);  // two whole blocks of the second tone
}

TEST_F(ImportTest, AnalysisFoldsOntoTheNearestGridBinNormalisesAndConsumesTheSamples) {
  settings_.noise = 10;
  // A tone at transform bin 300: 439.45 Hz, with weaker partials.
  ASSERT_TRUE(Load16(60000, 48000, [](int i, int) {
    return Cosine(i, 300, 12000) + Cosine(i, 900, 3000) + Cosine(i, 2000, 20);
  }));
  AnalyseWave();
  EXPECT_EQ(SampleCount, 0);
  EXPECT_EQ(SampleData.size(), 8u);
  ExpectNormalisedSpectrum();

  const float fb = 300.0f * 48000 / 32768;
  int nearest = 0;
  for (int i = 1; i < BinCount; ++i)
    if (std::fabs(BinFrequency[i] - fb) < std::fabs(BinFrequency[nearest] - fb)) nearest = i;
  EXPECT_EQ(MainBin, nearest);
  // The partial at bin 900 survives the 1 % threshold; the one at bin 2000 (0.17 %) does not.
  const auto strongestNear = [](float f) {
    float best = 0;
    for (int i = 0; i < BinCount; ++i)
      if (std::fabs(BinFrequency[i] - f) < f * 0.01f)
        best = std::max(best, InstrumentSpectrum[i][0]);
    return best;
  };
  EXPECT_GT(strongestNear(900.0f * 48000 / 32768), 0.1f);
  EXPECT_EQ(strongestNear(2000.0f * 48000 / 32768), 0.0f);

  // The samples are gone: a second analysis has nothing to measure.
  AnalyseWave();
  ExpectSilentSpectrum();
}

TEST_F(ImportTest, AnalysisNeverReadsBeyondTheSamplesOrTheTransformBins) {
  // Fewer samples than one block (only a direct call can do this): nothing is transformed.
  SampleData.assign(20004, 1.0f);
  SampleCount = 20000;
  SampleRateRatio = 1.0f;
  AnalyseWave();
  ExpectSilentSpectrum();

  // A count larger than the buffer and a rate of 0.
  SampleData.assign(32772, 0.5f);
  SampleCount = 655360;
  SampleRateRatio = 0.0f;
  AnalyseWave();
  EXPECT_EQ(FftLowBin, 32768);
  EXPECT_EQ(FftHighBin, 16384);
  ExpectSilentSpectrum();
}

TEST_F(ImportTest, SamplesThatAreNotFiniteImportAsSilence) {
  const uint32_t nan = std::bit_cast<uint32_t>(std::numeric_limits<float>::quiet_NaN());
  ASSERT_TRUE(Load(Wave32(3, 1, 48000, Samples(32768, 1, 4, [&](int i, int) {
                            return i == 1000
                                       ? nan
                                       : std::bit_cast<uint32_t>(0.5f * static_cast<float>(i % 7));
                          }))));
  AnalyseWave();
  ExpectSilentSpectrum();
}

// However faint or loud a sound whose samples are finite and not all zero, it is normalised to a
// peak of 1 in its main bin: where single precision cannot (the reciprocal of the peak
// overflows, every sum rounds to 0, or a sum overflows) the spectrum is scaled in double.
TEST_F(ImportTest, ExtremeLevelsStillGiveANormalisedSpectrumWithItsMainBin) {
  const auto tone = [](double level) {
    return [level](int i, int) {
      return std::bit_cast<uint32_t>(
          static_cast<float>(level * std::cos(2 * kPi * 300 * i / 32768.0)));
    };
  };
  struct Case {
    const char* name;
    std::string samples;
    bool tone300;  // the main bin is the tone's 300 cycles per 32768 samples
  };
  const Case cases[] = {
      {"a tone whose peak's reciprocal overflows", Samples(32768, 1, 4, tone(1e-39)), true},
      {"a tone of the smallest subnormal numbers", Samples(32768, 1, 4, tone(1e-44)), true},
      {"one faint click, the rest zero",
       Samples(32768, 1, 4,
               [](int i, int) { return i == 0 ? std::bit_cast<uint32_t>(1e-40f) : 0u; }),
       false},
      {"a tone so loud that the sums of three blocks overflow",
       Samples(3 * 32768, 1, 4, tone(3e38)), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(Load(Wave32(3, 1, 48000, c.samples)));
    AnalyseWave();
    const int32_t main = MainBin;
    float peak = 0.0f;
    int32_t first = -1;
    for (int i = 0; i < BinCount; ++i) {
      const TVec8& bin = InstrumentSpectrum[i];
      ASSERT_TRUE(std::isfinite(bin[0]) && bin[0] >= 0.0f);
      for (int lane = 1; lane < 8; ++lane) ASSERT_EQ(bin[lane], bin[0]);
      if (bin[0] > peak) {
        peak = bin[0];
        first = i;
      }
    }
    EXPECT_NEAR(peak, 1.0f, 1e-6f);
    EXPECT_EQ(first, main);
    if (c.tone300) {
      EXPECT_NEAR(BinFrequency[main], 300 * 48000 / 32768.0, 3.0);
    }
  }
}

TEST_F(ImportTest, NoiseReductionClearsBinsBelowTheThresholdAndTellsTheEditor) {
  static int repaints = 0;
  repaints = 0;
  const float values[] = {0.0005f, 0.001f, 0.0049f, 0.005f, 0.5f, 1.0f};
  for (TVec8& bin : InstrumentSpectrum) bin.Fill(0.25f);
  for (int i = 0; i < 6; ++i) InstrumentSpectrum[10 + i].Fill(values[i]);

  ApplyNoiseReduction();  // default 0.2 %; no editor yet: only the spectrum changes
  EXPECT_EQ(InstrumentSpectrum[10][0], 0.0f);
  EXPECT_EQ(InstrumentSpectrum[11][0], 0.0f);
  EXPECT_EQ(InstrumentSpectrum[12][0], 0.0049f);

  settings_.spectrumChanged = [] { ++repaints; };
  settings_.noise = 5;
  ApplyNoiseReduction();
  EXPECT_EQ(repaints, 1);
  for (int i = 0; i < 6; ++i) {
    const float expected = values[i] < 0.005f ? 0.0f : values[i];
    for (int lane = 0; lane < 8; ++lane) EXPECT_EQ(InstrumentSpectrum[10 + i][lane], expected);
  }
  EXPECT_EQ(InstrumentSpectrum[0][3], 0.25f);

  // A lower threshold brings nothing back.
  settings_.noise = 1;
  ApplyNoiseReduction();
  EXPECT_EQ(repaints, 2);
  EXPECT_EQ(InstrumentSpectrum[12][0], 0.0f);
}

}  // namespace
