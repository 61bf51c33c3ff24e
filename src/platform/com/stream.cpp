#include "platform/com/stream.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

#include "platform/com/com.h"

namespace {

// A growable block of bytes with a position; position past the end reads nothing and a write
// there fills the gap with zeros. Clones share the bytes, each keeps its own position.
class TMemoryStream : public TComObject<IStream> {
 public:
  struct Bytes {
    std::mutex lock;
    std::vector<BYTE> data;
  };

  explicit TMemoryStream(std::shared_ptr<Bytes> bytes, uint64_t position = 0)
      : bytes_(std::move(bytes)), position_(position) {}

  HRESULT Read(void* pv, ULONG cb, ULONG* pcbRead) override {
    if (!pv && cb) return STG_E_INVALIDPOINTER;
    std::lock_guard guard(bytes_->lock);
    const uint64_t size = bytes_->data.size();
    const ULONG n =
        position_ >= size ? 0 : static_cast<ULONG>(std::min<uint64_t>(cb, size - position_));
    if (n) std::memcpy(pv, bytes_->data.data() + position_, n);
    position_ += n;
    if (pcbRead) *pcbRead = n;
    return S_OK;
  }

  HRESULT Write(const void* pv, ULONG cb, ULONG* pcbWritten) override {
    if (pcbWritten) *pcbWritten = 0;
    if (!pv && cb) return STG_E_INVALIDPOINTER;
    std::lock_guard guard(bytes_->lock);
    const uint64_t end = position_ + cb;
    if (end > kMaxSize) return STG_E_MEDIUMFULL;
    try {
      if (end > bytes_->data.size()) bytes_->data.resize(end);
    } catch (const std::bad_alloc&) {
      return STG_E_MEDIUMFULL;
    }
    if (cb) std::memcpy(bytes_->data.data() + position_, pv, cb);
    position_ = end;
    if (pcbWritten) *pcbWritten = cb;
    return S_OK;
  }

  HRESULT Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) override {
    std::lock_guard guard(bytes_->lock);
    int64_t base;
    switch (origin) {
      case STREAM_SEEK_SET:
        base = 0;
        break;
      case STREAM_SEEK_CUR:
        base = static_cast<int64_t>(position_);
        break;
      case STREAM_SEEK_END:
        base = static_cast<int64_t>(bytes_->data.size());
        break;
      default:
        return STG_E_INVALIDFUNCTION;
    }
    // Before the start, or beyond what a stream may hold, is refused and the position stays.
    if (move.QuadPart < -base || move.QuadPart > static_cast<int64_t>(kMaxSize) - base)
      return STG_E_SEEKERROR;
    position_ = static_cast<uint64_t>(base + move.QuadPart);
    if (newPosition) newPosition->QuadPart = position_;
    return S_OK;
  }

  HRESULT SetSize(ULARGE_INTEGER newSize) override {
    if (newSize.QuadPart > kMaxSize) return STG_E_MEDIUMFULL;
    std::lock_guard guard(bytes_->lock);
    try {
      bytes_->data.resize(newSize.QuadPart);
    } catch (const std::bad_alloc&) {
      return STG_E_MEDIUMFULL;
    }
    return S_OK;
  }

  HRESULT CopyTo(IStream* target, ULARGE_INTEGER cb, ULARGE_INTEGER* pcbRead,
                 ULARGE_INTEGER* pcbWritten) override {
    if (!target) return STG_E_INVALIDPOINTER;
    std::vector<BYTE> chunk;
    {
      std::lock_guard guard(bytes_->lock);
      const uint64_t size = bytes_->data.size();
      const uint64_t n = position_ >= size ? 0 : std::min<uint64_t>(cb.QuadPart, size - position_);
      chunk.assign(bytes_->data.begin() + position_, bytes_->data.begin() + position_ + n);
      position_ += n;
    }
    ULONG written = 0;
    const HRESULT hr = target->Write(chunk.data(), static_cast<ULONG>(chunk.size()), &written);
    if (pcbRead) pcbRead->QuadPart = chunk.size();
    if (pcbWritten) pcbWritten->QuadPart = written;
    return hr;
  }

