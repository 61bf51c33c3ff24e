#include "capture/dsaux/description.h"

#include <cstdio>
#include <cstring>
#include <iterator>

#include "platform/dshow/guids.h"

namespace {

struct GuidName {
  GUID guid;
  const char* name;
};

// Compared in this order, the first match winning.
constexpr GuidName kMajorTypes[] = {
    {MEDIATYPE_AnalogAudio, "AnalogAudio"},
    {MEDIATYPE_AnalogVideo, "Analogvideo"},
    {MEDIATYPE_Audio, "Audio"},
    {MEDIATYPE_AUXLine21Data, "AUXLine21Data"},
    {MEDIATYPE_File, "File"},
    {MEDIATYPE_Interleaved, "Interleaved"},
    {MEDIATYPE_LMRT, "LMRT"},
    {MEDIATYPE_Midi, "Midi"},
    {MEDIATYPE_MPEG2_PES, "MPEG2_PES"},
    {MEDIATYPE_ScriptCommand, "ScriptCommand"},
    {MEDIATYPE_Stream, "Stream"},
    {MEDIATYPE_Text, "Text"},
    {MEDIATYPE_Timecode, "Timecode"},
    {MEDIATYPE_URL_STREAM, "URL_STREAM"},
    {MEDIATYPE_Video, "Video"},
};
static_assert(std::size(kMajorTypes) == 15);

#define SUBTYPE(name) \
  { MEDIASUBTYPE_##name, #name }
constexpr GuidName kSubtypes[] = {
    SUBTYPE(CLPL),
    SUBTYPE(YUYV),
    SUBTYPE(IYUV),
    SUBTYPE(YVU9),
    SUBTYPE(Y411),
    SUBTYPE(Y41P),
    SUBTYPE(YUY2),
    SUBTYPE(YVYU),
    SUBTYPE(UYVY),
    SUBTYPE(Y211),
    SUBTYPE(YV12),
    SUBTYPE(CLJR),
    SUBTYPE(IF09),
    SUBTYPE(CPLA),
    SUBTYPE(MJPG),
    SUBTYPE(TVMJ),
    SUBTYPE(WAKE),
    SUBTYPE(CFCC),
    SUBTYPE(IJPG),
    SUBTYPE(Plum),
    SUBTYPE(DVCS),
    SUBTYPE(DVSD),
    SUBTYPE(MDVF),
    SUBTYPE(RGB1),
    SUBTYPE(RGB4),
    SUBTYPE(RGB8),
    SUBTYPE(RGB565),
    SUBTYPE(RGB555),
    SUBTYPE(RGB24),
    SUBTYPE(RGB32),
    SUBTYPE(ARGB32),
    SUBTYPE(Overlay),
    SUBTYPE(MPEG1Packet),
    SUBTYPE(MPEG1Payload),
    SUBTYPE(MPEG1AudioPayload),
    SUBTYPE(MPEG1System),
    SUBTYPE(MPEG1VideoCD),
    SUBTYPE(MPEG1Video),
    SUBTYPE(MPEG1Audio),
    SUBTYPE(Avi),
    SUBTYPE(Asf),
    SUBTYPE(QTMovie),
    SUBTYPE(QTRpza),
    SUBTYPE(QTSmc),
    SUBTYPE(QTRle),
    SUBTYPE(QTJpeg),
    SUBTYPE(PCMAudio_Obsolete),
    SUBTYPE(PCM),
    SUBTYPE(WAVE),
    SUBTYPE(AU),
    SUBTYPE(AIFF),
    {MEDIASUBTYPE_dvsd, "dvsd_"},
    SUBTYPE(dvhd),
    SUBTYPE(dvsl),
    SUBTYPE(Line21_BytePair),
    SUBTYPE(Line21_GOPPacket),
    SUBTYPE(Line21_VBIRawData),
    SUBTYPE(DRM_Audio),
    SUBTYPE(IEEE_FLOAT),
    SUBTYPE(DOLBY_AC3_SPDIF),
    SUBTYPE(RAW_SPORT),
    SUBTYPE(SPDIF_TAG_241h),
    SUBTYPE(DssVideo),
    SUBTYPE(DssAudio),
    SUBTYPE(VPVideo),
    SUBTYPE(VPVBI),
    SUBTYPE(AnalogVideo_NTSC_M),
    SUBTYPE(AnalogVideo_PAL_B),
    SUBTYPE(AnalogVideo_PAL_D),
    SUBTYPE(AnalogVideo_PAL_G),
    SUBTYPE(AnalogVideo_PAL_H),
    SUBTYPE(AnalogVideo_PAL_I),
    SUBTYPE(AnalogVideo_PAL_M),
    SUBTYPE(AnalogVideo_PAL_N),
    SUBTYPE(AnalogVideo_PAL_N_COMBO),
    SUBTYPE(AnalogVideo_SECAM_B),
    SUBTYPE(AnalogVideo_SECAM_D),
    SUBTYPE(AnalogVideo_SECAM_G),
    SUBTYPE(AnalogVideo_SECAM_H),
    SUBTYPE(AnalogVideo_SECAM_K),
    SUBTYPE(AnalogVideo_SECAM_K1),
    SUBTYPE(AnalogVideo_SECAM_L),
    SUBTYPE(MPEG2_VIDEO),
    SUBTYPE(MPEG2_PROGRAM),
    SUBTYPE(MPEG2_TRANSPORT),
    SUBTYPE(MPEG2_AUDIO),
    SUBTYPE(DOLBY_AC3),
    SUBTYPE(DVD_SUBPICTURE),
    SUBTYPE(DVD_LPCM_AUDIO),
    SUBTYPE(DTS),
    SUBTYPE(SDDS),
    {MEDIASUBTYPE_DVD_NAVIGATION_PCI, "PCI"},
    {MEDIASUBTYPE_DVD_NAVIGATION_DSI, "DSI"},
    {MEDIASUBTYPE_DVD_NAVIGATION_PROVIDER, "PROVIDER"},
    {MEDIASUBTYPE_MP42, "MS-MPEG4"},
    {MEDIASUBTYPE_DIVX, "DIVX"},
    {MEDIASUBTYPE_VOXWARE_MetaSound, "VOXWARE_MetaSound"},
};
#undef SUBTYPE
static_assert(std::size(kSubtypes) == 97);

struct TagName {
  WORD tag;
  const char* name;
};

// The wave-format tags; 0x0075 reads "VOXWARE" like 0x0062.
constexpr TagName kWaveTags[] = {
    {0x0001, "PCM"},
    {0x0002, "ADPCM"},
    {0x0003, "IEEE_FLOAT"},
    {0x0005, "IBM_CVSD"},
    {0x0006, "ALAW"},
    {0x0007, "MULAW"},
    {0x0010, "OKI_ADPCM"},
    {0x0011, "DVI_ADPCM"},
    {0x0012, "MEDIASPACE_ADPCM"},
    {0x0013, "SIERRA_ADPCM"},
    {0x0014, "G723_ADPCM"},
    {0x0015, "DIGISTD"},
    {0x0016, "DIGIFIX"},
    {0x0017, "DIALOGIC_OKI_ADPCM"},
    {0x0018, "MEDIAVISION_ADPCM"},
    {0x0020, "YAMAHA_ADPCM"},
    {0x0021, "SONARC"},
    {0x0022, "DSPGROUP_TRUESPEECH"},
    {0x0023, "ECHOSC1"},
    {0x0024, "AUDIOFILE_AF36"},
    {0x0025, "APTX"},
    {0x0026, "AUDIOFILE_AF10"},
    {0x0030, "DOLBY_AC2"},
    {0x0031, "GSM610"},
    {0x0032, "MSNAUDIO"},
    {0x0033, "ANTEX_ADPCME"},
    {0x0034, "CONTROL_RES_VQLPC"},
    {0x0035, "DIGIREAL"},
    {0x0036, "DIGIADPCM"},
    {0x0037, "CONTROL_RES_CR10"},
    {0x0038, "NMS_VBXADPCM"},
    {0x0039, "CS_IMAADPCM"},
    {0x003A, "ECHOSC3"},
    {0x003B, "ROCKWELL_ADPCM"},
    {0x003C, "ROCKWELL_DIGITALK"},
    {0x003D, "XEBEC"},
    {0x0040, "G721_ADPCM"},
    {0x0041, "G728_CELP"},
    {0x0050, "MPEG"},
    {0x0055, "MPEGLAYER3"},
    {0x0060, "CIRRUS"},
    {0x0061, "ESPCM"},
    {0x0062, "VOXWARE"},
    {0x0063, "CANOPUS_ATRAC"},
    {0x0064, "G726_ADPCM"},
    {0x0065, "G722_ADPCM"},
    {0x0066, "DSAT"},
    {0x0067, "DSAT_DISPLAY"},
    {0x0075, "VOXWARE"},
    {0x0080, "SOFTSOUND"},
    {0x0100, "RHETOREX_ADPCM"},
    {0x0200, "CREATIVE_ADPCM"},
    {0x0202, "CREATIVE_FASTSPEECH8"},
    {0x0203, "CREATIVE_FASTSPEECH10"},
    {0x0220, "QUARTERDECK"},
    {0x0300, "FM_TOWNS_SND"},
    {0x0400, "BTV_DIGITAL"},
    {0x1000, "OLIGSM"},
    {0x1001, "OLIADPCM"},
    {0x1002, "OLICELP"},
    {0x1003, "OLISBC"},
    {0x1004, "OLIOPR"},
    {0x1100, "LH_CODEC"},
    {0x1400, "NORRIS"},
};
static_assert(std::size(kWaveTags) == 64);

template <size_t N>
const char* Lookup(const GuidName (&table)[N], const GUID& guid) {
  for (const GuidName& entry : table)
    if (entry.guid == guid) return entry.name;
  return "UnKnown ";
}

const char* WaveTagName(WORD tag) {
  for (const TagName& entry : kWaveTags)
    if (entry.tag == tag) return entry.name;
  return "Unknown";
}

// The structure T read from the start of the block, when the block is present and holds it.
template <class T>
bool ReadBlock(const AM_MEDIA_TYPE& mt, T& out) {
  if (mt.cbFormat == 0 || !mt.pbFormat || mt.cbFormat < sizeof(T)) return false;
  std::memcpy(&out, mt.pbFormat, sizeof(T));
  return true;
}

std::string VideoText(const BITMAPINFOHEADER& bmi) {
  char numbers[64];
  std::snprintf(numbers, sizeof numbers, " %dX%d, %u bits", static_cast<int>(bmi.biWidth),
                static_cast<int>(bmi.biHeight), static_cast<unsigned>(bmi.biBitCount));
  return GetBICompressionName(bmi.biCompression) + numbers;
}

std::string AudioText(const WAVEFORMATEX& wave) {
  char numbers[96];
  std::snprintf(numbers, sizeof numbers, ", %u Hertz, %u Bits, %u Channels",
                static_cast<unsigned>(wave.nSamplesPerSec),
                static_cast<unsigned>(wave.wBitsPerSample), static_cast<unsigned>(wave.nChannels));
  return WaveTagName(wave.wFormatTag) + std::string(numbers);
}

std::string FormatText(const AM_MEDIA_TYPE& mt) {
  const GUID& format = mt.formattype;
  if (format == FORMAT_VideoInfo) {
    VIDEOINFOHEADER vih;
    return "VideoInfo " + (ReadBlock(mt, vih) ? VideoText(vih.bmiHeader) : std::string());
  }
  if (format == FORMAT_VideoInfo2) {
    VIDEOINFOHEADER2 vih;
    return "VideoInfo2 " + (ReadBlock(mt, vih) ? VideoText(vih.bmiHeader) : std::string());
  }
  if (format == FORMAT_WaveFormatEx) {
    WAVEFORMATEX wave;
    return "WaveFormatEx: " + (ReadBlock(mt, wave) ? AudioText(wave) : std::string());
  }
  if (format == FORMAT_MPEGVideo) {
    VIDEOINFOHEADER vih;  // the MPEG-1 block begins with it
    return "MPEGVideo " + (ReadBlock(mt, vih) ? VideoText(vih.bmiHeader) : std::string());
  }
  if (format == FORMAT_MPEG2Video) {
    VIDEOINFOHEADER2 vih;  // the MPEG-2 block begins with it
    return "MPEGStreams " + (ReadBlock(mt, vih) ? VideoText(vih.bmiHeader) : std::string());
  }
  if (format == FORMAT_DvInfo) return "DvInfo";
  if (format == FORMAT_MPEGStreams) return "MPEGStreams";
  if (format == FORMAT_DolbyAC3) return "DolbyAC3";
  if (format == FORMAT_MPEG2Audio) return "MPEG2Audio";
  if (format == FORMAT_DVD_LPCMAudio) return "DVD_LPCMAudio";
  return "Unknown";
}

}  // namespace

std::string GetBICompressionName(uint32_t Compression) {
  switch (Compression) {
    case 0:
      return "RGB";
    case 1:
      return "RLE8";
    case 2:
      return "RLE4";
    case 3:
      return "BITFIELDS";
  }
  std::string name;
  for (int i = 0; i < 4; ++i) {
    const char c = static_cast<char>(Compression >> (8 * i) & 0xFF);
    if (c == '\0') break;
    name += c;
  }
  return name;
}

std::string GetMediaTypeDescription(const AM_MEDIA_TYPE* MediaType) {
  return std::string("Major Type: ") + Lookup(kMajorTypes, MediaType->majortype) +
         " - Sub Type: " + Lookup(kSubtypes, MediaType->subtype) +
         " Format: " + FormatText(*MediaType);
}
