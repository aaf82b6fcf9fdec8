// The four exported entry points of the module.
#include "com/kxComModule.h"

#define KX_EXPORT extern "C" __attribute__((visibility("default")))

KX_EXPORT HRESULT KX_STDCALL DllGetClassObject(const CLSID& clsid, const IID& iid, void** out) {
  try {
    return Kelvane::KxModuleInfo().GetClassObject(clsid, iid, out);
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
