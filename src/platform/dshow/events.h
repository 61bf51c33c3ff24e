// The filter graph's event queue. Filters add events from their streaming threads; each event
// queued posts the notification message to the window set for it; the GUI thread takes the
// events and hands each one's parameters back once, after which what they hold is released.
// The queue owns the parameters of every event it has queued or handed out and not yet had
// back, and releases them when it ends.
#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>
#include <vector>

#include "platform/dshow/evcode.h"

class TEventQueue {
 public:
  TEventQueue() = default;
  TEventQueue(const TEventQueue&) = delete;
  TEventQueue& operator=(const TEventQueue&) = delete;
  ~TEventQueue();

  // Takes over the parameters. While notifications are off the event is dropped (S_FALSE).
  HRESULT Add(LONG code, LONG_PTR param1, LONG_PTR param2);
  HRESULT Get(LONG* code, LONG_PTR* param1, LONG_PTR* param2, LONG msTimeout);
  HRESULT Free(LONG code, LONG_PTR param1, LONG_PTR param2);
  HRESULT SetNotifyWindow(OAHWND window, LONG message, LONG_PTR instanceData);
  HRESULT SetNotifyFlags(LONG flags);
  HRESULT GetNotifyFlags(LONG* flags);

  // Events queued and not yet taken.
  size_t Waiting();

 private:
  struct Event {
    LONG code;
    LONG_PTR param1, param2;
    bool operator==(const Event&) const = default;
  };

  std::mutex lock_;
  std::condition_variable added_;
  std::deque<Event> queue_;
  std::vector<Event> handedOut_;
  OAHWND window_ = 0;
  LONG message_ = 0;
  LONG_PTR instanceData_ = 0;
  LONG flags_ = 0;
};
