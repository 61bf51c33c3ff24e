// Media-type objects: the default record, deep copies, Equal, and the "data" property: the
// 88-byte image with its format block, the 72-byte image, and lengths the block does not hold.
#include <cstring>
#include <functional>
#include <vector>

#include "capture/com_fixture.h"
#include "capture/dsaux/mediatypeobject.h"
#include "capture/dsaux/persistentmemory.h"
#include "platform/dshow/guids.h"
#include "rtl/filer.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct TUnk : TComObject<IUnknown> {};

// What the main window's grabber stores: video, RGB24, VideoInfo, no format block.
AM_MEDIA_TYPE GrabberRecord() {
  AM_MEDIA_TYPE mt{};
  mt.majortype = MEDIATYPE_Video;
  mt.subtype = MEDIASUBTYPE_RGB24;
  mt.bFixedSizeSamples = static_cast<BOOL>(0xFFFFFFFFu);
  mt.lSampleSize = 1;
  mt.formattype = FORMAT_VideoInfo;
  return mt;
}

// The 88-byte image with cbFormat and made-up addresses, then format; or the 72-byte image.
Bytes Image(ULONG cbFormat, const Bytes& format = {}, bool fourByteAddresses = false) {
  AM_MEDIA_TYPE mt = GrabberRecord();
  mt.cbFormat = cbFormat;
  mt.pUnk = reinterpret_cast<IUnknown*>(0x1234);
  mt.pbFormat = reinterpret_cast<BYTE*>(0x5678);
  Bytes image(reinterpret_cast<uint8_t*>(&mt), reinterpret_cast<uint8_t*>(&mt) + 88);
  if (fourByteAddresses) {  // no object, no format: twelve zero bytes after the format type
    image.resize(60);
    image.resize(72);
  }
  image.insert(image.end(), format.begin(), format.end());
  return image;
}

Bytes Pattern(size_t n) {
  Bytes b(n);
  for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(i * 7 + 1);
  return b;
}

class MediaType : public ComTest {};

TEST_F(MediaType, NewRecordsAndCopies) {
  TMediaType fresh(MEDIATYPE_Audio);
  EXPECT_EQ(fresh.MediaRecord()->majortype, MEDIATYPE_Audio);
  EXPECT_EQ(static_cast<uint32_t>(fresh.MediaRecord()->bFixedSizeSamples), 0xFFFFFFFFu);
  EXPECT_EQ(fresh.MediaRecord()->lSampleSize, 1u);
  EXPECT_EQ(fresh.GetFormatLength(), 0u);

  auto* unk = new TUnk;
  Bytes format = Pattern(88);
  AM_MEDIA_TYPE source = GrabberRecord();
  source.pUnk = unk;
  source.cbFormat = 88;
  source.pbFormat = format.data();
  {
    TMediaType copy(&source);
    EXPECT_NE(copy.MediaRecord()->pbFormat, format.data());
    EXPECT_EQ(Bytes(copy.MediaRecord()->pbFormat, copy.MediaRecord()->pbFormat + 88), format);
    EXPECT_EQ(Refs(unk), 2u);
    TMediaType other(MEDIATYPE_Audio);
    other.Assign(&copy);
    EXPECT_TRUE(other.Equal(&copy));
    EXPECT_EQ(Refs(unk), 3u);
    other.Assign(&other);
    EXPECT_EQ(Refs(unk), 3u);
    TPersistentMemory block;
    EXPECT_THROW(other.Assign(&block), rtl::EConvertError);
  }
  EXPECT_EQ(Refs(unk), 1u);
  unk->Release();
}

TEST_F(MediaType, EqualComparesTypesAndFormatBytesOnly) {
  Bytes format = Pattern(16), same = format, other = Pattern(16);
  other[5] ^= 1;
  auto* unk = new TUnk;
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
    AM_MEDIA_TYPE a = GrabberRecord(), b = GrabberRecord();
    a.cbFormat = b.cbFormat = 16;
    a.pbFormat = b.pbFormat = format.data();
    c.change(b);
    TMediaType x(&a), y(&b);
    EXPECT_EQ(x.Equal(&y), c.equal) << c.what;
    EXPECT_EQ(y.Equal(&x), c.equal) << c.what;
  }
  EXPECT_FALSE(TMediaType().Equal(nullptr));
  unk->Release();
}

