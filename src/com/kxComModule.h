// The module's single module-information object and its class table.
#ifndef KELVANE_COM_KX_COM_MODULE_H
#define KELVANE_COM_KX_COM_MODULE_H

#include "com/kxComDllInfo.h"

namespace Kelvane {

// The module information of this module: the class table of its stage
// classes, and the attach/detach hooks.
class MyDllInfo : public KxComDllInfo {
 public:
  constexpr explicit MyDllInfo(const KxComClassEntry* table) : KxComDllInfo(table) {}
  HRESULT OnAttach() override;
  HRESULT OnDetach() override;
};

// The one module-information object of the loaded module.
MyDllInfo& KxModuleInfo();

// The module's class table (ends with a null-clsid row).
extern const KxComClassEntry g_kxClassTable[];

}  // namespace Kelvane

#endif  // KELVANE_COM_KX_COM_MODULE_H
