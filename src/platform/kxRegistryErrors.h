// The system error numbers the file-backed registry store returns, apart
// from the store so that its parts (paths, value files) share them without
// including the store itself.
#ifndef KELVANE_PLATFORM_KX_REGISTRY_ERRORS_H
#define KELVANE_PLATFORM_KX_REGISTRY_ERRORS_H

#include <cstdint>

namespace Kelvane {

// System error numbers the store returns.
enum KxRegError : int32_t {
  KX_REG_OK = 0,
  KX_REG_ERROR_FILE_NOT_FOUND = 2,  // key or value does not exist
  KX_REG_ERROR_PATH_NOT_FOUND = 3,  // the store's root cannot be determined
  KX_REG_ERROR_ACCESS_DENIED = 5,   // handle lacks the right, or key has subkeys
  KX_REG_ERROR_INVALID_HANDLE = 6,
  KX_REG_ERROR_OUTOFMEMORY = 14,
  KX_REG_ERROR_INVALID_PARAMETER = 87,
  KX_REG_ERROR_MORE_DATA = 234,      // buffer too small; the size holds what is needed
  KX_REG_ERROR_NO_MORE_ITEMS = 259,  // enumeration index past the last subkey
  KX_REG_ERROR_BADDB = 1009,         // a value file is damaged
  KX_REG_ERROR_IO_FAILED = 1016,     // the file system refused an operation
  KX_REG_ERROR_KEY_DELETED = 1018,   // the key of an open handle was deleted
};

}  // namespace Kelvane

#endif  // KELVANE_PLATFORM_KX_REGISTRY_ERRORS_H
