// The module's class table: one row per component class it serves.
#ifndef KELVANE_MODULE_CLASS_TABLE_H
#define KELVANE_MODULE_CLASS_TABLE_H

#include "com/kxComClassEntry.h"

namespace Kelvane {

// Rows in lookup and registration order; ends with a null-clsid row.
extern const KxComClassEntry g_kxClassTable[];

}  // namespace Kelvane

#endif  // KELVANE_MODULE_CLASS_TABLE_H
