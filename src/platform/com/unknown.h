// The root interface of every COM object: reference counting and the question for another
// interface by its id. ComPtr holds one counted reference; TComObject is the base of our own
// in-process objects (a counter, and QueryInterface over the interfaces it lists).
#pragma once

#include <atomic>
#include <cstddef>
#include <utility>

#include "platform/com/guid.h"

struct IUnknown {
  static constexpr IID iid{0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
  virtual HRESULT QueryInterface(REFIID riid, void** ppv) = 0;
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;

 protected:
  // Objects end through Release, never through a delete of an interface.
  ~IUnknown() = default;
};
inline constexpr IID IID_IUnknown = IUnknown::iid;

// One counted reference to an interface, released when the holder goes.
template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(std::nullptr_t) {}
  // Shares p: adds a reference of its own.
  explicit ComPtr(T* p) : p_(p) {
    if (p_) p_->AddRef();
  }
  ComPtr(const ComPtr& other) : ComPtr(other.p_) {}
  ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  ComPtr& operator=(ComPtr other) noexcept {
    std::swap(p_, other.p_);
    return *this;
  }
  ~ComPtr() { Reset(); }

  T* Get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }

  void Reset() {
    if (T* p = std::exchange(p_, nullptr)) p->Release();
  }
  // Takes over a reference that the caller owns.
  void Attach(T* p) {
    Reset();
    p_ = p;
  }
  // Hands the reference to the caller.
  T* Detach() { return std::exchange(p_, nullptr); }
  // For out parameters: releases what is held and offers the slot.
  T** ReleaseAndGetAddressOf() {
    Reset();
    return &p_;
  }
  void** PutVoid() { return reinterpret_cast<void**>(ReleaseAndGetAddressOf()); }

  template <class U>
  HRESULT As(ComPtr<U>& out) const {
    if (!p_) return E_POINTER;
    return p_->QueryInterface(U::iid, out.PutVoid());
  }

 private:
  T* p_ = nullptr;
};

// Objects of TComObject classes now alive (leak checks).
long ComObjectsAlive();

namespace com_detail {
void CountObject(long delta);

// The interface I or one it derives from (through its Base chain) with the id riid.
template <class I, class Self>
void* FindInterface(Self* self, REFIID riid) {
  I* p = static_cast<I*>(self);
  if (riid == I::iid) return p;
  if constexpr (requires { typename I::Base; })
    return FindInterface<typename I::Base>(p, riid);
  else
    return nullptr;
}
}  // namespace com_detail

// Base of an in-process object implementing Interfaces (each declares its `iid` and, unless it
// derives from IUnknown alone, its `Base`). It is born with one reference, the creator's, and
// deletes itself when the last is released. IUnknown answers with the first interface, so
// identity comparisons hold.
template <class First, class... Rest>
class TComObject : public First, public Rest... {
 public:
  TComObject() { com_detail::CountObject(1); }
  TComObject(const TComObject&) = delete;
  TComObject& operator=(const TComObject&) = delete;

  HRESULT QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = FindOwnInterface(riid);
    if (!*ppv) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  ULONG AddRef() override { return refs_.fetch_add(1) + 1; }
  ULONG Release() override {
    const ULONG left = refs_.fetch_sub(1) - 1;
    if (left == 0) delete this;
    return left;
  }

 protected:
  virtual ~TComObject() { com_detail::CountObject(-1); }

  // The object's own interfaces only; a subclass that answers for more calls this first.
  void* FindOwnInterface(REFIID riid) {
    if (riid == IID_IUnknown) return static_cast<IUnknown*>(static_cast<First*>(this));
    void* found = com_detail::FindInterface<First>(this, riid);
    ((found = found ? found : com_detail::FindInterface<Rest>(this, riid)), ...);
    return found;
  }

 private:
  std::atomic<ULONG> refs_{1};
};
