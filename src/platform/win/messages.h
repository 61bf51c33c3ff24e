// Window messages: a handle names a window procedure that runs on the GUI thread; messages
// posted to it from any thread are handled there one at a time, in the order they were posted.
// The message pump of the windows wakes the GUI thread for each posted message
// (SetPostedMessageWaker) and has it handle the oldest (DispatchPostedMessage).
#pragma once

#include <functional>

#include "platform/win/types.h"

using WPARAM = UINT_PTR;
using LPARAM = int64_t;
using LRESULT = int64_t;

struct TMessage {
  UINT Msg = 0;
  WPARAM WParam = 0;
  LPARAM LParam = 0;
  LRESULT Result = 0;
};

inline constexpr UINT WM_NULL = 0x0000;
inline constexpr UINT WM_USER = 0x0400;
// Messages of the program's own, WM_APP up to 0xBFFF.
inline constexpr UINT WM_APP = 0x8000;

// A window procedure: handles the message and leaves its result in Result.
using TWndMethod = std::function<void(TMessage&)>;

// A new handle for method. owner is what the handle stands for (a window of the windows' own
// library, or nothing), for the services that need the window itself.
HWND AllocateHWnd(TWndMethod method, void* owner = nullptr);
// The handle is dead from here on: later posts fail and messages still queued for it are
// dropped. A procedure running at the time finishes. Unknown handles are ignored.
void DeallocateHWnd(HWND wnd);
// True while the handle is allocated.
BOOL IsWindow(HWND wnd);
// What AllocateHWnd was given as owner; nullptr for a dead handle.
void* WindowOwner(HWND wnd);

// Queues the message for the handle's procedure; FALSE when the handle is unknown or dead.
// Any thread.
BOOL PostMessageA(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
// What a procedure does with a message it does not handle itself: nothing, result 0.
LRESULT DefWindowProcA(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);

// Called once for every message posted, on the posting thread, so that the GUI thread calls
// DispatchPostedMessage once for it. Returns the previous waker.
using TPostedMessageWaker = void (*)();
TPostedMessageWaker SetPostedMessageWaker(TPostedMessageWaker waker);
// Hands the oldest posted message to its procedure (GUI thread). An exception it raises goes to
// Application.HandleException. False when nothing was queued.
bool DispatchPostedMessage();
// Messages queued and not yet dispatched.
size_t PostedMessagesWaiting();
