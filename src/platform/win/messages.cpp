#include "platform/win/messages.h"

#include <atomic>
#include <deque>
#include <map>
#include <memory>
#include <mutex>

#include "platform/win/application.h"

namespace {

struct Window {
  TWndMethod method;
  void* owner;
};

struct Posted {
  uintptr_t handle;
  TMessage message;
};

// One queue for the GUI thread: messages keep the order they were posted in, whatever their
// handle. Handles count up and are never reused, so a stale one never reaches a new window.
std::mutex g_lock;
std::map<uintptr_t, std::shared_ptr<const Window>> g_windows;
std::deque<Posted> g_queue;
uintptr_t g_lastHandle = 0;
std::atomic<TPostedMessageWaker> g_waker{nullptr};

uintptr_t Key(HWND wnd) { return reinterpret_cast<uintptr_t>(wnd); }

}  // namespace

HWND AllocateHWnd(TWndMethod method, void* owner) {
  auto window = std::make_shared<const Window>(Window{std::move(method), owner});
  std::lock_guard guard(g_lock);
  const uintptr_t handle = ++g_lastHandle;
  g_windows.emplace(handle, std::move(window));
  return reinterpret_cast<HWND>(handle);
}

void DeallocateHWnd(HWND wnd) {
  std::shared_ptr<const Window> dead;  // released outside the lock
  std::lock_guard guard(g_lock);
  const auto it = g_windows.find(Key(wnd));
  if (it == g_windows.end()) return;
  dead = std::move(it->second);
  g_windows.erase(it);
  std::erase_if(g_queue, [wnd](const Posted& p) { return p.handle == Key(wnd); });
}

BOOL IsWindow(HWND wnd) {
  std::lock_guard guard(g_lock);
  return g_windows.count(Key(wnd)) ? TRUE : FALSE;
}

void* WindowOwner(HWND wnd) {
  std::lock_guard guard(g_lock);
  const auto it = g_windows.find(Key(wnd));
  return it == g_windows.end() ? nullptr : it->second->owner;
}

BOOL PostMessageA(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  {
    std::lock_guard guard(g_lock);
    if (!g_windows.count(Key(wnd))) return FALSE;
    g_queue.push_back(Posted{Key(wnd), TMessage{msg, wParam, lParam, 0}});
  }
  if (TPostedMessageWaker wake = g_waker.load()) wake();
  return TRUE;
}

LRESULT DefWindowProcA(HWND, UINT, WPARAM, LPARAM) { return 0; }

TPostedMessageWaker SetPostedMessageWaker(TPostedMessageWaker waker) {
  return g_waker.exchange(waker);
}

bool DispatchPostedMessage() {
  std::shared_ptr<const Window> window;
  TMessage message;
  {
    std::lock_guard guard(g_lock);
    if (g_queue.empty()) return false;
    const Posted posted = g_queue.front();
    g_queue.pop_front();
    const auto it = g_windows.find(posted.handle);
    if (it == g_windows.end()) return true;
    window = it->second;
    message = posted.message;
  }
  // The procedure may post, deallocate its own handle or process messages in turn.
  try {
    if (window->method) window->method(message);
  } catch (...) {
    Application.HandleException(nullptr);
  }
  return true;
}

size_t PostedMessagesWaiting() {
  std::lock_guard guard(g_lock);
  return g_queue.size();
}
