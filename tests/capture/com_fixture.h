// COM for the test's thread, classes put in place for one test, and a check that the test
// leaves no object, task-memory block or string behind.
#pragma once

#include <gtest/gtest.h>

#include "platform/com/com.h"
#include "platform/com/oleauto.h"

// Registers create for clsid until the object goes, then puts back what was there before.
class TClassOverride {
 public:
  TClassOverride(const CLSID& clsid, TCreateInstance create)
      : clsid_(clsid), previous_(CoUnregisterInprocServer(clsid)) {
    if (create) CoRegisterInprocServer(clsid, std::move(create));
  }
  ~TClassOverride() {
    CoUnregisterInprocServer(clsid_);
    if (previous_) CoRegisterInprocServer(clsid_, previous_);
  }
  TClassOverride(const TClassOverride&) = delete;
  TClassOverride& operator=(const TClassOverride&) = delete;

 private:
  CLSID clsid_;
  TCreateInstance previous_;
};

class ComTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    objects_ = ComObjectsAlive();
    blocks_ = CoTaskMemBlocksAlive();
    strings_ = SysStringsAlive();
  }
  void TearDown() override {
    EXPECT_EQ(ComObjectsAlive(), objects_);
    EXPECT_EQ(CoTaskMemBlocksAlive(), blocks_);
    EXPECT_EQ(SysStringsAlive(), strings_);
    CoUninitialize();
  }

  static ULONG Refs(IUnknown* p) {
    p->AddRef();
    return p->Release();
  }

 private:
  long objects_ = 0, blocks_ = 0, strings_ = 0;
};
