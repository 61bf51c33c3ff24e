#include "platform/winmm/mmio.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

void Put32(std::string& s, uint32_t v) {
  for (int i = 0; i < 4; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
}

std::string Chunk(const char* id, const std::string& data) {
  std::string s(id, 4);
  Put32(s, static_cast<uint32_t>(data.size()));
  s += data;
  if (data.size() % 2) s += '\0';
  return s;
}

class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "lumatap-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    path = pattern;
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
  std::string Write(const std::string& name, const std::string& bytes) const {
    const std::string file = (path / name).string();
    std::ofstream(file, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return file;
  }
  std::filesystem::path path;
};

// The same bytes as a disk file with a small buffer, unbuffered, and as a memory file.
enum class Backing { SmallBuffer, DefaultBuffer, Memory };

class MmioTest : public ::testing::TestWithParam<Backing> {
 protected:
  HMMIO Open(const std::string& bytes) {
    bytes_ = bytes;
    MMIOINFO info{};
    switch (GetParam()) {
      case Backing::SmallBuffer:
        info.cchBuffer = 5;
        return mmioOpenW(folder_.Write("f.riff", bytes).c_str(), &info, MMIO_ALLOCBUF | MMIO_READ);
      case Backing::DefaultBuffer:
        return mmioOpenW(folder_.Write("f.riff", bytes).c_str(), nullptr,
                         MMIO_ALLOCBUF | MMIO_READ);
      case Backing::Memory:
        info.fccIOProc = FOURCC_MEM;
        info.cchBuffer = static_cast<LONG>(bytes_.size());
        info.pchBuffer = bytes_.data();
        return mmioOpenA(nullptr, &info, MMIO_ALLOCBUF | MMIO_READ);
    }
    return nullptr;
  }
  TempFolder folder_;
  std::string bytes_;
};

// RIFF "TEST" holding an odd-sized chunk, a LIST and a plain chunk; one more chunk after it.
std::string Sample() {
  const std::string body =
      std::string("TEST") + Chunk("odd ", "abc") + Chunk("LIST", "INFOxy") + Chunk("two ", "wxyz");
  return Chunk("RIFF", body) + Chunk("aftr", "12");
}

TEST_P(MmioTest, DescendFindsChunksInsideTheirParentAndSkipsPadBytes) {
  HMMIO h = Open(Sample());
  ASSERT_NE(h, nullptr);
  MMCKINFO riff{};
  ASSERT_EQ(mmioDescend(h, &riff, nullptr, 0), MMSYSERR_NOERROR);
  EXPECT_EQ(riff.ckid, FOURCC_RIFF);
  EXPECT_EQ(riff.fccType, mmioFOURCC('T', 'E', 'S', 'T'));
  EXPECT_EQ(riff.dwDataOffset, 8u);
  EXPECT_EQ(riff.cksize, Sample().size() - 8 - 10);
  EXPECT_EQ(mmioSeek(h, 0, SEEK_CUR), 12);

  MMCKINFO ck{};
  ck.ckid = mmioFOURCC('t', 'w', 'o', ' ');
  ASSERT_EQ(mmioDescend(h, &ck, &riff, MMIO_FINDCHUNK), MMSYSERR_NOERROR);
  EXPECT_EQ(ck.dwDataOffset, 12u + 12 + 14 + 8);  // "odd " with its pad, then the LIST
  EXPECT_EQ(ck.cksize, 4u);
  char data[4];
  ASSERT_EQ(mmioRead(h, data, 4), 4);
  EXPECT_EQ(std::string(data, 4), "wxyz");

  // A chunk after the parent's end is not found inside it, but is found without a parent.
  ASSERT_EQ(mmioSeek(h, 12, SEEK_SET), 12);
  ck.ckid = mmioFOURCC('a', 'f', 't', 'r');
  EXPECT_EQ(mmioDescend(h, &ck, &riff, MMIO_FINDCHUNK), MMIOERR_CHUNKNOTFOUND);
  ASSERT_EQ(mmioSeek(h, 12, SEEK_SET), 12);
  EXPECT_EQ(mmioDescend(h, &ck, nullptr, MMIO_FINDCHUNK), MMSYSERR_NOERROR);

  // LIST by its type; ascending from the odd chunk lands past its pad byte.
  ASSERT_EQ(mmioSeek(h, 12, SEEK_SET), 12);
  MMCKINFO list{};
  list.fccType = mmioFOURCC('I', 'N', 'F', 'O');
  ASSERT_EQ(mmioDescend(h, &list, &riff, MMIO_FINDLIST), MMSYSERR_NOERROR);
  EXPECT_EQ(list.dwDataOffset, 12u + 12 + 8);
  EXPECT_EQ(mmioSeek(h, 0, SEEK_CUR), 12 + 12 + 8 + 4);
  ASSERT_EQ(mmioSeek(h, 12, SEEK_SET), 12);
  MMCKINFO odd{};
  ASSERT_EQ(mmioDescend(h, &odd, &riff, 0), MMSYSERR_NOERROR);
  EXPECT_EQ(odd.ckid, mmioFOURCC('o', 'd', 'd', ' '));
  ASSERT_EQ(mmioAscend(h, &odd, 0), MMSYSERR_NOERROR);
  EXPECT_EQ(mmioSeek(h, 0, SEEK_CUR), 12 + 8 + 4);

  // Nothing further at the end of the file.
  ASSERT_EQ(mmioSeek(h, 0, SEEK_END), static_cast<LONG>(Sample().size()));
  EXPECT_EQ(mmioDescend(h, &ck, nullptr, 0), MMIOERR_CHUNKNOTFOUND);
  EXPECT_EQ(mmioClose(h, 0), MMSYSERR_NOERROR);
}

TEST_P(MmioTest, ChunksClaimingMoreThanTheFileEndTheSearch) {
  std::string bytes = Chunk("RIFF", "WAVE" + Chunk("big ", "12"));
  bytes[16] = '\xF0';  // "big " now claims far more than the file holds
  bytes[17] = '\xFF';
  bytes[18] = '\xFF';
  bytes[19] = '\x7F';
  HMMIO h = Open(bytes);
  ASSERT_NE(h, nullptr);
  MMCKINFO riff{}, ck{};
  ASSERT_EQ(mmioDescend(h, &riff, nullptr, 0), MMSYSERR_NOERROR);
  ck.ckid = mmioFOURCC('d', 'a', 't', 'a');
  EXPECT_EQ(mmioDescend(h, &ck, &riff, MMIO_FINDCHUNK), MMIOERR_CHUNKNOTFOUND);
  ASSERT_EQ(mmioSeek(h, 12, SEEK_SET), 12);
  ASSERT_EQ(mmioDescend(h, &ck, &riff, 0), MMSYSERR_NOERROR);
  EXPECT_EQ(mmioAscend(h, &ck, 0), MMIOERR_CANNOTSEEK);
  mmioClose(h, 0);
}

TEST_P(MmioTest, ReadSeekAndTheDirectBufferSeeTheSameBytes) {
  std::string bytes;
  for (int i = 0; i < 20000; ++i) bytes += static_cast<char>((i * 31 + i / 7) & 0xFF);
  HMMIO h = Open(bytes);
  ASSERT_NE(h, nullptr);

  std::string read(bytes.size(), '\0');
  LONG done = 0;
  for (LONG step = 1; done < static_cast<LONG>(bytes.size()); step = step % 977 + 13) {
    const LONG n = mmioRead(h, read.data() + done, std::min<LONG>(step, bytes.size() - done));
    ASSERT_GT(n, 0);
    done += n;
  }
  EXPECT_EQ(read, bytes);
  char byte;
  EXPECT_EQ(mmioRead(h, &byte, 1), 0);

  EXPECT_EQ(mmioSeek(h, -100, SEEK_END), 19900);
  EXPECT_EQ(mmioSeek(h, 50, SEEK_CUR), 19950);
  EXPECT_EQ(mmioSeek(h, 51, SEEK_CUR), -1);  // past the end
  EXPECT_EQ(mmioSeek(h, -1, SEEK_SET), -1);
  EXPECT_EQ(mmioSeek(h, 0, 7), -1);
  EXPECT_EQ(mmioSeek(h, 0, SEEK_CUR), 19950);

  // Direct access from byte 1234 to the end, then the position continues from there.
  ASSERT_EQ(mmioSeek(h, 1234, SEEK_SET), 1234);
  MMIOINFO info{};
  ASSERT_EQ(mmioGetInfo(h, &info, 0), MMSYSERR_NOERROR);
  std::string direct;
  for (;;) {
    if (info.pchNext == info.pchEndRead) {
      ASSERT_EQ(mmioAdvance(h, &info, MMIO_READ), MMSYSERR_NOERROR);
      if (info.pchNext == info.pchEndRead) break;
    }
    direct += *info.pchNext++;
  }
  EXPECT_EQ(direct, bytes.substr(1234));
  ASSERT_EQ(mmioSetInfo(h, &info, 0), MMSYSERR_NOERROR);
  EXPECT_EQ(mmioSeek(h, 0, SEEK_CUR), static_cast<LONG>(bytes.size()));

  // The buffer state cannot be moved outside the buffer or marked for writing.
  ASSERT_EQ(mmioSeek(h, 10, SEEK_SET), 10);
  ASSERT_EQ(mmioGetInfo(h, &info, 0), MMSYSERR_NOERROR);
  MMIOINFO bad = info;
  bad.pchNext = info.pchEndRead + 1;
  EXPECT_NE(mmioSetInfo(h, &bad, 0), MMSYSERR_NOERROR);
  bad = info;
  bad.dwFlags |= MMIO_DIRTY;
  EXPECT_NE(mmioSetInfo(h, &bad, 0), MMSYSERR_NOERROR);
  EXPECT_NE(mmioAdvance(h, &info, MMIO_WRITE), MMSYSERR_NOERROR);
  mmioClose(h, 0);
}

INSTANTIATE_TEST_SUITE_P(Backings, MmioTest,
                         ::testing::Values(Backing::SmallBuffer, Backing::DefaultBuffer,
                                           Backing::Memory));

TEST(MmioOpen, ReadsUnbufferedWithoutAllocBuf) {
  TempFolder folder;
  const std::string name = folder.Write("plain", "0123456789");
  HMMIO h = mmioOpenW(name.c_str(), nullptr, MMIO_READ);
  ASSERT_NE(h, nullptr);
  char data[8];
  ASSERT_EQ(mmioSeek(h, 3, SEEK_SET), 3);
  ASSERT_EQ(mmioRead(h, data, 8), 7);
  EXPECT_EQ(std::string(data, 7), "3456789");
  MMIOINFO info{};
  EXPECT_EQ(mmioAdvance(h, &info, MMIO_READ), MMIOERR_UNBUFFERED);
  mmioClose(h, 0);
}

TEST(MmioOpen, RefusesWhatItCannotRead) {
  TempFolder folder;
  MMIOINFO info{};
  EXPECT_EQ(mmioOpenW((folder.path / "missing").c_str(), &info, MMIO_READ), nullptr);
  EXPECT_EQ(info.wErrorRet, MMIOERR_FILENOTFOUND);
  EXPECT_EQ(mmioOpenW(folder.path.c_str(), &info, MMIO_READ), nullptr);
  EXPECT_EQ(mmioOpenW(nullptr, nullptr, MMIO_READ), nullptr);
  // A named pipe without a writer is refused at once; opening it must not wait for one.
  const std::string pipe = (folder.path / "pipe.wav").string();
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  EXPECT_EQ(mmioOpenW(pipe.c_str(), &info, MMIO_READ), nullptr);
  EXPECT_EQ(info.wErrorRet, MMIOERR_CANNOTOPEN);

  // This layer only reads: nothing is created or opened for writing.
  const std::string existing = folder.Write("x", "abc");
  EXPECT_EQ(mmioOpenW(existing.c_str(), &info, MMIO_READWRITE), nullptr);
  EXPECT_EQ(info.wErrorRet, MMIOERR_CANNOTWRITE);
  EXPECT_EQ(mmioOpenW((folder.path / "new").c_str(), &info, MMIO_WRITE | MMIO_CREATE), nullptr);
  EXPECT_FALSE(std::filesystem::exists(folder.path / "new"));

  MMIOINFO memory{};
  memory.fccIOProc = FOURCC_MEM;
  memory.cchBuffer = 10;
  EXPECT_EQ(mmioOpenA(nullptr, &memory, MMIO_READ), nullptr);  // no block
  EXPECT_EQ(mmioClose(nullptr, 0), MMSYSERR_INVALHANDLE);
  EXPECT_EQ(mmioRead(nullptr, nullptr, 0), -1);
}

}  // namespace
