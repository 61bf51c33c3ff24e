#include "platform/dshow/v4l2/provider.h"

#include <mutex>

#include "platform/dshow/v4l2/device_query.h"
#include "platform/dshow/v4l2/source_filter.h"

namespace {

struct AccessSlot {
  std::mutex lock;
  std::shared_ptr<TV4L2DeviceAccess> installed;
};

AccessSlot& TheSlot() {
  static AccessSlot slot;
  return slot;
}

std::shared_ptr<TV4L2DeviceAccess> CurrentAccess() {
  AccessSlot& slot = TheSlot();
  std::lock_guard guard(slot.lock);
  if (!slot.installed) slot.installed = MakeSystemV4L2Access();
  return slot.installed;
}

class TV4L2Provider : public TDeviceProvider {
 public:
  std::string Name() const override { return "v4l2"; }

  std::vector<TVideoDevice> ListDevices() override {
    std::vector<TVideoDevice> devices;
    for (const TV4L2DeviceInfo& info : ListV4L2Devices(CurrentAccess()))
      devices.push_back({info.path, info.card, CLSID_V4L2CameraSource});
    return devices;
  }

  HRESULT CreateSourceFilter(const std::string& path, IBaseFilter** filter) override {
    return CreateV4L2CameraSource(CurrentAccess(), path, filter);
  }
};

}  // namespace

std::shared_ptr<TDeviceProvider> MakeV4L2DeviceProvider() {
  return std::make_shared<TV4L2Provider>();
}

void InstallV4L2DeviceAccess(std::shared_ptr<TV4L2DeviceAccess> access) {
  AccessSlot& slot = TheSlot();
  std::shared_ptr<TV4L2DeviceAccess> old;
  std::lock_guard guard(slot.lock);
  old = std::exchange(slot.installed, std::move(access));
}