TEST_F(MediaType, DataReadsWhatTheBlockHolds) {
  const Bytes format = Pattern(200);
  struct Case {
    const char* what;
    Bytes block;
    ULONG cbFormat;
    Bytes expected;  // the format block
    int64_t position;
  } cases[] = {
      {"main window's 72-byte block", Image(0, {}, true), 0, {}, 72},
      {"88 bytes, format length 0, then more", Image(0, Bytes(5, 9)), 0, {}, 88},
      {"format read exactly", Image(88, Bytes(format.begin(), format.begin() + 91)), 88,
       Bytes(format.begin(), format.begin() + 88), 176},
      {"format cut short below the cap", Image(100, Bytes(format.begin(), format.begin() + 10)),
       100,
       [&] {
         Bytes b(100);
         std::memcpy(b.data(), format.data(), 10);
         return b;
       }(),
       98},
      {"format length beyond the block and the cap", Image(0x40000000, Bytes(10, 3)), 0, {}, 88},
      {"large format the block holds", Image(70000, Bytes(70000, 4)), 70000, Bytes(70000, 4),
       88 + 70000},
  };
  for (const Case& c : cases) {
    // Whatever the object held before is released, and the addresses read mean nothing.
    auto* unk = new TUnk;
    TMediaType type(MEDIATYPE_Audio);
    type.MediaRecord()->pUnk = unk;
    unk->AddRef();  // the record's reference
    type.MediaRecord()->cbFormat = 4;
    type.MediaRecord()->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(4));
    rtl::TMemoryStream stream;
    stream.WriteBuffer(c.block.data(), static_cast<int64_t>(c.block.size()));
    stream.SetPosition(0);
    type.ReadData(stream);

    const AM_MEDIA_TYPE& mt = *type.MediaRecord();
    const AM_MEDIA_TYPE want = GrabberRecord();
    EXPECT_EQ(std::memcmp(&mt, &want, 60), 0) << c.what;
    EXPECT_EQ(mt.pUnk, nullptr) << c.what;
    EXPECT_EQ(Refs(unk), 1u) << c.what;
    EXPECT_EQ(mt.cbFormat, c.cbFormat) << c.what;
    EXPECT_EQ(mt.pbFormat == nullptr, c.cbFormat == 0) << c.what;
    if (mt.pbFormat) {
      EXPECT_EQ(Bytes(mt.pbFormat, mt.pbFormat + mt.cbFormat), c.expected) << c.what;
    }
    EXPECT_EQ(stream.Position(), c.position) << c.what;
    unk->Release();
  }
}

TEST_F(MediaType, ShortBlockFillsOnlyTheLeadingFields) {
  TMediaType type(MEDIATYPE_Audio);
  type.SetFormatType(FORMAT_WaveFormatEx);
  type.MediaRecord()->lSampleSize = 7;
  const Bytes block = Image(0);
  rtl::TMemoryStream stream;
  stream.WriteBuffer(block.data(), 40);  // the GUIDs and the two flags
  stream.SetPosition(0);
  type.ReadData(stream);
  EXPECT_EQ(type.MediaRecord()->subtype, MEDIASUBTYPE_RGB24);
  EXPECT_EQ(static_cast<uint32_t>(type.MediaRecord()->bFixedSizeSamples), 0xFFFFFFFFu);
  EXPECT_EQ(type.MediaRecord()->lSampleSize, 7u);
  EXPECT_EQ(type.MediaRecord()->formattype, FORMAT_WaveFormatEx);
}

TEST_F(MediaType, StreamsThroughTheFilerUnlessTheAncestorIsEqual) {
  Bytes format = Pattern(88);
  AM_MEDIA_TYPE mt = GrabberRecord();
  mt.cbFormat = 88;
  mt.pbFormat = format.data();
  TMediaType written(&mt), equal(&mt), other(&mt);
  equal.MediaRecord()->lSampleSize = 5;  // not compared
  other.SetSubType(MEDIASUBTYPE_RGB32);
  for (TMediaType* ancestor : {static_cast<TMediaType*>(nullptr), &equal, &other}) {
    rtl::TMemoryStream stream;
    rtl::TWriter(stream).WriteProperties(written, ancestor);
    EXPECT_EQ(stream.Size(), ancestor == &equal ? 1 : 1 + 5 + 5 + 88 + 88);
    stream.SetPosition(0);
    TMediaType read;
    rtl::TReader(stream).ReadProperties(read);
    EXPECT_EQ(read.Equal(&written), ancestor != &equal);
  }
}

}  // namespace
