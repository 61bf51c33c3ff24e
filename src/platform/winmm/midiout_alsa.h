// The sequencer side of MIDI out, open to tests: how one short message becomes a sequencer
// event. Needs no sequencer.
#pragma once

#include <alsa/asoundlib.h>

#include "platform/win/types.h"

// Clears `ev` and sets its type and data from a channel message (note off, note on, key
// pressure, control change, program change, channel pressure, pitch bend); source,
// destination and scheduling are the sender's. A note on with velocity 0 stays a note on.
// False, with `ev` cleared, for anything that is no valid channel message.
bool MidiShortMsgToSeqEvent(DWORD msg, snd_seq_event_t* ev);
