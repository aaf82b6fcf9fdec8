#include "com/kxComRegistration.h"

#include <cstring>

#include "com/kxComRegEntryStore.h"
#include "kelvane/kx_status.h"

namespace Kelvane {

namespace {

// Byte count of a text value: its characters and the terminator.
uint32_t TextSize(const char* text) { return static_cast<uint32_t>(std::strlen(text) + 1); }

// Writes one class key: the server path (with the threading model) and the
// display name when the row has one. Both are written whatever the first
// gives; the result is the first failure.
HRESULT RegisterClass(const KxComClassEntry& row, const char* modulePath) {
  std::unique_ptr<KxComRegEntry> entry = OpenRegEntry(*row.clsid, true);
  if (entry == nullptr) return KX_E_CLASS_KEY;
  const HRESULT path = entry->SetValue("path", modulePath, TextSize(modulePath), false);
  const HRESULT name = row.name != nullptr ? entry->SetValue("name", row.name, TextSize(row.name), false) : S_OK;
  return FAILED(path) ? path : name;
}

}  // namespace

HRESULT KxRegisterClasses(const KxComClassEntry* table, const char* modulePath) {
  try {
    if (table == nullptr) return E_FAIL;
    // Without a module path there is nothing a host could load.
    if (table->clsid != nullptr && (modulePath == nullptr || modulePath[0] == '\0')) return E_FAIL;
    // A value that cannot be written does not keep later classes from being
    // registered; the first such failure is the result. A class key that
    // cannot be created stops the walk (rows written stay written).
    HRESULT firstFailure = S_OK;
    for (const KxComClassEntry* row = table; row->clsid != nullptr; ++row) {
      const HRESULT status = RegisterClass(*row, modulePath);
      if (status == KX_E_CLASS_KEY) return status;
      if (FAILED(status) && SUCCEEDED(firstFailure)) firstFailure = status;
    }
    return firstFailure;
  } catch (...) {
    return E_FAIL;
  }
}

HRESULT KxUnregisterClasses(const KxComClassEntry* table) {
  try {
    if (table == nullptr) return E_FAIL;
    // The result is the last row's (0, or the registry's positive error
    // number, e.g. for a class that was not registered), unless an earlier
    // row's key existed but could not be deleted: that error is kept.
    int32_t last = KX_REG_OK;
    int32_t firstFailure = KX_REG_OK;
    for (const KxComClassEntry* row = table; row->clsid != nullptr; ++row) {
      char path[KX_CLASS_KEY_PATH_SIZE];
      KxClassKeyPath(*row->clsid, path);
      last = KxDeleteRegKeyTree(KxRegClassesRoot(), path);
      if (firstFailure == KX_REG_OK && last != KX_REG_OK && last != KX_REG_ERROR_FILE_NOT_FOUND) firstFailure = last;
    }
    return firstFailure != KX_REG_OK ? firstFailure : last;
  } catch (...) {
    return E_FAIL;
  }
}

}  // namespace Kelvane
