// Threads and processors: priority, affinity mask and processor count over pthreads and sysconf.
#pragma once

#include <sched.h>

#include <cstddef>
#include <stdexcept>

#include "platform/win/types.h"

inline constexpr int THREAD_PRIORITY_NORMAL = 0;
inline constexpr int THREAD_PRIORITY_ABOVE_NORMAL = 1;
inline constexpr int THREAD_PRIORITY_HIGHEST = 2;

struct SYSTEM_INFO {
  DWORD dwPageSize;
  DWORD dwNumberOfProcessors;
};

// A pseudo handle that names the calling thread or process wherever a handle is asked for.
HANDLE GetCurrentThread();
HANDLE GetCurrentProcess();

// The calling process's id.
DWORD GetCurrentProcessId();
// Suspends the calling thread for at least ms milliseconds.
void Sleep(DWORD ms);

// Raises or lowers the calling thread's scheduling priority. Raising needs a privilege that
// an ordinary user lacks on Linux; then the call fails and nothing changes.
BOOL SetThreadPriority(HANDLE thread, int priority);

// The low 64 processors the process may run on, and those of the system.
BOOL GetProcessAffinityMask(HANDLE process, DWORD_PTR* processMask, DWORD_PTR* systemMask);
void GetSystemInfo(SYSTEM_INFO* info);

// A set of processors, numbered as the system numbers them. Empty means no restriction: a new
// thread then runs wherever its creator may.
struct TProcessorSet {
  cpu_set_t Set;
  bool Empty() const { return CPU_COUNT(&Set) == 0; }
};

// Every processor of the process but the given one. Empty when that leaves nothing to choose
// from: the process has a single processor, or the given one is unknown (negative) or not the
// process's.
TProcessorSet ProcessorsBeside(const cpu_set_t& process, int processor);
// The same for the processor the calling thread runs on at this moment.
TProcessorSet ProcessorsBesideCurrent();

// Raised when the system cannot create a thread.
class EThread : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A thread object in the manner of the form library's thread class: a subclass overrides
// Execute, and the thread runs detached on a stack of the given size (0: the system's
// default). A thread not created suspended starts once the most-derived constructor has
// called AfterConstruction, so that Execute never runs on a half-built object. With
// FreeOnTerminate the object deletes itself when Execute returns; the creator must not touch
// it after the start.
class TThread {
 public:
  TThread(bool createSuspended, size_t stackSize = 0);
  virtual ~TThread() = default;
  TThread(const TThread&) = delete;
  TThread& operator=(const TThread&) = delete;

  // Starts a thread created suspended; raises EThread when the system refuses.
  void Start();
  // Before the start: the processors the thread may run on from its first instruction on
  // (empty: wherever its creator may).
  void SetProcessors(const TProcessorSet& processors) { processors_ = processors; }

  bool FreeOnTerminate = false;

 protected:
  virtual void Execute() = 0;
  // The last statement of a most-derived constructor: starts the thread unless suspended.
  void AfterConstruction();

 private:
  static void* ThreadProc(void* self);
  int Create(bool placed);  // pthread_create's result

  bool suspended_;
  bool started_ = false;
  size_t stackSize_;
  TProcessorSet processors_{};
};

// Called on every thread a TThread starts, on that thread, just before Execute; lets tests and
// benchmarks look at threads that code below them starts. Returns the previous hook.
using TThreadStartHook = void (*)(TThread& thread);
TThreadStartHook SetThreadStartHook(TThreadStartHook hook);
