// Byte streams of the run-time: the abstract stream with its position, a stream in memory and a
// file stream whose open file descriptor others may write through (the graph's log).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "rtl/sysutils.h"

namespace rtl {

class EStreamError : public Exception {
 public:
  using Exception::Exception;
};
// "Cannot create file "<name>". <system error text>"
class EFCreateError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};
// "Stream read error"
class EReadError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};
// "Stream write error"
class EWriteError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};

enum TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream {
 public:
  virtual ~TStream() = default;
  // Reads or writes up to Count bytes at the position and moves it on; returns the bytes moved.
  virtual int64_t Read(void* Buffer, int64_t Count) = 0;
  virtual int64_t Write(const void* Buffer, int64_t Count) = 0;
  // The new position, or -1 when the target lies before the start (the position stays).
  virtual int64_t Seek(int64_t Offset, TSeekOrigin Origin) = 0;
  virtual void SetSize(int64_t NewSize) = 0;

  int64_t Position() { return Seek(0, soCurrent); }
  void SetPosition(int64_t Value) { Seek(Value, soBeginning); }
  int64_t Size();
  // All Count bytes or EReadError / EWriteError.
  void ReadBuffer(void* Buffer, int64_t Count);
  void WriteBuffer(const void* Buffer, int64_t Count);
};

// Bytes in memory; a write beyond the end grows the block, a gap reads as zeros.
class TMemoryStream : public TStream {
 public:
  int64_t Read(void* Buffer, int64_t Count) override;
  int64_t Write(const void* Buffer, int64_t Count) override;
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
  // New bytes are zeros; the position stays, also beyond a shrunken end.
  void SetSize(int64_t NewSize) override;
  void Clear();

  uint8_t* Memory() { return bytes_.data(); }
  const uint8_t* Memory() const { return bytes_.data(); }

 private:
  std::vector<uint8_t> bytes_;
  int64_t position_ = 0;
};

enum TFileMode { fmCreate };

class TFileStream : public TStream {
 public:
  // fmCreate: creates the file for reading and writing, emptying an existing one; a file that
  // cannot be created raises EFCreateError.
  TFileStream(const std::string& FileName, TFileMode Mode);
  ~TFileStream() override;
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;

  int64_t Read(void* Buffer, int64_t Count) override;
  int64_t Write(const void* Buffer, int64_t Count) override;
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
  void SetSize(int64_t NewSize) override;

  // The open file descriptor; the stream's position is the descriptor's file offset, so writes
  // through either land in the same file in order.
  int Handle() const { return fd_; }
  const std::string& FileName() const { return fileName_; }

 private:
  int fd_ = -1;
  std::string fileName_;
};

}  // namespace rtl
