// The DirectShow layer's registration: its classes and quartz.dll once per process, whichever
// thread calls first; a later call leaves alone what a caller has taken away since.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "dshow_fixture.h"
#include "platform/dshow/guids.h"
#include "platform/dshow/runtime.h"
#include "platform/win/dynlib.h"

namespace {

// Run alone (as ctest runs it), the threads make the first call of the process between them.
TEST(DShowRuntimeFirstCall, ThreadsRegisteringTogetherLeaveEveryClassAndQuartzInPlace) {
  std::vector<std::thread> threads;
  for (int i = 0; i < 8; ++i) threads.emplace_back([] { RegisterDirectShowRuntime(); });
  for (std::thread& t : threads) t.join();
  ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
  for (const CLSID& clsid : {CLSID_FilterGraph, CLSID_CaptureGraphBuilder2, CLSID_SampleGrabber,
                             CLSID_SystemDeviceEnum, CLSID_CDeviceMoniker}) {
    ComPtr<IUnknown> object;
    EXPECT_EQ(
        CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, object.PutVoid()),
        S_OK)
        << GUIDToString(clsid);
  }
  CoUninitialize();
  const HMODULE quartz = LoadLibraryA("quartz.dll");
  ASSERT_NE(quartz, nullptr);
  EXPECT_EQ(GetProcAddress(quartz, "AMGetErrorTextA"), DirectShowRuntimeEntries()[0].Proc);
  EXPECT_EQ(GetProcAddress(quartz, "AMGetErrorTextW"), DirectShowRuntimeEntries()[1].Proc);
  EXPECT_EQ(InprocLibraryLoads("quartz.dll"), 1);
  EXPECT_TRUE(FreeLibrary(quartz));
}

using DShowRuntime = DShowTest;

TEST_F(DShowRuntime, ACallAfterTheFirstBringsNothingBack) {
  const TCreateInstance grabber = CoUnregisterInprocServer(CLSID_SampleGrabber);
  ASSERT_TRUE(grabber);
  ASSERT_TRUE(SetInprocLibraryPresent("quartz.dll", false));
  RegisterDirectShowRuntime();
  ComPtr<IUnknown> object;
  EXPECT_EQ(CoCreateInstance(CLSID_SampleGrabber, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                             object.PutVoid()),
            REGDB_E_CLASSNOTREG);
  EXPECT_EQ(LoadLibraryA("quartz.dll"), nullptr);
  SetInprocLibraryPresent("quartz.dll", true);
  CoRegisterInprocServer(CLSID_SampleGrabber, grabber);
}

}  // namespace
