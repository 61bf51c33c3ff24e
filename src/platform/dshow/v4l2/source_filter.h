// The capture source filter of a V4L2 camera: one capture pin whose media types are the
// camera's modes, each 24-bit RGB of its size, chosen with IAMStreamConfig before the pin
// connects; running it streams from the camera into the connected pin.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/dshow/filter_interfaces.h"
#include "platform/dshow/v4l2/device_access.h"
#include "platform/dshow/v4l2/formats.h"

// The class of the V4L2 capture source filter (its property bag's "CLSID").
inline constexpr CLSID CLSID_V4L2CameraSource{
    0x7B1D0C52, 0x5E3A, 0x4C8B, {0x9A, 0x61, 0x2F, 0x83, 0xD4, 0x0E, 0xB7, 0x19}};

// The modes an open camera offers: ModesOf its description, where the sizes picked inside a
// range are replaced by what the driver makes of them (VIDIOC_TRY_FMT), so each is published
// as the camera will deliver it.
std::vector<TV4L2Mode> OfferedV4L2Modes(const TV4L2Handle& device);

// Opens the node at path and makes its filter (the filter keeps the node open).
// VFW_E_NO_CAPTURE_HARDWARE when it cannot be opened, is no capture device or offers no mode
// that can be delivered.
HRESULT CreateV4L2CameraSource(const std::shared_ptr<TV4L2DeviceAccess>& access,
                               const std::string& path, IBaseFilter** filter);
