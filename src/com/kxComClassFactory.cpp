#include "com/kxComClassFactory.h"

namespace Kelvane {

HRESULT KxComClassFactory::InternalQueryInterface(const IID& iid, void** out) {
  if (out == nullptr) return E_INVALIDARG;
  *out = nullptr;
  if (KxIsEqualGUID(iid, IID_IClassFactory)) return handOut(static_cast<IClassFactory*>(this), out);
  return KxComUnknown::InternalQueryInterface(iid, out);
}

HRESULT KX_STDCALL KxComClassFactory::CreateInstance(IUnknown* outer, const IID& iid, void** out) {
  try {
    // Aggregation hands the outer object the inner object's nondelegating unknown only.
    if (outer != nullptr && !KxIsEqualGUID(iid, IID_IUnknown)) return CLASS_E_NOAGGREGATION;
    INondelegatingUnknown* object = nullptr;
    const HRESULT created = entry_->create(outer, &object);
    if (FAILED(created)) return created;
    // The query takes its own reference; releasing the creation reference
    // leaves the caller with the only one, or destroys a refused object.
    const HRESULT status = object->NondelegatingQueryInterface(iid, out);
    object->NondelegatingRelease();
    return status;
  } catch (...) {
    return E_FAIL;
  }
}

HRESULT KX_STDCALL KxComClassFactory::LockServer(BOOL lock) {
  KxComUnknown::LockServer(lock != 0);
  return S_OK;
}

}  // namespace Kelvane
