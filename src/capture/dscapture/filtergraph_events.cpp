// The graph-event side of the filter graph component: the hidden window's procedure drains
// the event queue on the GUI thread and every event goes to OnDSEvent and to the one event
// property of its code, with its parameters decoded as that code defines them.
#include <cstring>

#include "capture/dsaux/dvd.h"
#include "capture/dsaux/errors.h"
#include "capture/dscapture/filtergraph.h"
#include "platform/com/oleauto.h"
#include "platform/dshow/evcode.h"
#include "platform/win/application.h"
#include "platform/win/locale.h"

namespace {

// Integer arguments are the low 32 bits of a parameter.
LONG Low(LONG_PTR Param) { return static_cast<LONG>(static_cast<uint32_t>(Param)); }
DWORD LowUnsigned(LONG_PTR Param) { return static_cast<DWORD>(Param); }

template <class I>
I* Borrowed(LONG_PTR Param) {
  return reinterpret_cast<I*>(Param);
}

std::u16string Text(LONG_PTR Param) {
  return std::u16string(WideView(reinterpret_cast<const OLECHAR*>(Param)));
}

// The English name of a language, up to its first zero character.
std::string LanguageName(LCID Locale) {
  char buffer[260] = {};
  GetLocaleInfoA(Locale, LOCALE_SENGLANGUAGE, buffer, sizeof buffer);
  return std::string(buffer, strnlen(buffer, sizeof buffer));
}

// Two decimal digits of a DVD time code.
LONG Digits(uint8_t Tens, uint8_t Units) { return Tens * 10 + Units; }

}  // namespace

void TFilterGraph::WndProc(TMessage& Message) {
  if (Message.Msg == WM_GRAPHNOTIFY) {
    try {
      HandleEvents();
    } catch (...) {
      Application.HandleException(this);
    }
    return;
  }
  Message.Result = DefWindowProcA(windowHandle_, Message.Msg, Message.WParam, Message.LParam);
}

void TFilterGraph::HandleEvents() {
  // A handler may deactivate the component: the drain keeps its own reference to the queue.
  const ComPtr<IMediaEventEx> events = mediaEvent_;
  if (!events) return;
  LONG code = 0;
  LONG_PTR param1 = 0, param2 = 0;
  while (events->GetEvent(&code, &param1, &param2, 0) == S_OK) {
    try {
      DoEvent(code, param1, param2);
    } catch (...) {
      // What the event's parameters hold is released before the exception goes on.
      events->FreeEventParams(code, param1, param2);
      throw;
    }
    events->FreeEventParams(code, param1, param2);
  }
}

void TFilterGraph::DoEvent(LONG Code, LONG_PTR Param1, LONG_PTR Param2) {
  if (OnDSEvent) OnDSEvent(this, Code, Param1, Param2);
  if (Code <= 0) return;
  DoTypedEvent(Code, Param1, Param2);
}

