// Touch input: the digitizer probe and the window's registration for touch events.
// A window handle here is the QWidget of the window.
#pragma once

#include "platform/win/types.h"

inline constexpr int SM_DIGITIZER = 94;
inline constexpr int NID_INTEGRATED_TOUCH = 0x01;
inline constexpr int NID_EXTERNAL_TOUCH = 0x02;
inline constexpr int NID_MULTI_INPUT = 0x40;
inline constexpr int NID_READY = 0x80;

inline constexpr ULONG TWF_FINETOUCH = 0x1;
inline constexpr ULONG TWF_WANTPALM = 0x2;

struct GESTURECONFIG {
  DWORD dwID;
  DWORD dwWant;
  DWORD dwBlock;
};

// Only SM_DIGITIZER is answered: a touch screen that tracks more than one point is a
// multi-input digitizer.
int GetSystemMetrics(int index);
BOOL RegisterTouchWindow(HWND window, ULONG flags);
BOOL UnregisterTouchWindow(HWND window);
// Qt recognises gestures only for widgets that ask for them; with nothing wanted, nothing to do.
BOOL SetGestureConfig(HWND window, DWORD reserved, UINT count, const GESTURECONFIG* configs,
                      UINT size);
