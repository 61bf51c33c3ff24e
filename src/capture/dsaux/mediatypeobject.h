// A media-type record as an object: it owns the record and its format block, copies and
// compares it, and streams it as the binary property "data" (the 88-byte record image followed
// by the format block; the 72-byte image of 4-byte addresses is read as well).
#pragma once

#include <cstdint>
#include <string>

#include "platform/dshow/types.h"
#include "rtl/persistent.h"
#include "rtl/streams.h"

class TMediaType : public rtl::TPersistent {
 public:
  // The default record: all zero but bFixedSizeSamples (all 32 bits set) and lSampleSize 1;
  // then majortype.
  explicit TMediaType(const GUID& majortype = GUID_NULL);
  // The default record, then a deep copy of mediatype (nullptr: the default record alone).
  explicit TMediaType(const AM_MEDIA_TYPE* mediatype);
  ~TMediaType() override;
  TMediaType(const TMediaType&) = delete;
  TMediaType& operator=(const TMediaType&) = delete;

  // The owned record; callers read and write its fields.
  AM_MEDIA_TYPE* MediaRecord() const { return record_; }

  void SetMajorType(const GUID& Value) { record_->majortype = Value; }
  void SetSubType(const GUID& Value) { record_->subtype = Value; }
  void SetFormatType(const GUID& Value) { record_->formattype = Value; }
  ULONG GetFormatLength() const { return record_->cbFormat; }
  // Frees the format block: cbFormat 0, pbFormat nil.
  void ResetFormatBuffer();

  // The three GUIDs and the format block agree; flags, sample size and pUnk do not count.
  bool Equal(const TMediaType* Other) const;
  // A copy of another TMediaType; anything else as the base class decides.
  void Assign(rtl::TPersistent* Source) override;
  std::string ClassName() const override { return "TMediaType"; }

  // The property "data" (bounded by the block's bytes, see datablock.h).
  void ReadData(rtl::TStream& Stream);
  void WriteData(rtl::TStream& Stream) const;

 protected:
  // "data", written unless an ancestor of this class is Equal.
  void DefineProperties(rtl::TFiler& Filer) override;

 private:
  AM_MEDIA_TYPE* record_;
};
