#include "platform/qt/application_qt.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>
#include <atomic>
#include <mutex>

#include "platform/win/application.h"
#include "platform/win/messages.h"

namespace {

const QEvent::Type kPostedMessage = static_cast<QEvent::Type>(QEvent::registerEventType());

// Qt hands a posted event to the GUI thread under a lock of its own that ThreadSanitizer does
// not see; this counter (released by the poster, acquired by the pump) shows it the hand-over.
std::atomic<unsigned> g_wakeups{0};

// Lives on the GUI thread; each wake-up event makes it hand the oldest posted message on.
class TMessagePump : public QObject {
 public:
  bool event(QEvent* e) override {
    g_wakeups.load(std::memory_order_acquire);
    if (e->type() != kPostedMessage) return QObject::event(e);
    DispatchPostedMessage();
    return true;
  }
};

std::atomic<TMessagePump*> g_pump{nullptr};

// Threads that post at the same moment append to one list of Qt's, under Qt's own lock; this
// lock of ours makes their order visible to ThreadSanitizer as well (Qt serialises them anyway).
std::mutex g_posting;

void Wake() {
  // One event per message: Qt delivers them in order, also inside a nested ProcessMessages.
  if (TMessagePump* pump = g_pump.load()) {
    QEvent* wake = new QEvent(kPostedMessage);
    const std::lock_guard posting(g_posting);
    g_wakeups.fetch_add(1, std::memory_order_release);
    QCoreApplication::postEvent(pump, wake);
  }
}

void ProcessMessagesWithoutInput() {
  // Posted messages, timers and paints are handled; user input waits until the running handler
  // has returned, so that a click cannot re-enter the action it interrupts. Posted events are
  // sent first: called from the handling of one, Qt's loop alone would leave those posted
  // before it for later.
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace

void InstallQtApplicationServices() {
  if (!QCoreApplication::instance()) return;
  if (!g_pump.load()) {
    // Never freed: posts from other threads may still arrive while the program ends.
    auto* pump = new TMessagePump;
    pump->moveToThread(QCoreApplication::instance()->thread());
    g_pump.store(pump);
  }
  SetPostedMessageWaker(&Wake);
  SetApplicationMessageProcessor(&ProcessMessagesWithoutInput);
}

void TApplication::Initialize() {
  // Closing the settings or instrument window only hides it; the main window ends the loop.
  QApplication::setQuitOnLastWindowClosed(false);
}

int TApplication::Run() {
  if (MainForm) MainForm->show();
  return QApplication::exec();
}

void TApplication::Terminate() { QCoreApplication::quit(); }
