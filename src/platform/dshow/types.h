// The records that travel between filters, pins and their callers: the media type with its
// format block, the video and audio format blocks, times, filter states and the descriptions
// of pins and filters. Layouts are those of 64-bit programs (AM_MEDIA_TYPE 88 bytes,
// VIDEOINFOHEADER 88 with its bitmap header at 48, VIDEOINFOHEADER2 112 with it at 72).
#pragma once

#include <cstddef>

#include "platform/com/unknown.h"
#include "platform/win/gdi.h"
#include "platform/winmm/waveformat.h"

// Times in units of 100 ns.
using REFERENCE_TIME = int64_t;
inline constexpr REFERENCE_TIME UNITS = 10000000;

using LONGLONG = int64_t;
using LONG_PTR = int64_t;
using LPWSTR = WCHAR*;
using LPCWSTR = const WCHAR*;
// A window handle as the event interface passes it.
using OAHWND = LONG_PTR;
using OAEVENT = LONG_PTR;

struct RECT {
  LONG left, top, right, bottom;
};
static_assert(sizeof(RECT) == 16);

struct AM_MEDIA_TYPE {
  GUID majortype;
  GUID subtype;
  BOOL bFixedSizeSamples;
  BOOL bTemporalCompression;
  ULONG lSampleSize;
  GUID formattype;
  IUnknown* pUnk;
  ULONG cbFormat;
  BYTE* pbFormat;  // cbFormat bytes of task memory, owned by the record
};
static_assert(sizeof(AM_MEDIA_TYPE) == 88);
static_assert(offsetof(AM_MEDIA_TYPE, formattype) == 44);
static_assert(offsetof(AM_MEDIA_TYPE, pUnk) == 64);
static_assert(offsetof(AM_MEDIA_TYPE, cbFormat) == 72);
static_assert(offsetof(AM_MEDIA_TYPE, pbFormat) == 80);

struct VIDEOINFOHEADER {
  RECT rcSource;
  RECT rcTarget;
  DWORD dwBitRate;
  DWORD dwBitErrorRate;
  REFERENCE_TIME AvgTimePerFrame;
  BITMAPINFOHEADER bmiHeader;
};
static_assert(sizeof(VIDEOINFOHEADER) == 88);
static_assert(offsetof(VIDEOINFOHEADER, bmiHeader) == 48);

struct VIDEOINFOHEADER2 {
  RECT rcSource;
  RECT rcTarget;
  DWORD dwBitRate;
  DWORD dwBitErrorRate;
  REFERENCE_TIME AvgTimePerFrame;
  DWORD dwInterlaceFlags;
  DWORD dwCopyProtectFlags;
  DWORD dwPictAspectRatioX;
  DWORD dwPictAspectRatioY;
  DWORD dwControlFlags;
  DWORD dwReserved2;
  BITMAPINFOHEADER bmiHeader;
};
static_assert(sizeof(VIDEOINFOHEADER2) == 112);
static_assert(offsetof(VIDEOINFOHEADER2, bmiHeader) == 72);

// The MPEG format blocks begin with a video header; only that leading part is read here.
struct MPEG1VIDEOINFO {
  VIDEOINFOHEADER hdr;
  DWORD dwStartTimeCode;
  DWORD cbSequenceHeader;
  BYTE bSequenceHeader[1];
};

struct MPEG2VIDEOINFO {
  VIDEOINFOHEADER2 hdr;
  DWORD dwStartTimeCode;
  DWORD cbSequenceHeader;
  DWORD dwProfile;
  DWORD dwLevel;
  DWORD dwFlags;
  DWORD dwSequenceHeader[1];
};

enum FILTER_STATE : int32_t { State_Stopped = 0, State_Paused = 1, State_Running = 2 };

enum PIN_DIRECTION : int32_t { PINDIR_INPUT = 0, PINDIR_OUTPUT = 1 };

struct IBaseFilter;
struct IFilterGraph;

inline constexpr size_t MAX_PIN_NAME = 128;
inline constexpr size_t MAX_FILTER_NAME = 128;

// The owning filter is a reference the caller releases.
struct PIN_INFO {
  IBaseFilter* pFilter;
  PIN_DIRECTION dir;
  WCHAR achName[MAX_PIN_NAME];
};

// The graph is a reference the caller releases (null when the filter is in no graph).
struct FILTER_INFO {
  WCHAR achName[MAX_FILTER_NAME];
  IFilterGraph* pGraph;
};

// What a capture pin offers for one of its media types (IAMStreamConfig::GetStreamCaps).
struct SIZE {
  LONG cx, cy;
};
struct VIDEO_STREAM_CONFIG_CAPS {
  GUID guid;  // the format type
  ULONG VideoStandard;
  SIZE InputSize;
  SIZE MinCroppingSize;
  SIZE MaxCroppingSize;
  int CropGranularityX;
  int CropGranularityY;
  int CropAlignX;
  int CropAlignY;
  SIZE MinOutputSize;
  SIZE MaxOutputSize;
  int OutputGranularityX;
  int OutputGranularityY;
  int StretchTapsX;
  int StretchTapsY;
  int ShrinkTapsX;
  int ShrinkTapsY;
  REFERENCE_TIME MinFrameInterval;
  REFERENCE_TIME MaxFrameInterval;
  LONG MinBitsPerSecond;
  LONG MaxBitsPerSecond;
};
static_assert(sizeof(VIDEO_STREAM_CONFIG_CAPS) == 128);
