#include "rtl/streamadapter.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace rtl {

TStreamAdapter::~TStreamAdapter() {
  if (ownership_ == soOwned) delete stream_;
}

HRESULT TStreamAdapter::Read(void* pv, ULONG cb, ULONG* pcbRead) {
  if (pcbRead) *pcbRead = 0;
  if (!pv && cb) return STG_E_INVALIDPOINTER;
  try {
    const int64_t n = stream_->Read(pv, cb);
    if (pcbRead) *pcbRead = static_cast<ULONG>(n);
    return S_OK;
  } catch (...) {
    return STG_E_READFAULT;
  }
}

HRESULT TStreamAdapter::Write(const void* pv, ULONG cb, ULONG* pcbWritten) {
  if (pcbWritten) *pcbWritten = 0;
  if (!pv && cb) return STG_E_INVALIDPOINTER;
  try {
    const int64_t n = stream_->Write(pv, cb);
    if (pcbWritten) *pcbWritten = static_cast<ULONG>(n);
    return n == cb ? S_OK : STG_E_MEDIUMFULL;
  } catch (...) {
    return STG_E_MEDIUMFULL;
  }
}

HRESULT TStreamAdapter::Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) {
  if (origin > STREAM_SEEK_END) return STG_E_INVALIDFUNCTION;
  try {
    const int64_t position = stream_->Seek(move.QuadPart, static_cast<TSeekOrigin>(origin));
    if (position < 0) return STG_E_SEEKERROR;
    if (newPosition) newPosition->QuadPart = static_cast<uint64_t>(position);
    return S_OK;
  } catch (...) {
    return STG_E_SEEKERROR;
  }
}

HRESULT TStreamAdapter::SetSize(ULARGE_INTEGER newSize) {
  if (newSize.QuadPart > static_cast<uint64_t>(INT64_MAX)) return STG_E_INVALIDFUNCTION;
  try {
    stream_->SetSize(static_cast<int64_t>(newSize.QuadPart));
    return S_OK;
  } catch (...) {
    return STG_E_MEDIUMFULL;
  }
}

HRESULT TStreamAdapter::CopyTo(IStream* target, ULARGE_INTEGER cb, ULARGE_INTEGER* pcbRead,
                               ULARGE_INTEGER* pcbWritten) {
  if (pcbRead) pcbRead->QuadPart = 0;
  if (pcbWritten) pcbWritten->QuadPart = 0;
  if (!target) return STG_E_INVALIDPOINTER;
  uint64_t read = 0, written = 0;
  HRESULT hr = S_OK;
  try {
    std::vector<uint8_t> chunk(64 * 1024);
    while (read < cb.QuadPart) {
      const int64_t want =
          static_cast<int64_t>(std::min<uint64_t>(chunk.size(), cb.QuadPart - read));
      const int64_t got = stream_->Read(chunk.data(), want);
      if (got <= 0) break;
      read += got;
      ULONG done = 0;
      hr = target->Write(chunk.data(), static_cast<ULONG>(got), &done);
      written += done;
      if (Failed(hr)) break;
    }
  } catch (...) {
    hr = STG_E_READFAULT;
  }
  if (pcbRead) pcbRead->QuadPart = read;
  if (pcbWritten) pcbWritten->QuadPart = written;
  return hr;
}

HRESULT TStreamAdapter::Commit(DWORD) { return S_OK; }
HRESULT TStreamAdapter::Revert() { return S_OK; }
HRESULT TStreamAdapter::LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) {
  return STG_E_INVALIDFUNCTION;
}
HRESULT TStreamAdapter::UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) {
  return STG_E_INVALIDFUNCTION;
}

HRESULT TStreamAdapter::Stat(STATSTG* stat, DWORD) {
  if (!stat) return STG_E_INVALIDPOINTER;
  try {
    *stat = STATSTG{nullptr, STGTY_STREAM, {static_cast<uint64_t>(stream_->Size())}};
    return S_OK;
  } catch (...) {
    return STG_E_INVALIDFUNCTION;
  }
}

HRESULT TStreamAdapter::Clone(IStream** ppstm) {
  if (ppstm) *ppstm = nullptr;
  return E_NOTIMPL;
}

}  // namespace rtl
