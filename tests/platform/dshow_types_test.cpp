// The media-type records and their helpers, the classes in the registry, the sample
// grabber's buffer and the error texts of the layer.
#include <gtest/gtest.h>

#include <cstring>

#include "dshow_fixture.h"
#include "platform/dshow/errors.h"

namespace {

TEST(DShowGuids, FourCCSubtypesFollowTheTemplate) {
  EXPECT_EQ(GUIDToString(MEDIATYPE_Video), "{73646976-0000-0010-8000-00AA00389B71}");
  EXPECT_EQ(GUIDToString(MEDIASUBTYPE_RGB24), "{E436EB7D-524F-11CE-9F53-0020AF0BA770}");
  EXPECT_EQ(GUIDToString(FORMAT_VideoInfo), "{05589F80-C356-11CE-BF01-00AA0055595A}");
  EXPECT_EQ(GUIDToString(MEDIASUBTYPE_YUY2), "{32595559-0000-0010-8000-00AA00389B71}");
  EXPECT_EQ(GUIDToString(MEDIASUBTYPE_VOXWARE_MetaSound), "{00000075-0000-0010-8000-00AA00389B71}");
  EXPECT_TRUE(IsFourCCGuid(MEDIASUBTYPE_MJPG));
  EXPECT_FALSE(IsFourCCGuid(MEDIASUBTYPE_RGB24));
  EXPECT_NE(MEDIASUBTYPE_dvsd, MEDIASUBTYPE_DVSD);
}

using MediaTypes = DShowTest;

class TCounted : public TComObject<IUnknown> {};

TEST_F(MediaTypes, CopiesOwnTheirBlockAndAReference) {
  ComPtr<IUnknown> unk;
  unk.Attach(static_cast<IUnknown*>(new TCounted));
  TAMMediaType a = MakeVideoInfoType(MEDIASUBTYPE_RGB24, 4, 2, 24, BI_RGB, 0);
  a.Ptr()->pUnk = unk.Get();
  unk->AddRef();
  {
    TAMMediaType b = a;
    EXPECT_NE(b->pbFormat, a->pbFormat);
    EXPECT_EQ(std::memcmp(b->pbFormat, a->pbFormat, a->cbFormat), 0);
    EXPECT_EQ(unk->AddRef(), 4u);  // ours, a's, b's and this one
    unk->Release();
    AM_MEDIA_TYPE* handed = MediaTypeCreateCopy(b.Get());
    ASSERT_NE(handed, nullptr);
    MediaTypeDelete(handed);
    MediaTypeDelete(nullptr);
  }
  a.Clear();
  a.Clear();
  EXPECT_EQ(unk->AddRef(), 2u);
  unk->Release();
}

TEST_F(MediaTypes, FormatBlocksMustBeAsLongAsTheirTypeNeeds) {
  struct Case {
    GUID format;
    ULONG length;
    WORD extra;  // cbSize of a wave format
    HRESULT expected;
  } cases[] = {
      {FORMAT_VideoInfo, 88, 0, S_OK},
      {FORMAT_VideoInfo, 87, 0, VFW_E_INVALIDMEDIATYPE},
      {FORMAT_VideoInfo, 0, 0, VFW_E_INVALIDMEDIATYPE},
      {FORMAT_VideoInfo2, 112, 0, S_OK},
      {FORMAT_VideoInfo2, 88, 0, VFW_E_INVALIDMEDIATYPE},
      {FORMAT_WaveFormatEx, 18, 0, S_OK},
      {FORMAT_WaveFormatEx, 16, 0, VFW_E_INVALIDMEDIATYPE},
      {FORMAT_WaveFormatEx, 22, 4, S_OK},
      {FORMAT_WaveFormatEx, 21, 4, VFW_E_INVALIDMEDIATYPE},
      {FORMAT_MPEGVideo, 96, 0, S_OK},
      {FORMAT_MPEGVideo, 95, 0, VFW_E_INVALIDMEDIATYPE},
      {FORMAT_None, 0, 0, S_OK},
  };
  for (const Case& c : cases) {
    std::vector<BYTE> block(200, 0);
    std::memcpy(block.data() + 16, &c.extra, 2);  // WAVEFORMATEX.cbSize
    TAMMediaType mt;
    mt.Ptr()->majortype = MEDIATYPE_Video;
    mt.SetFormat(c.format, block.data(), c.length);
    EXPECT_EQ(MediaTypeCheckFormat(mt.Get()), c.expected) << GUIDToString(c.format) << c.length;
  }
  AM_MEDIA_TYPE lengthWithoutBlock{};
  lengthWithoutBlock.cbFormat = 8;
  EXPECT_EQ(MediaTypeCheckFormat(lengthWithoutBlock), VFW_E_INVALIDMEDIATYPE);
  EXPECT_EQ(MediaTypeBitmapHeader(lengthWithoutBlock), nullptr);
}

TEST(MediaTypeSizes, RowsArePaddedAndFifteenBitsCountAsSixteen) {
  BITMAPINFOHEADER h{};
  h.biWidth = 3;
  h.biHeight = -2;
  h.biBitCount = 24;
  EXPECT_EQ(BitmapImageBytes(h), 24u);  // rows of 12 bytes, top-down counts the same
  h.biBitCount = 15;
  EXPECT_EQ(BitmapImageBytes(h), 16u);
  h.biSizeImage = 7;
  EXPECT_EQ(BitmapImageBytes(h), 7u);
}

TEST(MediaTypeMatching, NullGuidsAcceptAnything) {
  AM_MEDIA_TYPE offered{};
  offered.majortype = MEDIATYPE_Video;
  offered.subtype = MEDIASUBTYPE_RGB24;
  offered.formattype = FORMAT_VideoInfo;
  AM_MEDIA_TYPE wanted{};
  EXPECT_TRUE(MediaTypeMatches(offered, nullptr));
  EXPECT_TRUE(MediaTypeMatches(offered, &wanted));
  wanted.subtype = MEDIASUBTYPE_RGB24;
  EXPECT_TRUE(MediaTypeMatches(offered, &wanted));
  wanted.formattype = FORMAT_VideoInfo2;
  EXPECT_FALSE(MediaTypeMatches(offered, &wanted));
}

using DShowClasses = DShowTest;

TEST_F(DShowClasses, TheLayerIsRegisteredButTheDvdBuilderIsNot) {
  for (const CLSID& clsid : {CLSID_FilterGraph, CLSID_CaptureGraphBuilder2, CLSID_SampleGrabber}) {
    ComPtr<IUnknown> object;
    EXPECT_EQ(
        CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, object.PutVoid()),
        S_OK)
        << GUIDToString(clsid);
  }
  ComPtr<IUnknown> dvd;
  EXPECT_EQ(CoCreateInstance(CLSID_DvdGraphBuilder, nullptr, CLSCTX_INPROC_SERVER,
                             IID_IDvdGraphBuilder, dvd.PutVoid()),
            REGDB_E_CLASSNOTREG);
  EXPECT_FALSE(dvd);
  // The graph is itself: every interface leads back to one object.
  ComPtr<IMediaControl> control;
  ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IMediaControl,
                             control.PutVoid()),
            S_OK);
  ComPtr<IServiceProvider> services;
  ComPtr<IBasicAudio> audio;
  EXPECT_EQ(control.As(services), S_OK);
  EXPECT_EQ(control.As(audio), E_NOINTERFACE);
  void* untouched = &untouched;
  EXPECT_EQ(services->QueryService(IID_IUnknown, IID_IUnknown, &untouched), E_NOINTERFACE);
  EXPECT_EQ(untouched, &untouched);
}

