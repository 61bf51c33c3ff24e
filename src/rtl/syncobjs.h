// A critical section: one thread at a time; the thread holding it may enter it again.
#pragma once

#include <mutex>

namespace rtl {

class TCriticalSection {
 public:
  void Acquire() { mutex_.lock(); }
  void Release() { mutex_.unlock(); }
  void Enter() { Acquire(); }
  void Leave() { Release(); }
  bool TryEnter() { return mutex_.try_lock(); }

  // For std::lock_guard and its kin.
  void lock() { Acquire(); }
  void unlock() { Release(); }

 private:
  std::recursive_mutex mutex_;
};

}  // namespace rtl
