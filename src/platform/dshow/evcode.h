// The event codes of the filter graph's event queue and what their two parameters carry. A
// parameter that is an interface holds a reference, a text is a BSTR and a time a pointer to a
// REFERENCE_TIME in task memory; IMediaEvent::FreeEventParams releases each of them once.
#pragma once

#include "platform/dshow/types.h"

inline constexpr LONG EC_COMPLETE = 0x01;                   // HRESULT; IBaseFilter (renderer)
inline constexpr LONG EC_USERABORT = 0x02;                  // none
inline constexpr LONG EC_ERRORABORT = 0x03;                 // HRESULT
inline constexpr LONG EC_TIME = 0x04;                       // two DWORDs
inline constexpr LONG EC_REPAINT = 0x05;                    // IPin
inline constexpr LONG EC_STREAM_ERROR_STOPPED = 0x06;       // HRESULT; DWORD
inline constexpr LONG EC_STREAM_ERROR_STILLPLAYING = 0x07;  // HRESULT; DWORD
inline constexpr LONG EC_ERROR_STILLPLAYING = 0x08;         // HRESULT
inline constexpr LONG EC_PALETTE_CHANGED = 0x09;            // none
inline constexpr LONG EC_VIDEO_SIZE_CHANGED = 0x0A;         // width (low 16), height (high 16)
inline constexpr LONG EC_QUALITY_CHANGE = 0x0B;             // none
inline constexpr LONG EC_SHUTTING_DOWN = 0x0C;              // none
inline constexpr LONG EC_CLOCK_CHANGED = 0x0D;              // none
inline constexpr LONG EC_PAUSED = 0x0E;                     // HRESULT
inline constexpr LONG EC_OPENING_FILE = 0x10;               // BOOL
inline constexpr LONG EC_BUFFERING_DATA = 0x11;             // BOOL
inline constexpr LONG EC_FULLSCREEN_LOST = 0x12;            // none; IBaseFilter
inline constexpr LONG EC_ACTIVATE = 0x13;                   // BOOL; IBaseFilter
inline constexpr LONG EC_NEED_RESTART = 0x14;               // none
inline constexpr LONG EC_WINDOW_DESTROYED = 0x15;           // IBaseFilter
inline constexpr LONG EC_DISPLAY_CHANGED = 0x16;            // IPin
inline constexpr LONG EC_STARVATION = 0x17;                 // none
inline constexpr LONG EC_OLE_EVENT = 0x18;                  // BSTR; BSTR
inline constexpr LONG EC_NOTIFY_WINDOW = 0x19;              // window handle
inline constexpr LONG EC_STREAM_CONTROL_STOPPED = 0x1A;     // IPin; DWORD cookie
inline constexpr LONG EC_STREAM_CONTROL_STARTED = 0x1B;     // IPin; DWORD cookie
inline constexpr LONG EC_END_OF_SEGMENT = 0x1C;             // REFERENCE_TIME*; DWORD
inline constexpr LONG EC_SEGMENT_STARTED = 0x1D;            // REFERENCE_TIME*; DWORD
inline constexpr LONG EC_LENGTH_CHANGED = 0x1E;             // none
inline constexpr LONG EC_DEVICE_LOST = 0x1F;    // IUnknown (the device's filter); 0 gone, 1 back
inline constexpr LONG EC_STEP_COMPLETE = 0x24;  // BOOL
inline constexpr LONG EC_TIMECODE_AVAILABLE = 0x30;     // IBaseFilter; DWORD device id
inline constexpr LONG EC_EXTDEVICE_MODE_CHANGE = 0x31;  // DWORD mode; DWORD device id
inline constexpr LONG EC_GRAPH_CHANGED = 0x50;          // none
inline constexpr LONG EC_CLOCK_UNSET = 0x51;            // none
inline constexpr LONG EC_VMR_RENDERDEVICE_SET = 0x53;   // LONG
inline constexpr LONG EC_SNDDEV_IN_ERROR = 0x200;       // error kind; DWORD code
inline constexpr LONG EC_SNDDEV_OUT_ERROR = 0x201;      // error kind; DWORD code

