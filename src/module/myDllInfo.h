// The module's single module-information object: the class table it serves
// and the hooks that run when the module is attached to and detached from a
// process.
#ifndef KELVANE_MODULE_MY_DLL_INFO_H
#define KELVANE_MODULE_MY_DLL_INFO_H

#include "com/kxComDllInfo.h"

namespace Kelvane {

class MyDllInfo : public KxComDllInfo {
 public:
  constexpr explicit MyDllInfo(const KxComClassEntry* table) : KxComDllInfo(table) {}
  HRESULT OnAttach() override;
  HRESULT OnDetach() override;
};

// The one module-information object of the loaded module.
MyDllInfo& KxModuleInfo();

}  // namespace Kelvane

#endif  // KELVANE_MODULE_MY_DLL_INFO_H
