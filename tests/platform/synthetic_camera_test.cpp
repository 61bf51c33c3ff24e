// The synthetic camera on its own: the formats of its capture pin and their choice, what its
// frames show (scripts and the default scene), and its steps.
#include "platform/dshow/synthetic_camera.h"

#include <cstdlib>
#include <string>

#include "platform/camera_fixture.h"

namespace {

using SyntheticCamera = CameraTest;

ComPtr<IBaseFilter> BindFirstCamera() {
  ComPtr<IBaseFilter> filter;
  const auto inputs = CameraTest::VideoInputs();
  if (!inputs.empty()) {
    EXPECT_EQ(inputs[0]->BindToObject(nullptr, nullptr, IID_IBaseFilter, filter.PutVoid()), S_OK);
  }
  return filter;
}

ComPtr<IPin> FirstPin(IBaseFilter* filter) {
  ComPtr<IEnumPins> pins;
  EXPECT_EQ(filter->EnumPins(pins.ReleaseAndGetAddressOf()), S_OK);
  ComPtr<IPin> pin;
  EXPECT_EQ(pins->Next(1, pin.ReleaseAndGetAddressOf(), nullptr), S_OK);
  IPin* second = nullptr;
  EXPECT_EQ(pins->Next(1, &second, nullptr), S_FALSE) << "one pin only";
  return pin;
}

struct Size {
  LONG width, height;
  REFERENCE_TIME frameTime;
  bool operator==(const Size&) const = default;
};

// Size of an RGB24 VideoInfo type, checked to be complete and consistent.
Size SizeOf(const AM_MEDIA_TYPE& mt) {
  EXPECT_EQ(mt.majortype, MEDIATYPE_Video);
  EXPECT_EQ(mt.subtype, MEDIASUBTYPE_RGB24);
  EXPECT_EQ(mt.formattype, FORMAT_VideoInfo);
  EXPECT_EQ(mt.cbFormat, sizeof(VIDEOINFOHEADER));
  if (mt.cbFormat < sizeof(VIDEOINFOHEADER)) return {};
  const auto* vih = reinterpret_cast<const VIDEOINFOHEADER*>(mt.pbFormat);
  EXPECT_EQ(vih->bmiHeader.biBitCount, 24);
  EXPECT_EQ(vih->bmiHeader.biCompression, BI_RGB);
  EXPECT_EQ(vih->bmiHeader.biSizeImage,
            ULONG(vih->bmiHeader.biWidth * 3 * vih->bmiHeader.biHeight));
  EXPECT_EQ(mt.lSampleSize, vih->bmiHeader.biSizeImage);
  return {vih->bmiHeader.biWidth, vih->bmiHeader.biHeight, vih->AvgTimePerFrame};
}

std::vector<Size> Listed(IPin* pin) {
  std::vector<Size> sizes;
  ComPtr<IEnumMediaTypes> types;
  EXPECT_EQ(pin->EnumMediaTypes(types.ReleaseAndGetAddressOf()), S_OK);
  AM_MEDIA_TYPE* mt = nullptr;
  while (types->Next(1, &mt, nullptr) == S_OK) {
    sizes.push_back(SizeOf(*mt));
    MediaTypeDelete(mt);
  }
  return sizes;
}

VIDEOINFOHEADER* h(TAMMediaType& mt) {
  return reinterpret_cast<VIDEOINFOHEADER*>(mt.Ptr()->pbFormat);
}

const std::vector<Size> kFormats = {{640, 480, 333333}, {320, 240, 333333}, {1920, 1080, 333333}};

TEST_F(SyntheticCamera, CapturePinListsItsFormatsAndTellsItsCategory) {
  InstallCameras({"cam:a"});
  const ComPtr<IBaseFilter> filter = BindFirstCamera();
  ASSERT_TRUE(filter);
  const ComPtr<IPin> pin = FirstPin(filter.Get());
  PIN_DIRECTION dir;
  ASSERT_EQ(pin->QueryDirection(&dir), S_OK);
  EXPECT_EQ(dir, PINDIR_OUTPUT);
  EXPECT_EQ(Listed(pin.Get()), kFormats);

  ComPtr<IKsPropertySet> props;
  ASSERT_EQ(pin.As(props), S_OK);
  GUID category{};
  DWORD returned = 0;
  ASSERT_EQ(props->Get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0, &category,
                       sizeof category, &returned),
            S_OK);
  EXPECT_EQ(category, PIN_CATEGORY_CAPTURE);

