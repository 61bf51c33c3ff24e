// Threads and processors: priority, affinity mask and processor count over pthreads and sysconf.
#pragma once

#include "platform/win/types.h"

inline constexpr int THREAD_PRIORITY_NORMAL = 0;
inline constexpr int THREAD_PRIORITY_ABOVE_NORMAL = 1;
inline constexpr int THREAD_PRIORITY_HIGHEST = 2;

struct SYSTEM_INFO {
  DWORD dwPageSize;
  DWORD dwNumberOfProcessors;
};

// A pseudo handle naming the calling thread or process, as on Windows.
HANDLE GetCurrentThread();
HANDLE GetCurrentProcess();

// Raises or lowers the calling thread's scheduling priority. Raising needs a privilege that
// an ordinary user lacks on Linux; then the call fails and nothing changes.
BOOL SetThreadPriority(HANDLE thread, int priority);

// The low 64 processors the process may run on, and those of the system.
BOOL GetProcessAffinityMask(HANDLE process, DWORD_PTR* processMask, DWORD_PTR* systemMask);
void GetSystemInfo(SYSTEM_INFO* info);
