#include "platform/win/gdi.h"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <set>

namespace {

struct Dib {
  DIBSECTION section;
};

std::mutex g_lock;
std::set<const Dib*> g_live;  // a handle is valid only while it is in here

bool BitCountAllowed(WORD bits, DWORD compression) {
  switch (bits) {
    case 1:
    case 4:
    case 8:
    case 24:
      return compression == BI_RGB;
    case 16:
    case 32:
      return compression == BI_RGB || compression == BI_BITFIELDS;
    default:
      return false;
  }
}

}  // namespace

HBITMAP CreateDIBSection(HDC, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section,
                         DWORD) {
  if (bits) *bits = nullptr;
  if (!info || section || (usage != DIB_RGB_COLORS && usage != DIB_PAL_COLORS)) return nullptr;
  const BITMAPINFOHEADER& h = info->bmiHeader;
  if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biWidth <= 0 || h.biHeight == 0 || h.biPlanes != 1 ||
      !BitCountAllowed(h.biBitCount, h.biCompression))
    return nullptr;
  const uint64_t stride = (uint64_t{h.biBitCount} * static_cast<uint64_t>(h.biWidth) + 31) / 32 * 4;
  const int64_t height = h.biHeight;  // |INT32_MIN| fits here
  const uint64_t rows = static_cast<uint64_t>(height < 0 ? -height : height);
  const uint64_t bytes = stride * rows;
  if (bytes > MaxDIBBytes) return nullptr;
  void* pixels = std::calloc(1, bytes);
  if (!pixels) return nullptr;
  auto* dib = new (std::nothrow) Dib{};
  if (!dib) {
    std::free(pixels);
    return nullptr;
  }
  DIBSECTION& s = dib->section;
  s.dsBm = BITMAP{
      0, h.biWidth, static_cast<LONG>(rows), static_cast<LONG>(stride), 1, h.biBitCount, pixels};
  s.dsBmih = h;
  s.dsBmih.biSize = sizeof(BITMAPINFOHEADER);
  s.dsBmih.biSizeImage = static_cast<DWORD>(bytes);
  if (h.biCompression == BI_BITFIELDS)
    std::memcpy(s.dsBitfields, info->bmiColors, sizeof(s.dsBitfields));
  {
    std::lock_guard guard(g_lock);
    g_live.insert(dib);
  }
  if (bits) *bits = pixels;
  return dib;
}

BOOL DeleteObject(HGDIOBJ object) {
  const auto* dib = static_cast<const Dib*>(object);
  {
    std::lock_guard guard(g_lock);
    if (!g_live.erase(dib)) return FALSE;
  }
  std::free(dib->section.dsBm.bmBits);
  delete dib;
  return TRUE;
}

int GetObjectA(HGDIOBJ object, int size, void* out) {
  if (!out || (size != sizeof(BITMAP) && size != sizeof(DIBSECTION))) return 0;
  const auto* dib = static_cast<const Dib*>(object);
  std::lock_guard guard(g_lock);
  if (!g_live.count(dib)) return 0;
  std::memcpy(out, &dib->section, size);
  return size;
}
