#include "platform/win/thread.h"

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <thread>

#include "platform/win/cpu.h"

namespace {
HANDLE const kCurrentThread = reinterpret_cast<HANDLE>(-2);
HANDLE const kCurrentProcess = reinterpret_cast<HANDLE>(-1);
std::atomic<TThreadStartHook> StartHook{nullptr};

// The process's processors are those of its main thread, whose id is the process id; the
// calling thread may have been confined further.
bool ProcessProcessors(cpu_set_t& set) {
  CPU_ZERO(&set);
  return sched_getaffinity(getpid(), sizeof(set), &set) == 0;
}
}  // namespace

HANDLE GetCurrentThread() { return kCurrentThread; }
HANDLE GetCurrentProcess() { return kCurrentProcess; }

DWORD GetCurrentProcessId() { return static_cast<DWORD>(getpid()); }

void Sleep(DWORD ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

BOOL SetThreadPriority(HANDLE thread, int priority) {
  if (thread != kCurrentThread) return FALSE;
  // Windows priority levels step the thread's base priority; on Linux the per-thread nice
  // value does the same job (negative is more urgent).
  const int nice = -5 * priority;
  return setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), nice) == 0 ? TRUE : FALSE;
}

BOOL GetProcessAffinityMask(HANDLE process, DWORD_PTR* processMask, DWORD_PTR* systemMask) {
  if (process != kCurrentProcess || !processMask || !systemMask) return FALSE;
  cpu_set_t set;
  if (!ProcessProcessors(set)) return FALSE;
  DWORD_PTR mask = 0;
  for (int i = 0; i < 64; ++i)
    if (CPU_ISSET(i, &set)) mask |= DWORD_PTR{1} << i;
  *processMask = mask;
  const long online = sysconf(_SC_NPROCESSORS_CONF);
  *systemMask = online >= 64 ? ~DWORD_PTR{0} : ((DWORD_PTR{1} << (online > 0 ? online : 1)) - 1);
  return TRUE;
}

void GetSystemInfo(SYSTEM_INFO* info) {
  const long page = sysconf(_SC_PAGESIZE);
  const long cpus = sysconf(_SC_NPROCESSORS_ONLN);
  info->dwPageSize = page > 0 ? static_cast<DWORD>(page) : 4096;
  info->dwNumberOfProcessors = cpus > 0 ? static_cast<DWORD>(cpus) : 1;
}

TProcessorSet ProcessorsBeside(const cpu_set_t& process, int processor) {
  TProcessorSet beside{};
  CPU_ZERO(&beside.Set);
  if (processor < 0 || processor >= CPU_SETSIZE || !CPU_ISSET(processor, &process) ||
      CPU_COUNT(&process) < 2)
    return beside;
  beside.Set = process;
  CPU_CLR(processor, &beside.Set);
  return beside;
}

TProcessorSet ProcessorsBesideCurrent() {
  cpu_set_t process;
  if (!ProcessProcessors(process)) {
    TProcessorSet none{};
    CPU_ZERO(&none.Set);
    return none;
  }
  return ProcessorsBeside(process, sched_getcpu());
}

TThreadStartHook SetThreadStartHook(TThreadStartHook hook) { return StartHook.exchange(hook); }

TThread::TThread(bool createSuspended, size_t stackSize)
    : suspended_(createSuspended), stackSize_(stackSize) {}

void TThread::AfterConstruction() {
  if (!suspended_) Start();
}

void TThread::Start() {
  // A second start would run Execute twice on one object (and free it twice).
  if (started_) throw EThread("Thread already started");
  suspended_ = false;
  started_ = true;
  int rc = Create(!processors_.Empty());
  // A processor taken away from the process since the set was made: run unplaced instead.
  if (rc == EINVAL && !processors_.Empty()) rc = Create(false);
  if (rc != 0) {
    suspended_ = true;
    started_ = false;
    throw EThread("Thread creation error");
  }
}

int TThread::Create(bool placed) {
  pthread_attr_t attr;
  int rc = pthread_attr_init(&attr);
  if (rc != 0) return rc;
  rc = pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
  if (rc == 0 && stackSize_ != 0) rc = pthread_attr_setstacksize(&attr, stackSize_);
  if (rc == 0 && placed)
    rc = pthread_attr_setaffinity_np(&attr, sizeof(processors_.Set), &processors_.Set);
  pthread_t thread;
  if (rc == 0) rc = pthread_create(&thread, &attr, &TThread::ThreadProc, this);
  pthread_attr_destroy(&attr);
  return rc;
}

void* TThread::ThreadProc(void* self) {
  auto* thread = static_cast<TThread*>(self);
  ClearUpperVectorState();
  if (const TThreadStartHook hook = StartHook.load()) hook(*thread);
  thread->Execute();
  if (thread->FreeOnTerminate) delete thread;
  return nullptr;
}
