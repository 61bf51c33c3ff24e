// Media-type objects: the default record, Assign, Equal, and the "data" property: the
// 88-byte image with its format block, the 72-byte image, and lengths the block does not hold.
#include <cstring>
#include <functional>
#include <vector>

#include "capture/com_fixture.h"
#include "capture/dsaux/mediatypeobject.h"
#include "capture/dsaux/persistentmemory.h"
#include "platform/dshow/guids.h"

namespace {

using Bytes = std::vector<uint8_t>;
struct TUnk : TComObject<IUnknown> {};

// What the main window's grabber stores: video, RGB24, VideoInfo, no format block.
AM_MEDIA_TYPE GrabberRecord(ULONG cbFormat = 0, BYTE* pbFormat = nullptr) {
  return {MEDIATYPE_Video,
          MEDIASUBTYPE_RGB24,
          static_cast<BOOL>(0xFFFFFFFFu),
          0,
          1,
          FORMAT_VideoInfo,
          nullptr,
          cbFormat,
          pbFormat};
}

// The 88-byte image with made-up addresses followed by format, or the 72-byte image.
Bytes Image(ULONG cbFormat, const Bytes& format = {}, bool fourByteAddresses = false) {
  AM_MEDIA_TYPE mt = GrabberRecord(cbFormat, reinterpret_cast<BYTE*>(0x5678));
  mt.pUnk = reinterpret_cast<IUnknown*>(0x1234);
  Bytes image(reinterpret_cast<uint8_t*>(&mt), reinterpret_cast<uint8_t*>(&mt) + 88);
  if (fourByteAddresses) image.assign(72, 0), std::memcpy(image.data(), &mt, 60);
  image.insert(image.end(), format.begin(), format.end());
  return image;
}

Bytes Pattern(size_t n, size_t held = ~size_t{0}) {
  Bytes b(n);
  for (size_t i = 0; i < n && i < held; ++i) b[i] = static_cast<uint8_t>(i * 7 + 1);
  return b;
}

class MediaTypeObject : public ComTest {};

TEST_F(MediaTypeObject, DefaultRecordAndAssign) {
  TMediaType audio(MEDIATYPE_Audio), other;
  const AM_MEDIA_TYPE& fresh = *audio.MediaRecord();
  EXPECT_EQ(fresh.majortype, MEDIATYPE_Audio);
  EXPECT_EQ(static_cast<uint32_t>(fresh.bFixedSizeSamples), 0xFFFFFFFFu);
  EXPECT_EQ(fresh.lSampleSize, 1u);
  other.Assign(&audio);
  EXPECT_TRUE(other.Equal(&audio));
  TPersistentMemory block;
  EXPECT_THROW(other.Assign(&block), rtl::EConvertError);
}

TEST_F(MediaTypeObject, EqualComparesTypesAndFormatBytesOnly) {
  Bytes format = Pattern(16), same = format, other = Pattern(16);
  other[5] ^= 1;
  const AM_MEDIA_TYPE record = GrabberRecord(16, format.data());
  TMediaType base(&record);
  TUnk* unk = new TUnk;
  using M = AM_MEDIA_TYPE;
  const struct Case {
    const char* what;
    std::function<void(M&)> change;
    bool equal;
  } cases[] = {
      {"flags", [](M& m) { m.bFixedSizeSamples = 0, m.bTemporalCompression = 1; }, true},
      {"sample size", [](M& m) { m.lSampleSize = 9; }, true},
      {"object", [&](M& m) { m.pUnk = unk; }, true},
      {"same bytes elsewhere", [&](M& m) { m.pbFormat = same.data(); }, true},
      {"major type", [](M& m) { m.majortype = MEDIATYPE_Audio; }, false},
      {"subtype", [](M& m) { m.subtype = MEDIASUBTYPE_RGB32; }, false},
      {"format type", [](M& m) { m.formattype = FORMAT_VideoInfo2; }, false},
      {"format length", [](M& m) { m.cbFormat = 15; }, false},
      {"format bytes", [&](M& m) { m.pbFormat = other.data(); }, false},
  };
  for (const Case& c : cases) {
    AM_MEDIA_TYPE changed = GrabberRecord(16, format.data());
    c.change(changed);
    TMediaType x(&changed);
    EXPECT_EQ(x.Equal(&base), c.equal) << c.what;
    EXPECT_EQ(base.Equal(&x), c.equal) << c.what;
  }
  EXPECT_FALSE(base.Equal(nullptr));
  unk->Release();
}

TEST_F(MediaTypeObject, DataReadsWhatTheBlockHolds) {
  const struct Case {
    const char* what;
    Bytes block;
    Bytes format;  // the format block read
    int64_t position;
  } cases[] = {
      {"main window's 72-byte block", Image(0, {}, true), {}, 72},
      {"88 bytes, format length 0, more bytes", Image(0, Bytes(5, 9)), {}, 88},
      {"format read exactly", Image(88, Pattern(91)), Pattern(88), 176},
      {"format cut short below the cap", Image(100, Pattern(10)), Pattern(100, 10), 98},
      {"format beyond the block and the cap", Image(0x40000000, Bytes(10, 3)), {}, 88},
      {"large format the block holds", Image(70000, Pattern(70000)), Pattern(70000), 70088},
  };
  for (const Case& c : cases) {
    // What the object held before is released; the addresses read mean nothing.
    TUnk* unk = new TUnk;
    TMediaType type(MEDIATYPE_Audio);
    type.MediaRecord()->pUnk = unk;
    unk->AddRef();
    type.MediaRecord()->cbFormat = 4;
    type.MediaRecord()->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(4));
    rtl::TMemoryStream stream;
    Fill(stream, c.block);
    type.ReadData(stream);

    const AM_MEDIA_TYPE& mt = *type.MediaRecord();
    const AM_MEDIA_TYPE want = GrabberRecord();
    EXPECT_EQ(std::memcmp(&mt, &want, 60), 0) << c.what;
    EXPECT_EQ(mt.pUnk, nullptr) << c.what;
    EXPECT_EQ(unk->Release(), 0u) << c.what;
    EXPECT_EQ(Bytes(mt.pbFormat, mt.pbFormat + mt.cbFormat), c.format) << c.what;
    EXPECT_EQ(mt.pbFormat == nullptr, c.format.empty()) << c.what;
    EXPECT_EQ(stream.Position(), c.position) << c.what;
  }
}

}  // namespace
