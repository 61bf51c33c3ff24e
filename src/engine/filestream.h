// The runtime's file stream, as far as the program writes files through it: created (replacing
// any file of the name), written at a position, closed when freed. Failures raise, with the
// system's error text in the message.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

class EStreamError : public std::runtime_error {
 public:
  EStreamError(const std::string& message, int code) : std::runtime_error(message), Code(code) {}
  int Code;  // errno of the failed call
};

// "Cannot create file "<name>". <system error text>"
class EFCreateError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};

// "Stream write error. <system error text>"
class EWriteError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};

enum TFileMode { fmCreate };

class TFileStream {
 public:
  // fmCreate: creates the file for reading and writing, emptying an existing one.
  TFileStream(const std::string& FileName, TFileMode Mode);
  ~TFileStream();
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;

  // Writes at the position and returns the bytes written (fewer on failure, then 0 or more).
  int32_t Write(const void* Buffer, int32_t Count);
  // Writes all Count bytes or raises EWriteError.
  void WriteBuffer(const void* Buffer, int32_t Count);

  int64_t Position() const { return position_; }
  void SetPosition(int64_t position) { position_ = position; }
  int64_t Size() const;
  const std::string& FileName() const { return fileName_; }

 private:
  int fd_ = -1;
  int64_t position_ = 0;
  std::string fileName_;
};
