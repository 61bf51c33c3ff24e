// The member components: the grabber's construction and demanded type, filters that exist only
// while their graph is active, both orders of destruction, the frame event, frames turned into
// bitmaps (at most the bytes of the bitmap made), and frames of the synthetic camera reaching
// the frame event until the graph stops.
#include "capture/dscapture/samplegrabber.h"

#include <cstring>
#include <thread>

#include "capture/camera_run.h"
#include "capture/dscapture/filter.h"
#include "capture/graph_fixture.h"
#include "platform/dshow/mediatype.h"
#include "platform/dshow/samplegrabber.h"

namespace {

class Members : public GraphTest {
 protected:
  TFilterGraph* graph = new TFilterGraph(owner.get());

  static bool HasFilter(IUnknown* component) {
    ComPtr<IBaseFilter> filter;
    return component->QueryInterface(IID_IBaseFilter, filter.PutVoid()) == S_OK && filter;
  }
};

TEST_F(Members, TheGrabberNeedsItsFilterClassAndDemandsVideoRgb24) {
  {
    TClassOverride gone(CLSID_SampleGrabber, nullptr);
    EXPECT_THROW(
        try { new TSampleGrabber(owner.get()); } catch (const rtl::EAssertionFailed& e) {
          EXPECT_EQ(e.Message(), "The SampleGrabber Filter is not available on this system.");
          throw;
        },
        rtl::EAssertionFailed);
    EXPECT_EQ(owner->ComponentCount(), 1) << "the failed grabber left its owner";
  }
  const AM_MEDIA_TYPE& mt = *(new TSampleGrabber(owner.get()))->MediaType()->MediaRecord();
  EXPECT_EQ(mt.majortype, MEDIATYPE_Video);
  EXPECT_EQ(mt.subtype, MEDIASUBTYPE_RGB24);
  EXPECT_EQ(mt.formattype, FORMAT_VideoInfo);
}

TEST_F(Members, FiltersExistWhileTheGraphIsActiveAndTheyLeaveItWhenDestroyed) {
  for (const bool active : {false, true}) {
    auto* grabber = new TSampleGrabber(owner.get());
    auto* source = new TFilter(owner.get());
    grabber->SetFilterGraph(graph);
    source->SetFilterGraph(graph);
    grabber->SetFilterGraph(graph);  // the same graph again: not listed twice
    EXPECT_EQ(graph->FilterCount(), 2);
    graph->SetActive(active);
    ComPtr<IBaseFilter> filter;
    EXPECT_EQ(grabber->QueryInterface(IID_IBaseFilter, filter.PutVoid()) == S_OK, active);
    EXPECT_EQ(filter.Get(), grabber->GetFilter().Get());
    // Without a stored moniker the device filter component contributes no filter.
    EXPECT_FALSE(HasFilter(static_cast<IFilter*>(source)));
    filter.Reset();
    delete source;
    delete grabber;
    EXPECT_EQ(graph->FilterCount(), 0) << active;
    graph->SetActive(false);
  }
}

TEST_F(Members, TheGraphDestroyedFirstClearsTheirLinks) {
  // Of the same owner, and of another owner (the graph then tells them itself).
  for (const bool sameOwner : {true, false}) {
    rtl::TComponent other(nullptr);
    auto* g = new TFilterGraph(sameOwner ? owner.get() : &other);
    auto* grabber = new TSampleGrabber(owner.get());
    grabber->SetFilterGraph(g);
    g->SetActive(true);
    EXPECT_TRUE(HasFilter(static_cast<IFilter*>(grabber)));
    delete g;
    EXPECT_EQ(grabber->FilterGraph(), nullptr) << sameOwner;
    EXPECT_FALSE(HasFilter(static_cast<IFilter*>(grabber))) << "deactivated on the way out";
    delete grabber;  // calls no RemoveFilter on the graph that is gone
  }
}

TEST_F(Members, BufferCallsTheFrameEventInsideTheSectionWhichARaiseLeaves) {
  auto* grabber = new TSampleGrabber(owner.get());
  BYTE frame[4] = {1, 2, 3, 4};
  EXPECT_EQ(grabber->BufferCB(0.5, frame, 4), S_OK) << "no handler";
  std::vector<std::string> calls;
  grabber->OnBuffer = [&](rtl::TComponent* sender, double time, BYTE* buffer, LONG length) {
    EXPECT_EQ(sender, grabber);
    calls.push_back(std::to_string(time) + " " + std::to_string(buffer == frame) + " " +
                    std::to_string(length));
    if (length == 3) throw rtl::Exception("bad frame");
  };
  EXPECT_EQ(grabber->BufferCB(1.25, frame, 4), S_OK);
  EXPECT_EQ(grabber->BufferCB(2.5, frame, 3), S_OK) << "the exception stays here";
  // Another thread gets in: the raise left the section.
  std::thread([&] { EXPECT_EQ(grabber->BufferCB(3.0, frame, 2), S_OK); }).join();
  EXPECT_EQ(calls, (std::vector<std::string>{"1.250000 1 4", "2.500000 1 3", "3.000000 1 2"}));
  EXPECT_EQ(grabber->SampleCB(0, nullptr), S_OK);
}

// A Sample Grabber filter whose connection and last sample the test sets.
class TScriptedGrabber : public TSampleGrabberFilter {
 public:
  TAMMediaType connected;
  std::vector<BYTE> sample;
  int asked = 0;  // GetConnectedMediaType calls
  HRESULT GetConnectedMediaType(AM_MEDIA_TYPE* mt) override {
    ++asked;
    if (connected.Empty()) return VFW_E_NOT_CONNECTED;
    return MediaTypeCopy(mt, connected.Get());
  }
  HRESULT GetCurrentBuffer(LONG* size, LONG* buffer) override {
    const auto length = static_cast<LONG>(sample.size());
    if (!buffer) return *size = length, S_OK;
    if (*size < length) return E_OUTOFMEMORY;
    std::memcpy(buffer, sample.data(), sample.size());
    return *size = length, S_OK;
  }
};

class GetBitmap : public Members {
 protected:
  ComPtr<TScriptedGrabber> filter;
  TClassOverride scripted_{CLSID_SampleGrabber, [this](REFIID riid, void** ppv) {
                             filter.Attach(new TScriptedGrabber);
                             return filter->QueryInterface(riid, ppv);
                           }};
  TSampleGrabber* grabber = nullptr;
  rtl::TBitmap bitmap;

