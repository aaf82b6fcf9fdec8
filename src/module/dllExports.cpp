// The four exported entry points of the module.
#include "module/myDllInfo.h"

#define KX_EXPORT extern "C" __attribute__((visibility("default")))

// The identifiers arrive by reference in the platform's signature, which is a
// pointer at the binary level; taking pointers lets a null from a host be
// refused instead of dereferenced.
KX_EXPORT HRESULT KX_STDCALL DllGetClassObject(const CLSID* clsid, const IID* iid, void** out) {
  try {
    if (clsid == nullptr || iid == nullptr || out == nullptr) {
      if (out != nullptr) *out = nullptr;
      return E_INVALIDARG;
    }
    return Kelvane::KxModuleInfo().GetClassObject(*clsid, *iid, out);
  } catch (...) {
    return E_FAIL;
  }
}

KX_EXPORT HRESULT KX_STDCALL DllCanUnloadNow() {
  try {
    return Kelvane::KxModuleInfo().CanUnloadNow();
  } catch (...) {
    return S_FALSE;
  }
}

KX_EXPORT HRESULT KX_STDCALL DllRegisterServer() {
  try {
    return Kelvane::KxModuleInfo().RegisterServer();
  } catch (...) {
    return E_FAIL;
  }
}

KX_EXPORT HRESULT KX_STDCALL DllUnregisterServer() {
  try {
    return Kelvane::KxModuleInfo().UnregisterServer();
  } catch (...) {
    return E_FAIL;
  }
}
