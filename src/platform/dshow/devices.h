// Video input devices come from device providers: each lists the cameras it knows and makes
// the capture source filter of one of them. The system device enumerator asks every provider
// of the run, in a fixed order, and names each camera by its provider and path.
//
// The providers of a run: the machine's own cameras (MakeRealDeviceProviders), unless
// LUMATAP_CAMERA is "none", followed by the synthetic camera when LUMATAP_CAMERA is
// "synthetic". Tests install their own providers in place of that selection.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/dshow/filter_interfaces.h"

struct TVideoDevice {
  std::string Path;          // unique within its provider, stable while the device is there
  std::string FriendlyName;  // what the user is shown
  CLSID FilterClsid;         // the class of its capture source filter
};

class TDeviceProvider {
 public:
  virtual ~TDeviceProvider() = default;

  // Names the provider inside saved monikers: stable across runs, unique among providers.
  virtual std::string Name() const = 0;
  // The devices present now, in any order (the enumerator sorts them by path).
  virtual std::vector<TVideoDevice> ListDevices() = 0;
  // A new capture source filter for the device at path (the caller owns the reference);
  // VFW_E_NO_CAPTURE_HARDWARE when no such device is present.
  virtual HRESULT CreateSourceFilter(const std::string& path, IBaseFilter** filter) = 0;
};

using TDeviceProviders = std::vector<std::shared_ptr<TDeviceProvider>>;

// The providers asked now: the installed ones while tests have installed some, else the
// selection of LUMATAP_CAMERA (read at each call). Any thread.
TDeviceProviders DeviceProviders();

// Replaces the run's selection with providers (an empty list: no device at all) until
// UninstallDeviceProviders; installing again replaces the previous installation.
void InstallDeviceProviders(TDeviceProviders providers);
void UninstallDeviceProviders();

// Installs providers for the lifetime of the object (tests).
class TInstalledDeviceProviders {
 public:
  explicit TInstalledDeviceProviders(TDeviceProviders providers) {
    InstallDeviceProviders(std::move(providers));
  }
  ~TInstalledDeviceProviders() { UninstallDeviceProviders(); }
  TInstalledDeviceProviders(const TInstalledDeviceProviders&) = delete;
  TInstalledDeviceProviders& operator=(const TInstalledDeviceProviders&) = delete;
};

// The providers of the machine's own cameras, in the order they are asked (real_devices.cpp).
// The V4L2 provider is entered there.
TDeviceProviders MakeRealDeviceProviders();
