#include "capture/dsaux/persistentmemory.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "capture/dsaux/datablock.h"
#include "rtl/filer.h"

TPersistentMemory::~TPersistentMemory() { AllocateDataLength(0); }

void TPersistentMemory::AllocateDataLength(uint32_t Length) {
  if (length_ > 0 && data_) std::free(data_);
  data_ = nullptr;
  length_ = 0;
  if (Length == 0) return;
  data_ = static_cast<uint8_t*>(std::calloc(Length, 1));
  if (data_) length_ = Length;
}

void TPersistentMemory::Assign(rtl::TPersistent* Source) {
  if (auto* other = dynamic_cast<TPersistentMemory*>(Source)) {
    if (other == this) return;
    AllocateDataLength(other->length_);
    if (length_ != other->length_) throw std::bad_alloc();
    if (length_) std::memcpy(data_, other->data_, length_);
    return;
  }
  rtl::TPersistent::Assign(Source);
}

void TPersistentMemory::AssignTo(rtl::TPersistent* Dest) { Dest->Assign(this); }

bool TPersistentMemory::Equal(const TPersistentMemory* Other) const {
  if (!Other || Other->length_ == 0 || Other->length_ != length_ || !data_ || !Other->data_)
    return false;
  return data_ == Other->data_ || std::memcmp(data_, Other->data_, length_) == 0;
}

void TPersistentMemory::DefineProperties(rtl::TFiler& Filer) {
  const auto* ancestor = dynamic_cast<const TPersistentMemory*>(Filer.Ancestor());
  Filer.DefineBinaryProperty(
      "data", [this](rtl::TStream& s) { ReadData(s); }, [this](rtl::TStream& s) { WriteData(s); },
      !ancestor || !ancestor->Equal(this));
}

void TPersistentMemory::ReadData(rtl::TStream& Stream) {
  AllocateDataLength(0);
  uint8_t prefix[4];
  if (ReadUpTo(Stream, prefix, 4) < 4) return;  // no length: empty
  const uint32_t stated =
      prefix[0] | prefix[1] << 8 | prefix[2] << 16 | static_cast<uint32_t>(prefix[3]) << 24;
  const int64_t left = BytesLeft(Stream);
  AllocateDataLength(BoundedDataLength(stated, left));
  if (length_) ReadUpTo(Stream, data_, length_ < left ? length_ : left);
}

void TPersistentMemory::WriteData(rtl::TStream& Stream) const {
  const uint8_t prefix[4] = {static_cast<uint8_t>(length_), static_cast<uint8_t>(length_ >> 8),
                             static_cast<uint8_t>(length_ >> 16),
                             static_cast<uint8_t>(length_ >> 24)};
  Stream.WriteBuffer(prefix, 4);
  if (length_) Stream.WriteBuffer(data_, length_);
}
