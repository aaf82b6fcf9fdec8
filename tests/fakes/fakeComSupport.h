// Identity and lifetime plumbing shared by the fake host objects.
#ifndef KELVANE_FAKES_FAKE_COM_SUPPORT_H
#define KELVANE_FAKES_FAKE_COM_SUPPORT_H

#include <atomic>
#include <mutex>

#include "kelvane/kx_lib_sp_xform.h"

namespace Kelvane::Fakes {

// Stores `iface` in out with a reference added.
template <typename Interface>
HRESULT FakeHandOut(Interface* iface, void** out) {
  *out = iface;
  iface->AddRef();
  return S_OK;
}

// QueryInterface of an object with one interface: IID_IUnknown and `own`
// both give `iface`; a null out gives E_INVALIDARG.
template <typename Interface>
HRESULT FakeQuerySingle(Interface* iface, const IID& own, const IID& iid, void** out) {
  if (out == nullptr) return E_INVALIDARG;
  *out = nullptr;
  if (!KxIsEqualGUID(iid, IID_IUnknown) && !KxIsEqualGUID(iid, own)) return E_NOINTERFACE;
  return FakeHandOut(iface, out);
}

// A copy of `record` taken while holding `guard`.
template <typename Record>
Record LockedCopy(std::mutex& guard, const Record& record) {
  std::lock_guard<std::mutex> hold(guard);
  return record;
}

// Reference count of a fake object that starts at one (the creator's) and
// deletes the object on its last Release, plus a count of the Derived objects
// alive in the process so tests can prove none leaks.
template <typename Derived, typename... Interfaces>
class FakeRefCounted : public Interfaces... {
 public:
  static int LiveCount() { return live_.load(); }
  ULONG refCount() const { return refs_.load(); }

  ULONG KX_STDCALL AddRef() override { return ++refs_; }
  ULONG KX_STDCALL Release() override {
    const ULONG left = --refs_;
    if (left == 0) delete static_cast<Derived*>(this);
    return left;
  }

 protected:
  FakeRefCounted() { ++live_; }
  ~FakeRefCounted() { --live_; }

 private:
  inline static std::atomic<int> live_{0};
  std::atomic<ULONG> refs_{1};
};

}  // namespace Kelvane::Fakes

#endif  // KELVANE_FAKES_FAKE_COM_SUPPORT_H
