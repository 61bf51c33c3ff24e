#include "platform/dshow/classes.h"

#include "platform/dshow/devenum.h"
#include "platform/dshow/graph.h"
#include "platform/dshow/guids.h"

HRESULT CreateFilterGraph(REFIID riid, void** ppv) {
  ComPtr<IFilterGraph2> graph;
  graph.Attach(new (std::nothrow) TFilterGraphManager);
  if (!graph) return E_OUTOFMEMORY;
  return graph->QueryInterface(riid, ppv);
}

void RegisterDirectShowClasses(std::map<CLSID, TCreateInstance>& classes) {
  classes[CLSID_FilterGraph] = CreateFilterGraph;
  classes[CLSID_CaptureGraphBuilder2] = CreateCaptureGraphBuilder;
  classes[CLSID_SampleGrabber] = CreateSampleGrabber;
  RegisterDeviceClasses(classes);
}