  ComPtr<IAMStreamConfig> config;
  ASSERT_EQ(pin.As(config), S_OK);
  int count = 0, size = 0;
  ASSERT_EQ(config->GetNumberOfCapabilities(&count, &size), S_OK);
  EXPECT_EQ(count, 3);
  EXPECT_EQ(size, int(sizeof(VIDEO_STREAM_CONFIG_CAPS)));
  for (int i = 0; i <= count; ++i) {
    AM_MEDIA_TYPE* mt = nullptr;
    VIDEO_STREAM_CONFIG_CAPS caps{};
    const HRESULT hr = config->GetStreamCaps(i, &mt, reinterpret_cast<BYTE*>(&caps));
    if (i == count) {
      EXPECT_EQ(hr, S_FALSE);
      EXPECT_EQ(mt, nullptr);
      continue;
    }
    ASSERT_EQ(hr, S_OK);
    EXPECT_EQ(SizeOf(*mt), kFormats[i]);
    EXPECT_EQ(caps.MaxOutputSize.cx, kFormats[i].width);
    EXPECT_EQ(caps.MaxOutputSize.cy, kFormats[i].height);
    EXPECT_EQ(caps.MinFrameInterval, 333333);
    MediaTypeDelete(mt);
  }
}

TEST_F(SyntheticCamera, SetFormatChoosesOneFormatAndRefusesOthers) {
  InstallCameras({"cam:a"});
  const ComPtr<IBaseFilter> filter = BindFirstCamera();
  ASSERT_TRUE(filter);
  const ComPtr<IPin> pin = FirstPin(filter.Get());
  ComPtr<IAMStreamConfig> config;
  ASSERT_EQ(pin.As(config), S_OK);

  struct Case {
    const char* name;
    void (*change)(TAMMediaType& mt);
    HRESULT result;
  };
  const Case cases[] = {
      {"a size it lacks", [](TAMMediaType& mt) { h(mt)->bmiHeader.biWidth = 800; },
       VFW_E_TYPE_NOT_ACCEPTED},
      {"top-down rows", [](TAMMediaType& mt) { h(mt)->bmiHeader.biHeight = -240; },
       VFW_E_TYPE_NOT_ACCEPTED},
      {"another frame rate", [](TAMMediaType& mt) { h(mt)->AvgTimePerFrame = 666666; },
       VFW_E_TYPE_NOT_ACCEPTED},
      {"another subtype", [](TAMMediaType& mt) { mt.Ptr()->subtype = MEDIASUBTYPE_YUY2; },
       VFW_E_TYPE_NOT_ACCEPTED},
      {"a short format block", [](TAMMediaType& mt) { mt.Ptr()->cbFormat = 60; },
       VFW_E_INVALIDMEDIATYPE},
      {"no frame rate", [](TAMMediaType& mt) { h(mt)->AvgTimePerFrame = 0; }, S_OK},
      {"the format as listed", [](TAMMediaType&) {}, S_OK},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    AM_MEDIA_TYPE* listed = nullptr;
    BYTE caps[sizeof(VIDEO_STREAM_CONFIG_CAPS)];
    ASSERT_EQ(config->GetStreamCaps(1, &listed, caps), S_OK);
    TAMMediaType mt(*listed);
    MediaTypeDelete(listed);
    c.change(mt);
    const ULONG realLength = sizeof(VIDEOINFOHEADER);
    EXPECT_EQ(config->SetFormat(mt.Ptr()), c.result);
    mt.Ptr()->cbFormat = realLength;  // the block is freed by its real length
    AM_MEDIA_TYPE* current = nullptr;
    ASSERT_EQ(config->GetFormat(&current), S_OK);
    // Until a format is chosen the first one is current; once chosen, only it is listed.
    const Size expected = c.result == S_OK ? kFormats[1] : kFormats[0];
    EXPECT_EQ(SizeOf(*current), expected);
    MediaTypeDelete(current);
    EXPECT_EQ(Listed(pin.Get()), c.result == S_OK ? std::vector{kFormats[1]} : kFormats);
  }
  EXPECT_EQ(config->SetFormat(nullptr), E_POINTER);
}

// Every listed format connects to a grabber that demands 24-bit RGB, in that size; the first
// when none is chosen.
TEST_F(SyntheticCamera, EveryFormatConnectsToAGrabberDemandingRgb24) {
  InstallCameras({"cam:a"});
  const auto inputs = VideoInputs();
  ASSERT_EQ(inputs.size(), 1u);
  for (int format = -1; format < int(kFormats.size()); ++format) {
    SCOPED_TRACE(format);
    TCameraGraph g;
    ASSERT_EQ(g.Build(inputs[0].Get(), nullptr, format), S_OK);
    const Size want = kFormats[format < 0 ? 0 : format];
    EXPECT_EQ(g.ConnectedSize(), std::pair(want.width, want.height));
    g.TearDown();
  }
}

TEST_F(SyntheticCamera, FrameListScriptRepeatsItsFramesScaledToTheFrame) {
  TFrameImage big(4, 4, {0, 0, 0}), small(2, 1, {0, 0, 0});
  big.View().FillRect(2, 0, 4, 2, {255, 0, 0});  // top right quarter red
  small.View().SetPixel(1, 0, {0, 0, 255});      // right half blue
  const TFrameScript script = FrameListScript({big, small});
  TFrameImage out(2, 2, {9, 9, 9});
  TFrameView view = out.View();
  struct Case {
    uint64_t index;
    TRgb topLeft, topRight, bottomRight;
  };
  const Case cases[] = {{0, {0, 0, 0}, {255, 0, 0}, {0, 0, 0}},
                        {1, {0, 0, 0}, {0, 0, 255}, {0, 0, 255}},
                        {2, {0, 0, 0}, {255, 0, 0}, {0, 0, 0}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.index);
    script(c.index, view);
    EXPECT_EQ(view.Pixel(0, 0), c.topLeft);
    EXPECT_EQ(view.Pixel(1, 0), c.topRight);
    EXPECT_EQ(view.Pixel(1, 1), c.bottomRight);
  }
}

