// A row of a class table and the create-function contract every class follows.
#ifndef KELVANE_COM_KX_COM_CLASS_ENTRY_H
#define KELVANE_COM_KX_COM_CLASS_ENTRY_H

#include "com/kxComUnknown.h"
#include "platform/kxNoThrowNew.h"

namespace Kelvane {

typedef HRESULT (*KxComCreateFunction)(IUnknown* outer, INondelegatingUnknown** out);

// One row; a row whose clsid is null ends the table.
struct KxComClassEntry {
  const CLSID* clsid;
  KxComCreateFunction create;
  const char* name;  // display name written at registration
};

// The create function of class T: allocate and construct (count 1), set the
// outer unknown, run Init. A failing Init destroys the object without a
// Release and gives E_FAIL.
template <typename T>
HRESULT KxComCreate(IUnknown* outer, INondelegatingUnknown** out) {
  if (out == nullptr) return E_INVALIDARG;
  *out = nullptr;
  T* object = nullptr;
  try {
    object = KxNewNoThrow<T>();
  } catch (...) {
    return E_OUTOFMEMORY;
  }
  if (object == nullptr) return E_OUTOFMEMORY;
  object->SetOuterUnknown(outer);
  HRESULT status = E_FAIL;
  try {
    status = object->Init();
  } catch (...) {
    status = E_FAIL;
  }
  if (FAILED(status)) {
    delete object;
    return E_FAIL;
  }
  *out = object->GetNondelegatingUnknown();
  return S_OK;
}

}  // namespace Kelvane

#endif  // KELVANE_COM_KX_COM_CLASS_ENTRY_H
