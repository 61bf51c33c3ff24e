// Window messages through Qt's loop: order per handle across posting threads, dead handles,
// exceptions of a procedure, and what Application.ProcessMessages handles and what waits.
#include "platform/win/messages.h"

#include <gtest/gtest.h>
#include <qpa/qwindowsysteminterface.h>

#include <QCoreApplication>
#include <QMouseEvent>
#include <QWidget>
#include <atomic>
#include <barrier>
#include <latch>
#include <stdexcept>
#include <thread>
#include <vector>

#include "platform/win/application.h"
#include "support/recording_dialogs.h"

namespace {

// Runs Qt's loop until done() holds; every posted message wakes it, so this ends without a clock.
template <class Done>
void PumpUntil(Done done) {
  while (!done()) QCoreApplication::processEvents();
}

enum class Gui {
  HandlesMeanwhile,
  WaitsForRounds,  // handles nothing until all have posted, one message a thread a round
};

// Threads released together post to two handles, taking turns in pairs; each message carries
// its thread and its sequence number. Every message arrives once, at its handle, in each
// thread's order.
void PostFromThreads(int threads, int each, Gui gui) {
  constexpr int kHandles = 2;
  std::vector<std::pair<WPARAM, LPARAM>> received[kHandles];
  HWND handles[kHandles];
  for (int h = 0; h < kHandles; ++h)
    handles[h] = AllocateHWnd([&received, h](TMessage& m) {
      EXPECT_EQ(m.Msg, WM_APP + 0x17);
      received[h].emplace_back(m.WParam, m.LParam);
    });
  std::atomic<int> refused{0};
  std::latch start(threads + 1);
  std::barrier round(threads);
  std::vector<std::thread> posters;
  for (int t = 0; t < threads; ++t)
    posters.emplace_back([&, t] {
      start.arrive_and_wait();
      for (int i = 0; i < each; ++i) {
        if (gui == Gui::WaitsForRounds && i > 0) round.arrive_and_wait();
        if (!PostMessageA(handles[(t + i / 2) % kHandles], WM_APP + 0x17, t, i)) ++refused;
      }
    });
  start.arrive_and_wait();
  const size_t total = size_t(threads) * each;
  if (gui == Gui::HandlesMeanwhile)
    PumpUntil([&] { return received[0].size() + received[1].size() == total; });
  for (std::thread& t : posters) t.join();
  PumpUntil([&] { return received[0].size() + received[1].size() == total; });
  EXPECT_EQ(refused.load(), 0);
  for (int h = 0; h < kHandles; ++h) {
    std::vector<LPARAM> last(threads, -1);
    for (const auto& [thread, sequence] : received[h]) {
      EXPECT_EQ(int((thread + sequence / 2) % kHandles), h) << "thread " << thread;
      EXPECT_GT(sequence, last[thread]) << "handle " << h << ", thread " << thread;
      last[thread] = sequence;
    }
    DeallocateHWnd(handles[h]);
  }
}

// Nobody drains while they post, so Qt's list of posted events grows several times under the
// posters alone, each growth by whichever thread finds it full. In a round every thread posts
// once: the thread that grew the list posts nothing more before the next growth, so only the
// posting itself can show ThreadSanitizer the order of the two. First of these tests: the list
// keeps the size the others leave it.
TEST(PostedMessages, FromManyThreadsAtOnceWhileTheGuiThreadWaits) {
  PostFromThreads(1024, 2, Gui::WaitsForRounds);
}

TEST(PostedMessages, FromSeveralThreadsInOrderPerHandleWhileTheGuiThreadHandlesThem) {
  PostFromThreads(4, 400, Gui::HandlesMeanwhile);
}

TEST(PostedMessages, ADeallocatedHandleRefusesPostsAndDropsWhatWaits) {
  int handled = 0;
  const HWND wnd = AllocateHWnd([&](TMessage&) { ++handled; });
  EXPECT_TRUE(IsWindow(wnd));
  ASSERT_TRUE(PostMessageA(wnd, WM_APP, 0, 0));
  DeallocateHWnd(wnd);
  EXPECT_FALSE(IsWindow(wnd));
  EXPECT_FALSE(PostMessageA(wnd, WM_APP, 0, 0));
  BOOL fromThread = TRUE;
  std::thread([&] { fromThread = PostMessageA(wnd, WM_APP, 0, 0); }).join();
  EXPECT_FALSE(fromThread);
  EXPECT_EQ(PostedMessagesWaiting(), 0u);
  QCoreApplication::processEvents();
  EXPECT_EQ(handled, 0);
  DeallocateHWnd(wnd);  // twice is harmless
  int notAHandle = 0;
  EXPECT_FALSE(PostMessageA(nullptr, WM_APP, 0, 0));
  EXPECT_FALSE(PostMessageA(&notAHandle, WM_APP, 0, 0));
  EXPECT_EQ(WindowOwner(wnd), nullptr);
  // A procedure that takes its own handle down: what was queued behind is dropped.
  HWND self = nullptr;
  self = AllocateHWnd([&](TMessage&) {
    ++handled;
    DeallocateHWnd(self);
  });
  PostMessageA(self, WM_APP, 0, 0);
  PostMessageA(self, WM_APP, 0, 0);
  PumpUntil([&] { return PostedMessagesWaiting() == 0; });
  EXPECT_EQ(handled, 1);
}

TEST(PostedMessages, AnExceptionOfAProcedureIsShownAndLaterMessagesArrive) {
  RecordingDialogs dialogs;
  std::vector<WPARAM> seen;
  const HWND wnd = AllocateHWnd([&](TMessage& m) {
    seen.push_back(m.WParam);
    if (m.WParam == 1) throw std::runtime_error("Unspecified error. ($80004005).");
    if (m.WParam == 2) throw 42;
  });
  for (WPARAM i = 1; i <= 3; ++i) PostMessageA(wnd, WM_APP + 1, i, 0);
  PumpUntil([&] { return seen.size() == 3; });
  EXPECT_EQ(seen, (std::vector<WPARAM>{1, 2, 3}));
  EXPECT_EQ(dialogs.messages,
            (std::vector<std::string>{"Unspecified error. ($80004005).", "Unknown exception."}));
  DeallocateHWnd(wnd);
}

TEST(ProcessMessages, NestedInAProcedureItHandlesTheNextMessagesInOrder) {
  std::vector<std::pair<WPARAM, int>> seen;  // message, nesting depth
  int depth = 0;
  const HWND wnd = AllocateHWnd([&](TMessage& m) {
    seen.emplace_back(m.WParam, depth);
    if (m.WParam != 1) return;
    ++depth;
    Application.ProcessMessages();
    --depth;
  });
  for (WPARAM i = 1; i <= 3; ++i) PostMessageA(wnd, WM_APP, i, 0);
  PumpUntil([&] { return seen.size() == 3; });
  EXPECT_EQ(seen, (std::vector<std::pair<WPARAM, int>>{{1, 0}, {2, 1}, {3, 1}}));
  DeallocateHWnd(wnd);
}

class ClickCounter : public QWidget {
 public:
  int presses = 0;