// The motion tracker's rules over two frames: the first row where at least three adjacent
// pixels differ by the threshold or more; too wide a row ignores the frame; a row near the
// reference point turns a note on, moves it, or ends it in the bottom band; the reference
// follows a quarter of the way.
class Tracker {
 public:
  // One letter per frame with motion: r(ejected), i(gnored), n(ote on), m(ove), o(ff), and
  // - for an accepted row in the bottom band without a note.
  std::string events;

  void Frame(const TFrameImage& a, const TFrameImage& b, int threshold) {
    const int w = a.Width, h = a.Height;
    for (int y = 0; y < h; ++y) {
      int run = 0, n = 0;
      long s = 0;
      for (int x = 0; x < w; ++x) {
        int d = 0;
        for (int k = 0; k < 3; ++k)
          d += std::abs(a.Pixels[(y * w + x) * 3 + k] - b.Pixels[(y * w + x) * 3 + k]);
        run = d >= threshold ? run + 1 : 0;
        if (run >= 3) ++n, s += w - x;
      }
      if (n > w / 2) {
        events += 'i';
        return;
      }
      if (n == 0) continue;
      const int xi = int(s / n) + 1, bottom = h - h / 4 + 8;
      if (std::abs(y - camY_) < h / 8 && std::abs(xi - camX_) < w / 8) {
        if (on_ && y >= bottom)
          on_ = false, events += 'o';
        else if (on_)
          events += 'm';
        else if (y < bottom)
          on_ = true, events += 'n';
        else
          events += '-';
      } else {
        events += 'r';
      }
      camX_ = (3 * camX_ + xi) / 4;
      camY_ = (3 * camY_ + y) / 4;
      return;
    }
  }

 private:
  int camX_ = 0, camY_ = 0;
  bool on_ = false;
};

// Collapses runs of one letter: "rrrnmmmo" -> "rnmo".
std::string Phases(const std::string& events) {
  std::string phases;
  for (char c : events)
    if (phases.empty() || phases.back() != c) phases += c;
  return phases;
}

TEST_F(SyntheticCamera, DefaultSceneTakesATrackerThroughEveryPath) {
  struct Case {
    int width, height, threshold;
  };
  // The default sensitivity, the least and the most, at two sizes.
  const Case cases[] = {{640, 480, 117}, {640, 480, 317}, {320, 240, 17}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) +
                 " T=" + std::to_string(c.threshold));
    Tracker tracker;
    TFrameImage previous(c.width, c.height, {0, 0, 0}), frame = previous;
    TFrameView view = previous.View();
    DrawDefaultScene(0, view);
    for (uint64_t i = 1; i < 2 * kSceneCycleFrames; ++i) {
      view = frame.View();
      DrawDefaultScene(i, view);
      tracker.Frame(previous, frame, c.threshold);
      std::swap(previous, frame);
    }
    // Each cycle: rejected while the reference catches up, on, moves, off in the bottom band,
    // the way out below it, the light change ignored (twice), and again.
    EXPECT_EQ(Phases(tracker.events), "rnmo-irnmo-i") << tracker.events;
    EXPECT_EQ(std::count(tracker.events.begin(), tracker.events.end(), 'i'), 4);
    EXPECT_GT(std::count(tracker.events.begin(), tracker.events.end(), 'm'), 100);
  }
}

TEST_F(SyntheticCamera, StepsOnlyWhileASteppedStreamRuns) {
  const auto cameras = InstallCameras({"cam:a"});
  EXPECT_FALSE(cameras[0]->Step());  // nothing streams
  const ComPtr<IBaseFilter> filter = BindFirstCamera();
  ASSERT_TRUE(filter);
  ASSERT_EQ(filter->Run(0), S_OK);
  // Unconnected, frames are made and go nowhere.
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(cameras[0]->Step());
  EXPECT_EQ(cameras[0]->FramesDelivered(), 3u);
  // A second filter of the same camera finds it busy.
  const ComPtr<IBaseFilter> second = BindFirstCamera();
  ASSERT_TRUE(second);
  EXPECT_EQ(second->Run(0), E_DEVICE_BUSY);
  EXPECT_EQ(filter->Stop(), S_OK);
  EXPECT_FALSE(cameras[0]->Step());
  EXPECT_EQ(second->Run(0), S_OK);  // free again
  EXPECT_EQ(second->Stop(), S_OK);
  // Unplugged, it cannot start.
  cameras[0]->SetPresent(false);
  EXPECT_EQ(filter->Run(0), VFW_E_NO_CAPTURE_HARDWARE);
  FILTER_STATE state;
  EXPECT_EQ(filter->GetState(0, &state), S_OK);
  EXPECT_EQ(state, State_Stopped);
}

}  // namespace
