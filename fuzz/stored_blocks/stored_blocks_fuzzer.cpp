// The "data" readers of the capture classes over arbitrary blocks, each block read both as a
// media type and as a byte block (and that as a device moniker): every length stays within
// what the block holds or the cap, what is read is the block's own bytes with zeros after, no
// address is taken from the block, and what is written reads back the same.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "capture/dsaux/basefilter.h"
#include "capture/dsaux/datablock.h"
#include "capture/dsaux/mediatypeobject.h"
#include "platform/com/com.h"
#include "platform/dshow/runtime.h"

namespace {

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

void Load(rtl::TMemoryStream& stream, const uint8_t* data, size_t size) {
  stream.Clear();
  stream.WriteBuffer(data, static_cast<int64_t>(size));
  stream.SetPosition(0);
}

// Bytes [0, count) of got are those of want up to held, zeros after.
void CheckPrefix(const uint8_t* got, size_t count, const uint8_t* want, size_t held) {
  const size_t same = std::min(count, held);
  Check(same == 0 || std::memcmp(got, want, same) == 0);
  for (size_t i = same; i < count; ++i) Check(got[i] == 0);
}

void MediaType(const uint8_t* data, size_t size) {
  rtl::TMemoryStream stream;
  Load(stream, data, size);
  TMediaType type;
  type.ReadData(stream);
  const AM_MEDIA_TYPE& mt = *type.MediaRecord();
  Check(mt.pUnk == nullptr);
  Check((mt.cbFormat == 0) == (mt.pbFormat == nullptr));
  // The fields before the object reference are the block's as far as it reaches, the default
  // record's beyond.
  const auto* record = reinterpret_cast<const uint8_t*>(&mt);
  const TMediaType defaults;
  const size_t lead = std::min<size_t>(size, 60);
  Check(lead == 0 || std::memcmp(record, data, lead) == 0);
  Check(std::memcmp(record + lead, reinterpret_cast<const uint8_t*>(defaults.MediaRecord()) + lead,
                    60 - lead) == 0);
  // The format length: what the block's bytes 72 to 75 state, bounded by the bytes after 88.
  uint8_t length[4] = {};
  if (size > 72) std::memcpy(length, data + 72, std::min<size_t>(size - 72, 4));
  const uint32_t stated = length[0] | length[1] << 8 | length[2] << 16 | uint32_t(length[3]) << 24;
  const size_t held = size > 88 ? size - 88 : 0;
  Check(mt.cbFormat == BoundedDataLength(stated, static_cast<int64_t>(held)));
  if (mt.cbFormat) CheckPrefix(mt.pbFormat, mt.cbFormat, data + 88, held);

  rtl::TMemoryStream written;
  type.WriteData(written);
  Check(written.Size() == 88 + static_cast<int64_t>(mt.cbFormat));
  written.SetPosition(0);
  TMediaType again;
  again.ReadData(written);
  Check(again.Equal(&type));
  Check(std::memcmp(again.MediaRecord(), &mt, 60) == 0);
}

void ByteBlock(const uint8_t* data, size_t size) {
  rtl::TMemoryStream stream;
  Load(stream, data, size);
  TBaseFilter block;
  block.ReadData(stream);
  Check((block.DataLength() == 0) == (block.Data() == nullptr));
  if (size < 4) {
    Check(block.DataLength() == 0);
    return;
  }
  uint32_t stated;
  std::memcpy(&stated, data, 4);
  const size_t held = size - 4;
  Check(block.DataLength() == (stated <= held || stated <= MaxPaddedDataLength ? stated : 0));
  if (block.DataLength()) CheckPrefix(block.Data(), block.DataLength(), data + 4, held);

  rtl::TMemoryStream written;
  block.WriteData(written);
  Check(written.Size() == 4 + static_cast<int64_t>(block.DataLength()));
  written.SetPosition(0);
  TPersistentMemory again;
  again.ReadData(written);
  Check(again.DataLength() == block.DataLength());
  Check(block.DataLength() == 0 || again.Equal(&block));

  // Whatever the block holds, reading it as a device moniker gives one or nil, never a crash.
  block.Moniker();
}

}  // namespace

// Device monikers are among the classes the blocks name.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  RegisterDirectShowRuntime();
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  MediaType(data, size);
  ByteBlock(data, size);
  return 0;
}
