// Checks a camera end to end as the program sees it: lists the video input devices of the
// system device enumerator with the formats their capture pins offer, then captures frames
// from one of them through a capture graph into the sample grabber, as the webcam input does,
// and writes the last frame to a 24-bit BMP file.
//
//   lumatap_camera_check [--device N] [--format M] [--frames K] [--output FILE] [--list]
//
// Exit code 0 when the frames arrived and the file was written (or, with --help, after the
// usage); 2 with the usage for an unknown option or a value that is not a whole number in its
// range; 1 when the capture failed.
#include <cctype>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <limits>
#include <mutex>
#include <string>
#include <vector>

#include "platform/com/com.h"
#include "platform/com/oleauto.h"
#include "platform/dshow/errors.h"
#include "platform/dshow/grabber_interfaces.h"
#include "platform/dshow/graph_interfaces.h"
#include "platform/dshow/guids.h"
#include "platform/dshow/mediatype.h"
#include "platform/dshow/runtime.h"

namespace {

struct Options {
  int device = 0;
  int format = -1;  // the pin's first
  int frames = 10;
  std::string output = "camera-check.bmp";
  bool listOnly = false;
};

std::string ErrorText(HRESULT hr) {
  char text[256] = "";
  AMGetErrorTextA(hr, text, sizeof text);
  char code[16];
  std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(hr));
  return std::string(text) + " (" + code + ")";
}

std::string BagText(IMoniker* moniker, const char16_t* name) {
  ComPtr<IPropertyBag> bag;
  if (moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.PutVoid()) != S_OK) return "";
  VARIANT v;
  VariantInit(&v);
  std::string text;
  if (bag->Read(name, &v, nullptr) == S_OK && v.vt == VT_BSTR)
    text = WideToUtf8(WideView(v.bstrVal));
  VariantClear(&v);
  return text;
}

std::vector<ComPtr<IMoniker>> VideoInputs() {
  std::vector<ComPtr<IMoniker>> monikers;
  ComPtr<ICreateDevEnum> devEnum;
  ComPtr<IEnumMoniker> list;
  if (Failed(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER,
                              IID_ICreateDevEnum, devEnum.PutVoid())) ||
      devEnum->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, list.ReleaseAndGetAddressOf(),
                                     0) != S_OK)
    return monikers;
  IMoniker* moniker = nullptr;
  while (list->Next(1, &moniker, nullptr) == S_OK) {
    ComPtr<IMoniker> held;
    held.Attach(moniker);
    monikers.push_back(std::move(held));
  }
  return monikers;
}

ComPtr<IAMStreamConfig> StreamConfig(ICaptureGraphBuilder2* builder, IBaseFilter* source) {
  ComPtr<IAMStreamConfig> config;
  builder->FindInterface(&PIN_CATEGORY_CAPTURE, nullptr, source, IID_IAMStreamConfig,
                         config.PutVoid());
  return config;
}

void ListFormats(IAMStreamConfig* config) {
  int count = 0, size = 0;
  if (!config || Failed(config->GetNumberOfCapabilities(&count, &size))) {
    std::printf("    (no stream configuration)\n");
    return;
  }
  for (int i = 0; i < count; ++i) {
    AM_MEDIA_TYPE* mt = nullptr;
    BYTE caps[sizeof(VIDEO_STREAM_CONFIG_CAPS)];
    if (config->GetStreamCaps(i, &mt, caps) != S_OK || !mt) continue;
    if (const BITMAPINFOHEADER* h = MediaTypeBitmapHeader(*mt)) {
      const auto* vih = reinterpret_cast<const VIDEOINFOHEADER*>(mt->pbFormat);
      const double fps = vih->AvgTimePerFrame > 0 ? 1e7 / vih->AvgTimePerFrame : 0;
      std::printf("    format %d: %ld x %ld, %d bits, %.2f frames a second\n", i,
                  static_cast<long>(h->biWidth), static_cast<long>(h->biHeight), h->biBitCount,
                  fps);
    }
    MediaTypeDelete(mt);
  }
}

