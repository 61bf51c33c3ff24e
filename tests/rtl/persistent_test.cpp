// Persistent objects: Assign between classes that do not know each other is a conversion error
// (also when one hands the work back to the other), and the filer carries binary properties
// from one object to another through a stream.
#include "rtl/persistent.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "rtl/component.h"
#include "rtl/filer.h"
#include "rtl/streams.h"

namespace {

using namespace rtl;

// A block of bytes streamed as "data": a 32-bit length and the bytes. Like the byte blocks of
// the capture classes, it hands a copy to any destination's Assign.
class TBlock : public TPersistent {
 public:
  std::vector<uint8_t> bytes;

  std::string ClassName() const override { return "TBlock"; }
  void Assign(TPersistent* Source) override {
    if (auto* other = dynamic_cast<TBlock*>(Source)) {
      if (other != this) bytes = other->bytes;
      return;
    }
    TPersistent::Assign(Source);
  }

 protected:
  void AssignTo(TPersistent* Dest) override { Dest->Assign(this); }
  void DefineProperties(TFiler& Filer) override {
    auto* ancestor = dynamic_cast<TBlock*>(Filer.Ancestor());
    Filer.DefineBinaryProperty(
        "data", [this](TStream& s) { Read(s); }, [this](TStream& s) { Write(s); },
        !ancestor || ancestor->bytes != bytes);
  }

 private:
  void Read(TStream& s) {
    uint32_t length = 0;
    s.ReadBuffer(&length, 4);
    bytes.assign(length, 0);
    s.Read(bytes.data(), length);
  }
  void Write(TStream& s) {
    const auto length = static_cast<uint32_t>(bytes.size());
    s.WriteBuffer(&length, 4);
    s.WriteBuffer(bytes.data(), length);
  }
};

// Knows nobody: the base behaviour on both sides.
class TOther : public TPersistent {
 public:
  std::string ClassName() const override { return "TOther"; }
};

// A component with one binary property; logs whether it was loading when the property came.
class TLoadProbe : public TComponent {
 public:
  explicit TLoadProbe(std::vector<std::string>* log) : TComponent(nullptr), log_(log) {}

 protected:
  void DefineProperties(TFiler& Filer) override {
    const bool loading = ComponentState() & csLoading;
    Filer.DefineBinaryProperty(
        "block", [=, this](TStream&) { log_->push_back(Name() + (loading ? " loading" : "")); },
        nullptr, false);
  }
  void Loaded() override {
    TComponent::Loaded();
    log_->push_back(Name() + " loaded");
  }

