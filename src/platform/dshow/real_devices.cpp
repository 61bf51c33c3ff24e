// The place where the providers of the machine's own cameras are entered. The V4L2 provider
// (cameras under /dev/video*) belongs here once it is built; until then a run lists no real
// camera, and LUMATAP_CAMERA=synthetic offers the synthetic one.
#include "platform/dshow/devices.h"

TDeviceProviders MakeRealDeviceProviders() { return {}; }
