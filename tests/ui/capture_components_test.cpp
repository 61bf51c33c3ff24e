// The main window's capture components: made from their stored values with the window (the
// graph inactive with both members listed), and a camera's frames through vFilterGraph reaching
// the grabber's frame event until the graph stops.
#include <gtest/gtest.h>

#include "capture/camera_run.h"
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
  TSteppedCamera camera;
  ProgramWindows windows;
  std::atomic<int> frames{0};
  FormLumatap->vSampleGrabber->OnBuffer = [&](rtl::TComponent*, double, BYTE*, LONG length) {
    if (length == 640 * 480 * 3) ++frames;
  };
  CaptureFrames(FormLumatap->vFilterGraph, FormLumatap->vFilterSource, FormLumatap->vSampleGrabber,
                *camera.camera, 2);
  EXPECT_EQ(frames.load(), 2);
  // Left active: the window's end takes the graph down with the camera's filter.
}

}  // namespace
