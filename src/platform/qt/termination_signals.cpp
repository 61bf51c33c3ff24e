#include "platform/qt/termination_signals.h"

#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <atomic>
#include <cerrno>
#include <utility>

namespace {

// The socket the handler writes to; -1 while no object lives.
std::atomic<int> g_writeSocket{-1};
static_assert(std::atomic<int>::is_always_lock_free, "read inside a signal handler");

// May run on any thread, between any two instructions of it: one write() and nothing else.
// The socket does not block; when it is full, the bytes in it already ask for the call.
void OnTerminationSignal(int) {
  const int savedErrno = errno;
  const char byte = 1;
  const ssize_t written = write(g_writeSocket.load(), &byte, 1);
  (void)written;
  errno = savedErrno;
}

}  // namespace

TTerminationSignals::TTerminationSignals(std::function<void()> onSignal)
    : onSignal_(std::move(onSignal)) {
  // Close-on-exec: a program the desktop opens for us inherits neither end.
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, sockets_) != 0) {
    sockets_[0] = sockets_[1] = -1;
    return;
  }
  g_writeSocket.store(sockets_[1]);
  notifier_ = std::make_unique<QSocketNotifier>(sockets_[0], QSocketNotifier::Read);
  QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { Arrived(); });

  struct sigaction action = {};
  action.sa_handler = &OnTerminationSignal;
  sigemptyset(&action.sa_mask);
  // A system call the signal interrupts, on whichever thread, is restarted instead of failing.
  action.sa_flags = SA_RESTART;
  for (size_t i = 0; i < std::size(kSignals); ++i) {
    if (sigaction(kSignals[i], nullptr, &previous_[i]) != 0) continue;
    // nohup starts a program with SIGHUP ignored so that it outlives its terminal: that stays.
    if (kSignals[i] == SIGHUP && !(previous_[i].sa_flags & SA_SIGINFO) &&
        previous_[i].sa_handler == SIG_IGN)
      continue;
    installed_[i] = sigaction(kSignals[i], &action, nullptr) == 0;
  }
}

TTerminationSignals::~TTerminationSignals() {
  for (size_t i = 0; i < std::size(kSignals); ++i)
    if (installed_[i]) sigaction(kSignals[i], &previous_[i], nullptr);
  notifier_.reset();
  g_writeSocket.store(-1);
  for (int& socket : sockets_) {
    if (socket >= 0) close(socket);
    socket = -1;
  }
}

void TTerminationSignals::Arrived() {
  // While onSignal runs (it may handle events itself) the notifier rests, so that the calls do
  // not nest; bytes written meanwhile wake it again afterwards.
  notifier_->setEnabled(false);
  char bytes[64];
  while (read(sockets_[0], bytes, sizeof bytes) > 0) {
  }
  if (onSignal_) onSignal_();
  notifier_->setEnabled(true);
}
