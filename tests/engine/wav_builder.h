// Byte-exact RIFF files for the WAV tests, and a temporary folder to write them into.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

namespace wavtest {

inline void Put16(std::string& s, uint32_t v) {
  s += static_cast<char>(v & 0xFF);
  s += static_cast<char>((v >> 8) & 0xFF);
}

inline void Put32(std::string& s, uint32_t v) {
  Put16(s, v & 0xFFFF);
  Put16(s, v >> 16);
}

// A chunk with its id, the size of `data` (or `declaredSize` when given) and a pad byte
// after odd-sized data.
inline std::string Chunk(const char* id, const std::string& data, int64_t declaredSize = -1) {
  std::string s(id, 4);
  Put32(s, declaredSize >= 0 ? static_cast<uint32_t>(declaredSize)
                             : static_cast<uint32_t>(data.size()));
  s += data;
  if (data.size() % 2) s += '\0';
  return s;
}

inline std::string Riff(const std::string& body, const char* form = "WAVE") {
  return Chunk("RIFF", std::string(form, 4) + body);
}

// The 16 bytes every "fmt " chunk starts with.
inline std::string FmtFields(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t blockAlign,
                             uint16_t bits) {
  std::string s;
  Put16(s, tag);
  Put16(s, channels);
  Put32(s, rate);
  Put32(s, rate * blockAlign);
  Put16(s, blockAlign);
  Put16(s, bits);
  return s;
}

// A plain PCM file: "fmt " then "data".
inline std::string PcmWave(uint16_t channels, uint32_t rate, uint16_t bits,
                           const std::string& data) {
  const uint16_t blockAlign = static_cast<uint16_t>(channels * ((bits + 7) / 8));
  return Riff(Chunk("fmt ", FmtFields(1, channels, rate, blockAlign, bits)) + Chunk("data", data));
}

// A 32-bit file of `tag` (IEEE float 3, or any other): an 18-byte "fmt " chunk, no extra bytes.
inline std::string Wave32(uint16_t tag, uint16_t channels, uint32_t rate, const std::string& data) {
  std::string fmt = FmtFields(tag, channels, rate, static_cast<uint16_t>(4 * channels), 32);
  Put16(fmt, 0);
  return Riff(Chunk("fmt ", fmt) + Chunk("data", data));
}

// A 32-bit extensible file whose sub-format GUID starts with `subFormat` (1 PCM, 3 float).
inline std::string Extensible32(uint32_t subFormat, const std::string& data) {
  std::string fmt = FmtFields(0xFFFE, 1, 48000, 4, 32);
  Put16(fmt, 22);
  Put16(fmt, 32);  // valid bits
  Put32(fmt, 4);   // channel mask: front centre
  Put32(fmt, subFormat);
  fmt += std::string("\x00\x00\x10\x00\x80\x00\x00\xaa\x00\x38\x9b\x71", 12);
  return Riff(Chunk("fmt ", fmt) + Chunk("data", data));
}

class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "lumatap-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // Writes `bytes` to a file of that name in the folder and returns its full path.
  std::string Write(const std::string& name, const std::string& bytes) const {
    const std::string file = (path_ / name).string();
    std::ofstream out(file, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + file);
    return file;
  }
  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace wavtest
