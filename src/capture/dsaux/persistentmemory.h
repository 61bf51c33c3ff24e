// A block of raw bytes that streams itself as the binary property "data": a 32-bit
// little-endian length followed by that many bytes.
#pragma once

#include <cstdint>
#include <string>

#include "rtl/persistent.h"
#include "rtl/streams.h"

class TPersistentMemory : public rtl::TPersistent {
 public:
  TPersistentMemory() = default;
  ~TPersistentMemory() override;
  TPersistentMemory(const TPersistentMemory&) = delete;
  TPersistentMemory& operator=(const TPersistentMemory&) = delete;

  // The block (nil when empty) and its length (0 when empty).
  uint8_t* Data() const { return data_; }
  uint32_t DataLength() const { return length_; }
  // Frees the block; then, for a non-zero Length, a new block of Length zeros. When memory is
  // short the block stays empty.
  void AllocateDataLength(uint32_t Length);

  // A copy of another block; anything else as the base class decides.
  void Assign(rtl::TPersistent* Source) override;
  // Both blocks exist, are of the same non-zero length and hold the same bytes: two empty
  // blocks are not equal, so an empty block is always written.
  bool Equal(const TPersistentMemory* Other) const;
  std::string ClassName() const override { return "TPersistentMemory"; }

  // The property "data" (bounded by the block's bytes, see datablock.h).
  void ReadData(rtl::TStream& Stream);
  void WriteData(rtl::TStream& Stream) const;

 protected:
  // Hands itself to the destination's Assign.
  void AssignTo(rtl::TPersistent* Dest) override;
  // "data", written unless an ancestor of this class is Equal.
  void DefineProperties(rtl::TFiler& Filer) override;

 private:
  uint8_t* data_ = nullptr;
  uint32_t length_ = 0;
};
