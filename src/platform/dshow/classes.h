// The classes of the DirectShow layer, made through CoCreateInstance once
// RegisterDirectShowRuntime (runtime.h) has entered them into the COM class registry.
#pragma once

#include <map>

#include "platform/com/com.h"

// The filter graph (CLSID_FilterGraph): IFilterGraph2, IMediaControl, IMediaEventEx,
// IMediaEventSink, IObjectWithSite, IServiceProvider.
HRESULT CreateFilterGraph(REFIID riid, void** ppv);
// The capture graph builder (CLSID_CaptureGraphBuilder2): ICaptureGraphBuilder2.
HRESULT CreateCaptureGraphBuilder(REFIID riid, void** ppv);
// The sample grabber filter (CLSID_SampleGrabber): IBaseFilter, ISampleGrabber.
HRESULT CreateSampleGrabber(REFIID riid, void** ppv);

// Enters every class of the layer; CLSID_DvdGraphBuilder is not one of them.
void RegisterDirectShowClasses(std::map<CLSID, TCreateInstance>& classes);