// DVD navigation (integers only).
inline constexpr LONG EC_DVDBASE = 0x100;
inline constexpr LONG EC_DVD_DOMAIN_CHANGE = EC_DVDBASE + 0x01;
inline constexpr LONG EC_DVD_TITLE_CHANGE = EC_DVDBASE + 0x02;
inline constexpr LONG EC_DVD_CHAPTER_START = EC_DVDBASE + 0x03;
inline constexpr LONG EC_DVD_AUDIO_STREAM_CHANGE = EC_DVDBASE + 0x04;
inline constexpr LONG EC_DVD_SUBPICTURE_STREAM_CHANGE = EC_DVDBASE + 0x05;
inline constexpr LONG EC_DVD_ANGLE_CHANGE = EC_DVDBASE + 0x06;
inline constexpr LONG EC_DVD_BUTTON_CHANGE = EC_DVDBASE + 0x07;
inline constexpr LONG EC_DVD_VALID_UOPS_CHANGE = EC_DVDBASE + 0x08;
inline constexpr LONG EC_DVD_STILL_ON = EC_DVDBASE + 0x09;
inline constexpr LONG EC_DVD_STILL_OFF = EC_DVDBASE + 0x0A;
inline constexpr LONG EC_DVD_CURRENT_TIME = EC_DVDBASE + 0x0B;
inline constexpr LONG EC_DVD_ERROR = EC_DVDBASE + 0x0C;
inline constexpr LONG EC_DVD_WARNING = EC_DVDBASE + 0x0D;
inline constexpr LONG EC_DVD_CHAPTER_AUTOSTOP = EC_DVDBASE + 0x0E;
inline constexpr LONG EC_DVD_NO_FP_PGC = EC_DVDBASE + 0x0F;
inline constexpr LONG EC_DVD_PLAYBACK_RATE_CHANGE = EC_DVDBASE + 0x10;
inline constexpr LONG EC_DVD_PARENTAL_LEVEL_CHANGE = EC_DVDBASE + 0x11;
inline constexpr LONG EC_DVD_PLAYBACK_STOPPED = EC_DVDBASE + 0x12;
inline constexpr LONG EC_DVD_ANGLES_AVAILABLE = EC_DVDBASE + 0x13;
inline constexpr LONG EC_DVD_PLAYPERIOD_AUTOSTOP = EC_DVDBASE + 0x14;
inline constexpr LONG EC_DVD_BUTTON_AUTO_ACTIVATED = EC_DVDBASE + 0x15;
inline constexpr LONG EC_DVD_CMD_START = EC_DVDBASE + 0x16;
inline constexpr LONG EC_DVD_CMD_END = EC_DVDBASE + 0x17;
inline constexpr LONG EC_DVD_DISC_EJECTED = EC_DVDBASE + 0x18;
inline constexpr LONG EC_DVD_DISC_INSERTED = EC_DVDBASE + 0x19;
inline constexpr LONG EC_DVD_CURRENT_HMSF_TIME = EC_DVDBASE + 0x1A;
inline constexpr LONG EC_DVD_KARAOKE_MODE = EC_DVDBASE + 0x1B;

// What one event parameter holds, for the queue that owns it until FreeEventParams.
enum class TEventParam { Value, Interface, Text, TimePointer };

struct TEventParamKinds {
  TEventParam Param1, Param2;
};

// The kinds of the two parameters of an event code; codes not listed carry plain values.
constexpr TEventParamKinds EventParamKinds(LONG code) {
  using enum TEventParam;
  switch (code) {
    case EC_COMPLETE:
    case EC_FULLSCREEN_LOST:
    case EC_ACTIVATE:
      return {Value, Interface};
    case EC_REPAINT:
    case EC_WINDOW_DESTROYED:
    case EC_DISPLAY_CHANGED:
    case EC_STREAM_CONTROL_STOPPED:
    case EC_STREAM_CONTROL_STARTED:
    case EC_DEVICE_LOST:
    case EC_TIMECODE_AVAILABLE:
      return {Interface, Value};
    case EC_OLE_EVENT:
      return {Text, Text};
    case EC_END_OF_SEGMENT:
    case EC_SEGMENT_STARTED:
      return {TimePointer, Value};
    default:
      return {Value, Value};
  }
}

// Releases what the two parameters of an event hold, by the kinds of its code.
void ReleaseEventParams(LONG code, LONG_PTR param1, LONG_PTR param2);
