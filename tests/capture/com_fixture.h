// COM for the test's thread with the DirectShow classes and quartz.dll registered, classes put
// in place for one test, and a check that the test leaves no object, task-memory block or
// string behind.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "platform/com/com.h"
#include "platform/com/oleauto.h"
#include "platform/dshow/runtime.h"
#include "rtl/streams.h"

// Serves clsid with create (nothing: no server) while it lives, then puts back the old server.
// The DirectShow classes are registered first, so that the old server of one of them is the
// real one, put back at the end.
class TClassOverride {
 public:
  TClassOverride(const CLSID& clsid, TCreateInstance create)
      : clsid_(clsid), previous_(TakeAway(clsid)) {
    CoRegisterInprocServer(clsid, std::move(create));
  }
  ~TClassOverride() {
    CoUnregisterInprocServer(clsid_);
    CoRegisterInprocServer(clsid_, previous_);
  }

 private:
  static TCreateInstance TakeAway(const CLSID& clsid) {
    RegisterDirectShowRuntime();
    return CoUnregisterInprocServer(clsid);
  }

  CLSID clsid_;
  TCreateInstance previous_;
};

// A stream holding bytes, positioned at its start: a property's block as the reader gets it.
inline void Fill(rtl::TMemoryStream& stream, const std::vector<uint8_t>& bytes) {
  stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  stream.SetPosition(0);
}

class ComTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterDirectShowRuntime();
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
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
  long objects_ = ComObjectsAlive(), blocks_ = CoTaskMemBlocksAlive(), strings_ = SysStringsAlive();
};