  HRESULT Commit(DWORD) override { return S_OK; }
  HRESULT Revert() override { return S_OK; }
  HRESULT LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
    return STG_E_INVALIDFUNCTION;
  }
  HRESULT UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
    return STG_E_INVALIDFUNCTION;
  }

  HRESULT Stat(STATSTG* stat, DWORD) override {
    if (!stat) return STG_E_INVALIDPOINTER;
    std::lock_guard guard(bytes_->lock);
    *stat = STATSTG{nullptr, STGTY_STREAM, {bytes_->data.size()}};
    return S_OK;
  }

  HRESULT Clone(IStream** ppstm) override {
    if (!ppstm) return STG_E_INVALIDPOINTER;
    std::lock_guard guard(bytes_->lock);
    *ppstm = new (std::nothrow) TMemoryStream(bytes_, position_);
    return *ppstm ? S_OK : E_OUTOFMEMORY;
  }

 private:
  // Sizes and positions stay within what a 32-bit length field of the callers can name twice
  // over; larger requests are refused rather than tried.
  static constexpr uint64_t kMaxSize = uint64_t{1} << 32;

  std::shared_ptr<Bytes> bytes_;
  uint64_t position_;
};

}  // namespace

IStream* SHCreateMemStream(const BYTE* init, UINT size) {
  try {
    auto bytes = std::make_shared<TMemoryStream::Bytes>();
    if (init) bytes->data.assign(init, init + size);
    return new TMemoryStream(std::move(bytes));
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

HRESULT ReadStreamExactly(IStream* stm, void* data, ULONG size) {
  ULONG n = 0;
  const HRESULT hr = stm->Read(data, size, &n);
  if (FAILED(hr)) return hr;
  return n == size ? S_OK : STG_E_READFAULT;
}

HRESULT WriteStreamExactly(IStream* stm, const void* data, ULONG size) {
  ULONG n = 0;
  const HRESULT hr = stm->Write(data, size, &n);
  if (FAILED(hr)) return hr;
  return n == size ? S_OK : STG_E_MEDIUMFULL;
}

HRESULT WriteCountedText(IStream* stm, const std::u16string& text) {
  const auto length = static_cast<uint32_t>(text.size());
  HRESULT hr = WriteStreamExactly(stm, &length, sizeof(length));
  if (SUCCEEDED(hr) && length) hr = WriteStreamExactly(stm, text.data(), length * sizeof(char16_t));
  return hr;
}

HRESULT ReadCountedText(IStream* stm, uint32_t maxChars, std::u16string* text) {
  uint32_t length = 0;
  HRESULT hr = ReadStreamExactly(stm, &length, sizeof(length));
  if (FAILED(hr)) return hr;
  if (length > maxChars) return STG_E_READFAULT;
  std::u16string read(length, u'\0');
  if (length) hr = ReadStreamExactly(stm, read.data(), length * sizeof(char16_t));
  if (SUCCEEDED(hr)) *text = std::move(read);
  return hr;
}

HRESULT WriteClassStm(IStream* stm, REFCLSID clsid) {
  if (!stm) return E_INVALIDARG;
  return WriteStreamExactly(stm, &clsid, sizeof(CLSID));
}

HRESULT ReadClassStm(IStream* stm, CLSID* clsid) {
  if (!stm || !clsid) return E_INVALIDARG;
  CLSID read{};
  const HRESULT hr = ReadStreamExactly(stm, &read, sizeof(CLSID));
  if (SUCCEEDED(hr)) *clsid = read;
  return hr;
}

HRESULT OleSaveToStream(IPersistStream* pstm, IStream* stm) {
  if (!stm) return E_INVALIDARG;
  if (!pstm) return WriteClassStm(stm, CLSID_NULL);
  CLSID clsid{};
  HRESULT hr = pstm->GetClassID(&clsid);
  if (FAILED(hr)) return hr;
  hr = WriteClassStm(stm, clsid);
  if (FAILED(hr)) return hr;
  return pstm->Save(stm, TRUE);
}

HRESULT OleLoadFromStream(IStream* stm, REFIID iid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (!stm) return E_INVALIDARG;
  CLSID clsid{};
  HRESULT hr = ReadClassStm(stm, &clsid);
  if (FAILED(hr)) return hr;
  ComPtr<IPersistStream> object;
  hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER,
                        IID_IPersistStream, object.PutVoid());
  if (FAILED(hr)) return hr;
  hr = object->Load(stm);
  if (FAILED(hr)) return hr;
  return object->QueryInterface(iid, ppv);
}
