#include "com/kxComDllInfo.h"

#include <cstring>
#include <new>

#include "com/kxComClassFactory.h"
#include "com/kxComRegistration.h"
#include "kelvane/kx_exception.h"
#include "kelvane/kx_status.h"
#include "platform/kxModulePath.h"
#include "platform/kxRegistry.h"

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

// Each walk holds the store against other walks, in this process or another,
// so registering twice at once leaves one consistent set of keys.
HRESULT KxComDllInfo::RegisterServer() {
  KxRegistryStoreLock wholeStore;
  return KxRegisterClasses(classTable_, modulePath_);
}

HRESULT KxComDllInfo::UnregisterServer() {
  KxRegistryStoreLock wholeStore;
  return KxUnregisterClasses(classTable_);
}

HRESULT KxComDllInfo::CanUnloadNow() {
  if (KxComUnknown::GetLiveObjectCount() != 0) return S_FALSE;
  // A lock count below zero counts as unlocked.
  if (KxComUnknown::GetServerLockCount() > 0) return S_FALSE;
  return S_OK;
}

HRESULT KxComDllInfo::OnAttach() { return S_OK; }

HRESULT KxComDllInfo::OnDetach() { return S_OK; }

void KxComDllInfo::SetModulePath(const char* path) {
  // The copy is made before the old one is freed: `path` may be the stored
  // path itself. When the copy cannot be made the object keeps no path.
  char* copy = nullptr;
  if (path != nullptr) {
    const size_t length = std::strlen(path);
    copy = new (std::nothrow) char[length + 1];
    if (copy != nullptr) std::memcpy(copy, path, length + 1);
  }
  delete[] modulePath_;
  modulePath_ = copy;
  if (path != nullptr && copy == nullptr) throw KxUtilException(KX_STATUS_OUT_OF_MEMORY);
}

bool KxModuleEntry(KxComDllInfo& info, unsigned reason) {
  try {
    if (reason == KX_PROCESS_ATTACH) {
      // The platform's module file name buffer holds 512 characters.
      char path[512];
      KxGetModuleFileName(path, sizeof path);
      info.SetModulePath(path);
      return info.OnAttach() >= 0;
    }
    if (reason == KX_PROCESS_DETACH) return info.OnDetach() >= 0;
    return false;
  } catch (...) {
    return false;
  }
}

}  // namespace Kelvane
