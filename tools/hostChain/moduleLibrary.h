// ModuleLibrary: the module as a host sees it — a shared object opened with
// dlopen whose classes are reached only through DllGetClassObject.
#ifndef KX_HOST_CHAIN_MODULE_LIBRARY_H
#define KX_HOST_CHAIN_MODULE_LIBRARY_H

#include <string>

#include "hostChain/comPtr.h"
#include "hostChain/kelvaneApi.h"

namespace kxhost {

// One class the module is known to serve, with its display name.
struct KnownClass {
  const CLSID* clsid;
  const char* name;
};

// The five classes of the module, in the module's class-table order.
const KnownClass* KnownClasses(size_t* count);

// Owns the dlopen handle. Every object created from the module must be
// released before this is destroyed; the library is unloaded only when the
// module agrees (DllCanUnloadNow), otherwise it stays mapped rather than
// pulling code from under a live object.
class ModuleLibrary {
 public:
  ModuleLibrary() = default;
  ModuleLibrary(const ModuleLibrary&) = delete;
  ModuleLibrary& operator=(const ModuleLibrary&) = delete;
  ~ModuleLibrary();

  // Loads the module and resolves its entry points; false with a one-line
  // reason in `error`.
  bool open(const std::string& path, std::string* error);
  bool isOpen() const { return handle_ != nullptr; }
  const std::string& path() const { return path_; }

  // The class object for `clsid`; the module's status otherwise.
  HRESULT getClassFactory(const CLSID& clsid, ComPtr<IClassFactory>& factory) const;
  // A new, non-aggregated stage answering IKxContentImp.
  HRESULT createStage(const CLSID& clsid, ComPtr<IKxContentImp>& stage) const;
  // The module's DllRegisterServer and DllUnregisterServer.
  HRESULT registerServer() const;
  HRESULT unregisterServer() const;

 private:
  void* handle_ = nullptr;
  std::string path_;
  KxDllGetClassObjectFn getClassObject_ = nullptr;
  KxDllCanUnloadNowFn canUnloadNow_ = nullptr;
  KxDllRegisterServerFn registerServer_ = nullptr;
  KxDllUnregisterServerFn unregisterServer_ = nullptr;
};

// "0x80040111"-style text of a status, for messages.
std::string StatusText(HRESULT status);

}  // namespace kxhost

#endif  // KX_HOST_CHAIN_MODULE_LIBRARY_H
