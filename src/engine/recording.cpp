#include "engine/recording.h"

// Filled in with the recording writer.
void StartRecording(const std::string&) {}
void StopRecording() {}
