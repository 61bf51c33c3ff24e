#include "engine/wavefile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "platform/win/resources.h"
#include "wav_builder.h"

using namespace wavtest;

namespace {

std::string Bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s += static_cast<char>(v);
  return s;
}

// Reads the rest of the data chunk in portions of `step` bytes.
std::string ReadAll(CWaveFile& wave, DWORD step) {
  std::string out;
  std::vector<BYTE> buffer(step);
  for (;;) {
    DWORD got = 12345;
    EXPECT_EQ(wave.Read(buffer.data(), step, &got), S_OK);
    if (got == 0) break;
    EXPECT_LE(got, step);
    out.append(reinterpret_cast<const char*>(buffer.data()), got);
  }
  return out;
}

class WaveFileTest : public ::testing::Test {
 protected:
  HRESULT OpenBytes(CWaveFile& wave, const std::string& bytes) {
    return wave.Open(dir_.Write("test.wav", bytes).c_str(), nullptr, WAVEFILE_READ);
  }
  TempDir dir_;
};

TEST_F(WaveFileTest, ReadsThePcmFormatAndHandsOutTheDataInAnyPortions) {
  const std::string data = Bytes({1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
  CWaveFile wave;
  ASSERT_EQ(OpenBytes(wave, PcmWave(2, 44100, 16, data)), S_OK);
  ASSERT_NE(wave.Format, nullptr);
  EXPECT_EQ(wave.Format->wFormatTag, WAVE_FORMAT_PCM);
  EXPECT_EQ(wave.Format->nChannels, 2);
  EXPECT_EQ(wave.Format->nSamplesPerSec, 44100u);
  EXPECT_EQ(wave.Format->nAvgBytesPerSec, 44100u * 4);
  EXPECT_EQ(wave.Format->nBlockAlign, 4);
  EXPECT_EQ(wave.Format->wBitsPerSample, 16);
  EXPECT_EQ(wave.Format->cbSize, 0);
  EXPECT_EQ(wave.GetSize(), 10u);

  BYTE buffer[8];
  DWORD got = 0;
  ASSERT_EQ(wave.Read(buffer, 3, &got), S_OK);
  EXPECT_EQ(got, 3u);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), 3), data.substr(0, 3));
  ASSERT_EQ(wave.Read(buffer, 8, &got), S_OK);
  EXPECT_EQ(got, 7u);  // cut to what is left
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), 7), data.substr(3));
  ASSERT_EQ(wave.Read(buffer, 8, &got), S_OK);
  EXPECT_EQ(got, 0u);

  ASSERT_EQ(wave.ResetFile(), S_OK);
  EXPECT_EQ(ReadAll(wave, 4), data);
  EXPECT_EQ(wave.Close(), S_OK);
  EXPECT_EQ(wave.Handle, nullptr);
}

TEST_F(WaveFileTest, ReadsDataLargerThanTheFileBufferByteExactly) {
  std::string data;
  for (int i = 0; i < 100000; ++i) data += static_cast<char>((i * 7 + i / 256) & 0xFF);
  CWaveFile wave;
  ASSERT_EQ(OpenBytes(wave, PcmWave(1, 48000, 8, data)), S_OK);
  EXPECT_EQ(wave.GetSize(), data.size());
  EXPECT_EQ(ReadAll(wave, 3001), data);
  ASSERT_EQ(wave.ResetFile(), S_OK);
  EXPECT_EQ(ReadAll(wave, 1), data);
}

TEST_F(WaveFileTest, EighteenBytePcmFormatYieldsTheSameRecordAndSkipsTheExtraBytes) {
  const std::string fmt = FmtFields(1, 1, 22050, 2, 16) + Bytes({0x55, 0x66});
  CWaveFile wave;
  ASSERT_EQ(OpenBytes(wave, Riff(Chunk("fmt ", fmt) + Chunk("data", "abcd"))), S_OK);
  EXPECT_EQ(wave.Format->cbSize, 0);
  EXPECT_EQ(wave.Format->nSamplesPerSec, 22050u);
  EXPECT_EQ(ReadAll(wave, 16), "abcd");
}

