#include "platform/win/thread.h"

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "platform/win/cpu.h"

namespace {
HANDLE const kCurrentThread = reinterpret_cast<HANDLE>(-2);
HANDLE const kCurrentProcess = reinterpret_cast<HANDLE>(-1);
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
  CPU_ZERO(&set);
  if (sched_getaffinity(0, sizeof(set), &set) != 0) return FALSE;
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

TThread::TThread(bool createSuspended, size_t stackSize)
    : suspended_(createSuspended), stackSize_(stackSize) {}

void TThread::AfterConstruction() {
  if (!suspended_) Start();
}

void TThread::Start() {
  // A second start would run Execute twice on one object (and free it twice).
  if (started_) throw EThread("Thread already started");
  pthread_attr_t attr;
  if (pthread_attr_init(&attr) != 0) throw EThread("Thread creation error");
  int rc = pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
  if (rc == 0 && stackSize_ != 0) rc = pthread_attr_setstacksize(&attr, stackSize_);
  pthread_t thread;
  if (rc == 0) {
    suspended_ = false;
    started_ = true;
    rc = pthread_create(&thread, &attr, &TThread::ThreadProc, this);
  }
  pthread_attr_destroy(&attr);
  if (rc != 0) {
    suspended_ = true;
    started_ = false;
    throw EThread("Thread creation error");
  }
}

void* TThread::ThreadProc(void* self) {
  auto* thread = static_cast<TThread*>(self);
  ClearUpperVectorState();
  thread->Execute();
  if (thread->FreeOnTerminate) delete thread;
  return nullptr;
}
