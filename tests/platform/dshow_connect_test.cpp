// Rendering a capture stream into the sample grabber: the type both accept, the site asked
// when nothing connects (and heard when it mended the cause), and the refusals of bad input.
#include <gtest/gtest.h>

#include <cstring>

#include "dshow_fixture.h"
#include "platform/dshow/pinwalk.h"

namespace {

using RenderStream = DShowTest;

// A graph's site that counts UnableToRender and may mend the grabber's demand before it
// answers S_OK.
class TRenderSite : public TComObject<IAMFilterGraphCallback> {
 public:
  HRESULT UnableToRender(IPin* pin) override {
    pins.push_back(ComPtr<IPin>(pin));
    if (!mend) return S_FALSE;
    AM_MEDIA_TYPE any{};
    mend->SetMediaType(&any);
    return S_OK;
  }
  std::vector<ComPtr<IPin>> pins;
  ISampleGrabber* mend = nullptr;
};

ComPtr<TRenderSite> InstallSite(IFilterGraph2* graph) {
  ComPtr<TRenderSite> site;
  site.Attach(new TRenderSite);
  ComPtr<IObjectWithSite> withSite;
  EXPECT_EQ(ComPtr<IFilterGraph2>(graph).As(withSite), S_OK);
  EXPECT_EQ(withSite->SetSite(static_cast<IAMFilterGraphCallback*>(site.Get())), S_OK);
  return site;
}

TEST_F(RenderStream, PicksTheFirstTypeOfTheSourceThatTheSinkTakes) {
  std::vector<TAMMediaType> types;
  types.push_back(
      MakeVideoInfoType(MEDIASUBTYPE_YUY2, 64, 48, 16, MakeFourCC('Y', 'U', 'Y', '2'), UNITS / 30));
  types.push_back(MakeVideoInfoType(MEDIASUBTYPE_RGB24, 32, 24, 24, BI_RGB, UNITS / 30));
  TCaptureGraph g(TTestSource::Make(std::move(types)));
  ASSERT_EQ(g.Render(), S_OK);
  AM_MEDIA_TYPE connected{};
  ASSERT_EQ(g.source->CapturePin()->ConnectionMediaType(&connected), S_OK);
  EXPECT_EQ(connected.subtype, MEDIASUBTYPE_RGB24);
  EXPECT_EQ(MediaTypeBitmapHeader(connected)->biWidth, 32);
  MediaTypeFree(&connected);
  // The grabber's output pin offers what its input carries.
  ComPtr<IPin> output;
  ASSERT_EQ(g.grabberFilter->FindPin(u"Output", output.ReleaseAndGetAddressOf()), S_OK);
  ComPtr<IEnumMediaTypes> offered;
  ASSERT_EQ(output->EnumMediaTypes(offered.ReleaseAndGetAddressOf()), S_OK);
  AM_MEDIA_TYPE* first = nullptr;
  ASSERT_EQ(offered->Next(1, &first, nullptr), S_OK);
  EXPECT_EQ(first->subtype, MEDIASUBTYPE_RGB24);
  MediaTypeDelete(first);
  EXPECT_EQ(offered->Next(1, &first, nullptr), S_FALSE);
}

TEST_F(RenderStream, ASinkDemandingAnAbsentSubtypeFailsAfterAskingTheSite) {
  TCaptureGraph g(TTestSource::MakeRgb(), MEDIASUBTYPE_NV12);
  const ComPtr<TRenderSite> site = InstallSite(g.graph.Get());
  EXPECT_EQ(g.Render(), VFW_E_NO_ACCEPTABLE_TYPES);
  ASSERT_EQ(site->pins.size(), 1u);
  EXPECT_TRUE(SameObject(site->pins[0].Get(), g.source->CapturePin()));
  EXPECT_FALSE(IsConnected(g.source->CapturePin()));
  AM_MEDIA_TYPE none{};
  EXPECT_EQ(g.grabber->GetConnectedMediaType(&none), VFW_E_NOT_CONNECTED);
  // Without a site the failure is the same.
  ComPtr<IObjectWithSite> withSite;
  g.graph.As(withSite);
  withSite->SetSite(nullptr);
  EXPECT_EQ(g.Render(), VFW_E_NO_ACCEPTABLE_TYPES);
}

TEST_F(RenderStream, ASiteThatMendsTheCauseGetsAnotherTry) {
  TCaptureGraph g(TTestSource::MakeRgb(), MEDIASUBTYPE_NV12);
  const ComPtr<TRenderSite> site = InstallSite(g.graph.Get());
  site->mend = g.grabber.Get();
  EXPECT_EQ(g.Render(), S_OK);
  EXPECT_EQ(site->pins.size(), 1u);
  EXPECT_TRUE(IsConnected(g.source->CapturePin()));
}

TEST_F(RenderStream, WhatCannotBeFoundOrConnectedIsRefused) {
  TCaptureGraph g(TTestSource::MakeRgb());
  ASSERT_EQ(g.Render(), S_OK);
  // The capture pin is taken now: a second render finds it connected.
  EXPECT_EQ(g.Render(), VFW_E_ALREADY_CONNECTED);
  ComPtr<IPin> input;
  ASSERT_EQ(g.grabberFilter->FindPin(u"Input", input.ReleaseAndGetAddressOf()), S_OK);
  EXPECT_EQ(g.graph->ConnectDirect(g.source->CapturePin(), input.Get(), nullptr),
            VFW_E_ALREADY_CONNECTED);
  // No preview pin on this source; no graph for a fresh builder.
  EXPECT_EQ(g.builder->RenderStream(&PIN_CATEGORY_PREVIEW, nullptr,
                                    static_cast<IBaseFilter*>(g.source.Get()), nullptr,
                                    g.grabberFilter.Get()),
            VFW_E_NOT_FOUND);
  ComPtr<ICaptureGraphBuilder2> fresh;
  ASSERT_EQ(CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER,
                             IID_ICaptureGraphBuilder2, fresh.PutVoid()),
            S_OK);
  ComPtr<IGraphBuilder> none;
  EXPECT_EQ(fresh->GetFiltergraph(none.ReleaseAndGetAddressOf()), E_UNEXPECTED);
  EXPECT_EQ(
      fresh->RenderStream(&PIN_CATEGORY_CAPTURE, nullptr, static_cast<IBaseFilter*>(g.source.Get()),
                          nullptr, g.grabberFilter.Get()),
      E_UNEXPECTED);
  // Connections change only in a stopped graph.
  ASSERT_EQ(g.control->Run(), S_OK);
  EXPECT_EQ(g.graph->Disconnect(input.Get()), VFW_E_NOT_STOPPED);
  EXPECT_EQ(g.control->Stop(), S_OK);
}

