// The handler types of the filter graph component's event properties: one per kind of
// argument list that a graph or DVD event code carries, each receiving the component first.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "capture/dsaux/dvd.h"
#include "platform/dshow/filter_interfaces.h"
#include "rtl/component.h"

using TNotifyEvent = std::function<void(rtl::TComponent* Sender)>;

// Every event: its code and both parameters at full width.
using TOnDSEvent =
    std::function<void(rtl::TComponent* Sender, LONG Event, LONG_PTR Param1, LONG_PTR Param2)>;

// When a sound device failed (the first argument of the sound device error events).
enum SND_DEVICE_ERROR : int32_t {
  SNDDEV_ERROR_Open = 1,
  SNDDEV_ERROR_Close = 2,
  SNDDEV_ERROR_GetCaps = 3,
  SNDDEV_ERROR_PrepareHeader = 4,
  SNDDEV_ERROR_UnprepareHeader = 5,
  SNDDEV_ERROR_Reset = 6,
  SNDDEV_ERROR_Restart = 7,
  SNDDEV_ERROR_GetPosition = 8,
  SNDDEV_ERROR_Write = 9,
  SNDDEV_ERROR_Pause = 10,
  SNDDEV_ERROR_Stop = 11,
  SNDDEV_ERROR_Start = 12,
  SNDDEV_ERROR_AddBuffer = 13,
  SNDDEV_ERROR_Query = 14,
};

// A DVD time code as hours, minutes, seconds and frames, one byte each.
struct tagDVD_HMSF_TIMECODE {
  uint8_t bHours;
  uint8_t bMinutes;
  uint8_t bSeconds;
  uint8_t bFrames;
};
static_assert(sizeof(tagDVD_HMSF_TIMECODE) == 4);

// Graph events. Interfaces and texts are borrowed for the call.
using TOnGraphComplete =
    std::function<void(rtl::TComponent* Sender, HRESULT Result, IBaseFilter* Renderer)>;
using TOnDSResult = std::function<void(rtl::TComponent* Sender, HRESULT Result)>;
using TOnGraphStreamError =
    std::function<void(rtl::TComponent* Sender, HRESULT Operation, DWORD Value)>;
using TOnGraphVideoSizeChanged =
    std::function<void(rtl::TComponent* Sender, WORD Width, WORD height)>;
using TOnGraphOpeningFile = std::function<void(rtl::TComponent* Sender, bool opening)>;
using TOnGraphBufferingData = std::function<void(rtl::TComponent* Sender, bool Buffering)>;
using TOnGraphFullscreenLost = std::function<void(rtl::TComponent* Sender, IBaseFilter* Renderer)>;
using TOnGraphOleEvent = std::function<void(rtl::TComponent* Sender, const std::u16string& String1,
                                            const std::u16string& String2)>;
using TOnGraphStreamControl =
    std::function<void(rtl::TComponent* Sender, IPin* PinSender, DWORD Cookie)>;
using TOnGraphEndOfSegment =
    std::function<void(rtl::TComponent* Sender, REFERENCE_TIME StreamTime, DWORD NumSegment)>;
using TOnGraphDeviceLost =
    std::function<void(rtl::TComponent* Sender, IUnknown* Device, bool Removed)>;
using TOnGraphTimeCodeAvailable =
    std::function<void(rtl::TComponent* Sender, IBaseFilter* From, DWORD DeviceID)>;
using TOnGraphEXTDeviceModeChange =
    std::function<void(rtl::TComponent* Sender, DWORD NewMode, DWORD DeviceID)>;
using TOnGraphVMRRenderDevice = std::function<void(rtl::TComponent* Sender, LONG RenderDevice)>;
using TOnGraphSNDDevError =
    std::function<void(rtl::TComponent* Sender, SND_DEVICE_ERROR OccurWhen, DWORD ErrorCode)>;

// DVD events.
using TOnDVDAudioStreamChange =
    std::function<void(rtl::TComponent* Sender, LONG stream, LONG lcid, const std::string& Lang)>;
using TOnDVDCurrentTime = std::function<void(rtl::TComponent* Sender, LONG Hours, LONG minutes,
                                             LONG seconds, LONG frames, LONG frate)>;
using TOnDVDTitleChange = std::function<void(rtl::TComponent* Sender, LONG title)>;
using TOnDVDChapterStart = std::function<void(rtl::TComponent* Sender, LONG chapter)>;
using TOnDVDChange = std::function<void(rtl::TComponent* Sender, LONG total, LONG current)>;
using TOnDVDValidUOPSChange = std::function<void(rtl::TComponent* Sender, LONG UOPS)>;
using TOnDVDStillOn =
    std::function<void(rtl::TComponent* Sender, bool NoButtonAvailable, LONG seconds)>;
using TOnDVDSubpictureStreamChange =
    std::function<void(rtl::TComponent* Sender, LONG SubNum, LONG lcid, const std::string& Lang)>;
using TOnDVDPlaybackRateChange = std::function<void(rtl::TComponent* Sender, float rate)>;
using TOnDVDParentalLevelChange = std::function<void(rtl::TComponent* Sender, LONG level)>;
using TOnDVDAnglesAvailable = std::function<void(rtl::TComponent* Sender, bool available)>;
using TOnDVDButtonAutoActivated = std::function<void(rtl::TComponent* Sender, DWORD Button)>;
using TOnDVDCMD = std::function<void(rtl::TComponent* Sender, DWORD CmdID)>;
using TOnDVDCurrentHMSFTime = std::function<void(
    rtl::TComponent* Sender, tagDVD_HMSF_TIMECODE HMSFTimeCode, TDsDVDTimecode TimeCode)>;
using TOnDVDKaraokeMode = std::function<void(rtl::TComponent* Sender, bool Played)>;

// The graph-builder callbacks: True accepts, False declines.
using TOnSelectedFilter =
    std::function<bool(IMoniker* Moniker, const std::u16string& FilterName, const GUID& ClassID)>;
using TOnCreatedFilter = std::function<bool(IBaseFilter* Filter, const GUID& ClassID)>;
using TOnUnableToRender = std::function<bool(IPin* Pin)>;
