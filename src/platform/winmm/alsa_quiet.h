// ALSA prints its own error messages; the program reports a missing sound or MIDI device in
// its own way (or not at all), so they are silenced once for the whole process.
#pragma once

void SilenceAlsaErrors();
