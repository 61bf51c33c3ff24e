// Byte blocks: the "data" property (a 32-bit length and the bytes) bounded by what the block
// holds, Equal and Assign, and a device-moniker block that holds nothing usable.
#include "capture/dsaux/persistentmemory.h"

#include <vector>

#include "capture/com_fixture.h"
#include "capture/dsaux/basefilter.h"
#include "capture/dsaux/mediatypeobject.h"
#include "rtl/filer.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Block(uint32_t length, Bytes bytes) {
  bytes.insert(bytes.begin(), {uint8_t(length), uint8_t(length >> 8), uint8_t(length >> 16),
                               uint8_t(length >> 24)});
  return bytes;
}

Bytes Held(const TPersistentMemory& m) { return Bytes(m.Data(), m.Data() + m.DataLength()); }

void Put(TPersistentMemory& m, const Bytes& bytes) {
  m.AllocateDataLength(static_cast<uint32_t>(bytes.size()));
  if (!bytes.empty()) std::copy(bytes.begin(), bytes.end(), m.Data());
}

class PersistentMemory : public ComTest {};

TEST_F(PersistentMemory, DataReadsWhatTheBlockHolds) {
  const struct Case {
    const char* what;
    Bytes block;
    Bytes expected;
  } cases[] = {
      {"the stored empty block", Block(0, {}), {}},
      {"no whole length", {3, 0}, {}},
      {"length read exactly", Block(3, {1, 2, 3, 9}), {1, 2, 3}},
      {"cut short below the cap", Block(6, {1, 2}), {1, 2, 0, 0, 0, 0}},
      {"length beyond the block and the cap", Block(0x10000001, {1}), {}},
  };
  for (const Case& c : cases) {
    TPersistentMemory m;
    Put(m, {7, 7});
    rtl::TMemoryStream stream;
    Fill(stream, c.block);
    m.ReadData(stream);
    EXPECT_EQ(Held(m), c.expected) << c.what;
    EXPECT_EQ(m.Data() == nullptr, c.expected.empty()) << c.what;
  }
}

TEST_F(PersistentMemory, EqualAssignAndStreaming) {
  TPersistentMemory empty, alsoEmpty, a, b;
  Put(a, {1, 2, 3});
  EXPECT_FALSE(empty.Equal(&alsoEmpty));
  EXPECT_FALSE(a.Equal(&empty));
  b.Assign(&a);
  EXPECT_NE(b.Data(), a.Data());
  EXPECT_TRUE(b.Equal(&a));
  b.Data()[2] = 4;
  EXPECT_FALSE(b.Equal(&a));
  // A destination that takes no byte block: an error, not an endless hand-back.
  TMediaType type;
  EXPECT_THROW(type.Assign(&a), rtl::EConvertError);

  // An empty block is written even over an empty ancestor; one equal to its ancestor is not.
  for (auto [block, ancestor, size] : {std::tuple{&empty, &alsoEmpty, 1 + 5 + 5 + 4},
                                       std::tuple{&b, &a, 1 + 5 + 5 + 7}, std::tuple{&a, &a, 1}}) {
    rtl::TMemoryStream stream;
    rtl::TWriter(stream).WriteProperties(*block, ancestor);
    EXPECT_EQ(stream.Size(), size);
  }
}

TEST_F(PersistentMemory, DeviceBlockWithoutAMonikerBindsNothing) {
  for (const Bytes& block : {Block(0, {}), Block(20, Bytes(20, 0x5A))}) {
    TBaseFilter filter;
    rtl::TMemoryStream stream;
    Fill(stream, block);
    filter.ReadData(stream);
    EXPECT_FALSE(filter.Moniker());
    EXPECT_FALSE(filter.CreateFilter());
  }
  TBaseFilter filter;
  filter.SetMoniker(nullptr);
  EXPECT_EQ(filter.DataLength(), 0u);
}

}  // namespace
