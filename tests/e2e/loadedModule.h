// The built module loaded as a host loads it, with its four entry points
// resolved by name. One loaded copy serves every test of the process; a test
// of loading and unloading makes copies of its own.
#ifndef KELVANE_TESTS_E2E_LOADED_MODULE_H
#define KELVANE_TESTS_E2E_LOADED_MODULE_H

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <string>

#include "kelvane/kx_lib_sp_xform.h"

namespace Kelvane {

// The interface `iid` of `object` with a reference for the caller, or null.
template <typename Interface>
Interface* Query(IUnknown* object, const IID& iid) {
  void* out = nullptr;
  return object != nullptr && object->QueryInterface(iid, &out) == S_OK ? static_cast<Interface*>(out) : nullptr;
}

struct LoadedModule {
  // Loads the module; unloading it when destroyed.
  LoadedModule() : handle_(::dlopen(KX_MODULE_PATH, RTLD_NOW | RTLD_LOCAL)) {
    if (handle_ == nullptr) {
      error = ::dlerror();
      return;
    }
    getClassObject = reinterpret_cast<KxDllGetClassObjectFn>(::dlsym(handle_, "DllGetClassObject"));
    canUnloadNow = reinterpret_cast<KxDllCanUnloadNowFn>(::dlsym(handle_, "DllCanUnloadNow"));
    registerServer = reinterpret_cast<KxDllRegisterServerFn>(::dlsym(handle_, "DllRegisterServer"));
    unregisterServer = reinterpret_cast<KxDllUnregisterServerFn>(::dlsym(handle_, "DllUnregisterServer"));
    if (!loaded()) error = "an entry point is missing";
  }
  ~LoadedModule() {
    if (handle_ != nullptr) ::dlclose(handle_);
  }
  LoadedModule(const LoadedModule&) = delete;
  LoadedModule& operator=(const LoadedModule&) = delete;

  // All null when the module could not be loaded.
  KxDllGetClassObjectFn getClassObject = nullptr;
  KxDllCanUnloadNowFn canUnloadNow = nullptr;
  KxDllRegisterServerFn registerServer = nullptr;
  KxDllUnregisterServerFn unregisterServer = nullptr;
  std::string error;  // why the module could not be loaded

  bool loaded() const { return getClassObject && canUnloadNow && registerServer && unregisterServer; }

  // A new stage of class `clsid` made through its class object, as a host
  // makes one: its IKxContentImp with the caller's reference, or null.
  IKxContentImp* createStage(const CLSID& clsid) const {
    IClassFactory* factory = nullptr;
    if (!loaded() || getClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory)) != S_OK) {
      return nullptr;
    }
    IKxContentImp* stage = nullptr;
    if (factory->CreateInstance(nullptr, IID_IKxContentImp, reinterpret_cast<void**>(&stage)) != S_OK) stage = nullptr;
    factory->Release();
    return stage;
  }

  static const LoadedModule& Get() {
    static const LoadedModule module;
    return module;
  }

 private:
  void* handle_;
};

// A test of the loaded module: it starts with the module loaded, and no
// object of the module outlives it.
class LoadedModuleTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(module_.loaded()) << module_.error; }
  void TearDown() override { EXPECT_EQ(module_.canUnloadNow(), S_OK); }

  const LoadedModule& module_ = LoadedModule::Get();
};

}  // namespace Kelvane

#endif  // KELVANE_TESTS_E2E_LOADED_MODULE_H
