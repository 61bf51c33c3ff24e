#include "platform/win/thread.h"

#include <gtest/gtest.h>
#include <pthread.h>
#include <sched.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <initializer_list>
#include <thread>

namespace {

cpu_set_t Processors(std::initializer_list<int> numbers) {
  cpu_set_t set;
  CPU_ZERO(&set);
  for (int n : numbers) CPU_SET(n, &set);
  return set;
}

cpu_set_t ProcessProcessors() {
  cpu_set_t set;
  CPU_ZERO(&set);
  EXPECT_EQ(sched_getaffinity(getpid(), sizeof(set), &set), 0);
  return set;
}

int FirstOf(const cpu_set_t& set) {
  int n = 0;
  while (!CPU_ISSET(n, &set)) ++n;
  return n;
}

TEST(ProcessorsBeside, LeaveOutOneProcessorOnlyWhenOthersRemain) {
  struct Case {
    cpu_set_t process;
    int processor;
    cpu_set_t expected;  // empty: no restriction
  };
  const Case cases[] = {
      {Processors({0, 1, 2, 3, 4, 5, 6, 7}), 3, Processors({0, 1, 2, 4, 5, 6, 7})},
      {Processors({0, 1}), 0, Processors({1})},
      {Processors({2, 9, 70}), 70, Processors({2, 9})},
      {Processors({5}), 5, Processors({})},
      {Processors({0, 1}), -1, Processors({})},  // the processor is unknown
      {Processors({0, 1}), 4, Processors({})},   // the caller runs outside the process's set
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.processor);
    const TProcessorSet beside = ProcessorsBeside(c.process, c.processor);
    EXPECT_TRUE(CPU_EQUAL(&beside.Set, &c.expected));
    EXPECT_EQ(beside.Empty(), CPU_COUNT(&c.expected) == 0);
  }
}

// A thread that records, on itself, its stack size and the processors it may use.
class TProbeThread : public TThread {
 public:
  TProbeThread(bool suspended, const TProcessorSet* processors = nullptr)
      : TThread(suspended, 4194304) {
    FreeOnTerminate = true;
    if (processors) SetProcessors(*processors);
    AfterConstruction();
  }
  ~TProbeThread() override { Freed = 1; }

  static inline std::atomic<size_t> Stack{0};
  static inline std::atomic<int> Freed{0};
  static inline cpu_set_t Ran;

  static void WaitUntilFreed() {
    while (Freed.load() == 0) std::this_thread::yield();
    Freed = 0;
  }

 protected:
  void Execute() override {
    pthread_attr_t attr;
    size_t size = 0;
    pthread_getattr_np(pthread_self(), &attr);
    pthread_attr_getstacksize(&attr, &size);
    pthread_attr_destroy(&attr);
    CPU_ZERO(&Ran);
    pthread_getaffinity_np(pthread_self(), sizeof(Ran), &Ran);
    Stack = size;
  }
};

TEST(PlatformThread, RunsOnItsStackSizeAfterItsStartAndFreesItself) {
  TProbeThread::Stack = 0;
  new TProbeThread(false);
  TProbeThread::WaitUntilFreed();
  EXPECT_GE(TProbeThread::Stack.load(), size_t{4194304});

  TProbeThread::Stack = 0;
  auto* suspended = new TProbeThread(true);
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(TProbeThread::Stack.load(), 0u);
  suspended->Start();
  TProbeThread::WaitUntilFreed();
  EXPECT_GE(TProbeThread::Stack.load(), size_t{4194304});
}

TEST(PlatformThread, RunsOnlyOnTheProcessorsItWasGiven) {
  const cpu_set_t process = ProcessProcessors();
  const TProcessorSet one{Processors({FirstOf(process)})};
  new TProbeThread(false, &one);
  TProbeThread::WaitUntilFreed();
  EXPECT_TRUE(CPU_EQUAL(&TProbeThread::Ran, &one.Set));

  // A processor the process does not have: the thread still runs, where its creator may.
  const TProcessorSet missing{Processors({CPU_SETSIZE - 1})};
  new TProbeThread(false, &missing);
  TProbeThread::WaitUntilFreed();
  cpu_set_t creator;
  pthread_getaffinity_np(pthread_self(), sizeof(creator), &creator);
  EXPECT_TRUE(CPU_EQUAL(&TProbeThread::Ran, &creator));
}

// The process's processors are its own, whatever the calling thread was confined to.
TEST(PlatformThread, ProcessAffinityIgnoresTheCallersOwn) {
  const cpu_set_t process = ProcessProcessors();
  DWORD_PTR expected = 0;
  for (int i = 0; i < 64; ++i)
    if (CPU_ISSET(i, &process)) expected |= DWORD_PTR{1} << i;
  const cpu_set_t one = Processors({FirstOf(process)});
  DWORD_PTR mask = 0, system = 0;
  std::thread([&] {
    ASSERT_EQ(pthread_setaffinity_np(pthread_self(), sizeof(one), &one), 0);
    EXPECT_TRUE(GetProcessAffinityMask(GetCurrentProcess(), &mask, &system));
  }).join();
  EXPECT_EQ(mask, expected);
}

}  // namespace