  void SetUp() override {
    Members::SetUp();
    grabber = new TSampleGrabber(owner.get());  // needs COM
    grabber->SetFilterGraph(graph);
    graph->SetActive(true);
  }
  void TearDown() override {
    graph->SetActive(false);
    filter.Reset();
    Members::TearDown();
  }
  // The connection: video of the format type with a block of size bytes holding header at at.
  void Connect(const GUID& formatType, ULONG size, size_t at, const BITMAPINFOHEADER& header) {
    std::vector<BYTE> block(size);
    std::memcpy(block.data() + at, &header, sizeof header);
    filter->connected.Clear();
    filter->connected.Ptr()->majortype = MEDIATYPE_Video;
    filter->connected.SetFormat(formatType, block.data(), size);
  }
  static BITMAPINFOHEADER Header(LONG width, LONG height, WORD bits, DWORD sizeImage = 0) {
    return {sizeof(BITMAPINFOHEADER), width, height, 1, bits, BI_RGB, sizeImage, 0, 0, 0, 0};
  }
  static std::vector<BYTE> Pattern(size_t n) {
    std::vector<BYTE> bytes(n);
    for (size_t i = 0; i < n; ++i) bytes[i] = static_cast<BYTE>(i * 7 + i / 251);
    return bytes;
  }
  // The bitmap's pixels, row by row as they lie in memory.
  std::vector<BYTE> Pixels() {
    DIBSECTION s{};
    GetObjectA(bitmap.Handle(), sizeof s, &s);
    const auto* bits = static_cast<const BYTE*>(s.dsBm.bmBits);
    return {bits, bits + size_t(s.dsBm.bmWidthBytes) * s.dsBm.bmHeight};
  }
};

TEST_F(GetBitmap, CopiesTheFrameUpToTheImageSizeInTheHeadersRowOrder) {
  struct Case {
    const char* name;
    BITMAPINFOHEADER header;
    size_t bufferBytes;
    size_t copied;  // the bitmap's bytes, all from the buffer's start
    int rowBytes;
  };
  const Case cases[] = {
      {"640x480 RGB24, image size 0", Header(640, 480, 24), 921600, 921600, 1920},
      {"a buffer longer than the image", Header(640, 480, 24), 1000000, 921600, 1920},
      {"a stated image size beyond the bitmap", Header(640, 480, 24, 2000000), 2000000, 921600,
       1920},
      {"a stated image size below it", Header(3, 2, 24, 13), 24, 13, 12},
      {"width 3 pads rows to 12 bytes", Header(3, 2, 24), 24, 24, 12},
      {"top-down", Header(4, -3, 24), 36, 36, 12},
  };
  for (const Case& c : cases) {
    Connect(FORMAT_VideoInfo, sizeof(VIDEOINFOHEADER), 48, c.header);
    const std::vector<BYTE> buffer = Pattern(c.bufferBytes);
    ASSERT_TRUE(grabber->GetBitmap(&bitmap, buffer.data(), static_cast<LONG>(buffer.size())))
        << c.name;
    EXPECT_EQ(bitmap.Width(), c.header.biWidth) << c.name;
    EXPECT_EQ(bitmap.Height(), std::abs(c.header.biHeight));
    EXPECT_EQ(bitmap.RowBytes(), c.rowBytes);
    const std::vector<BYTE> pixels = Pixels();
    EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + c.copied, pixels.begin())) << c.name;
    EXPECT_TRUE(std::all_of(pixels.begin() + c.copied, pixels.end(), [](BYTE b) { return !b; }));
    // Row 0 is the top: the buffer's first row for a top-down header, its last otherwise.
    const size_t top = c.header.biHeight < 0 ? 0 : pixels.size() - c.rowBytes;
    EXPECT_EQ(*static_cast<BYTE*>(bitmap.ScanLine(0)), pixels[top]) << c.name;
  }
  Connect(FORMAT_VideoInfo2, sizeof(VIDEOINFOHEADER2), 72, Header(3, 2, 24));
  EXPECT_TRUE(grabber->GetBitmap(&bitmap, Pattern(24).data(), 24)) << "VideoInfo2";
}