TEST_F(WaveFileTest, NonPcmFormatsKeepTheirExtraBytes) {
  // An extensible format: 22 extra bytes after cbSize.
  std::string extra;
  for (int i = 0; i < 22; ++i) extra += static_cast<char>(0xA0 + i);
  std::string fmt = FmtFields(WAVE_FORMAT_EXTENSIBLE, 2, 48000, 6, 24);
  Put16(fmt, 22);
  fmt += extra;
  {
    CWaveFile wave;
    ASSERT_EQ(OpenBytes(wave, Riff(Chunk("fmt ", fmt) + Chunk("data", "xy"))), S_OK);
    EXPECT_EQ(wave.Format->wFormatTag, WAVE_FORMAT_EXTENSIBLE);
    ASSERT_EQ(wave.Format->cbSize, 22);
    EXPECT_EQ(std::memcmp(reinterpret_cast<const char*>(wave.Format) + 18, extra.data(), 22), 0);
    EXPECT_EQ(ReadAll(wave, 16), "xy");
  }
  // IEEE float with an empty extension.
  std::string floatFmt = FmtFields(WAVE_FORMAT_IEEE_FLOAT, 1, 48000, 4, 32);
  Put16(floatFmt, 0);
  CWaveFile wave;
  ASSERT_EQ(OpenBytes(wave, Riff(Chunk("fmt ", floatFmt) + Chunk("data", "1234"))), S_OK);
  EXPECT_EQ(wave.Format->wFormatTag, WAVE_FORMAT_IEEE_FLOAT);
  EXPECT_EQ(wave.Format->cbSize, 0);
}

TEST_F(WaveFileTest, ChunksBetweenFmtAndDataAreSkippedWithTheirPadBytes) {
  const std::string file =
      Riff(Chunk("fmt ", FmtFields(1, 1, 48000, 1, 8)) + Chunk("LIST", "INFOodd") +
           Chunk("fact", "\x01\x02\x03\x04") + Chunk("data", "hello"));
  CWaveFile wave;
  ASSERT_EQ(OpenBytes(wave, file), S_OK);
  EXPECT_EQ(wave.GetSize(), 5u);
  EXPECT_EQ(ReadAll(wave, 2), "hello");

  // The search for "data" starts at the top of the form, so it may even precede "fmt ".
  CWaveFile early;
  ASSERT_EQ(
      OpenBytes(early, Riff(Chunk("data", "abc") + Chunk("fmt ", FmtFields(1, 1, 8000, 1, 8)))),
      S_OK);
  EXPECT_EQ(ReadAll(early, 2), "abc");
}

TEST_F(WaveFileTest, RefusesFilesThatAreNotWaveFilesOrLackTheirChunks) {
  const std::string fmt = Chunk("fmt ", FmtFields(1, 1, 48000, 2, 16));
  std::string truncatedExtension = FmtFields(3, 1, 48000, 4, 32);
  Put16(truncatedExtension, 40);  // 40 extra bytes announced, 2 present
  truncatedExtension += "zz";
  const std::map<std::string, std::string> broken = {
      {"empty", ""},
      {"not riff", "RIFX" + Riff(fmt + Chunk("data", "ab")).substr(4)},
      {"wrong form", Riff(fmt + Chunk("data", "ab"), "AVI ")},
      {"no fmt", Riff(Chunk("data", "ab"))},
      {"short fmt",
       Riff(Chunk("fmt ", FmtFields(1, 1, 48000, 2, 16).substr(0, 14)) + Chunk("data", "ab"))},
      {"fmt cut off", Riff(fmt + Chunk("data", "ab")).substr(0, 12 + 8 + 6)},
      {"extension cut off", Riff(Chunk("fmt ", truncatedExtension))},
      {"no data", Riff(fmt + Chunk("LIST", "INFO"))},
      {"data outside riff", Riff(fmt) + Chunk("data", "ab")},
  };
  for (const auto& [name, bytes] : broken) {
    CWaveFile wave;
    const HRESULT hr = OpenBytes(wave, bytes);
    EXPECT_TRUE(Failed(hr)) << name;
  }
}

TEST_F(WaveFileTest, ReportsMissingArgumentsAndClosedFiles) {
  CWaveFile wave;
  EXPECT_EQ(wave.Open(nullptr, nullptr, WAVEFILE_READ), E_INVALIDARG);
  EXPECT_TRUE(Failed(wave.Open((dir_.Path() / "missing.wav").c_str(), nullptr, WAVEFILE_READ)));
  EXPECT_TRUE(Failed(wave.Open(dir_.Path().c_str(), nullptr, WAVEFILE_READ)));  // a folder
  BYTE buffer[4];
  DWORD got = 7;
  EXPECT_EQ(wave.Read(buffer, 4, &got), CO_E_NOTINITIALIZED);
  EXPECT_EQ(wave.ResetFile(), CO_E_NOTINITIALIZED);

  ASSERT_EQ(OpenBytes(wave, PcmWave(1, 48000, 8, "abc")), S_OK);
  EXPECT_EQ(wave.Read(nullptr, 4, &got), E_INVALIDARG);
  EXPECT_EQ(wave.Read(buffer, 4, nullptr), E_INVALIDARG);
  // This reader does not write.
  CWaveFile writer;
  EXPECT_TRUE(Failed(writer.Open((dir_.Path() / "out.wav").c_str(), nullptr, 0)));
  EXPECT_FALSE(std::filesystem::exists(dir_.Path() / "out.wav"));
}

