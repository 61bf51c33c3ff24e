// Writing what the engine plays to a RIFF WAVE file (16-bit PCM, mono, 48000 Hz, the canonical
// 44-byte header). Started and stopped on the GUI thread; blocks are appended by the play-mode
// wave-out callback and by the main-note export.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "engine/filestream.h"

// True from a successful start until the stop; appenders test it before every append.
extern std::atomic<bool> Recording;
// The open recording's file, owned by the writer.
extern TFileStream* RecordStream;
// Sample bytes appended since the start.
extern std::atomic<int32_t> RecordedBytes;
// The system's error code of an append that could not write its whole block (a full disk);
// 0 while every block went in. From then on nothing more is appended: the recording is cut
// short there and stays valid. Cleared by a start.
extern std::atomic<int> RecordingFault;

// Appends stop at the last whole block that keeps RecordedBytes (and the header's sizes) exact.
inline constexpr int32_t MaxRecordedBytes = INT32_MAX;
inline constexpr int32_t RecordBlockBytes = 2048;

// Starts recording into FileName, replacing any file of that name. While a recording runs it
// does nothing and returns true (the running recording continues under its own name). When
// the file cannot be created or its header not written, the user is told why in a message
// box, no file is left behind, nothing records, and the result is false.
bool StartRecording(const std::string& FileName);
// Creates the file, keeps it in RecordStream and writes the header with the provisional sizes
// of SampleCount samples. Raises EFCreateError or EWriteError; after a failed header write
// the file is closed and removed again and RecordStream is empty.
void CreateWavFile(const std::string& FileName);
// While recording: appends one block of 1024 samples (2048 bytes) and counts the bytes the
// write took (whole samples; a short write sets RecordingFault). Safe against a concurrent
// StopRecording; waits at most for another append or the stop's hand-over of the stream,
// never for file work of the stop.
void AppendRecording(const int16_t* Block);
// Patches the two sizes from RecordedBytes and closes the file; nothing while idle. Returns
// RecordingFault: not 0 when the recording was cut short, so that the caller can say so.
int StopRecording();
// Removes the file of a recording that failed, when it is a regular file (a device or a link
// of that name stays).
void RemoveRecordingFile(const std::string& FileName);
// "Recording "<name>" was cut short: <system error text>."
std::string RecordingCutShortText(const std::string& FileName, int Code);