class TFrames : public TComObject<ISampleGrabberCB> {
 public:
  HRESULT SampleCB(double, IMediaSample*) override { return S_OK; }
  HRESULT BufferCB(double, BYTE* buffer, LONG length) override {
    std::lock_guard guard(lock_);
    last_.assign(buffer, buffer + length);
    ++count_;
    arrived_.notify_all();
    return S_OK;
  }
  bool WaitFor(int frames, std::chrono::seconds patience) {
    std::unique_lock guard(lock_);
    return arrived_.wait_for(guard, patience, [&] { return count_ >= frames; });
  }
  std::vector<uint8_t> Last() {
    std::lock_guard guard(lock_);
    return last_;
  }

 private:
  std::mutex lock_;
  std::condition_variable arrived_;
  int count_ = 0;
  std::vector<uint8_t> last_;
};

// A BMP file holds a 24-bit bottom-up bitmap just as the frames arrive.
bool WriteBmp(const std::string& path, const BITMAPINFOHEADER& header,
              const std::vector<uint8_t>& pixels) {
  BITMAPINFOHEADER info = header;
  info.biSizeImage = static_cast<DWORD>(pixels.size());
  const uint32_t offset = 14 + sizeof info;
  const uint32_t fileSize = offset + info.biSizeImage;
  std::ofstream out(path, std::ios::binary);
  const uint8_t magic[2] = {'B', 'M'};
  const uint32_t reserved = 0;
  out.write(reinterpret_cast<const char*>(magic), 2);
  out.write(reinterpret_cast<const char*>(&fileSize), 4);
  out.write(reinterpret_cast<const char*>(&reserved), 4);
  out.write(reinterpret_cast<const char*>(&offset), 4);
  out.write(reinterpret_cast<const char*>(&info), sizeof info);
  out.write(reinterpret_cast<const char*>(pixels.data()),
            static_cast<std::streamsize>(pixels.size()));
  return static_cast<bool>(out);
}

int Capture(IMoniker* moniker, const Options& o) {
  ComPtr<IGraphBuilder> graph;
  ComPtr<IMediaControl> control;
  ComPtr<ICaptureGraphBuilder2> builder;
  ComPtr<IBaseFilter> source, grabberFilter;
  ComPtr<ISampleGrabber> grabber;
  HRESULT hr = moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, source.PutVoid());
  if (Failed(hr)) {
    std::printf("cannot open the camera: %s\n", ErrorText(hr).c_str());
    return 1;
  }
  CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                   graph.PutVoid());
  graph.As(control);
  CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER,
                   IID_ICaptureGraphBuilder2, builder.PutVoid());
  builder->SetFiltergraph(graph.Get());
  CoCreateInstance(CLSID_SampleGrabber, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                   grabberFilter.PutVoid());
  grabberFilter.As(grabber);
  AM_MEDIA_TYPE demanded{};
  demanded.majortype = MEDIATYPE_Video;
  demanded.subtype = MEDIASUBTYPE_RGB24;
  demanded.formattype = FORMAT_VideoInfo;
  grabber->SetMediaType(&demanded);
  ComPtr<TFrames> frames;
  frames.Attach(new TFrames);
  grabber->SetCallback(frames.Get(), 1);
  graph->AddFilter(source.Get(), u"vFilterSource");
  graph->AddFilter(grabberFilter.Get(), u"vSampleGrabber");
  if (o.format >= 0) {
    const ComPtr<IAMStreamConfig> config = StreamConfig(builder.Get(), source.Get());
    AM_MEDIA_TYPE* mt = nullptr;
    BYTE caps[sizeof(VIDEO_STREAM_CONFIG_CAPS)];
    if (!config || config->GetStreamCaps(o.format, &mt, caps) != S_OK) {
      std::printf("the camera has no format %d\n", o.format);
      return 1;
    }
    hr = config->SetFormat(mt);
    MediaTypeDelete(mt);
    if (Failed(hr)) std::printf("the format was refused: %s\n", ErrorText(hr).c_str());
  }
  hr = builder->RenderStream(&PIN_CATEGORY_CAPTURE, nullptr, source.Get(), nullptr,
                             grabberFilter.Get());
  if (Failed(hr)) {
    std::printf("cannot connect the camera to the grabber: %s\n", ErrorText(hr).c_str());
    return 1;
  }
  AM_MEDIA_TYPE connected{};
  grabber->GetConnectedMediaType(&connected);
  const BITMAPINFOHEADER* header = MediaTypeBitmapHeader(connected);
  if (header)
    std::printf("capturing %d frames of %ld x %ld ...\n", o.frames,
                static_cast<long>(header->biWidth), static_cast<long>(header->biHeight));
  hr = control->Run();
  int result = 1;
  if (Failed(hr)) {
    std::printf("the camera did not start: %s\n", ErrorText(hr).c_str());
  } else if (!frames->WaitFor(o.frames, std::chrono::seconds(10))) {
    std::printf("fewer than %d frames arrived within 10 seconds\n", o.frames);
  } else if (header && WriteBmp(o.output, *header, frames->Last())) {
    std::printf("%d frames arrived; the last one is in %s\n", o.frames, o.output.c_str());
    result = 0;
  } else {
    std::printf("cannot write %s\n", o.output.c_str());
  }
  control->Stop();
  grabber->SetCallback(nullptr, 1);
  MediaTypeFree(&connected);
  graph->RemoveFilter(source.Get());
  graph->RemoveFilter(grabberFilter.Get());
  return result;
}

