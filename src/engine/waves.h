// The sound engine: plain procedures over fixed-size global arrays and flags.
// This header gathers the engine's parts; each lives in its own header and source.
#pragma once

#include "engine/host.h"
#include "engine/import.h"
#include "engine/mainnote.h"
#include "engine/mixer.h"
#include "engine/output.h"
#include "engine/recording.h"
#include "engine/instrumentedits.h"
#include "engine/state.h"
#include "engine/tables.h"
#include "engine/voices.h"
#include "engine/wavefile.h"
