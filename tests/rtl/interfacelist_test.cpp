// Interface lists hold one reference per item, released when the item leaves.
#include "rtl/interfacelist.h"

#include <gtest/gtest.h>

#include "rtl/sysutils.h"

namespace {

using namespace rtl;

struct IThing : IUnknown {
  using Base = IUnknown;
  static constexpr IID iid{0x6A1B0F11, 0x2C3D, 0x4E5F, {0x80, 1, 2, 3, 4, 5, 6, 7}};
};
class TThing : public TComObject<IThing> {};

ULONG Refs(IUnknown* p) {
  p->AddRef();
  return p->Release();
}

TEST(InterfaceList, ItemsHoldAReferenceUntilTheyLeave) {
  auto* a = new TThing;
  auto* b = new TThing;
  {
    TInterfaceList list;
    EXPECT_EQ(list.Add(a), 0);
    EXPECT_EQ(list.Add(b), 1);
    EXPECT_EQ(list.Add(a), 2);
    EXPECT_EQ(Refs(a), 3u);
    EXPECT_EQ(list.Remove(a), 0);  // the first occurrence, by identity
    EXPECT_EQ(list.Items(1), a);
    auto* stranger = new TThing;
    EXPECT_EQ(list.Remove(stranger), -1);  // not listed: nothing released
    EXPECT_EQ(Refs(stranger), 1u);
    stranger->Release();
    list.Delete(0);
    EXPECT_EQ(Refs(b), 1u);
    try {
      list.Items(1);
      ADD_FAILURE();
    } catch (const EListError& e) {
      EXPECT_EQ(e.Message(), "List index out of bounds (1)");
    }
    EXPECT_THROW(list.Delete(-1), EListError);
  }
  EXPECT_EQ(Refs(a), 1u);
  a->Release();
  b->Release();
}

}  // namespace
