// The device provider of the machine's V4L2 cameras: lists the capture nodes under /dev by
// their card names and binds one to its capture source filter.
#pragma once

#include <memory>

#include "platform/dshow/devices.h"
#include "platform/dshow/v4l2/device_access.h"

// Lists under the name "v4l2"; asks the installed device access at each call.
std::shared_ptr<TDeviceProvider> MakeV4L2DeviceProvider();

// The device access every V4L2 provider uses from now on: an emulated driver in tests; null
// gives back the system's.
void InstallV4L2DeviceAccess(std::shared_ptr<TV4L2DeviceAccess> access);

// Installs access for the lifetime of the object (tests).
class TInstalledV4L2Access {
 public:
  explicit TInstalledV4L2Access(std::shared_ptr<TV4L2DeviceAccess> access) {
    InstallV4L2DeviceAccess(std::move(access));
  }
  ~TInstalledV4L2Access() { InstallV4L2DeviceAccess(nullptr); }
  TInstalledV4L2Access(const TInstalledV4L2Access&) = delete;
  TInstalledV4L2Access& operator=(const TInstalledV4L2Access&) = delete;
};