TEST_F(GetBitmap, RefusesWhatItCannotMakeAndKeepsTheBitmap) {
  Connect(FORMAT_VideoInfo, sizeof(VIDEOINFOHEADER), 48, Header(3, 2, 24));
  const std::vector<BYTE> buffer = Pattern(24);
  ASSERT_TRUE(grabber->GetBitmap(&bitmap, buffer.data(), 24));
  const HBITMAP kept = bitmap.Handle();

  filter->asked = 0;
  EXPECT_FALSE(grabber->GetBitmap(nullptr, buffer.data(), 24));
  EXPECT_FALSE(grabber->GetBitmap(&bitmap, buffer.data(), 0));
  EXPECT_FALSE(grabber->GetBitmap(&bitmap, buffer.data(), -1));
  EXPECT_EQ(filter->asked, 0) << "nothing asked of the filter";

  struct Case {
    const char* name;
    GUID major, formatType;
    ULONG size;
    size_t at;
    BITMAPINFOHEADER header;
  };
  const Case cases[] = {
      {"VideoInfo with colour masks", MEDIATYPE_Video, FORMAT_VideoInfo, 100, 48, Header(3, 2, 24)},
      {"VideoInfo2 of 88 bytes", MEDIATYPE_Video, FORMAT_VideoInfo2, 88, 48, Header(3, 2, 24)},
      {"audio", MEDIATYPE_Audio, FORMAT_VideoInfo, 88, 48, Header(3, 2, 24)},
      {"15 bits make no bitmap", MEDIATYPE_Video, FORMAT_VideoInfo, 88, 48, Header(3, 2, 15)},
  };
  for (const Case& c : cases) {
    Connect(c.formatType, c.size, c.at, c.header);
    filter->connected.Ptr()->majortype = c.major;
    EXPECT_FALSE(grabber->GetBitmap(&bitmap, buffer.data(), 24)) << c.name;
  }
  EXPECT_EQ(DIBScanLineBytes(15, 3), DIBScanLineBytes(16, 3));
  filter->connected.Clear();
  EXPECT_FALSE(grabber->GetBitmap(&bitmap, buffer.data(), 24)) << "not connected";
  EXPECT_EQ(bitmap.Handle(), kept);

  graph->SetActive(false);
  EXPECT_FALSE(grabber->GetBitmap(&bitmap, buffer.data(), 24)) << "inactive graph";
  graph->SetActive(true);
}

TEST_F(GetBitmap, WithoutABufferTakesTheFiltersLastSample) {
  Connect(FORMAT_VideoInfo, sizeof(VIDEOINFOHEADER), 48, Header(3, 2, 24));
  EXPECT_FALSE(grabber->GetBitmap(&bitmap)) << "no sample yet";
  filter->sample = Pattern(24);
  ASSERT_TRUE(grabber->GetBitmap(&bitmap));
  EXPECT_EQ(Pixels(), filter->sample);
  filter->sample = Pattern(30);  // larger than the image: the filter refuses the short copy
  EXPECT_FALSE(grabber->GetBitmap(&bitmap));
}

// Frames of the synthetic camera through the components, on the camera's streaming thread.
TEST_F(Members, CameraFramesReachTheFrameEventUntilTheGraphStops) {
  TSteppedCamera camera;
  auto* grabber = new TSampleGrabber(owner.get());
  auto* source = new TFilter(owner.get());
  grabber->SetFilterGraph(graph);
  source->SetFilterGraph(graph);
  rtl::TBitmap frame;
  std::vector<LONG> lengths;
  std::vector<bool> made;
  const std::thread::id gui = std::this_thread::get_id();
  grabber->OnBuffer = [&](rtl::TComponent*, double, BYTE* buffer, LONG length) {
    EXPECT_NE(std::this_thread::get_id(), gui);
    lengths.push_back(length);
    made.push_back(grabber->GetBitmap(&frame, buffer, length));
  };
  CaptureFrames(graph, source, grabber, *camera.camera, 3);
  graph->SetActive(false);
  EXPECT_EQ(lengths, (std::vector<LONG>{921600, 921600, 921600}));
  EXPECT_EQ(made, (std::vector<bool>{true, true, true}));
  EXPECT_EQ(frame.Width(), 640);
  EXPECT_EQ(frame.Height(), 480);
}

}  // namespace
