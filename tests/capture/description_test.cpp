// The one-line media-type descriptions: the tables' special spellings, the video and audio
// figures of format blocks, and blocks too short for what they claim to be.
#include "capture/dsaux/description.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/dshow/guids.h"

namespace {

struct Block {
  std::vector<BYTE> bytes;
};

template <class T>
Block BlockOf(const T& record, size_t size = sizeof(T)) {
  Block block{std::vector<BYTE>(size)};
  std::memcpy(block.bytes.data(), &record, std::min(size, sizeof(T)));
  return block;
}

BITMAPINFOHEADER Bitmap(LONG width, LONG height, WORD bits, DWORD compression) {
  BITMAPINFOHEADER bmi{};
  bmi.biSize = sizeof bmi;
  bmi.biWidth = width;
  bmi.biHeight = height;
  bmi.biBitCount = bits;
  bmi.biCompression = compression;
  return bmi;
}
Block VideoInfo(LONG width, LONG height, WORD bits, DWORD compression) {
  VIDEOINFOHEADER vih{};
  vih.bmiHeader = Bitmap(width, height, bits, compression);
  return BlockOf(vih);
}
Block VideoInfo2(LONG width, LONG height, WORD bits, DWORD compression) {
  VIDEOINFOHEADER2 vih{};
  vih.bmiHeader = Bitmap(width, height, bits, compression);
  return BlockOf(vih);
}
Block Wave(WORD tag, WORD channels, DWORD rate, WORD bits) {
  WAVEFORMATEX wave{};
  wave.wFormatTag = tag;
  wave.nChannels = channels;
  wave.nSamplesPerSec = rate;
  wave.wBitsPerSample = bits;
  return BlockOf(wave);
}

std::string Describe(const GUID& major, const GUID& sub, const GUID& format, Block block = {}) {
  AM_MEDIA_TYPE mt{};
  mt.majortype = major;
  mt.subtype = sub;
  mt.formattype = format;
  mt.cbFormat = static_cast<ULONG>(block.bytes.size());
  mt.pbFormat = block.bytes.empty() ? nullptr : block.bytes.data();
  return GetMediaTypeDescription(&mt);
}

constexpr DWORD kMJPG = MakeFourCC('M', 'J', 'P', 'G');
constexpr DWORD kNV12 = MakeFourCC('N', 'V', '1', '2');

TEST(MediaTypeDescription, NamesTypesAndFormatFigures) {
  struct Case {
    std::string description;
    std::string expected;
  } cases[] = {
      // The sample grabber's own type: no block, ending in the blank of the label.
      {Describe(MEDIATYPE_Video, MEDIASUBTYPE_RGB24, FORMAT_VideoInfo),
       "Major Type: Video - Sub Type: RGB24 Format: VideoInfo "},
      {Describe(MEDIATYPE_Video, MEDIASUBTYPE_RGB24, FORMAT_VideoInfo, VideoInfo(640, 480, 24, 0)),
       "Major Type: Video - Sub Type: RGB24 Format: VideoInfo RGB 640X480, 24 bits"},
      {Describe(MEDIATYPE_Video, MEDIASUBTYPE_MJPG, FORMAT_VideoInfo,
                VideoInfo(1280, 720, 24, kMJPG)),
       "Major Type: Video - Sub Type: MJPG Format: VideoInfo MJPG 1280X720, 24 bits"},
      {Describe(MEDIATYPE_Video, MEDIASUBTYPE_RGB32, FORMAT_VideoInfo, VideoInfo(320, -240, 32, 3)),
       "Major Type: Video - Sub Type: RGB32 Format: VideoInfo BITFIELDS 320X-240, 32 bits"},
      // An unlisted subtype: two blanks before "Format:", the FourCC still named by the block.
      {Describe(MEDIATYPE_Video, MEDIASUBTYPE_NV12, FORMAT_VideoInfo,
                VideoInfo(640, 480, 12, kNV12)),
       "Major Type: Video - Sub Type: UnKnown  Format: VideoInfo NV12 640X480, 12 bits"},
      {Describe(MEDIATYPE_Video, MEDIASUBTYPE_YUY2, FORMAT_VideoInfo2,
                VideoInfo2(1920, 1080, 16, MakeFourCC('Y', 'U', 'Y', '2'))),
       "Major Type: Video - Sub Type: YUY2 Format: VideoInfo2 YUY2 1920X1080, 16 bits"},
      {Describe(MEDIATYPE_Video, MEDIASUBTYPE_MPEG1Payload, FORMAT_MPEGVideo,
                VideoInfo(352, 288, 0, 1)),
       "Major Type: Video - Sub Type: MPEG1Payload Format: MPEGVideo RLE8 352X288, 0 bits"},
      {Describe(MEDIATYPE_Video, MEDIASUBTYPE_MPEG2_VIDEO, FORMAT_MPEG2Video,
                VideoInfo2(720, 576, 12, 2)),
       "Major Type: Video - Sub Type: MPEG2_VIDEO Format: MPEGStreams RLE4 720X576, 12 bits"},
      {Describe(MEDIATYPE_Audio, MEDIASUBTYPE_PCM, FORMAT_WaveFormatEx),
       "Major Type: Audio - Sub Type: PCM Format: WaveFormatEx: "},
      {Describe(MEDIATYPE_Audio, MEDIASUBTYPE_PCM, FORMAT_WaveFormatEx, Wave(1, 2, 44100, 16)),
       "Major Type: Audio - Sub Type: PCM Format: WaveFormatEx: PCM, 44100 Hertz, 16 Bits, 2 "
       "Channels"},
      // Tag 0x0075: its own subtype name, but the tag reads like 0x0062.
      {Describe(MEDIATYPE_Audio, MEDIASUBTYPE_VOXWARE_MetaSound, FORMAT_WaveFormatEx,
                Wave(0x0075, 1, 8000, 0)),
       "Major Type: Audio - Sub Type: VOXWARE_MetaSound Format: WaveFormatEx: VOXWARE, 8000 "
       "Hertz, 0 Bits, 1 Channels"},
      {Describe(MEDIATYPE_AnalogVideo, MEDIASUBTYPE_AnalogVideo_PAL_B, FORMAT_AnalogVideo),
       "Major Type: Analogvideo - Sub Type: AnalogVideo_PAL_B Format: Unknown"},
      {Describe(GUID_NULL, GUID_NULL, GUID_NULL),
       "Major Type: UnKnown  - Sub Type: UnKnown  Format: Unknown"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.description, c.expected);
}

TEST(MediaTypeDescription, SpecialRowsAndLabelsOfTheTables) {
  struct Case {
    GUID major, sub, format;
    const char* expected;
  } cases[] = {
      {MEDIATYPE_Interleaved, MEDIASUBTYPE_dvsd, FORMAT_DvInfo,
       "Major Type: Interleaved - Sub Type: dvsd_ Format: DvInfo"},
      {MEDIATYPE_Video, MEDIASUBTYPE_DVSD, FORMAT_DvInfo,
       "Major Type: Video - Sub Type: DVSD Format: DvInfo"},
      {MEDIATYPE_MPEG2_PES, MEDIASUBTYPE_DVD_NAVIGATION_PCI, FORMAT_MPEGStreams,
       "Major Type: MPEG2_PES - Sub Type: PCI Format: MPEGStreams"},
      {MEDIATYPE_MPEG2_PES, MEDIASUBTYPE_DVD_NAVIGATION_DSI, FORMAT_DolbyAC3,
       "Major Type: MPEG2_PES - Sub Type: DSI Format: DolbyAC3"},
      {MEDIATYPE_MPEG2_PES, MEDIASUBTYPE_DVD_NAVIGATION_PROVIDER, FORMAT_MPEG2Audio,
       "Major Type: MPEG2_PES - Sub Type: PROVIDER Format: MPEG2Audio"},
      {MEDIATYPE_Video, MEDIASUBTYPE_MP42, FORMAT_DVD_LPCMAudio,
       "Major Type: Video - Sub Type: MS-MPEG4 Format: DVD_LPCMAudio"},
      {MEDIATYPE_URL_STREAM, MEDIASUBTYPE_DIVX, FORMAT_None,
       "Major Type: URL_STREAM - Sub Type: DIVX Format: Unknown"},
      {MEDIATYPE_AUXLine21Data, MEDIASUBTYPE_Line21_BytePair, FORMAT_None,
       "Major Type: AUXLine21Data - Sub Type: Line21_BytePair Format: Unknown"},
      {MEDIATYPE_Timecode, MEDIASUBTYPE_SPDIF_TAG_241h, FORMAT_None,
       "Major Type: Timecode - Sub Type: SPDIF_TAG_241h Format: Unknown"},
      {MEDIATYPE_LMRT, MEDIASUBTYPE_QTSmc, FORMAT_None,
       "Major Type: LMRT - Sub Type: QTSmc Format: Unknown"},
  };
  for (const Case& c : cases) EXPECT_EQ(Describe(c.major, c.sub, c.format), c.expected);
}

TEST(MediaTypeDescription, WaveTagNames) {
  struct Case {
    WORD tag;
    const char* name;
  } cases[] = {{0x0001, "PCM"},
               {0x0003, "IEEE_FLOAT"},
               {0x003A, "ECHOSC3"},
               {0x0055, "MPEGLAYER3"},
               {0x0062, "VOXWARE"},
               {0x0075, "VOXWARE"},
               {0x0202, "CREATIVE_FASTSPEECH8"},
               {0x1400, "NORRIS"},
               {0x0000, "Unknown"},
               {0xFFFE, "Unknown"},
               {0x0004, "Unknown"}};
  for (const Case& c : cases)
    EXPECT_EQ(Describe(MEDIATYPE_Audio, GUID_NULL, FORMAT_WaveFormatEx, Wave(c.tag, 6, 96000, 24)),
              std::string("Major Type: Audio - Sub Type: UnKnown  Format: WaveFormatEx: ") +
                  c.name + ", 96000 Hertz, 24 Bits, 6 Channels");
}

TEST(MediaTypeDescription, ABlockShorterThanItsStructureGivesTheLabelAlone) {
  VIDEOINFOHEADER2 vih2{};
  vih2.bmiHeader = Bitmap(640, 480, 24, 0);
  WAVEFORMATEX wave{1, 2, 44100, 176400, 4, 16, 0};
  struct Case {
    GUID format;
    Block block;
    const char* label;
  } cases[] = {
      {FORMAT_VideoInfo, BlockOf(VIDEOINFOHEADER{}, sizeof(VIDEOINFOHEADER) - 1), "VideoInfo "},
      {FORMAT_MPEGVideo, BlockOf(VIDEOINFOHEADER{}, 68), "MPEGVideo "},
      // A VideoInfo-sized block under a VideoInfo2 label.
      {FORMAT_VideoInfo2, BlockOf(vih2, sizeof(VIDEOINFOHEADER)), "VideoInfo2 "},
      {FORMAT_MPEG2Video, BlockOf(vih2, sizeof(vih2) - 1), "MPEGStreams "},
      {FORMAT_WaveFormatEx, BlockOf(wave, 16), "WaveFormatEx: "},
      {FORMAT_WaveFormatEx, BlockOf(wave, 1), "WaveFormatEx: "},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Describe(MEDIATYPE_Video, MEDIASUBTYPE_RGB24, c.format, c.block),
              std::string("Major Type: Video - Sub Type: RGB24 Format: ") + c.label);
  // A length without a block reads nothing either.
  AM_MEDIA_TYPE mt{};
  mt.formattype = FORMAT_VideoInfo;
  mt.cbFormat = sizeof(VIDEOINFOHEADER);
  EXPECT_EQ(GetMediaTypeDescription(&mt),
            "Major Type: UnKnown  - Sub Type: UnKnown  Format: VideoInfo ");
}

TEST(BICompressionName, NamesTheFourStandardValuesAndSpellsFourCCs) {
  struct Case {
    uint32_t compression;
    std::string name;
  } cases[] = {
      {0, "RGB"},
      {1, "RLE8"},
      {2, "RLE4"},
      {3, "BITFIELDS"},
      {kMJPG, "MJPG"},
      {MakeFourCC('Y', '8', '\0', ' '), "Y8"},  // ends before the zero byte
      {MakeFourCC('\0', 'A', 'B', 'C'), ""},
      {4, "\x04"},
      {0xFFFFFFFF, "\xFF\xFF\xFF\xFF"},
  };
  for (const Case& c : cases) EXPECT_EQ(GetBICompressionName(c.compression), c.name);
}

}  // namespace