// A whole decimal number from min to the largest int, nothing before or after it.
bool ParseCount(const char* text, int min, int* value) {
  errno = 0;
  char* end = nullptr;
  const long parsed = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || errno == ERANGE ||
      !std::isdigit(static_cast<unsigned char>(text[0])))
    return false;
  if (parsed < min || parsed > std::numeric_limits<int>::max()) return false;
  *value = static_cast<int>(parsed);
  return true;
}

enum class ParseResult { Run, Help, Refused };

ParseResult ParseOptions(int argc, char** argv, Options* o) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    bool ok = true;
    if (arg == "--help" || arg == "-h")
      return ParseResult::Help;
    else if (arg == "--list")
      o->listOnly = true;
    else if (arg == "--device" && value)
      ok = ParseCount(argv[++i], 0, &o->device);
    else if (arg == "--format" && value)
      ok = ParseCount(argv[++i], 0, &o->format);
    else if (arg == "--frames" && value)
      ok = ParseCount(argv[++i], 1, &o->frames);
    else if (arg == "--output" && value && *value)
      o->output = argv[++i];
    else
      ok = false;
    if (!ok) return ParseResult::Refused;
  }
  return ParseResult::Run;
}

void PrintUsage(FILE* to, const char* program) {
  std::fprintf(to,
               "usage: %s [--device N] [--format M] [--frames K] [--output FILE] [--list]\n"
               "  --device N     the video input device to capture from, from 0 (default 0)\n"
               "  --format M     the format of its capture pin, from 0 (default: its first)\n"
               "  --frames K     how many frames to capture, from 1 (default 10)\n"
               "  --output FILE  where the last frame goes (default camera-check.bmp)\n"
               "  --list         only list the devices and their formats\n",
               program);
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  switch (ParseOptions(argc, argv, &o)) {
    case ParseResult::Help:
      PrintUsage(stdout, argv[0]);
      return 0;
    case ParseResult::Refused:
      PrintUsage(stderr, argv[0]);
      return 2;
    case ParseResult::Run:
      break;
  }
  RegisterDirectShowRuntime();
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  int result = 0;
  {
    const std::vector<ComPtr<IMoniker>> inputs = VideoInputs();
    std::printf("%zu video input device(s)\n", inputs.size());
    ComPtr<ICaptureGraphBuilder2> builder;
    CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER,
                     IID_ICaptureGraphBuilder2, builder.PutVoid());
    for (size_t i = 0; i < inputs.size(); ++i) {
      std::printf("  device %zu: %s (%s)\n", i, BagText(inputs[i].Get(), u"FriendlyName").c_str(),
                  BagText(inputs[i].Get(), u"DevicePath").c_str());
      ComPtr<IBaseFilter> source;
      const HRESULT hr =
          inputs[i]->BindToObject(nullptr, nullptr, IID_IBaseFilter, source.PutVoid());
      if (Failed(hr))
        std::printf("    cannot open: %s\n", ErrorText(hr).c_str());
      else
        ListFormats(StreamConfig(builder.Get(), source.Get()).Get());
    }
    if (!o.listOnly) {
      if (o.device < 0 || static_cast<size_t>(o.device) >= inputs.size()) {
        std::printf("no device %d to capture from\n", o.device);
        result = 1;
      } else {
        result = Capture(inputs[o.device].Get(), o);
      }
    }
  }
  CoUninitialize();
  return result;
}
