// An owning pointer to a COM interface: the reference is released when the holder goes, so an
// object created for one operation cannot outlive it.
#pragma once

#include <windows.h>

#include <unknwn.h>

#include <utility>

namespace lw {

template <typename T>
class ComRef {
 public:
  ComRef() = default;
  // Holds a reference of its own to an object the caller keeps too.
  explicit ComRef(T* p) : p_(p) {
    if (p_) p_->AddRef();
  }
  ComRef(const ComRef& o) : ComRef(o.p_) {}
  ComRef(ComRef&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  ComRef& operator=(ComRef o) noexcept {
    std::swap(p_, o.p_);
    return *this;
  }
  ~ComRef() { Reset(); }

  // Takes over a reference the caller already holds.
  static ComRef Adopt(T* p) {
    ComRef r;
    r.p_ = p;
    return r;
  }
  T* get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  // Releases what is held and offers the slot to a function that hands out a new reference.
  T** put() {
    Reset();
    return &p_;
  }
  // Hands a new reference to an out parameter.
  template <typename U>
  HRESULT CopyTo(U** out) const {
    if (!out) return E_POINTER;
    *out = p_;
    if (p_) p_->AddRef();
    return S_OK;
  }
  void Reset() {
    if (T* p = std::exchange(p_, nullptr)) p->Release();
  }

 private:
  T* p_ = nullptr;
};

}  // namespace lw
