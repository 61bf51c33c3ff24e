// The main window's capture components: made from their stored values with the window (the
// graph inactive with both members listed), and a camera's frames through vFilterGraph reaching
// the grabber's frame event until the graph stops.
#include <gtest/gtest.h>

#include "capture/com_fixture.h"
#include "capture/dsaux/sysdevenum.h"
#include "capture/dscapture/dscapture.h"
#include "platform/dshow/devenum.h"
#include "platform/dshow/guids.h"
#include "platform/dshow/synthetic_camera.h"
#include "support/program_windows.h"
#include "ui/unitLumatap.h"

namespace {

TEST(MainWindowCapture, ComponentsAreMadeFromTheirStoredValues) {
  ProgramWindows windows;
  TFilterGraph* graph = FormLumatap->vFilterGraph;
  ASSERT_NE(graph, nullptr);
  EXPECT_EQ(graph->Name(), "vFilterGraph");
  EXPECT_FALSE(graph->Active());
  EXPECT_EQ(graph->Mode(), gmNormal);
  EXPECT_TRUE(graph->GraphEdit());
  EXPECT_TRUE(graph->LinearVolume());
  EXPECT_EQ(graph->FilterCount(), 2);

  TSampleGrabber* grabber = FormLumatap->vSampleGrabber;
  EXPECT_EQ(grabber->Name(), "vSampleGrabber");
  EXPECT_EQ(grabber->FilterGraph(), graph);
  EXPECT_TRUE(grabber->OnBuffer);
  const AM_MEDIA_TYPE& mt = *grabber->MediaType()->MediaRecord();
  EXPECT_EQ(mt.majortype, MEDIATYPE_Video);
  EXPECT_EQ(mt.subtype, MEDIASUBTYPE_RGB24);
  EXPECT_EQ(mt.formattype, FORMAT_VideoInfo);
  EXPECT_EQ(static_cast<uint32_t>(mt.bFixedSizeSamples), 0xFFFFFFFFu);
  EXPECT_EQ(mt.bTemporalCompression, 0);
  EXPECT_EQ(mt.lSampleSize, 1u);
  EXPECT_EQ(mt.pUnk, nullptr);
  EXPECT_EQ(mt.cbFormat, 0u);
  EXPECT_EQ(mt.pbFormat, nullptr);

  TFilter* source = FormLumatap->vFilterSource;
  EXPECT_EQ(source->Name(), "vFilterSource");
  EXPECT_EQ(source->FilterGraph(), graph);
  EXPECT_EQ(source->BaseFilter()->DataLength(), 0u);
  EXPECT_FALSE(source->BaseFilter()->Moniker());
}

TEST(MainWindowCapture, CameraFramesFlowThroughTheGraphUntilItStops) {
  std::map<CLSID, TCreateInstance> classes;
  RegisterDeviceClasses(classes);
  TClassOverride devEnum(CLSID_SystemDeviceEnum, classes[CLSID_SystemDeviceEnum]);
  TClassOverride moniker(CLSID_CDeviceMoniker, classes[CLSID_CDeviceMoniker]);
  auto camera = std::make_shared<TSyntheticCamera>("a", "Camera A");
  camera->SetPace(TCameraPace::Stepped);
  TInstalledDeviceProviders providers{{std::make_shared<TSyntheticCameraProvider>(
      std::vector<std::shared_ptr<TSyntheticCamera>>{camera})}};
  ProgramWindows windows;
  TFilterGraph* graph = FormLumatap->vFilterGraph;
  std::atomic<int> frames{0};
  FormLumatap->vSampleGrabber->OnBuffer = [&](rtl::TComponent*, double, BYTE*, LONG length) {
    if (length == 640 * 480 * 3) ++frames;
  };
  FormLumatap->vFilterSource->BaseFilter()->SetMoniker(
      TSysDevEnum(CLSID_VideoInputDeviceCategory).GetMoniker(0).Get());
  graph->SetMode(gmCapture);
  graph->SetActive(true);
  ComPtr<ICaptureGraphBuilder2> builder;
  ComPtr<IBaseFilter> from, to;
  graph->QueryInterface(IID_ICaptureGraphBuilder2, builder.PutVoid());
  FormLumatap->vFilterSource->QueryInterface(IID_IBaseFilter, from.PutVoid());
  FormLumatap->vSampleGrabber->QueryInterface(IID_IBaseFilter, to.PutVoid());
  ASSERT_TRUE(builder && from && to);
  ASSERT_EQ(builder->RenderStream(&PIN_CATEGORY_CAPTURE, nullptr, from.Get(), nullptr, to.Get()),
            S_OK);
  builder.Reset(), from.Reset(), to.Reset();
  ASSERT_TRUE(graph->Play());
  ASSERT_TRUE(camera->Step());
  ASSERT_TRUE(camera->Step());
  EXPECT_TRUE(graph->Stop());
  EXPECT_FALSE(camera->Step());
  EXPECT_EQ(frames.load(), 2);
  // Left active: the window's end takes the graph down with the camera's filter.
}

}  // namespace
