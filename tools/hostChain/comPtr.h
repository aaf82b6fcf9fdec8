// ComPtr: the host's owning handle on one interface reference.
#ifndef KX_HOST_CHAIN_COM_PTR_H
#define KX_HOST_CHAIN_COM_PTR_H

#include <utility>

#include "hostChain/kelvaneApi.h"

namespace kxhost {

// Owns exactly one reference to the interface it holds and releases it when
// reset or destroyed. Raw pointers it hands out through get() carry none.
template <typename Interface>
class ComPtr {
 public:
  ComPtr() = default;
  // Adopts a reference the caller already owns.
  explicit ComPtr(Interface* adopted) : ptr_(adopted) {}
  ComPtr(const ComPtr& other) : ptr_(other.ptr_) {
    if (ptr_ != nullptr) ptr_->AddRef();
  }
  ComPtr(ComPtr&& other) noexcept : ptr_(std::exchange(other.ptr_, nullptr)) {}
  ComPtr& operator=(ComPtr other) noexcept {
    std::swap(ptr_, other.ptr_);
    return *this;
  }
  ~ComPtr() { reset(); }

  void reset() {
    if (ptr_ != nullptr) std::exchange(ptr_, nullptr)->Release();
  }
  // Out parameter for calls that return a new reference; drops the old one.
  Interface** put() {
    reset();
    return &ptr_;
  }
  void** putVoid() { return reinterpret_cast<void**>(put()); }

  Interface* get() const { return ptr_; }
  Interface* operator->() const { return ptr_; }
  explicit operator bool() const { return ptr_ != nullptr; }

  // Queries the held object for another interface; null on failure.
  template <typename Other>
  HRESULT queryInto(const IID& iid, ComPtr<Other>& out) const {
    if (ptr_ == nullptr) return E_FAIL;
    return ptr_->QueryInterface(iid, out.putVoid());
  }

 private:
  Interface* ptr_ = nullptr;
};

}  // namespace kxhost

#endif  // KX_HOST_CHAIN_COM_PTR_H
