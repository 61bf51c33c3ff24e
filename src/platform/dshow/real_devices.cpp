// The place where the providers of the machine's own cameras are entered: the V4L2 cameras
// under /dev/video*.
#include "platform/dshow/devices.h"
#include "platform/dshow/v4l2/provider.h"

TDeviceProviders MakeRealDeviceProviders() { return {MakeV4L2DeviceProvider()}; }
