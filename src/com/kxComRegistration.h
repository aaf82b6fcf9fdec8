// Self-registration: writes and removes the class keys of a class table in
// the system registry (a file-backed store on POSIX).
#ifndef KELVANE_COM_KX_COM_REGISTRATION_H
#define KELVANE_COM_KX_COM_REGISTRATION_H

#include "com/kxComClassEntry.h"

namespace Kelvane {

// Registration walk: for each row, the class key with its display name and
// the InprocServer32 subkey with the module path and ThreadingModel "Both".
// KX_E_CLASS_KEY when a class key cannot be created (the walk stops there;
// rows written stay written); otherwise every row is written and the first
// failed value write, if any, is the result.
HRESULT KxRegisterClasses(const KxComClassEntry* table, const char* modulePath);

// Unregistration walk: deletes each row's key tree; the result of the last row.
HRESULT KxUnregisterClasses(const KxComClassEntry* table);

}  // namespace Kelvane

#endif  // KELVANE_COM_KX_COM_REGISTRATION_H
