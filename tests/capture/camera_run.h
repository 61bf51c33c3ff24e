// One stepped synthetic camera offered by the system device enumerator, and a capture through
// the components: the device filter's capture stream rendered into the grabber, played for a
// number of frames and stopped.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>

#include "capture/com_fixture.h"
#include "capture/dsaux/sysdevenum.h"
#include "capture/dscapture/dscapture.h"
#include "platform/dshow/devenum.h"
#include "platform/dshow/guids.h"
#include "platform/dshow/synthetic_camera.h"

class TSteppedCamera {
 public:
  TSteppedCamera() { camera->SetPace(TCameraPace::Stepped); }
  std::shared_ptr<TSyntheticCamera> camera = std::make_shared<TSyntheticCamera>("a", "Camera A");

 private:
  std::map<CLSID, TCreateInstance> classes_ = [] {
    std::map<CLSID, TCreateInstance> classes;
    RegisterDeviceClasses(classes);
    return classes;
  }();
  TClassOverride devEnum_{CLSID_SystemDeviceEnum, classes_[CLSID_SystemDeviceEnum]};
  TClassOverride moniker_{CLSID_CDeviceMoniker, classes_[CLSID_CDeviceMoniker]};
  TInstalledDeviceProviders providers_{{std::make_shared<TSyntheticCameraProvider>(
      std::vector<std::shared_ptr<TSyntheticCamera>>{camera})}};
};

// Activates the capture graph, renders source into grabber, plays `frames` steps of the camera
// and stops; after the stop the camera delivers nothing.
inline void CaptureFrames(TFilterGraph* graph, TFilter* source, TSampleGrabber* grabber,
                          TSyntheticCamera& camera, int frames) {
  source->BaseFilter()->SetMoniker(TSysDevEnum(CLSID_VideoInputDeviceCategory).GetMoniker(0).Get());
  graph->SetMode(gmCapture);
  graph->SetActive(true);
  ComPtr<ICaptureGraphBuilder2> builder;
  ComPtr<IBaseFilter> from, to;
  graph->QueryInterface(IID_ICaptureGraphBuilder2, builder.PutVoid());
  source->QueryInterface(IID_IBaseFilter, from.PutVoid());
  grabber->QueryInterface(IID_IBaseFilter, to.PutVoid());
  ASSERT_TRUE(builder && from && to);
  ASSERT_EQ(builder->RenderStream(&PIN_CATEGORY_CAPTURE, nullptr, from.Get(), nullptr, to.Get()),
            S_OK);
  ASSERT_TRUE(graph->Play());
  for (int i = 0; i < frames; ++i) ASSERT_TRUE(camera.Step());
  EXPECT_TRUE(graph->Stop());
  EXPECT_FALSE(camera.Step()) << "no stream after the stop";
}
