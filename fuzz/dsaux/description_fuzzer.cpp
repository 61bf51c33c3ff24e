// Media-type descriptions over arbitrary records and format blocks, as devices and stored data
// hand them in. Input: a major-type, subtype and format-type selector, a flags byte (bit 0: a
// length without a block), then the format block, copied to a buffer of exactly its size so
// that any read past its end trips AddressSanitizer.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "capture/dsaux/description.h"
#include "platform/dshow/guids.h"

namespace {

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

const GUID kMajors[] = {MEDIATYPE_Video,  MEDIATYPE_Audio,       MEDIATYPE_AnalogVideo,
                        MEDIATYPE_Stream, MEDIATYPE_Interleaved, MEDIATYPE_MPEG2_PES};
const GUID kSubtypes[] = {MEDIASUBTYPE_RGB24,       MEDIASUBTYPE_MJPG,
                          MEDIASUBTYPE_YUY2,        MEDIASUBTYPE_NV12,
                          MEDIASUBTYPE_MPEG2_VIDEO, MEDIASUBTYPE_PCM,
                          MEDIASUBTYPE_dvsd,        MEDIASUBTYPE_DVD_NAVIGATION_PCI};
const GUID kFormats[] = {FORMAT_VideoInfo,     FORMAT_VideoInfo2, FORMAT_WaveFormatEx,
                         FORMAT_MPEGVideo,     FORMAT_MPEG2Video, FORMAT_DvInfo,
                         FORMAT_MPEGStreams,   FORMAT_DolbyAC3,   FORMAT_MPEG2Audio,
                         FORMAT_DVD_LPCMAudio, FORMAT_None};

// A listed GUID by index; past the list, the FourCC-template GUID of the index.
template <size_t N>
GUID Pick(const GUID (&list)[N], uint8_t index) {
  return index < N ? list[index] : FourCCGuid(index);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  AM_MEDIA_TYPE mt{};
  mt.majortype = Pick(kMajors, data[0]);
  mt.subtype = Pick(kSubtypes, data[1]);
  mt.formattype = Pick(kFormats, data[2]);
  const bool lengthWithoutBlock = data[3] & 1;
  std::vector<uint8_t> block(data + 4, data + size);
  mt.cbFormat = static_cast<ULONG>(block.size());
  if (!block.empty() && !lengthWithoutBlock) {
    // A heap block of exactly cbFormat bytes.
    mt.pbFormat = new BYTE[block.size()];
    std::memcpy(mt.pbFormat, block.data(), block.size());
  }
  const std::string text = GetMediaTypeDescription(&mt);
  Check(text.rfind("Major Type: ", 0) == 0);
  Check(text.find(" - Sub Type: ") != std::string::npos);
  Check(text.find(" Format: ") != std::string::npos);
  delete[] mt.pbFormat;
  if (size >= 8) {
    uint32_t compression;
    std::memcpy(&compression, data + 4, 4);
    Check(GetBICompressionName(compression).size() <= 9);
  }
  return 0;
}
