#include "platform/dshow/events.h"

#include <algorithm>
#include <chrono>

#include "platform/com/com.h"
#include "platform/com/oleauto.h"
#include "platform/dshow/graph_interfaces.h"
#include "platform/win/messages.h"

namespace {

void ReleaseParam(TEventParam kind, LONG_PTR value) {
  if (value == 0) return;
  switch (kind) {
    case TEventParam::Interface:
      reinterpret_cast<IUnknown*>(value)->Release();
      break;
    case TEventParam::Text:
      SysFreeString(reinterpret_cast<BSTR>(value));
      break;
    case TEventParam::TimePointer:
      CoTaskMemFree(reinterpret_cast<void*>(value));
      break;
    case TEventParam::Value:
      break;
  }
}

}  // namespace

void ReleaseEventParams(LONG code, LONG_PTR param1, LONG_PTR param2) {
  const TEventParamKinds kinds = EventParamKinds(code);
  ReleaseParam(kinds.Param1, param1);
  ReleaseParam(kinds.Param2, param2);
}

TEventQueue::~TEventQueue() {
  for (const Event& e : queue_) ReleaseEventParams(e.code, e.param1, e.param2);
  for (const Event& e : handedOut_) ReleaseEventParams(e.code, e.param1, e.param2);
}

HRESULT TEventQueue::Add(LONG code, LONG_PTR param1, LONG_PTR param2) {
  {
    std::lock_guard guard(lock_);
    if (!(flags_ & AM_MEDIAEVENT_NONOTIFY)) {
      queue_.push_back({code, param1, param2});
      // Posted under the lock, so the messages keep the order of the events.
      if (window_)
        PostMessageA(reinterpret_cast<HWND>(window_), static_cast<UINT>(message_), 0,
                     instanceData_);
      added_.notify_all();
      return S_OK;
    }
  }
  ReleaseEventParams(code, param1, param2);
  return S_FALSE;
}

HRESULT TEventQueue::Get(LONG* code, LONG_PTR* param1, LONG_PTR* param2, LONG msTimeout) {
  if (!code || !param1 || !param2) return E_POINTER;
  std::unique_lock guard(lock_);
  const auto ready = [this] { return !queue_.empty(); };
  if (msTimeout < 0)
    added_.wait(guard, ready);
  else if (msTimeout > 0)
    added_.wait_for(guard, std::chrono::milliseconds(msTimeout), ready);
  if (queue_.empty()) {
    *code = 0;
    *param1 = *param2 = 0;
    return E_ABORT;
  }
  const Event e = queue_.front();
  queue_.pop_front();
  handedOut_.push_back(e);
  *code = e.code;
  *param1 = e.param1;
  *param2 = e.param2;
  return S_OK;
}

HRESULT TEventQueue::Free(LONG code, LONG_PTR param1, LONG_PTR param2) {
  {
    std::lock_guard guard(lock_);
    const auto it = std::find(handedOut_.begin(), handedOut_.end(), Event{code, param1, param2});
    // Parameters not handed out (or handed back already) are not ours to release.
    if (it == handedOut_.end()) return E_INVALIDARG;
    handedOut_.erase(it);
  }
  ReleaseEventParams(code, param1, param2);
  return S_OK;
}

HRESULT TEventQueue::SetNotifyWindow(OAHWND window, LONG message, LONG_PTR instanceData) {
  std::lock_guard guard(lock_);
  window_ = window;
  message_ = message;
  instanceData_ = instanceData;
  return S_OK;
}

HRESULT TEventQueue::SetNotifyFlags(LONG flags) {
  if (flags != 0 && flags != AM_MEDIAEVENT_NONOTIFY) return E_INVALIDARG;
  std::deque<Event> dropped;
  {
    std::lock_guard guard(lock_);
    flags_ = flags;
    if (flags & AM_MEDIAEVENT_NONOTIFY) dropped.swap(queue_);
  }
  for (const Event& e : dropped) ReleaseEventParams(e.code, e.param1, e.param2);
  return S_OK;
}

HRESULT TEventQueue::GetNotifyFlags(LONG* flags) {
  if (!flags) return E_POINTER;
  std::lock_guard guard(lock_);
  *flags = flags_;
  return S_OK;
}

size_t TEventQueue::Waiting() {
  std::lock_guard guard(lock_);
  return queue_.size();
}