TEST_F(RenderStream, AFormatBlockShorterThanItsTypeIsRefused) {
  TCaptureGraph g(TTestSource::MakeRgb());
  ComPtr<IPin> input;
  ASSERT_EQ(g.grabberFilter->FindPin(u"Input", input.ReleaseAndGetAddressOf()), S_OK);
  TAMMediaType shortType = MakeVideoInfoType(MEDIASUBTYPE_RGB24, 64, -48, 24, BI_RGB, 0);
  VIDEOINFOHEADER vih;
  std::memcpy(&vih, shortType->pbFormat, sizeof vih);
  for (const ULONG length : {0u, 47u, 87u}) {
    shortType.SetFormat(FORMAT_VideoInfo, &vih, length);
    EXPECT_EQ(input->QueryAccept(&shortType.Get()), S_FALSE) << length;
    EXPECT_EQ(g.graph->ConnectDirect(g.source->CapturePin(), input.Get(), &shortType.Get()),
              VFW_E_TYPE_NOT_ACCEPTED)
        << length;
    EXPECT_EQ(input->ReceiveConnection(g.source->CapturePin(), &shortType.Get()),
              VFW_E_TYPE_NOT_ACCEPTED)
        << length;
  }
  EXPECT_FALSE(IsConnected(input.Get()));
  shortType.SetFormat(FORMAT_VideoInfo, &vih, sizeof vih);
  EXPECT_EQ(g.graph->ConnectDirect(g.source->CapturePin(), input.Get(), &shortType.Get()), S_OK);
}

// A site that offers one service of its own, as the graph component does.
class TServiceSite : public TComObject<IServiceProvider> {
 public:
  static constexpr GUID kService{
      0x5E1F0A02, 0x7C3B, 0x4D2A, {0x9E, 0x11, 0x42, 0x6C, 0x33, 0x10, 0xAB, 0x02}};
  HRESULT QueryService(REFGUID service, REFIID riid, void** ppv) override {
    if (service != kService || riid != kService) return E_NOINTERFACE;
    *ppv = this;
    return S_OK;
  }
};

TEST_F(RenderStream, APinReachesTheGraphsSiteThroughItsFilterAndTheGraph) {
  TCaptureGraph g(TTestSource::MakeRgb());
  ComPtr<TServiceSite> site;
  site.Attach(new TServiceSite);
  ComPtr<IObjectWithSite> withSite;
  ASSERT_EQ(g.graph.As(withSite), S_OK);
  ASSERT_EQ(withSite->SetSite(static_cast<IServiceProvider*>(site.Get())), S_OK);

  PIN_INFO pin{};
  ASSERT_EQ(g.source->CapturePin()->QueryPinInfo(&pin), S_OK);
  EXPECT_EQ(std::u16string(pin.achName), u"Capture");
  EXPECT_EQ(pin.dir, PINDIR_OUTPUT);
  FILTER_INFO filter{};
  ASSERT_EQ(pin.pFilter->QueryFilterInfo(&filter), S_OK);
  pin.pFilter->Release();
  EXPECT_EQ(std::u16string(filter.achName), u"Source");
  ASSERT_NE(filter.pGraph, nullptr);
  ComPtr<IServiceProvider> services;
  ASSERT_EQ(filter.pGraph->QueryInterface(IID_IServiceProvider, services.PutVoid()), S_OK);
  filter.pGraph->Release();
  void* found = nullptr;
  EXPECT_EQ(services->QueryService(TServiceSite::kService, TServiceSite::kService, &found), S_OK);
  EXPECT_EQ(found, static_cast<IServiceProvider*>(site.Get()));
  EXPECT_EQ(services->QueryService(TServiceSite::kService, IID_IUnknown, &found), E_NOINTERFACE);
  // A filter that left the graph names none.
  ASSERT_EQ(g.graph->RemoveFilter(static_cast<IBaseFilter*>(g.source.Get())), S_OK);
  ASSERT_EQ(g.source->QueryFilterInfo(&filter), S_OK);
  EXPECT_EQ(filter.pGraph, nullptr);
  withSite->SetSite(nullptr);
}

}  // namespace
