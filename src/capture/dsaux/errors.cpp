#include "capture/dsaux/errors.h"

#include <cstdio>
#include <cstring>

#include "capture/directx/directshow9.h"

std::string GetErrorString(HRESULT HR) {
  char buffer[255] = {};
  directx::AMGetErrorText(HR, buffer, sizeof buffer);
  return std::string(buffer, strnlen(buffer, sizeof buffer));
}

HRESULT CheckDSError(HRESULT HR) {
  if (!(static_cast<uint32_t>(HR) & 0x80000000u)) return HR;
  char code[16];
  std::snprintf(code, sizeof code, "%X", static_cast<unsigned>(HR));
  // The error text is taken as it stands, never as a pattern.
  EDirectShowException error(GetErrorString(HR) + " ($" + code + ").");
  error.ErrorCode = HR;
  throw error;
}
