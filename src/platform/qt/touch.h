// Touch input: the digitizer probe, the window's registration for touch events, and the touch
// messages a registered window receives. A window handle here is one whose owner is the QWidget
// of the window (AllocateHWnd).
#pragma once

#include "platform/win/messages.h"
#include "platform/win/types.h"

class QTouchEvent;

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

inline constexpr UINT WM_TOUCH = 0x0240;

inline constexpr DWORD TOUCHEVENTF_MOVE = 0x1;
inline constexpr DWORD TOUCHEVENTF_DOWN = 0x2;
inline constexpr DWORD TOUCHEVENTF_UP = 0x4;

using HTOUCHINPUT = HANDLE;
using ULONG_PTR = uint64_t;

// One contact of a touch message; x and y in hundredths of a physical screen pixel.
struct TOUCHINPUT {
  LONG x;
  LONG y;
  HANDLE hSource;
  DWORD dwID;  // stable from the contact's down to its up
  DWORD dwFlags;
  DWORD dwMask;
  DWORD dwTime;
  ULONG_PTR dwExtraInfo;
  DWORD cxContact;
  DWORD cyContact;
};
static_assert(sizeof(TOUCHINPUT) == 48);

struct POINT {
  LONG x;
  LONG y;
};

// Copies up to `count` contacts of an open touch-input handle; fails for an unknown handle or
// a record size other than sizeof(TOUCHINPUT).
BOOL GetTouchInputInfo(HTOUCHINPUT input, UINT count, TOUCHINPUT* inputs, int size);
BOOL CloseTouchInputHandle(HTOUCHINPUT input);
// Physical screen pixels of the window's screen to logical (device-independent) ones.
BOOL PhysicalToLogicalPoint(HWND window, POINT* point);
BOOL ScreenToClient(HWND window, POINT* point);

// Turns a touch event that a registered window received into its WM_TOUCH message: wParam the
// number of contacts, lParam an open touch-input handle that the window must close. Every
// contact the screen still tracks is in the message (pressed: down, moved or resting: move,
// lifted: up); a cancelled sequence lifts every contact that is still down. False, and no
// handle, when the event carries no contact.
bool TouchEventToMessage(HWND window, const QTouchEvent& event, TMessage& message);
// Touch-input handles not yet closed (leak checks).
int OpenTouchInputHandles();
