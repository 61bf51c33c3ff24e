// Writing what the engine plays to a RIFF WAVE file (16-bit PCM, mono, 48000 Hz).
#pragma once

#include <string>

void StartRecording(const std::string& fileName);
void StopRecording();
