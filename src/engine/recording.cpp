#include "engine/recording.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>

#include "engine/import.h"
#include "platform/win/dialogs.h"

std::atomic<bool> Recording{false};
TFileStream* RecordStream = nullptr;
std::atomic<int32_t> RecordedBytes{0};
std::atomic<int> RecordingFault{0};

namespace {

// Held by an append around its write and by the stop while it takes the stream away, so an
// append that saw Recording set either finishes first or finds no stream.
std::mutex g_streamLock;

void WriteU32(TFileStream& s, uint32_t v) {
  const uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
  s.WriteBuffer(b, 4);
}
void WriteU16(TFileStream& s, uint16_t v) {
  const uint8_t b[2] = {uint8_t(v), uint8_t(v >> 8)};
  s.WriteBuffer(b, 2);
}

void PatchU32(TFileStream& s, int64_t position, uint32_t v) {
  const uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
  s.SetPosition(position);
  s.Write(b, 4);
}

}  // namespace

void CreateWavFile(const std::string& FileName) {
  auto* stream = new TFileStream(FileName, fmCreate);
  {
    std::lock_guard lk(g_streamLock);
    RecordStream = stream;
  }
  constexpr uint16_t channels = 1;
  constexpr uint32_t rate = 48000;
  const uint32_t dataBytes = 2u * static_cast<uint32_t>(SampleCount);
  try {
    stream->WriteBuffer("RIFF", 4);
    WriteU32(*stream, 36 + dataBytes);
    stream->WriteBuffer("WAVE", 4);
    stream->WriteBuffer("fmt ", 4);
    WriteU32(*stream, 16);
    WriteU16(*stream, 1);
    WriteU16(*stream, channels);
    WriteU32(*stream, rate);
    WriteU32(*stream, channels * rate * 2);
    WriteU16(*stream, channels * 2);
    WriteU16(*stream, 16);
    stream->WriteBuffer("data", 4);
    WriteU32(*stream, dataBytes);
  } catch (...) {
    // A file without its header is no recording: neither kept open nor left behind.
    {
      std::lock_guard lk(g_streamLock);
      RecordStream = nullptr;
    }
    delete stream;
    RemoveRecordingFile(FileName);
    throw;
  }
}

bool StartRecording(const std::string& FileName) {
  if (Recording.load()) return true;
  try {
    CreateWavFile(FileName);
  } catch (const EStreamError& e) {
    ShowMessage("Could not record to \"" + FileName + "\": " + std::strerror(e.Code) + ".");
    return false;
  }
  RecordedBytes.store(0);
  RecordingFault.store(0);
  Recording.store(true);
  return true;
}

void AppendRecording(const int16_t* Block) {
  if (!Recording.load()) return;
  std::lock_guard lk(g_streamLock);
  if (!Recording.load() || !RecordStream) return;
  const int32_t bytes = RecordedBytes.load(std::memory_order_relaxed);
  // A full recording keeps its header true: whole blocks only, and no wrap of the count.
  if (bytes > MaxRecordedBytes - RecordBlockBytes || RecordingFault.load() != 0) return;
  errno = 0;
  const int32_t written = RecordStream->Write(Block, RecordBlockBytes);
  if (written < RecordBlockBytes) {
    // The disk is full (or gone): the recording ends at the last whole sample that made it.
    RecordingFault.store(errno ? errno : ENOSPC);
    RecordedBytes.store(bytes + (written & ~1));
    return;
  }
  RecordedBytes.store(bytes + written);
}

int StopRecording() {
  if (!Recording.load()) return 0;
  Recording.store(false);
  TFileStream* stream;
  {
    std::lock_guard lk(g_streamLock);
    stream = RecordStream;
    RecordStream = nullptr;
  }
  if (!stream) return RecordingFault.load();
  const uint32_t bytes = static_cast<uint32_t>(RecordedBytes.load());
  PatchU32(*stream, 4, bytes + 36);
  PatchU32(*stream, 40, bytes);
  delete stream;
  return RecordingFault.load();
}

void RemoveRecordingFile(const std::string& FileName) {
  // A device, a link or anything else the name stood for before stays where it is.
  struct stat st {};
  if (::lstat(FileName.c_str(), &st) == 0 && S_ISREG(st.st_mode)) ::unlink(FileName.c_str());
}

std::string RecordingCutShortText(const std::string& FileName, int Code) {
  return "Recording \"" + FileName + "\" was cut short: " + std::strerror(Code) + ".";
}