void TFilterGraph::DoTypedEvent(LONG Code, LONG_PTR Param1, LONG_PTR Param2) {
  // Calls the property when assigned.
  const auto fire = [this](const auto& handler, auto&&... args) {
    if (handler) handler(this, std::forward<decltype(args)>(args)...);
  };
  switch (Code) {
    // ---- graph events ----
    case EC_COMPLETE:
      return fire(OnGraphComplete, Low(Param1), Borrowed<IBaseFilter>(Param2));
    case EC_USERABORT:
      return fire(OnGraphUserAbort);
    case EC_ERRORABORT:
      return fire(OnGraphErrorAbort, Low(Param1));
    case EC_STREAM_ERROR_STOPPED:
      return fire(OnGraphStreamErrorStopped, Low(Param1), LowUnsigned(Param2));
    case EC_STREAM_ERROR_STILLPLAYING:
      return fire(OnGraphStreamErrorStillPlaying, Low(Param1), LowUnsigned(Param2));
    case EC_ERROR_STILLPLAYING:
      return fire(OnGraphErrorStillPlaying, Low(Param1));
    case EC_PALETTE_CHANGED:
      return fire(OnGraphPaletteChanged);
    case EC_VIDEO_SIZE_CHANGED:
      return fire(OnGraphVideoSizeChanged, static_cast<WORD>(Param1 & 0xFFFF),
                  static_cast<WORD>((Param1 >> 16) & 0xFFFF));
    case EC_QUALITY_CHANGE:
      return fire(OnGraphQualityChange);
    case EC_CLOCK_CHANGED:
      return fire(OnGraphClockChanged);
    case EC_PAUSED:
      return fire(OnGraphPaused, Low(Param1));
    case EC_OPENING_FILE:
      return fire(OnGraphOpeningFile, Param1 == 1);
    case EC_BUFFERING_DATA:
      return fire(OnGraphBufferingData, Param1 == 1);
    case EC_FULLSCREEN_LOST:
      return fire(OnGraphFullscreenLost, Borrowed<IBaseFilter>(Param2));
    case EC_OLE_EVENT:
      if (OnGraphOleEvent) OnGraphOleEvent(this, Text(Param1), Text(Param2));
      return;
    case EC_STREAM_CONTROL_STOPPED:
      return fire(OnGraphStreamControlStopped, Borrowed<IPin>(Param1), LowUnsigned(Param2));
    case EC_STREAM_CONTROL_STARTED:
      return fire(OnGraphStreamControlStarted, Borrowed<IPin>(Param1), LowUnsigned(Param2));
    case EC_END_OF_SEGMENT: {
      if (!OnGraphEndOfSegment) return;
      const auto* time = reinterpret_cast<const REFERENCE_TIME*>(Param1);
      return fire(OnGraphEndOfSegment, time ? *time : REFERENCE_TIME{0}, LowUnsigned(Param2));
    }
    case EC_DEVICE_LOST:
      return fire(OnGraphDeviceLost, Borrowed<IUnknown>(Param1), Param2 == 1);
    case EC_STEP_COMPLETE:
      return fire(OnGraphStepComplete);
    case EC_TIMECODE_AVAILABLE:
      return fire(OnGraphTimeCodeAvailable, Borrowed<IBaseFilter>(Param1), LowUnsigned(Param2));
    case EC_EXTDEVICE_MODE_CHANGE:
      return fire(OnGraphEXTDeviceModeChange, LowUnsigned(Param1), LowUnsigned(Param2));
    case EC_GRAPH_CHANGED:
      return fire(OnGraphChanged);
    case EC_CLOCK_UNSET:
      return fire(OnGraphClockUnset);
    case EC_VMR_RENDERDEVICE_SET:
      return fire(OnGraphVMRRenderDevice, Low(Param1));
    case EC_SNDDEV_IN_ERROR:
      return fire(OnGraphSNDDevInError, static_cast<SND_DEVICE_ERROR>(Low(Param1)),
                  LowUnsigned(Param2));
    case EC_SNDDEV_OUT_ERROR:
      return fire(OnGraphSNDDevOutError, static_cast<SND_DEVICE_ERROR>(Low(Param1)),
                  LowUnsigned(Param2));

    // ---- DVD events ----
    case EC_DVD_DOMAIN_CHANGE: {
      const TNotifyEvent* domains[] = {&OnDVDDomainFirstPlay, &OnDVDDomainVideoManagerMenu,
                                       &OnDVDDomainVideoTitleSetMenu, &OnDVDDomainTitle,
                                       &OnDVDDomainStop};
      if (const LONG i = Low(Param1); i >= 1 && i <= 5) fire(*domains[i - 1]);
      return;
    }
    case EC_DVD_TITLE_CHANGE:
      return fire(OnDVDTitleChange, Low(Param1));
    case EC_DVD_CHAPTER_START:
      return fire(OnDVDChapterStart, Low(Param1));
    case EC_DVD_AUDIO_STREAM_CHANGE: {
      if (!OnDVDAudioStreamChange) return;
      ComPtr<IDvdInfo2> info;
      if (FAILED(QueryInterface(IID_IDvdInfo2, info.PutVoid())) || !info) return;
      LCID lcid = 0;
      CheckDSError(info->GetAudioLanguage(LowUnsigned(Param1), &lcid));
      return fire(OnDVDAudioStreamChange, Low(Param1), static_cast<LONG>(lcid), LanguageName(lcid));
    }
    case EC_DVD_SUBPICTURE_STREAM_CHANGE: {
      if (!OnDVDSubpictureStreamChange) return;
      ComPtr<IDvdInfo2> info;
      if (FAILED(QueryInterface(IID_IDvdInfo2, info.PutVoid())) || !info) return;
      // A language that cannot be had is handed on as id 0 with no name.
      LCID lcid = 0;
      std::string name;
      if (SUCCEEDED(info->GetSubpictureLanguage(LowUnsigned(Param1), &lcid)))
        name = LanguageName(lcid);
      else
        lcid = 0;
      return fire(OnDVDSubpictureStreamChange, Low(Param1), static_cast<LONG>(lcid), name);
    }
    case EC_DVD_ANGLE_CHANGE:
      return fire(OnDVDAngleChange, Low(Param1), Low(Param2));
    case EC_DVD_BUTTON_CHANGE:
      return fire(OnDVDButtonChange, Low(Param1), Low(Param2));
    case EC_DVD_VALID_UOPS_CHANGE:
      return fire(OnDVDValidUOPSChange, Low(Param1));
    case EC_DVD_STILL_ON:
      return fire(OnDVDStillOn, Param1 == 1, Low(Param2));
    case EC_DVD_STILL_OFF:
      return fire(OnDVDStillOff);
    case EC_DVD_CURRENT_TIME: {
      const TDsDVDTimecode t = UnpackDVDTimecode(LowUnsigned(Param1));
      const LONG frate = t.FrameRateCode == 1 ? 25 : t.FrameRateCode == 3 ? 30 : 0;
      return fire(OnDVDCurrentTime, Digits(t.Hours10, t.Hours1), Digits(t.Minutes10, t.Minutes1),
                  Digits(t.Seconds10, t.Seconds1), Digits(t.Frames10, t.Frames1), frate);
    }
    case EC_DVD_ERROR: {
      const TNotifyEvent* errors[] = {&OnDVDErrorUnexpected,
                                      &OnDVDErrorCopyProtectFail,
                                      &OnDVDErrorInvalidDVD1_0Disc,
                                      &OnDVDErrorInvalidDiscRegion,
                                      &OnDVDErrorLowParentalLevel,
                                      &OnDVDErrorMacrovisionFail,
                                      &OnDVDErrorIncompatibleSystemAndDecoderRegions,
                                      &OnDVDErrorIncompatibleDiscAndDecoderRegions};
      if (const LONG i = Low(Param1); i >= 1 && i <= 8) fire(*errors[i - 1]);
      return;
    }
    case EC_DVD_WARNING: {
      const TNotifyEvent* warnings[] = {&OnDVDWarningInvalidDVD1_0Disc,
                                        &OnDVDWarningFormatNotSupported,
                                        &OnDVDWarningIllegalNavCommand,
                                        &OnDVDWarningOpen,
                                        &OnDVDWarningSeek,
                                        &OnDVDWarningRead};
      if (const LONG i = Low(Param1); i >= 1 && i <= 6) fire(*warnings[i - 1]);
      return;
    }
    case EC_DVD_CHAPTER_AUTOSTOP:
      return fire(OnDVDChapterAutoStop);
    case EC_DVD_NO_FP_PGC:
      return fire(OnDVDNoFP_PGC);
    case EC_DVD_PLAYBACK_RATE_CHANGE:
      return fire(OnDVDPlaybackRateChange, static_cast<float>(Low(Param1) * 0.0001));
    case EC_DVD_PARENTAL_LEVEL_CHANGE:
      return fire(OnDVDParentalLevelChange, Low(Param1));
    case EC_DVD_PLAYBACK_STOPPED:
      return fire(OnDVDPlaybackStopped);
    case EC_DVD_ANGLES_AVAILABLE:
      return fire(OnDVDAnglesAvailable, Param1 == 1);
    case EC_DVD_PLAYPERIOD_AUTOSTOP:
      return fire(OnDVDPlayPeriodAutoStop);
    case EC_DVD_BUTTON_AUTO_ACTIVATED:
      return fire(OnDVDButtonAutoActivated, LowUnsigned(Param1));
    case EC_DVD_CMD_START:
      return fire(OnDVDCMDStart, LowUnsigned(Param1));
    case EC_DVD_CMD_END:
      return fire(OnDVDCMDEnd, LowUnsigned(Param1));
    case EC_DVD_DISC_EJECTED:
      return fire(OnDVDDiscEjected);
    case EC_DVD_DISC_INSERTED:
      return fire(OnDVDDiscInserted);
    case EC_DVD_CURRENT_HMSF_TIME: {
      tagDVD_HMSF_TIMECODE hmsf;
      const uint32_t bytes = LowUnsigned(Param1);
      std::memcpy(&hmsf, &bytes, sizeof hmsf);
      return fire(OnDVDCurrentHMSFTime, hmsf, UnpackDVDTimecode(LowUnsigned(Param2)));
    }
    case EC_DVD_KARAOKE_MODE:
      return fire(OnDVDKaraokeMode, Param1 != 0);
    default:
      return;
  }
}
