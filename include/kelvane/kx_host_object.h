// Host-side helpers for the objects a host hands to the module (upstream
// sources, loggers, spatial references): a reference count that deletes the
// object on its last release, and a QueryInterface answer over a list of
// identities. The module never uses these; hosts and their tests may.
#ifndef KELVANE_KX_HOST_OBJECT_H
#define KELVANE_KX_HOST_OBJECT_H

#include <atomic>
#include <cstdint>
#include <initializer_list>

#include "kelvane/kx_platform_types.h"

namespace Kelvane {

// Implements AddRef and Release of every interface in `Interfaces`. An
// object starts with one reference, owned by its creator, and deletes itself
// when the last is released. Counts change atomically because the module may
// call from any of the host's threads. `Derived` befriends this class when
// its destructor is private. LiveCount tells how many Derived objects live
// in the process, so a host's tests can prove that none leaks.
template <typename Derived, typename... Interfaces>
class KxHostObject : public Interfaces... {
 public:
  ULONG KX_STDCALL AddRef() override { return refs_.fetch_add(1) + 1; }
  ULONG KX_STDCALL Release() override {
    const ULONG left = refs_.fetch_sub(1) - 1;
    if (left == 0) delete static_cast<Derived*>(this);
    return left;
  }

  ULONG refCount() const { return refs_.load(); }
  static int LiveCount() { return live_.load(); }

 protected:
  KxHostObject() { ++live_; }
  ~KxHostObject() { --live_; }

 private:
  inline static std::atomic<int> live_{0};
  std::atomic<ULONG> refs_{1};
};

// Answers `iid` with `self`, a reference added, when it is one of the
// identities the object has; a null out gives E_INVALIDARG.
template <typename Interface>
HRESULT KxHostAnswerQuery(Interface* self, const IID& iid, std::initializer_list<const IID*> identities, void** out) {
  if (out == nullptr) return E_INVALIDARG;
  *out = nullptr;
  for (const IID* identity : identities) {
    if (KxIsEqualGUID(iid, *identity)) {
      self->AddRef();
      *out = self;
      return S_OK;
    }
  }
  return E_NOINTERFACE;
}

}  // namespace Kelvane

#endif  // KELVANE_KX_HOST_OBJECT_H
