// Identity and lifetime plumbing shared by the fake host objects.
#ifndef KELVANE_FAKES_FAKE_COM_SUPPORT_H
#define KELVANE_FAKES_FAKE_COM_SUPPORT_H

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

}  // namespace Kelvane::Fakes

#endif  // KELVANE_FAKES_FAKE_COM_SUPPORT_H
