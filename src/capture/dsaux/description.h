// The one-line description of a media type that the video-format list shows:
// "Major Type: <major> - Sub Type: <sub> Format: <format>", each part looked up in fixed
// tables, the format part followed by the video or audio figures of its format block.
#pragma once

#include <string>

#include "platform/dshow/types.h"

// Never fails: unknown GUIDs and tags give fallback texts. A format block is read only when it
// is present (cbFormat not 0, pbFormat set) and at least as long as the structure read from
// it; otherwise the format part is its label alone.
std::string GetMediaTypeDescription(const AM_MEDIA_TYPE* MediaType);

// "RGB", "RLE8", "RLE4", "BITFIELDS" for 0 to 3; else the four bytes, lowest first, as
// characters, ending before the first zero byte.
std::string GetBICompressionName(uint32_t Compression);
