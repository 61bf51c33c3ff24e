// A full disk for tests: while a DiskRoom lives, the files of this process may grow to `bytes`
// at most, and a write beyond fails with "File too large" instead of raising SIGXFSZ.
#pragma once

#include <signal.h>
#include <sys/resource.h>

#include <algorithm>

class DiskRoom {
 public:
  explicit DiskRoom(rlim_t bytes) : signal_(signal(SIGXFSZ, SIG_IGN)) {
    getrlimit(RLIMIT_FSIZE, &old_);
    rlimit small = old_;
    small.rlim_cur = std::min(old_.rlim_cur, bytes);
    set_ = setrlimit(RLIMIT_FSIZE, &small) == 0;
  }
  ~DiskRoom() {
    setrlimit(RLIMIT_FSIZE, &old_);
    signal(SIGXFSZ, signal_);
  }
  DiskRoom(const DiskRoom&) = delete;
  DiskRoom& operator=(const DiskRoom&) = delete;

  bool Set() const { return set_; }  // the limit holds

 private:
  rlimit old_{};
  void (*signal_)(int);
  bool set_ = false;
};
