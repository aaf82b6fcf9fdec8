// Reference counting shared by the host's component objects.
#ifndef KXHOST_REF_COUNTED_H
#define KXHOST_REF_COUNTED_H

#include <atomic>
#include <cstdint>
#include <initializer_list>

#include "kelvane/kx_lib_sp_xform.h"

namespace Kelvane {

// An object starts with one reference, owned by its creator, and deletes
// itself when the last is released. Counts change atomically because the
// module may call from any of the host's threads. `Derived` befriends this
// class so its destructor can stay private.
template <typename Derived>
class KxRefCounted {
 protected:
  KxRefCounted() = default;
  ~KxRefCounted() = default;

  ULONG addReference() { return count_.fetch_add(1) + 1; }
  ULONG releaseReference() {
    const uint32_t left = count_.fetch_sub(1) - 1;
    if (left == 0) delete static_cast<Derived*>(this);
    return left;
  }

 private:
  std::atomic<uint32_t> count_{1};
};

// Answers `iid` with `self` when it is one of the identities the object has.
template <typename Interface>
HRESULT KxAnswerQuery(Interface* self, const IID& iid, std::initializer_list<const IID*> identities, void** out) {
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

#endif  // KXHOST_REF_COUNTED_H
