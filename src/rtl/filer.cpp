#include "rtl/filer.h"

#include <cstdint>

#include "rtl/component.h"
#include "rtl/persistent.h"

namespace rtl {

namespace {
constexpr uint8_t kBinary = 0x0A;  // the tag of a binary value

uint32_t ReadU32(TStream& s) {
  uint8_t b[4];
  s.ReadBuffer(b, 4);
  return b[0] | b[1] << 8 | b[2] << 16 | static_cast<uint32_t>(b[3]) << 24;
}
}  // namespace

// --- writing -----------------------------------------------------------------------------------

void TWriter::WriteProperties(TPersistent& Instance, TPersistent* Ancestor) {
  ancestor_ = Ancestor;
  Instance.DefineProperties(*this);
  ancestor_ = nullptr;
  const uint8_t end = 0;
  stream_.WriteBuffer(&end, 1);
}

void TWriter::DefineBinaryProperty(const std::string& Name, const TStreamProc&,
                                   const TStreamProc& WriteData, bool HasData) {
  if (!HasData || !WriteData) return;
  if (Name.empty() || Name.size() > 255)
    throw EWriteError("Invalid property name \"" + Name + "\"");
  TMemoryStream block;
  WriteData(block);
  const int64_t size = block.Size();
  if (size > INT64_C(0xFFFFFFFF)) throw EWriteError("Stream write error");
  const auto length = static_cast<uint8_t>(Name.size());
  stream_.WriteBuffer(&length, 1);
  stream_.WriteBuffer(Name.data(), static_cast<int64_t>(Name.size()));
  const auto n = static_cast<uint32_t>(size);
  const uint8_t tail[5] = {kBinary, static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8),
                           static_cast<uint8_t>(n >> 16), static_cast<uint8_t>(n >> 24)};
  stream_.WriteBuffer(tail, 5);
  stream_.WriteBuffer(block.Memory(), size);
}

// --- reading -----------------------------------------------------------------------------------

void TReader::ReadProperties(TPersistent& Instance) {
  for (;;) {
    uint8_t length = 0;
    stream_.ReadBuffer(&length, 1);
    if (length == 0) return;
    std::string name(length, '\0');
    stream_.ReadBuffer(name.data(), length);
    uint8_t tag = 0;
    stream_.ReadBuffer(&tag, 1);
    if (tag != kBinary) throw EReadError("Invalid property value");
    const uint32_t size = ReadU32(stream_);
    // The stated length must lie within the stream before anything is allocated for it.
    if (size > stream_.Size() - stream_.Position()) throw EReadError("Stream read error");
    TMemoryStream block;
    block.SetSize(size);
    stream_.ReadBuffer(block.Memory(), size);

    property_ = name;
    block_ = &block;
    found_ = false;
    try {
      Instance.DefineProperties(*this);
    } catch (...) {
      block_ = nullptr;
      throw;
    }
    block_ = nullptr;
    if (!found_) throw EReadError("Property " + name + " does not exist");
  }
}

void TReader::DefineBinaryProperty(const std::string& Name, const TStreamProc& ReadData,
                                   const TStreamProc&, bool) {
  if (found_ || !block_ || Name != property_ || !ReadData) return;
  found_ = true;
  ReadData(*block_);
}

void TReader::ReadComponent(TComponent& Instance) {
  Instance.state_ |= csLoading;
  loaded_.push_back(&Instance);
  ReadProperties(Instance);
}

void TReader::EndLoading() {
  std::vector<TComponent*> loaded;
  loaded.swap(loaded_);
  for (TComponent* component : loaded) component->Loaded();
}

}  // namespace rtl
