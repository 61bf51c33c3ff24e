// Copy and release of media-type records. A record owns its format block (task memory) and one
// reference to pUnk; the record itself belongs to its declarer and is never freed here.
#pragma once

#include "platform/dshow/types.h"

// Deep copy of Source into Target (whose old content is not freed): the format block
// duplicated, pUnk given a reference. A failed allocation leaves Target with cbFormat 0 and
// no block. Raises the run-time's assertion failure when Target is Source, or when Source has
// a format length but no block.
void CopyMediaType(AM_MEDIA_TYPE* Target, const AM_MEDIA_TYPE* Source);

// Frees the format block (when cbFormat is not 0) and releases pUnk; leaves the record empty of
// both. An empty record is left alone.
void FreeMediaType(AM_MEDIA_TYPE* MediaType);
