// A run-time stream offered as a COM IStream, so that COM persistence (a moniker saving itself)
// reads and writes it. With soReference the adapter leaves the stream to its owner, who must
// keep it alive as long as the adapter is used; with soOwned the adapter frees it.
#pragma once

#include "platform/com/stream.h"
#include "rtl/streams.h"

namespace rtl {

enum TStreamOwnership { soReference, soOwned };

class TStreamAdapter : public TComObject<IStream> {
 public:
  // Born with one reference, the caller's.
  explicit TStreamAdapter(TStream* Stream, TStreamOwnership Ownership = soReference)
      : stream_(Stream), ownership_(Ownership) {}

  // A failure of the stream comes back as a stream error code; no exception crosses COM.
  HRESULT Read(void* pv, ULONG cb, ULONG* pcbRead) override;
  HRESULT Write(const void* pv, ULONG cb, ULONG* pcbWritten) override;
  HRESULT Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) override;
  HRESULT SetSize(ULARGE_INTEGER newSize) override;
  HRESULT CopyTo(IStream* target, ULARGE_INTEGER cb, ULARGE_INTEGER* pcbRead,
                 ULARGE_INTEGER* pcbWritten) override;
  HRESULT Commit(DWORD flags) override;
  HRESULT Revert() override;
  HRESULT LockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER cb, DWORD lockType) override;
  HRESULT UnlockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER cb, DWORD lockType) override;
  HRESULT Stat(STATSTG* stat, DWORD statFlag) override;
  // Two positions over one run-time stream cannot be kept apart: refused.
  HRESULT Clone(IStream** ppstm) override;

  TStream* Stream() const { return stream_; }

 protected:
  ~TStreamAdapter() override;

 private:
  TStream* stream_;
  TStreamOwnership ownership_;
};

}  // namespace rtl
