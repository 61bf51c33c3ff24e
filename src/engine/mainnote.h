// Rendering the instrument's main note into a WAV file with the engine's own block
// computation, on the calling thread, while sound output is stopped.
#pragma once

#include <cstdint>
#include <string>

// Note id 1 at the main bin's frequency and volume 0.9, held for attack + 40 blocks and
// released over the release time: (attack + release + 40) blocks, attack and release read
// from the host at the call. A running recording takes the blocks instead and is stopped at
// the end. A file that cannot be created, or a file of its own that is cut short (which is
// then removed), is reported to the user here. Returns 0, or the system's error code when a
// running recording took the note and was cut short: the caller tells the user, naming that
// recording. GUI thread.
int RenderMainNote(const std::string& FileName);
