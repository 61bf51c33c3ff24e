// The one-line media-type descriptions: the tables' special spellings, the video and audio
// figures of format blocks, and blocks too short for what they claim to be.
#include "capture/dsaux/description.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/dshow/guids.h"

namespace {

using Block = std::vector<BYTE>;

// The first size bytes of record (zero-filled past its end).
template <class T>
Block BlockOf(const T& record, size_t size = sizeof(T)) {
  Block block(size);
  std::memcpy(block.data(), &record, std::min(size, sizeof(T)));
  return block;
}

// A VIDEOINFOHEADER or VIDEOINFOHEADER2 block.
template <class Header = VIDEOINFOHEADER>
Block Video(LONG width, LONG height, WORD bits, DWORD compression) {
  Header header{};
  header.bmiHeader = {40, width, height, 1, bits, compression, 0, 0, 0, 0, 0};
  return BlockOf(header);
}

Block Wave(WORD tag, WORD channels, DWORD rate, WORD bits) {
  return BlockOf(WAVEFORMATEX{tag, channels, rate, 0, 0, bits, 0});
}

std::string Describe(const GUID& major, const GUID& sub, const GUID& format, Block block = {}) {
  AM_MEDIA_TYPE mt{};
  mt.majortype = major;
  mt.subtype = sub;
  mt.formattype = format;
  mt.cbFormat = static_cast<ULONG>(block.size());
  mt.pbFormat = block.empty() ? nullptr : block.data();
  return GetMediaTypeDescription(&mt);
}

constexpr DWORD kMJPG = MakeFourCC('M', 'J', 'P', 'G');

TEST(MediaTypeDescription, NamesTypesAndFormatFigures) {
  const GUID video = MEDIATYPE_Video, audio = MEDIATYPE_Audio;
  struct Case {
    std::string description;
    const char* expected;  // after "Major Type: "
  } cases[] = {
      // The sample grabber's own type: no block, ending in the blank of the label.
      {Describe(video, MEDIASUBTYPE_RGB24, FORMAT_VideoInfo),
       "Video - Sub Type: RGB24 Format: VideoInfo "},
      {Describe(video, MEDIASUBTYPE_RGB24, FORMAT_VideoInfo, Video(640, 480, 24, 0)),
       "Video - Sub Type: RGB24 Format: VideoInfo RGB 640X480, 24 bits"},
      {Describe(video, MEDIASUBTYPE_MJPG, FORMAT_VideoInfo, Video(1280, 720, 24, kMJPG)),
       "Video - Sub Type: MJPG Format: VideoInfo MJPG 1280X720, 24 bits"},
      {Describe(video, MEDIASUBTYPE_RGB32, FORMAT_VideoInfo, Video(320, -240, 32, 3)),
       "Video - Sub Type: RGB32 Format: VideoInfo BITFIELDS 320X-240, 32 bits"},
      // An unlisted subtype: two blanks before "Format:", the FourCC still named by the block.
      {Describe(video, MEDIASUBTYPE_NV12, FORMAT_VideoInfo,
                Video(640, 480, 12, MakeFourCC('N', 'V', '1', '2'))),
       "Video - Sub Type: UnKnown  Format: VideoInfo NV12 640X480, 12 bits"},
      {Describe(video, MEDIASUBTYPE_YUY2, FORMAT_VideoInfo2,
                Video<VIDEOINFOHEADER2>(1920, 1080, 16, MakeFourCC('Y', 'U', 'Y', '2'))),
       "Video - Sub Type: YUY2 Format: VideoInfo2 YUY2 1920X1080, 16 bits"},
      {Describe(video, MEDIASUBTYPE_MPEG1Payload, FORMAT_MPEGVideo, Video(352, 288, 0, 1)),
       "Video - Sub Type: MPEG1Payload Format: MPEGVideo RLE8 352X288, 0 bits"},
      {Describe(video, MEDIASUBTYPE_MPEG2_VIDEO, FORMAT_MPEG2Video,
                Video<VIDEOINFOHEADER2>(720, 576, 12, 2)),
       "Video - Sub Type: MPEG2_VIDEO Format: MPEGStreams RLE4 720X576, 12 bits"},
      {Describe(audio, MEDIASUBTYPE_PCM, FORMAT_WaveFormatEx),
       "Audio - Sub Type: PCM Format: WaveFormatEx: "},
      {Describe(audio, MEDIASUBTYPE_PCM, FORMAT_WaveFormatEx, Wave(1, 2, 44100, 16)),
       "Audio - Sub Type: PCM Format: WaveFormatEx: PCM, 44100 Hertz, 16 Bits, 2 Channels"},
      // Tag 0x0075: its own subtype name, but as a tag it reads like 0x0062.
      {Describe(audio, MEDIASUBTYPE_VOXWARE_MetaSound, FORMAT_WaveFormatEx,
                Wave(0x0075, 1, 8000, 0)),
       "Audio - Sub Type: VOXWARE_MetaSound Format: WaveFormatEx: VOXWARE, 8000 Hertz, 0 Bits, 1 "
       "Channels"},
      {Describe(audio, GUID_NULL, FORMAT_WaveFormatEx, Wave(0xFFFE, 6, 96000, 24)),
       "Audio - Sub Type: UnKnown  Format: WaveFormatEx: Unknown, 96000 Hertz, 24 Bits, 6 "
       "Channels"},
      {Describe(MEDIATYPE_AnalogVideo, MEDIASUBTYPE_AnalogVideo_PAL_B, FORMAT_AnalogVideo),
       "Analogvideo - Sub Type: AnalogVideo_PAL_B Format: Unknown"},
      {Describe(GUID_NULL, GUID_NULL, GUID_NULL), "UnKnown  - Sub Type: UnKnown  Format: Unknown"},
      // The special rows of the subtype table and the labels without figures.
      {Describe(MEDIATYPE_Interleaved, MEDIASUBTYPE_dvsd, FORMAT_DvInfo),
       "Interleaved - Sub Type: dvsd_ Format: DvInfo"},
      {Describe(MEDIATYPE_MPEG2_PES, MEDIASUBTYPE_DVD_NAVIGATION_PCI, FORMAT_MPEGStreams),
       "MPEG2_PES - Sub Type: PCI Format: MPEGStreams"},
      {Describe(MEDIATYPE_MPEG2_PES, MEDIASUBTYPE_DVD_NAVIGATION_DSI, FORMAT_DolbyAC3),
       "MPEG2_PES - Sub Type: DSI Format: DolbyAC3"},
      {Describe(MEDIATYPE_Stream, MEDIASUBTYPE_DVD_NAVIGATION_PROVIDER, FORMAT_MPEG2Audio),
       "Stream - Sub Type: PROVIDER Format: MPEG2Audio"},
      {Describe(MEDIATYPE_Timecode, MEDIASUBTYPE_MP42, FORMAT_DVD_LPCMAudio),
       "Timecode - Sub Type: MS-MPEG4 Format: DVD_LPCMAudio"},
      {Describe(MEDIATYPE_URL_STREAM, MEDIASUBTYPE_DIVX, FORMAT_None),
       "URL_STREAM - Sub Type: DIVX Format: Unknown"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.description, std::string("Major Type: ") + c.expected);
}

TEST(MediaTypeDescription, ABlockShorterThanItsStructureGivesTheLabelAlone) {
  const Block video = Video(640, 480, 24, 0), video2 = Video<VIDEOINFOHEADER2>(640, 480, 24, 0);
  const Block wave = Wave(1, 2, 44100, 16);
  struct Case {
    GUID format;
    Block block;
    const char* label;
  } cases[] = {
      {FORMAT_VideoInfo, Block(video.begin(), video.end() - 1), "VideoInfo "},
      {FORMAT_MPEGVideo, Block(video.begin(), video.begin() + 68), "MPEGVideo "},
      {FORMAT_VideoInfo2, video, "VideoInfo2 "},  // a VideoInfo block under the wrong label
      {FORMAT_MPEG2Video, Block(video2.begin(), video2.end() - 1), "MPEGStreams "},
      {FORMAT_WaveFormatEx, Block(wave.begin(), wave.begin() + 16), "WaveFormatEx: "},
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
  };
  for (const Case& c : cases) EXPECT_EQ(GetBICompressionName(c.compression), c.name);
}

}  // namespace