using SampleGrabberBuffer = DShowTest;

TEST_F(SampleGrabberBuffer, SizeQueryThenCopyOfTheLastSample) {
  TCaptureGraph g(TTestSource::MakeRgb());
  ASSERT_EQ(g.Render(), S_OK);
  LONG size = 0;
  EXPECT_EQ(g.grabber->GetCurrentBuffer(&size, nullptr), E_INVALIDARG);  // not buffering
  ASSERT_EQ(g.grabber->SetBufferSamples(TRUE), S_OK);
  EXPECT_EQ(g.grabber->GetCurrentBuffer(&size, nullptr), VFW_E_WRONG_STATE);  // no sample yet
  g.source->AllowFrames(3);
  ASSERT_EQ(g.control->Run(), S_OK);
  while (g.recorder->calls.load() < 3) std::this_thread::yield();
  ASSERT_EQ(g.control->Stop(), S_OK);

  ASSERT_EQ(g.grabber->GetCurrentBuffer(&size, nullptr), S_OK);
  EXPECT_EQ(size, 64 * 48 * 3);
  std::vector<LONG> copy(size / sizeof(LONG) + 1, -1);
  LONG smaller = size - 1;
  EXPECT_EQ(g.grabber->GetCurrentBuffer(&smaller, copy.data()), E_OUTOFMEMORY);
  LONG room = size + 4;
  ASSERT_EQ(g.grabber->GetCurrentBuffer(&room, copy.data()), S_OK);
  EXPECT_EQ(room, size);
  EXPECT_EQ(copy[0], 2);  // the counter of the last of three frames
  EXPECT_EQ(g.grabber->GetCurrentBuffer(nullptr, nullptr), E_POINTER);
  ASSERT_EQ(g.grabber->SetBufferSamples(FALSE), S_OK);
  EXPECT_EQ(g.grabber->GetCurrentBuffer(&size, nullptr), E_INVALIDARG);
}

TEST(DShowErrorTexts, EveryCodeOfTheLayerHasAText) {
  for (const HRESULT hr : {E_ABORT,
                           E_DEVICE_BUSY,
                           VFW_E_NOT_CONNECTED,
                           VFW_E_CANNOT_CONNECT,
                           VFW_E_NO_ACCEPTABLE_TYPES,
                           VFW_E_TYPE_NOT_ACCEPTED,
                           VFW_E_NOT_STOPPED,
                           VFW_E_WRONG_STATE,
                           VFW_E_ALREADY_CONNECTED,
                           VFW_E_NO_CAPTURE_HARDWARE,
                           VFW_E_CANNOT_RENDER,
                           VFW_E_INVALIDMEDIATYPE,
                           VFW_E_INVALID_DIRECTION,
                           VFW_E_NOT_FOUND,
                           VFW_E_NOT_IN_GRAPH,
                           VFW_E_BUFFER_OVERFLOW,
                           VFW_E_SAMPLE_TIME_NOT_SET,
                           VFW_E_MEDIA_TIME_NOT_SET,
                           E_PROP_SET_UNSUPPORTED,
                           E_PROP_ID_UNSUPPORTED,
                           CO_E_NOTINITIALIZED,
                           CLASS_E_NOAGGREGATION}) {
    char text[256] = {};
    WCHAR wide[256] = {};
    EXPECT_GT(AMGetErrorTextA(hr, text, 256), 0u) << std::hex << hr;
    EXPECT_EQ(AMGetErrorTextW(hr, wide, 256), AMGetErrorTextA(hr, text, 256));
  }
  char text[256];
  AMGetErrorTextA(E_DEVICE_BUSY, text, 256);
  EXPECT_EQ(static_cast<uint32_t>(E_DEVICE_BUSY), 0x800700AAu);
  EXPECT_NE(std::string(text).find("in use"), std::string::npos);
}

}  // namespace
