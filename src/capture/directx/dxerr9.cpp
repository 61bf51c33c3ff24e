#include "capture/directx/dxerr9.h"

#include <string>

namespace directx {

namespace {

// A translatable text of the module; %x stands for the code.
constexpr char kLibraryMissing[] =
    "dxerr9ab.dll library is not found. Description for 0x%x is not available.";

HMODULE DxErr9Handle = nullptr;
// The last fallback texts: the pointers handed out stay valid until the next call or
// finalisation.
std::string FallbackText;
std::u16string FallbackTextW;

// The code as an unsigned number in upper-case hexadecimal without leading zeros.
std::string Hex(HRESULT hr) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  auto value = static_cast<uint32_t>(hr);
  std::string digits;
  do {
    digits.insert(digits.begin(), kDigits[value & 0xF]);
    value >>= 4;
  } while (value != 0);
  return digits;
}

std::string MissingText(HRESULT hr) {
  std::string text = kLibraryMissing;
  text.replace(text.find("%x"), 2, Hex(hr));
  return text;
}

const char* TextFallback(HRESULT hr) {
  FallbackText = MissingText(hr);
  return FallbackText.c_str();
}

const WCHAR* TextFallbackW(HRESULT hr) {
  const std::string text = MissingText(hr);
  FallbackTextW.assign(text.begin(), text.end());  // the text is plain ASCII
  return FallbackTextW.c_str();
}

HRESULT TraceFallback(const char*, DWORD, HRESULT hr, const char*, BOOL) { return hr; }
HRESULT TraceFallbackW(const char*, DWORD, HRESULT hr, const WCHAR*, BOOL) { return hr; }

}  // namespace

TDXGetErrorString9A DXGetErrorString9A = TextFallback;
TDXGetErrorString9W DXGetErrorString9W = TextFallbackW;
TDXGetErrorString9A DXGetErrorString9 = TextFallback;
TDXGetErrorDescription9A DXGetErrorDescription9A = TextFallback;
TDXGetErrorDescription9W DXGetErrorDescription9W = TextFallbackW;
TDXGetErrorDescription9A DXGetErrorDescription9 = TextFallback;
TDXTraceA DXTraceA = TraceFallback;
TDXTraceW DXTraceW = TraceFallbackW;
TDXTraceA DXTrace = TraceFallback;

bool IsDxErr9Loaded() { return DxErr9Handle != nullptr; }

void InitializeDxErr9Module() {
  DXGetErrorString9A = nullptr;
  DXGetErrorString9W = nullptr;
  DXGetErrorDescription9A = nullptr;
  DXGetErrorDescription9W = nullptr;
  DXTraceA = nullptr;
  DXTraceW = nullptr;
  DxErr9Handle = LoadLibraryA("dxerr9ab.dll");
  if (!DxErr9Handle) return;
  BindEntry(DxErr9Handle, "DXGetErrorString9A", DXGetErrorString9A);
  BindEntry(DxErr9Handle, "DXGetErrorString9W", DXGetErrorString9W);
  BindEntry(DxErr9Handle, "DXGetErrorDescription9A", DXGetErrorDescription9A);
  BindEntry(DxErr9Handle, "DXGetErrorDescription9W", DXGetErrorDescription9W);
  BindEntry(DxErr9Handle, "DXTraceA", DXTraceA);
  BindEntry(DxErr9Handle, "DXTraceW", DXTraceW);
  DXGetErrorString9 = DXGetErrorString9A;
  DXGetErrorDescription9 = DXGetErrorDescription9A;
  DXTrace = DXTraceA;
}

void FinalizeDxErr9Module() {
  if (DxErr9Handle) {
    FreeLibrary(DxErr9Handle);
    DxErr9Handle = nullptr;
  }
  std::string().swap(FallbackText);
  std::u16string().swap(FallbackTextW);
}

}  // namespace directx
