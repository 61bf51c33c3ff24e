// The system device enumerator and its monikers: which cameras the video input category lists,
// in which order and with which properties, and what a moniker binds after a round trip through
// a stream.
#include "platform/dshow/devenum.h"

#include <cstdlib>
#include <optional>

#include "platform/camera_fixture.h"

namespace {

using DeviceEnum = CameraTest;

// Each provider's cameras sorted by path, the providers in their order.
TEST_F(DeviceEnum, ListsEveryProvidersCamerasInAStableOrder) {
  struct Case {
    const char* name;
    std::vector<std::vector<std::string>> providers;  // camera paths of each provider
    HRESULT result;
    std::vector<std::string> listed;
  };
  const Case cases[] = {
      {"no provider", {}, S_FALSE, {}},
      {"a provider without cameras", {{}}, S_FALSE, {}},
      {"one camera", {{"cam:a"}}, S_OK, {"cam:a"}},
      {"two cameras", {{"cam:b", "cam:a"}}, S_OK, {"cam:a", "cam:b"}},
      {"two providers", {{"z:2", "z:1"}, {"a:9"}}, S_OK, {"z:1", "z:2", "a:9"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TDeviceProviders providers;
    for (const auto& paths : c.providers) {
      std::vector<std::shared_ptr<TSyntheticCamera>> cameras;
      for (const std::string& path : paths)
        cameras.push_back(std::make_shared<TSyntheticCamera>(path, "Camera " + path));
      providers.push_back(std::make_shared<TSyntheticCameraProvider>(cameras));
    }
    InstallDeviceProviders(providers);
    for (int round = 0; round < 2; ++round) {  // the same list when enumerated again
      HRESULT hr;
      std::vector<std::string> listed;
      for (const ComPtr<IMoniker>& m : VideoInputs(&hr))
        listed.push_back(BagValue(m.Get(), u"DevicePath"));
      EXPECT_EQ(hr, c.result);
      EXPECT_EQ(listed, c.listed);
    }
  }
  // Video input devices are the only category with members.
  ComPtr<ICreateDevEnum> devEnum;
  ASSERT_EQ(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER,
                             IID_ICreateDevEnum, devEnum.PutVoid()),
            S_OK);
  IEnumMoniker* none = reinterpret_cast<IEnumMoniker*>(0x1);  // must be cleared
  EXPECT_EQ(devEnum->CreateClassEnumerator(CLSID_AudioInputDeviceCategory, &none, 0), S_FALSE);
  EXPECT_EQ(none, nullptr);
}

TEST_F(DeviceEnum, PropertyBagNamesTheCameraItsPathAndItsFilterClass) {
  InstallCameras({"cam:b", "cam:a"});
  const auto inputs = VideoInputs();
  ASSERT_EQ(inputs.size(), 2u);
  const std::string clsid = GUIDToString(CLSID_SyntheticCameraSource);
  for (size_t i = 0; i < inputs.size(); ++i) {
    const std::string path = i == 0 ? "cam:a" : "cam:b";
    EXPECT_EQ(BagValue(inputs[i].Get(), u"FriendlyName"), "Camera " + path);
    EXPECT_EQ(BagValue(inputs[i].Get(), u"CLSID"), clsid);
    EXPECT_EQ(BagValue(inputs[i].Get(), u"DevicePath"), path);
    EXPECT_EQ(BagValue(inputs[i].Get(), u"Description"), "<none>");
  }
  // The CLSID text parses back to the filter the moniker binds.
  CLSID parsed;
  ASSERT_EQ(CLSIDFromString(clsid, &parsed), S_OK);
  ComPtr<IBaseFilter> filter;
  ASSERT_EQ(inputs[0]->BindToObject(nullptr, nullptr, IID_IBaseFilter, filter.PutVoid()), S_OK);
  CLSID bound;
  ASSERT_EQ(filter->GetClassID(&bound), S_OK);
  EXPECT_EQ(bound, parsed);
}

// Saves the moniker as the device filter component keeps it and loads it back.
ComPtr<IMoniker> RoundTrip(IMoniker* moniker) {
  ComPtr<IStream> stream;
  stream.Attach(SHCreateMemStream(nullptr, 0));
  ComPtr<IPersistStream> persist;
  EXPECT_EQ(moniker->QueryInterface(IID_IPersistStream, persist.PutVoid()), S_OK);
  EXPECT_EQ(OleSaveToStream(persist.Get(), stream.Get()), S_OK);
  stream->Seek({0}, STREAM_SEEK_SET, nullptr);
  ComPtr<IMoniker> loaded;
  EXPECT_EQ(OleLoadFromStream(stream.Get(), IID_IMoniker, loaded.PutVoid()), S_OK);
  return loaded;
}

// Which camera a filter belongs to shows when it runs: that camera, and no other, streams.
TEST_F(DeviceEnum, ASavedAndLoadedMonikerBindsTheSameCamera) {
  const auto cameras = InstallCameras({"cam:a", "cam:b"});
  const auto inputs = VideoInputs();
  ASSERT_EQ(inputs.size(), 2u);
  for (size_t i = 0; i < inputs.size(); ++i) {
    const ComPtr<IMoniker> loaded = RoundTrip(inputs[i].Get());
    ASSERT_TRUE(loaded);
    EXPECT_EQ(BagValue(loaded.Get(), u"DevicePath"), cameras[i]->Path());
    EXPECT_EQ(BagValue(loaded.Get(), u"FriendlyName"), cameras[i]->FriendlyName());
    LPOLESTR name = nullptr;
    ASSERT_EQ(loaded->GetDisplayName(nullptr, nullptr, &name), S_OK);
    EXPECT_EQ(WideToUtf8(WideView(name)), "@device:synthetic:" + cameras[i]->Path());
    CoTaskMemFree(name);

    // Running the bound filter holds exactly camera i.
    ComPtr<IBaseFilter> filter;
    ASSERT_EQ(loaded->BindToObject(nullptr, nullptr, IID_IBaseFilter, filter.PutVoid()), S_OK);
    ASSERT_EQ(filter->Run(0), S_OK);
    EXPECT_TRUE(cameras[i]->Streaming());
    EXPECT_FALSE(cameras[1 - i]->Streaming());
    EXPECT_EQ(filter->Stop(), S_OK);
    EXPECT_FALSE(cameras[i]->Streaming());
  }
}

TEST_F(DeviceEnum, AMonikerWhoseCameraIsGoneBindsNothing) {
  struct Case {
    const char* name;
    void (*takeAway)(TSyntheticCamera& camera);
  };
  const Case cases[] = {
      {"camera unplugged", [](TSyntheticCamera& c) { c.SetPresent(false); }},
      {"provider gone", [](TSyntheticCamera&) { InstallDeviceProviders({}); }},
      {"other cameras only",
       [](TSyntheticCamera&) {
         InstallDeviceProviders({std::make_shared<TSyntheticCameraProvider>(
             std::vector{std::make_shared<TSyntheticCamera>("cam:other", "Other")})});
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto cameras = InstallCameras({"cam:a"});
    const auto inputs = VideoInputs();
    ASSERT_EQ(inputs.size(), 1u);
    const ComPtr<IMoniker> loaded = RoundTrip(inputs[0].Get());
    c.takeAway(*cameras[0]);
    for (IMoniker* m : {inputs[0].Get(), loaded.Get()}) {
      ComPtr<IBaseFilter> filter;
      EXPECT_EQ(m->BindToObject(nullptr, nullptr, IID_IBaseFilter, filter.PutVoid()),
                VFW_E_NO_CAPTURE_HARDWARE);
      EXPECT_FALSE(filter);
      EXPECT_EQ(BagValue(m, u"DevicePath"), "cam:a");  // its bag still tells what it named
    }
    for (const ComPtr<IMoniker>& m : VideoInputs())
      EXPECT_NE(BagValue(m.Get(), u"DevicePath"), "cam:a");
  }
}

TEST_F(DeviceEnum, DamagedMonikerDataDoesNotLoad) {
  InstallCameras({"cam:a"});
  const auto inputs = VideoInputs();
  ASSERT_EQ(inputs.size(), 1u);
  ComPtr<IStream> stream;
  stream.Attach(SHCreateMemStream(nullptr, 0));
  ComPtr<IPersistStream> persist;
  inputs[0].As(persist);
  ASSERT_EQ(OleSaveToStream(persist.Get(), stream.Get()), S_OK);
  STATSTG stat{};
  stream->Stat(&stat, STATFLAG_NONAME);
  std::vector<BYTE> bytes(stat.cbSize.QuadPart);
  stream->Seek({0}, STREAM_SEEK_SET, nullptr);
  stream->Read(bytes.data(), static_cast<ULONG>(bytes.size()), nullptr);
  struct Case {
    const char* name;
    std::vector<BYTE> data;
  };
  std::vector<BYTE> huge = bytes;
  huge[18] = 0xFF;  // after the class id, the first text claims 16 M characters
  const Case cases[] = {{"cut inside the last text", {bytes.begin(), bytes.end() - 2}},
                        {"a length past any device's", huge}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ComPtr<IStream> damaged;
    damaged.Attach(SHCreateMemStream(c.data.data(), static_cast<UINT>(c.data.size())));
    ComPtr<IMoniker> loaded;
    EXPECT_TRUE(Failed(OleLoadFromStream(damaged.Get(), IID_IMoniker, loaded.PutVoid())));
    EXPECT_FALSE(loaded);
  }
}

// The run's own selection, with nothing installed: LUMATAP_CAMERA=none hides the real cameras,
// "synthetic" adds the synthetic one after them. (No real provider exists in this build, so the
// machine's cameras never show here.)
TEST_F(DeviceEnum, EnvironmentChoosesTheRunsProviders) {
  UninstallDeviceProviders();
  const char* old = std::getenv("LUMATAP_CAMERA");
  const std::optional<std::string> saved = old ? std::optional<std::string>(old) : std::nullopt;
  struct Case {
    const char* value;
    std::vector<std::string> listed;
  };
  const Case cases[] = {{"synthetic", {"synthetic:0"}}, {"none", {}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    setenv("LUMATAP_CAMERA", c.value, 1);
    std::vector<std::string> listed;
    for (const ComPtr<IMoniker>& m : VideoInputs())
      listed.push_back(BagValue(m.Get(), u"DevicePath"));
    EXPECT_EQ(listed, c.listed);
  }
  // An installation takes the place of the environment's choice.
  InstallDeviceProviders({});
  EXPECT_TRUE(VideoInputs().empty());
  if (saved)
    setenv("LUMATAP_CAMERA", saved->c_str(), 1);
  else
    unsetenv("LUMATAP_CAMERA");
}

}  // namespace
