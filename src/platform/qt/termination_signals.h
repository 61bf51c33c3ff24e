// The signals that ask the program to end (SIGTERM when the desktop session ends or from kill,
// SIGINT from Ctrl+C in the terminal, SIGHUP when the terminal goes away) turned into a call on
// the GUI thread, so that the program can end through its own close path instead of dying
// where it stands.
#pragma once

#include <signal.h>

#include <functional>
#include <iterator>
#include <memory>

class QSocketNotifier;

// While an object lives, each of the three signals writes one byte into a socket pair and does
// nothing else; Qt's event processing on the GUI thread reads the bytes and calls onSignal once
// for all of them it finds. That happens in the message loop, in a modal dialog's loop and in a
// ProcessMessages alike; a signal that comes while none runs waits for the next. The calls do not
// nest: a signal that comes while onSignal runs is answered by a call after it. SIGHUP ignored
// when the object is made (a program started with nohup) stays ignored. Destruction puts back
// the handling found at construction and closes the sockets.
// One object at a time, made on the GUI thread once the Qt application exists. Without a socket
// pair the signals keep their handling.
class TTerminationSignals {
 public:
  explicit TTerminationSignals(std::function<void()> onSignal);
  ~TTerminationSignals();
  TTerminationSignals(const TTerminationSignals&) = delete;
  TTerminationSignals& operator=(const TTerminationSignals&) = delete;

  // The signals handled: SIGTERM, SIGINT and SIGHUP.
  static constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

 private:
  void Arrived();

  std::function<void()> onSignal_;
  int sockets_[2] = {-1, -1};  // [0] read by the GUI thread, [1] written by the handler
  struct sigaction previous_[std::size(kSignals)] = {};
  bool installed_[std::size(kSignals)] = {};
  std::unique_ptr<QSocketNotifier> notifier_;
};
