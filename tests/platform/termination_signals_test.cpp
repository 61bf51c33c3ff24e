// SIGTERM, SIGINT and SIGHUP as a call on the GUI thread while the object lives; the handling
// found before comes back when it goes.
#include "platform/qt/termination_signals.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <QCoreApplication>
#include <QTest>
#include <QThread>
#include <algorithm>

namespace {

void Marker(int) {}

using Handler = void (*)(int);

Handler HandlerOf(int signal) {
  struct sigaction now = {};
  sigaction(signal, nullptr, &now);
  return now.sa_handler;
}

TEST(TerminationSignals, ASignalDuringTheCallIsAnsweredByACallAfterItOnTheGuiThread) {
  int calls = 0, depth = 0, deepest = 0;
  TTerminationSignals termination([&] {
    EXPECT_EQ(QThread::currentThread(), QCoreApplication::instance()->thread());
    ++calls;
    deepest = std::max(deepest, ++depth);
    if (calls == 1) {
      raise(SIGTERM);
      QCoreApplication::processEvents();
    }
    --depth;
  });
  ASSERT_EQ(raise(SIGTERM), 0);
  EXPECT_EQ(calls, 0) << "the handler itself calls nothing";
  EXPECT_TRUE(QTest::qWaitFor([&] { return calls == 2; }, 30000));
  EXPECT_EQ(deepest, 1);
}

TEST(TerminationSignals, PutBackTheHandlingFoundAndLeaveSighupIgnoredByNohup) {
  struct sigaction before[3];
  for (int i = 0; i < 3; ++i) sigaction(TTerminationSignals::kSignals[i], nullptr, &before[i]);
  // A shell starts a background job of a script with SIGINT ignored; Ctrl+C or kill -INT still
  // ends the program properly.
  signal(SIGTERM, &Marker);
  signal(SIGINT, SIG_IGN);
  signal(SIGHUP, SIG_IGN);
  {
    int calls = 0;
    TTerminationSignals termination([&] { ++calls; });
    EXPECT_NE(HandlerOf(SIGTERM), &Marker);
    EXPECT_NE(HandlerOf(SIGINT), SIG_IGN);
    EXPECT_EQ(HandlerOf(SIGHUP), SIG_IGN);
    ASSERT_EQ(raise(SIGHUP), 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(calls, 0);
    ASSERT_EQ(raise(SIGINT), 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return calls == 1; }, 30000));
  }
  EXPECT_EQ(HandlerOf(SIGTERM), &Marker);
  EXPECT_EQ(HandlerOf(SIGINT), SIG_IGN);
  EXPECT_EQ(HandlerOf(SIGHUP), SIG_IGN);
  for (int i = 0; i < 3; ++i) sigaction(TTerminationSignals::kSignals[i], &before[i], nullptr);
}

}  // namespace