 protected:
  void mousePressEvent(QMouseEvent*) override { ++presses; }
};

TEST(ProcessMessages, HandlesAPostedMessageButNotAQueuedClick) {
  ClickCounter window;
  window.resize(100, 100);
  window.show();
  ASSERT_NE(window.windowHandle(), nullptr);
  int handled = 0;
  const HWND wnd = AllocateHWnd([&](TMessage&) { ++handled; });
  // The click waits in the window system's queue, as a real one does while a handler runs.
  const QPointF at(10, 10);
  QWindowSystemInterface::handleMouseEvent<QWindowSystemInterface::AsynchronousDelivery>(
      window.windowHandle(), at, window.mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
      QEvent::MouseButtonPress);
  QWindowSystemInterface::handleMouseEvent<QWindowSystemInterface::AsynchronousDelivery>(
      window.windowHandle(), at, window.mapToGlobal(at), Qt::NoButton, Qt::LeftButton,
      QEvent::MouseButtonRelease);
  PostMessageA(wnd, WM_APP, 0, 0);
  Application.ProcessMessages();
  EXPECT_EQ(handled, 1);
  EXPECT_EQ(window.presses, 0);
  // It stays queued: the next full pass of the window system's events delivers it.
  EXPECT_GT(QWindowSystemInterface::windowSystemEventsQueued(), 0);
  QWindowSystemInterface::sendWindowSystemEvents(QEventLoop::AllEvents);
  EXPECT_EQ(window.presses, 1);
  DeallocateHWnd(wnd);
}

}  // namespace
