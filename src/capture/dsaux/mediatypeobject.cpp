#include "capture/dsaux/mediatypeobject.h"

#include <cstring>

#include "capture/dsaux/datablock.h"
#include "capture/dsaux/mediatypes.h"
#include "platform/com/com.h"
#include "rtl/filer.h"
#include "rtl/sysutils.h"

namespace {
constexpr int64_t kRecordBytes = sizeof(AM_MEDIA_TYPE);  // the image in the stream: 88 bytes

AM_MEDIA_TYPE* NewDefaultRecord() {
  auto* record = new AM_MEDIA_TYPE;
  std::memset(record, 0, sizeof *record);  // the padding too: the image is streamed whole
  record->bFixedSizeSamples = static_cast<BOOL>(0xFFFFFFFFu);
  record->lSampleSize = 1;
  return record;
}
}  // namespace

TMediaType::TMediaType(const GUID& majortype) : record_(NewDefaultRecord()) {
  record_->majortype = majortype;
}

TMediaType::TMediaType(const AM_MEDIA_TYPE* mediatype) : record_(NewDefaultRecord()) {
  if (!mediatype) return;
  try {
    CopyMediaType(record_, mediatype);
  } catch (...) {
    delete record_;
    throw;
  }
}

TMediaType::~TMediaType() {
  FreeMediaType(record_);
  delete record_;
}

void TMediaType::ResetFormatBuffer() {
  if (record_->cbFormat != 0) CoTaskMemFree(record_->pbFormat);
  record_->cbFormat = 0;
  record_->pbFormat = nullptr;
}

bool TMediaType::Equal(const TMediaType* Other) const {
  if (!Other) return false;
  const AM_MEDIA_TYPE& a = *record_;
  const AM_MEDIA_TYPE& b = *Other->record_;
  if (!IsEqualGUID(a.majortype, b.majortype) || !IsEqualGUID(a.subtype, b.subtype) ||
      !IsEqualGUID(a.formattype, b.formattype) || a.cbFormat != b.cbFormat)
    return false;
  if (a.cbFormat == 0 || a.pbFormat == b.pbFormat) return true;
  // A length without a block compares with nothing.
  return a.pbFormat && b.pbFormat && std::memcmp(a.pbFormat, b.pbFormat, a.cbFormat) == 0;
}

void TMediaType::Assign(rtl::TPersistent* Source) {
  if (auto* other = dynamic_cast<TMediaType*>(Source)) {
    if (other == this) return;
    FreeMediaType(record_);
    CopyMediaType(record_, other->record_);
    return;
  }
  rtl::TPersistent::Assign(Source);
}

void TMediaType::DefineProperties(rtl::TFiler& Filer) {
  const auto* ancestor = dynamic_cast<const TMediaType*>(Filer.Ancestor());
  Filer.DefineBinaryProperty(
      "data", [this](rtl::TStream& s) { ReadData(s); }, [this](rtl::TStream& s) { WriteData(s); },
      !ancestor || !ancestor->Equal(this));
}

void TMediaType::ReadData(rtl::TStream& Stream) {
  ResetFormatBuffer();
  IUnknown* held = record_->pUnk;
  // As many leading bytes of the record as the block covers; the rest keeps its values, so a
  // 72-byte image (4-byte addresses) leaves the format length 0.
  uint8_t image[kRecordBytes];
  const int64_t got = ReadUpTo(Stream, image, kRecordBytes);
  std::memcpy(record_, image, static_cast<size_t>(got));
  // Addresses in a stored image mean nothing here.
  record_->pUnk = nullptr;
  record_->pbFormat = nullptr;
  if (held) held->Release();

  const ULONG stated = record_->cbFormat;
  record_->cbFormat = 0;
  if (stated == 0) return;
  const int64_t left = BytesLeft(Stream);
  const ULONG length = BoundedDataLength(stated, left);
  if (length == 0) return;
  auto* block = static_cast<BYTE*>(CoTaskMemAlloc(length));
  if (!block) return;  // no memory: no format block, never a length without one
  std::memset(block, 0, length);
  ReadUpTo(Stream, block, length < left ? length : left);
  record_->pbFormat = block;
  record_->cbFormat = length;
}

void TMediaType::WriteData(rtl::TStream& Stream) const {
  // A length without a block is the caller's fault, as it is for CopyMediaType.
  rtl::Assert(record_->cbFormat == 0 || record_->pbFormat != nullptr);
  Stream.WriteBuffer(record_, kRecordBytes);
  if (record_->cbFormat != 0) Stream.WriteBuffer(record_->pbFormat, record_->cbFormat);
}
