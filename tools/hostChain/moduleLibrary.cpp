#include "hostChain/moduleLibrary.h"

#include <dlfcn.h>

#include <cstdio>

namespace kxhost {

namespace {

const KnownClass kKnownClasses[] = {
    {&CLSID_KxvWatermarkerImp, "Kelvane Watermarker Content Imp"},
    {&CLSID_KxvMultibandSelectorImp, "Kelvane Multiband Selector Content Imp"},
    {&CLSID_KxvPixelReplacerImp, "Kelvane Pixel Replacer Content Imp"},
    {&CLSID_KxvPersistantPixelCache, "Persistant Pixel Cache"},
    {&CLSID_KxvTransposerImp, "Kelvane Transposer Content Imp"},
};

}  // namespace

const KnownClass* KnownClasses(size_t* count) {
  *count = sizeof kKnownClasses / sizeof kKnownClasses[0];
  return kKnownClasses;
}

std::string StatusText(HRESULT status) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(status));
  return text;
}

ModuleLibrary::~ModuleLibrary() {
  if (handle_ == nullptr) return;
  if (canUnloadNow_ != nullptr && canUnloadNow_() == S_OK) dlclose(handle_);
}

bool ModuleLibrary::open(const std::string& path, std::string* error) {
  if (handle_ != nullptr) {
    *error = "a module is already loaded from " + path_;
    return false;
  }
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* reason = dlerror();
    *error = "cannot load module " + path + ": " + (reason != nullptr ? reason : "unknown reason");
    return false;
  }
  // Resolve the entry points; a library without them is not this module.
  auto getClassObject = reinterpret_cast<KxDllGetClassObjectFn>(dlsym(handle, "DllGetClassObject"));
  auto canUnloadNow = reinterpret_cast<KxDllCanUnloadNowFn>(dlsym(handle, "DllCanUnloadNow"));
  auto registerServer = reinterpret_cast<KxDllRegisterServerFn>(dlsym(handle, "DllRegisterServer"));
  auto unregisterServer = reinterpret_cast<KxDllUnregisterServerFn>(dlsym(handle, "DllUnregisterServer"));
  if (getClassObject == nullptr || canUnloadNow == nullptr || registerServer == nullptr ||
      unregisterServer == nullptr) {
    dlclose(handle);
    *error = path + " is not a component module (it lacks one of the four entry points)";
    return false;
  }
  handle_ = handle;
  path_ = path;
  getClassObject_ = getClassObject;
  canUnloadNow_ = canUnloadNow;
  registerServer_ = registerServer;
  unregisterServer_ = unregisterServer;
  return true;
}

HRESULT ModuleLibrary::getClassFactory(const CLSID& clsid, ComPtr<IClassFactory>& factory) const {
  if (getClassObject_ == nullptr) return E_FAIL;
  return getClassObject_(clsid, IID_IClassFactory, factory.putVoid());
}

HRESULT ModuleLibrary::createStage(const CLSID& clsid, ComPtr<IKxContentImp>& stage) const {
  ComPtr<IClassFactory> factory;
  const HRESULT found = getClassFactory(clsid, factory);
  if (FAILED(found)) return found;
  return factory->CreateInstance(nullptr, IID_IKxContentImp, stage.putVoid());
}

HRESULT ModuleLibrary::registerServer() const { return registerServer_ != nullptr ? registerServer_() : E_FAIL; }

HRESULT ModuleLibrary::unregisterServer() const { return unregisterServer_ != nullptr ? unregisterServer_() : E_FAIL; }

}  // namespace kxhost
