// A value that one thread writes and others read without a lock, on purpose: a reader sees the
// old or the new value, never a torn one. Every access is a relaxed atomic load or store, so
// that ThreadSanitizer knows the sharing is meant; it reads and assigns like the plain value.
#pragma once

#include <atomic>

template <class T>
class TRelaxed {
 public:
  constexpr TRelaxed() noexcept : value_() {}
  constexpr TRelaxed(T value) noexcept : value_(value) {}
  TRelaxed(const TRelaxed&) = delete;

  operator T() const noexcept { return value_.load(std::memory_order_relaxed); }
  TRelaxed& operator=(T value) noexcept {
    value_.store(value, std::memory_order_relaxed);
    return *this;
  }
  TRelaxed& operator=(const TRelaxed& other) noexcept { return *this = static_cast<T>(other); }

 private:
  std::atomic<T> value_;
};
