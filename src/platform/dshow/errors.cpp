#include "platform/dshow/errors.h"

#include <algorithm>
#include <string>
#include <string_view>

namespace {

struct ErrorText {
  HRESULT code;
  const char* text;
};

// The generic codes; the filter-graph codes join this table with the classes that return them.
constexpr ErrorText kTexts[] = {
    {S_OK, "No error."},
    {E_FAIL, "Unspecified error."},
    {E_POINTER, "Invalid pointer."},
    {E_NOINTERFACE, "No such interface supported."},
    {E_OUTOFMEMORY, "Not enough memory to complete this operation."},
    {E_INVALIDARG, "One or more arguments are invalid."},
    {E_UNEXPECTED, "Catastrophic failure."},
    {REGDB_E_CLASSNOTREG, "Class not registered."},
    {E_NOTIMPL, "Not implemented."},
};

std::string_view Find(HRESULT hr) {
  for (const ErrorText& e : kTexts)
    if (e.code == hr) return e.text;
  return {};
}

template <class Char>
DWORD Copy(std::string_view text, Char* buffer, DWORD maxLen) {
  if (!buffer || maxLen == 0) return 0;
  const DWORD n = static_cast<DWORD>(std::min<size_t>(text.size(), maxLen - 1));
  // The texts are plain ASCII, so each byte is one wide character.
  for (DWORD i = 0; i < n; ++i) buffer[i] = static_cast<Char>(text[i]);
  buffer[n] = Char(0);
  return n;
}

}  // namespace

DWORD AMGetErrorTextA(HRESULT hr, char* buffer, DWORD maxLen) {
  return Copy(Find(hr), buffer, maxLen);
}

DWORD AMGetErrorTextW(HRESULT hr, WCHAR* buffer, DWORD maxLen) {
  return Copy(Find(hr), buffer, maxLen);
}
