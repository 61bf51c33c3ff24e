#include "platform/qt/qt_resources.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/win/resources.h"

namespace {

class QtResourcesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = SetResourceProvider(nullptr);
    InstallQtResources();
  }
  void TearDown() override { SetResourceProvider(previous_); }
  ResourceProvider* previous_ = nullptr;
};

std::string Bytes(HRSRC resource) {
  HGLOBAL loaded = LoadResource(nullptr, resource);
  const void* data = LockResource(loaded);
  if (data == nullptr) return {};
  return std::string(static_cast<const char*>(data), SizeofResource(nullptr, resource));
}

TEST_F(QtResourcesTest, FindsResourcesByTypeAndNameWithTheirBytes) {
  // TONE compresses well, so rcc stores it compressed; its bytes come back as written.
  HRSRC tone = FindResourceW(nullptr, "TONE", "WAVE");
  ASSERT_NE(tone, nullptr);
  std::string expected;
  while (expected.size() < 3000) expected += "lumatap resource ";
  expected.resize(3000);
  EXPECT_EQ(SizeofResource(nullptr, tone), 3000u);
  EXPECT_EQ(Bytes(tone), expected);
  EXPECT_EQ(FindResourceW(nullptr, "TONE", "WAVE"), tone);  // stays where it is

  HRSRC blip = FindResourceW(nullptr, "BLIP", "WAV");
  ASSERT_NE(blip, nullptr);
  std::string ramp;
  for (int i = 0; i < 37; ++i) ramp += static_cast<char>(i);
  EXPECT_EQ(Bytes(blip), ramp);
}

TEST_F(QtResourcesTest, OtherTypesNamesAndFoldersAreNoResources) {
  EXPECT_EQ(FindResourceW(nullptr, "TONE", "WAV"), nullptr);
  EXPECT_EQ(FindResourceW(nullptr, "NONE", "WAVE"), nullptr);
  EXPECT_EQ(FindResourceW(nullptr, "", "WAVE"), nullptr);
  EXPECT_EQ(FindResourceW(nullptr, nullptr, "WAVE"), nullptr);
  EXPECT_EQ(LockResource(LoadResource(nullptr, nullptr)), nullptr);
  EXPECT_EQ(SizeofResource(nullptr, nullptr), 0u);
  SetResourceProvider(nullptr);
  EXPECT_EQ(FindResourceW(nullptr, "TONE", "WAVE"), nullptr);
}

}  // namespace
