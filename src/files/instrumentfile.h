// The instrument file: the spectrum, the main bin, the instrument volume and the playing
// settings in 16480 little-endian bytes. Reading and building work on byte buffers, so that a
// file is checked whole before any of it reaches the editor; the file helpers beside them do
// the disk work and say what went wrong in the system's words.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

inline constexpr int InstrumentBins = 4096;
inline constexpr int32_t InstrumentFileVersion = 1;
inline constexpr size_t InstrumentHeaderBytes = 96;
// As written: one amplitude per bin.
inline constexpr size_t InstrumentFileBytes = InstrumentHeaderBytes + 4 * InstrumentBins;
// Any bin count other than 4096 stores two amplitudes per bin.
inline constexpr size_t PairedInstrumentFileBytes = InstrumentHeaderBytes + 8 * InstrumentBins;

// The volume at the volume bar's right end (Tag 65535), the engine's volume at start-up.
inline constexpr float MaxInstrumentVolume = 63.998046875f;

// The disabled-notes mask: note class k (0 = A ... 11 = G#) is bit value 2 << k; a set bit
// means the note's check box is unchecked.
constexpr uint32_t NoteMaskBit(int k) { return 2u << k; }

// The values of an instrument file, in the file's order.
struct TInstrumentFile {
  // Reading: whether the file sets the main bin (bin counts 4096 and 8192), and to what.
  bool HasMainBin = true;
  int32_t MainBin = 0;
  float Volume = 0.0f;
  int32_t AttackTime = 0;
  int32_t ReleaseTime = 0;
  int32_t LowestPlayingNote = 0;
  int32_t HighestPlayingNote = 0;
  int32_t NoiseReduction = 0;
  int32_t WebCam = 0;
  int32_t PianoMode = 0;  // only 1 means piano mode
  uint32_t DisabledNotes = 0;
  std::array<float, InstrumentBins> Amplitudes{};  // one per bin, pairs already summed
};

enum class TInstrumentRead {
  irLoaded,
  irCorrupted,  // no instrument file, cut short, or holding values no instrument can have
  irNewer,      // written by a newer version of the program
};

// Checks the whole buffer and fills file only when it can be used: the magic ".lmt", a
// version of 1 or less, every byte the bin count asks for, a main bin within the spectrum,
// a volume from 0 to MaxInstrumentVolume and finite amplitudes (pair sums included). Bytes after
// the amplitudes are ignored.
TInstrumentRead ReadInstrumentFile(const uint8_t* data, size_t size, TInstrumentFile& file);

// The 16480 bytes of version 1 with 4096 bins; HasMainBin is not looked at.
std::vector<uint8_t> BuildInstrumentFile(const TInstrumentFile& file);

// Reads at most maxBytes of a file. False with the system's error text in error
// ("Cannot open file "<name>". <text>") when it cannot be opened or read.
bool ReadFileBytes(const std::string& name, size_t maxBytes, std::vector<uint8_t>& bytes,
                   std::string& error);

// Writes bytes into a new file beside name and renames it over name only when all of it is
// on the disk, so a failed save leaves any earlier file of that name as it was. False with the
// system's error text in error ("Cannot create file ..." or "Cannot write file ...").
bool WriteFileReplacing(const std::string& name, const std::vector<uint8_t>& bytes,
                        std::string& error);

// The extension of a path's last component with its dot ("" when it has none).
std::string ExtractFileExt(const std::string& name);
// ASCII letters lower-cased; other bytes stay.
std::string LowerCase(const std::string& text);
