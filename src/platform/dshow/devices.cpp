#include "platform/dshow/devices.h"

#include <cstdlib>
#include <mutex>
#include <optional>
#include <string_view>

#include "platform/dshow/synthetic_camera.h"

namespace {

struct Installation {
  std::mutex lock;
  std::optional<TDeviceProviders> installed;
};

Installation& TheInstallation() {
  static Installation installation;
  return installation;
}

// Made once: a provider may keep what it learnt of its devices between enumerations.
const TDeviceProviders& RealProviders() {
  static const TDeviceProviders providers = MakeRealDeviceProviders();
  return providers;
}

TDeviceProviders SelectedByEnvironment() {
  const char* value = std::getenv("LUMATAP_CAMERA");
  const std::string_view camera = value ? value : "";
  TDeviceProviders providers;
  if (camera != "none") providers = RealProviders();
  if (camera == "synthetic") providers.push_back(SharedSyntheticCameraProvider());
  return providers;
}

}  // namespace

TDeviceProviders DeviceProviders() {
  Installation& i = TheInstallation();
  {
    std::lock_guard guard(i.lock);
    if (i.installed) return *i.installed;
  }
  return SelectedByEnvironment();
}

void InstallDeviceProviders(TDeviceProviders providers) {
  Installation& i = TheInstallation();
  std::lock_guard guard(i.lock);
  i.installed = std::move(providers);
}

void UninstallDeviceProviders() {
  Installation& i = TheInstallation();
  std::optional<TDeviceProviders> old;
  {
    std::lock_guard guard(i.lock);
    old.swap(i.installed);
  }
  // `old` lets go of the providers after the lock: their end may call back in here.
}
