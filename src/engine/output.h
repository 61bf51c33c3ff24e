// Sound output on the wave-out device: three half-block buffers fed by the device's
// completion callback, in play mode (the voices) or preview mode (the instrument spectrum).
#pragma once

#include <cstdint>

// The engine's defaults, then the recording, import and wave buffers. Once, at start-up.
void InitAudio();
// Stops output and a running recording and frees the buffers. Once, at exit.
void DoneAudio();
// Opens output: mode 1 plays the voices, mode 0 previews the spectrum. Nothing when open.
void StartAudio(int32_t mode);
// Closes output; nothing when closed.
void StopAudio();