TEST_F(WaveFileTest, DataChunkLongerThanTheFileFailsAtTheEndAndCountsTheBytesAsUsed) {
  // "data" claims 100 bytes; only 6 follow.
  std::string file =
      Riff(Chunk("fmt ", FmtFields(1, 1, 48000, 1, 8)) + Chunk("data", "abcdef", 100));
  CWaveFile wave;
  ASSERT_EQ(OpenBytes(wave, file), S_OK);
  EXPECT_EQ(wave.GetSize(), 100u);
  BYTE buffer[64];
  DWORD got = 0;
  ASSERT_EQ(wave.Read(buffer, 4, &got), S_OK);
  EXPECT_EQ(got, 4u);
  got = 99;
  EXPECT_TRUE(Failed(wave.Read(buffer, 10, &got)));  // the file ends inside the chunk
  EXPECT_EQ(got, 0u);
  EXPECT_EQ(wave.DataChunk.cksize, 100u - 14u);
  EXPECT_TRUE(Failed(wave.Read(buffer, 1, &got)));
}

TEST_F(WaveFileTest, OpeningAgainReadsTheNewFile) {
  CWaveFile wave;
  ASSERT_EQ(OpenBytes(wave, PcmWave(1, 48000, 8, "first")), S_OK);
  const std::string second = dir_.Write("second.wav", PcmWave(2, 8000, 8, "2nd"));
  ASSERT_EQ(wave.Open(second.c_str(), nullptr, WAVEFILE_READ), S_OK);
  EXPECT_EQ(wave.Format->nChannels, 2);
  EXPECT_EQ(ReadAll(wave, 8), "2nd");
}

// WAVE resources of the program, served from test memory.
class FakeResources : public ResourceProvider {
 public:
  const ResourceBlock* Find(const char* type, const char* name) override {
    auto it = blocks_.find(std::string(type) + "/" + name);
    return it == blocks_.end() ? nullptr : &it->second;
  }
  void Add(const std::string& type, const std::string& name, const std::string& bytes) {
    storage_[type + "/" + name] = bytes;
    const std::string& kept = storage_[type + "/" + name];
    blocks_[type + "/" + name] = {kept.data(), static_cast<DWORD>(kept.size())};
  }
  std::string& Bytes(const std::string& key) { return storage_[key]; }

 private:
  std::map<std::string, std::string> storage_;
  std::map<std::string, ResourceBlock> blocks_;
};

class WaveResourceTest : public ::testing::Test {
 protected:
  void SetUp() override { previous_ = SetResourceProvider(&resources_); }
  void TearDown() override { SetResourceProvider(previous_); }
  FakeResources resources_;
  ResourceProvider* previous_ = nullptr;
};

TEST_F(WaveResourceTest, NamesThatAreNoFileOpenWaveAndWavResourcesFromAPrivateCopy) {
  resources_.Add("WAVE", "CHIME", PcmWave(1, 48000, 8, "chime"));
  resources_.Add("WAV", "CLICK", PcmWave(2, 44100, 16, "clck"));
  CWaveFile chime;
  ASSERT_EQ(chime.Open("CHIME", nullptr, WAVEFILE_READ), S_OK);
  ASSERT_NE(chime.ResourceBuffer, nullptr);
  // The resource's own bytes change; the open file reads its copy.
  std::string& original = resources_.Bytes("WAVE/CHIME");
  original.replace(original.size() - 5, 5, "XXXXX");
  EXPECT_EQ(ReadAll(chime, 2), "chime");
  chime.Close();
  EXPECT_EQ(chime.ResourceBuffer, nullptr);

  CWaveFile click;
  ASSERT_EQ(click.Open("CLICK", nullptr, WAVEFILE_READ), S_OK);
  EXPECT_EQ(click.Format->nSamplesPerSec, 44100u);
  EXPECT_EQ(ReadAll(click, 3), "clck");
}

TEST_F(WaveResourceTest, MissingEmptyOrBrokenResourcesFailToOpen) {
  resources_.Add("WAVE", "EMPTY", "");
  resources_.Add("WAVE", "JUNK", "RIFF\x04\0\0\0JUNK");
  resources_.Add("TEXT", "OTHER", PcmWave(1, 48000, 8, "x"));
  for (const char* name : {"NONE", "EMPTY", "JUNK", "OTHER"}) {
    CWaveFile wave;
    EXPECT_TRUE(Failed(wave.Open(name, nullptr, WAVEFILE_READ))) << name;
  }
}

}  // namespace
