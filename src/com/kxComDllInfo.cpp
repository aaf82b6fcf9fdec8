#include "com/kxComDllInfo.h"

#include <cstring>
#include <new>

#include "com/kxComClassFactory.h"
#include "com/kxComRegistration.h"
#include "kelvane/kx_exception.h"
#include "kelvane/kx_status.h"
#include "platform/kxModulePath.h"

namespace Kelvane {

KxComDllInfo::~KxComDllInfo() { SetModulePath(nullptr); }

HRESULT KxComDllInfo::GetClassObject(const CLSID& clsid, const IID& iid, void** out) {
  // The interface test comes before the class lookup.
  if (!KxIsEqualGUID(iid, IID_IUnknown) && !KxIsEqualGUID(iid, IID_IClassFactory)) return E_NOINTERFACE;
  const KxComClassEntry* row = classTable_;
  while (row->clsid != nullptr && !KxIsEqualGUID(*row->clsid, clsid)) ++row;
  if (row->clsid == nullptr) return CLASS_E_CLASSNOTAVAILABLE;
  KxComClassFactory* factory = KxNewNoThrow<KxComClassFactory>(row);
  if (factory == nullptr) return E_OUTOFMEMORY;
  IClassFactory* classFactory = factory;
  const HRESULT status = classFactory->QueryInterface(iid, out);
  classFactory->Release();
  return status;
}

HRESULT KxComDllInfo::RegisterServer() { return KxRegisterClasses(classTable_, modulePath_); }

HRESULT KxComDllInfo::UnregisterServer() { return KxUnregisterClasses(classTable_); }

HRESULT KxComDllInfo::CanUnloadNow() {
  if (KxComUnknown::GetLiveObjectCount() != 0) return S_FALSE;
  // A lock count below zero counts as unlocked.
  if (KxComUnknown::GetServerLockCount() > 0) return S_FALSE;
  return S_OK;
}

HRESULT KxComDllInfo::OnAttach() { return S_OK; }

HRESULT KxComDllInfo::OnDetach() { return S_OK; }

void KxComDllInfo::SetModulePath(const char* path) {
  delete[] modulePath_;
  modulePath_ = nullptr;
  if (path == nullptr) return;
  const size_t length = std::strlen(path);
  char* copy = new (std::nothrow) char[length + 1];
  if (copy == nullptr) throw KxUtilException(KX_STATUS_OUT_OF_MEMORY);
  std::memcpy(copy, path, length + 1);
  modulePath_ = copy;
}

bool KxModuleEntry(KxComDllInfo& info, unsigned reason) {
  try {
    if (reason == 1) {
      // The platform's module file name buffer holds 512 characters.
      char path[512];
      KxGetModuleFileName(path, sizeof path);
      info.SetModulePath(path);
      return info.OnAttach() >= 0;
    }
    if (reason == 0) return info.OnDetach() >= 0;
    return false;
  } catch (...) {
    return false;
  }
}

}  // namespace Kelvane
