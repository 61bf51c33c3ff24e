// Streams: the COM stream adapter over a memory stream, and file streams whose descriptor others
// write through.
#include "rtl/streams.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/com/com.h"
#include "platform/com/moniker.h"
#include "rtl/streamadapter.h"

namespace {

using namespace rtl;

std::string TempPath(const std::string& name) {
  return ::testing::TempDir() + "rtl_" + std::to_string(::getpid()) + "_" + name;
}

std::string FileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class StreamAdapter : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK); }
  void TearDown() override { CoUninitialize(); }
};

TEST_F(StreamAdapter, ReadsWritesAndSeeksTheStreamUnderneath) {
  TMemoryStream memory;
  ComPtr<IStream> stm;
  stm.Attach(new TStreamAdapter(&memory, soReference));
  ULONG n = 0;
  ASSERT_EQ(stm->Write("hello!", 6, &n), S_OK);
  EXPECT_EQ(n, 6u);
  EXPECT_EQ(memory.Size(), 6);

  struct Case {
    int64_t move;
    DWORD origin;
    HRESULT hr;
    uint64_t position;  // afterwards, also after a refusal
  } cases[] = {
      {1, STREAM_SEEK_SET, S_OK, 1},    {2, STREAM_SEEK_CUR, S_OK, 3},
      {-2, STREAM_SEEK_END, S_OK, 4},   {-5, STREAM_SEEK_CUR, STG_E_SEEKERROR, 4},
      {0, 7, STG_E_INVALIDFUNCTION, 4}, {10, STREAM_SEEK_SET, S_OK, 10},
  };
  for (const Case& c : cases) {
    ULARGE_INTEGER at{12345};
    EXPECT_EQ(stm->Seek({c.move}, c.origin, &at), c.hr) << c.move << " from " << c.origin;
    EXPECT_EQ(static_cast<uint64_t>(memory.Position()), c.position) << c.move;
    EXPECT_EQ(at.QuadPart, c.hr == S_OK ? c.position : 12345u) << c.move;
  }
  char buffer[8] = {};
  ASSERT_EQ(stm->Seek({2}, STREAM_SEEK_SET, nullptr), S_OK);
  ASSERT_EQ(stm->Read(buffer, 8, &n), S_OK);  // fewer at the end, still S_OK
  EXPECT_EQ(std::string(buffer, n), "llo!");
  ASSERT_EQ(stm->SetSize({2}), S_OK);
  STATSTG stat{};
  ASSERT_EQ(stm->Stat(&stat, STATFLAG_NONAME), S_OK);
  EXPECT_EQ(stat.cbSize.QuadPart, 2u);
  stm.Reset();  // soReference: the stream stays with its owner
  EXPECT_EQ(memory.Size(), 2);
}

TEST_F(StreamAdapter, OwnedStreamsGoWithTheAdapter) {
  static bool freed;
  struct TWatched : TMemoryStream {
    ~TWatched() override { freed = true; }
  };
  freed = false;
  auto* adapter = new TStreamAdapter(new TWatched, soOwned);
  adapter->Release();
  EXPECT_TRUE(freed);
}

TEST_F(StreamAdapter, AMonikerSavedThroughItLoadsBackEqual) {
  ComPtr<IMoniker> item;
  ASSERT_EQ(CreateItemMoniker(u"!", u"camera 1", item.ReleaseAndGetAddressOf()), S_OK);
  TMemoryStream saved;
  {
    ComPtr<IStream> stm;
    stm.Attach(new TStreamAdapter(&saved));
    ASSERT_EQ(OleSaveToStream(item.Get(), stm.Get()), S_OK);
  }
  ASSERT_GT(saved.Size(), 16);  // the class id, then the moniker's own data

  TMemoryStream copy;  // as a byte block read back would be
  copy.WriteBuffer(saved.Memory(), saved.Size());
  copy.SetPosition(0);
  ComPtr<IStream> stm;
  stm.Attach(new TStreamAdapter(&copy));
  ComPtr<IMoniker> loaded;
  ASSERT_EQ(OleLoadFromStream(stm.Get(), IID_IMoniker, loaded.PutVoid()), S_OK);
  LPOLESTR name = nullptr;
  ASSERT_EQ(loaded->GetDisplayName(nullptr, nullptr, &name), S_OK);
  EXPECT_EQ(std::u16string(name), u"!camera 1");
  CoTaskMemFree(name);
}

TEST(FileStream, CreatingEmptiesAnExistingFileAndItsHandleWritesInOrder) {
  const std::string path = TempPath("log.txt");
  { std::ofstream(path) << "an older and longer log"; }
  {
    TFileStream log(path, fmCreate);
    EXPECT_EQ(log.Size(), 0);
    log.WriteBuffer("one ", 4);
    ASSERT_EQ(::write(log.Handle(), "two ", 4), 4);  // as the graph writes its log
    log.WriteBuffer("three", 5);
    EXPECT_EQ(log.Position(), 13);
  }
  EXPECT_EQ(FileText(path), "one two three");
  std::remove(path.c_str());
}

TEST(FileStream, AFileThatCannotBeCreatedRaises) {
  const std::string path = TempPath("missing") + "/log.txt";
  try {
    TFileStream log(path, fmCreate);
    ADD_FAILURE() << "created " << path;
  } catch (const EFCreateError& e) {
    EXPECT_EQ(e.Message(), "Cannot create file \"" + path + "\". No such file or directory");
  }
}

}  // namespace
