// The system device enumerator (CLSID_SystemDeviceEnum) and its device monikers
// (CLSID_CDeviceMoniker). The video input category lists the cameras of every device provider
// of the run: the providers in their order, each one's cameras sorted by path. A moniker names
// its camera by provider and path; its property bag holds "FriendlyName", "CLSID" (the class id
// of the camera's source filter as text) and "DevicePath"; it saves itself into a stream and,
// loaded back, binds the same camera while that camera is there.
#pragma once

#include <map>

#include "platform/com/com.h"
#include "platform/dshow/devices.h"

// The system device enumerator: ICreateDevEnum.
HRESULT CreateSystemDeviceEnum(REFIID riid, void** ppv);
// A device moniker naming nothing yet, for loading from a stream: IMoniker.
HRESULT CreateDeviceMoniker(REFIID riid, void** ppv);
// The moniker of one listed device.
HRESULT CreateDeviceMoniker(const std::string& provider, const TVideoDevice& device,
                            IMoniker** moniker);

// Enters both classes.
void RegisterDeviceClasses(std::map<CLSID, TCreateInstance>& classes);