 private:
  std::vector<std::string>* log_;
};

std::vector<uint8_t> Bytes(TMemoryStream& s) {
  return std::vector<uint8_t>(s.Memory(), s.Memory() + s.Size());
}

TEST(Persistent, AssignCopiesOrIsAConversionErrorNeverAnEndlessHandBack) {
  TBlock a, b;
  TOther other;
  a.bytes = {1, 2, 3};
  struct Case {
    const char* what;
    TPersistent* dest;
    TPersistent* source;
    const char* error;  // nullptr: the copy is made
  } cases[] = {
      {"block from block", &b, &a, nullptr},
      {"block from itself", &a, &a, nullptr},
      {"unrelated from block (block hands it back)", &other, &a,
       "Cannot assign a TBlock to a TOther"},
      {"block from unrelated", &b, &other, "Cannot assign a TOther to a TBlock"},
      {"unrelated from unrelated", &other, &other, "Cannot assign a TOther to a TOther"},
      {"block from nothing", &b, nullptr, "Cannot assign a nil to a TBlock"},
  };
  for (const Case& c : cases) {
    try {
      c.dest->Assign(c.source);
      EXPECT_EQ(c.error, nullptr) << c.what;
    } catch (const EConvertError& e) {
      ASSERT_NE(c.error, nullptr) << c.what << ": " << e.Message();
      EXPECT_EQ(e.Message(), c.error) << c.what;
    }
  }
  EXPECT_EQ(b.bytes, a.bytes);
  // The failed attempts leave nothing behind: the next copy works.
  a.bytes = {9};
  b.Assign(&a);
  EXPECT_EQ(b.bytes, std::vector<uint8_t>{9});
}

TEST(Filer, BinaryPropertiesRoundTripAndEqualAncestorsWriteNothing) {
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
    bool withEqualAncestor;
    size_t streamSize;  // an entry: name 1 + 4, tag 1, length 4, block 4 + n; the end 1
  } cases[] = {
      {"72-byte block", std::vector<uint8_t>(72, 0xA5), false, 15 + 72},
      {"empty block (length only)", {}, false, 15},
      {"equal to its ancestor", {7, 7}, true, 1},
  };
  for (const Case& c : cases) {
    TBlock written, ancestor, read;
    written.bytes = ancestor.bytes = c.bytes;
    read.bytes = {0xEE};
    TMemoryStream stream;
    TWriter(stream).WriteProperties(written, c.withEqualAncestor ? &ancestor : nullptr);
    EXPECT_EQ(stream.Size(), static_cast<int64_t>(c.streamSize)) << c.what;
    stream.SetPosition(0);
    TReader(stream).ReadProperties(read);
    EXPECT_EQ(stream.Position(), stream.Size()) << c.what;
    EXPECT_EQ(read.bytes, c.withEqualAncestor ? std::vector<uint8_t>{0xEE} : c.bytes) << c.what;
  }
}

TEST(Filer, MalformedPropertyListsAreReadErrors) {
  TBlock block;
  block.bytes = {1, 2, 3, 4};
  TMemoryStream good;
  TWriter(good).WriteProperties(block);
  const std::vector<uint8_t> whole = Bytes(good);

  auto patched = [&](size_t at, uint8_t value) {
    std::vector<uint8_t> v = whole;
    v[at] = value;
    return v;
  };
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
    const char* message;
  } cases[] = {
      {"nothing", {}, "Stream read error"},
      {"name cut short", {4, 'd', 'a'}, "Stream read error"},
      {"no end of list", std::vector<uint8_t>(whole.begin(), whole.end() - 1), "Stream read error"},
      {"unknown property", patched(1, 'D'), "Property Data does not exist"},
      {"not a binary value", patched(5, 0x02), "Invalid property value"},
      // A length far beyond the stream is refused before anything is allocated for it.
      {"length beyond the stream", patched(9, 0xFF), "Stream read error"},
  };
  for (const Case& c : cases) {
    TMemoryStream stream;
    stream.WriteBuffer(c.bytes.data(), static_cast<int64_t>(c.bytes.size()));
    stream.SetPosition(0);
    TBlock into;
    try {
      TReader(stream).ReadProperties(into);
      ADD_FAILURE() << c.what;
    } catch (const EReadError& e) {
      EXPECT_EQ(e.Message(), c.message) << c.what;
    }
  }
}

TEST(Filer, ComponentsAreLoadingWhileReadAndLoadedInReadingOrder) {
  std::vector<std::string> log;
  TLoadProbe first(&log), second(&log);
  first.SetName("first");
  second.SetName("second");
  TMemoryStream stream;
  const uint8_t list[] = {5, 'b', 'l', 'o', 'c', 'k', 0x0A, 1, 0, 0, 0, 0xEE, 0};
  for (int i = 0; i < 2; ++i) stream.WriteBuffer(list, sizeof(list));
  stream.SetPosition(0);
  TReader reader(stream);
  reader.ReadComponent(first);
  reader.ReadComponent(second);
  EXPECT_TRUE(first.ComponentState() & csLoading);
  reader.EndLoading();
  EXPECT_FALSE(first.ComponentState() & csLoading);
  EXPECT_FALSE(second.ComponentState() & csLoading);
  EXPECT_EQ(log, (std::vector<std::string>{"first loading", "second loading", "first loaded",
                                           "second loaded"}));
}

}  // namespace
