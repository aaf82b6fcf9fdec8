// The class object handed out by DllGetClassObject: creates instances of one
// class-table row, optionally aggregated.
#ifndef KELVANE_COM_KX_COM_CLASS_FACTORY_H
#define KELVANE_COM_KX_COM_CLASS_FACTORY_H

#include "com/kxComClassEntry.h"

namespace Kelvane {

class KxComClassFactory : public KxComUnknown, public IClassFactory {
 public:
  explicit KxComClassFactory(const KxComClassEntry* entry) : entry_(entry) {}

  KX_DELEGATE_IUNKNOWN_TO_OUTER

  HRESULT InternalQueryInterface(const IID& iid, void** out) override;

  HRESULT KX_STDCALL CreateInstance(IUnknown* outer, const IID& iid, void** out) override;
  HRESULT KX_STDCALL LockServer(BOOL lock) override;

 private:
  const KxComClassEntry* entry_;  // not owned; a row of a static class table
};

}  // namespace Kelvane

#endif  // KELVANE_COM_KX_COM_CLASS_FACTORY_H
