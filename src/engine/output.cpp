#include "engine/output.h"

#include "engine/tables.h"

// The wave-out device and its buffers come with the output code; until then the engine
// has only its defaults and no device to open.
void InitAudio() { InitAudioDefaults(); }
void DoneAudio() {}
void StartAudio(int32_t) {}
void StopAudio() {}
