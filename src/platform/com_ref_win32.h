// ComRef: owns one reference to a COM interface and releases it. For the
// Win32 implementations of the platform layer only.
#pragma once

namespace vor::platform {

template <typename T>
class ComRef {
 public:
  ComRef() = default;
  ~ComRef() {
    if (p_ != nullptr) p_->Release();
  }
  ComRef(const ComRef&) = delete;
  ComRef& operator=(const ComRef&) = delete;
  T* get() const { return p_; }
  T* operator->() const { return p_; }
  // Where a call that hands out a reference stores it; the slot must be
  // empty.
  T** out() { return &p_; }
  void** out_void() { return reinterpret_cast<void**>(&p_); }

 private:
  T* p_ = nullptr;
};

}  // namespace vor::platform
