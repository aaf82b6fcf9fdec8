// The system registry, as a file-backed store. Each key is a directory under
// the store's root; the values of a key live together in one file inside its
// directory, which is replaced as a whole (write a temporary file, then
// rename) so a reader never sees a half-written set of values.
//
// The store's root is $KX_REGISTRY_ROOT when set, else
// ${XDG_DATA_HOME:-$HOME/.local/share}/kelvane/registry. It stands for the
// classes root (KxRegClassesRoot), the only predefined key the module uses.
// The environment is read whenever a key is opened below the root, so a
// process may move its store between operations.
//
// The operations mirror the platform's registry calls: each returns 0 or a
// positive system error number and never throws. Out parameters are written
// on success only; on KX_REG_ERROR_MORE_DATA the size receives what is needed.
//
// Limits of the stand-in: key and value names are compared case-sensitively;
// only non-volatile keys exist; a key name is 1 to 255 bytes and may not hold
// the path separator '\'.
#ifndef KELVANE_PLATFORM_KX_REGISTRY_H
#define KELVANE_PLATFORM_KX_REGISTRY_H

#include <cstdint>

#include "kelvane/kx_registry_store.h"
#include "platform/kxRegistryErrors.h"

namespace Kelvane {

// Access rights of a key handle.
inline constexpr uint32_t KX_KEY_QUERY_VALUE = 0x0001;
inline constexpr uint32_t KX_KEY_SET_VALUE = 0x0002;
inline constexpr uint32_t KX_KEY_CREATE_SUB_KEY = 0x0004;
inline constexpr uint32_t KX_KEY_ENUMERATE_SUB_KEYS = 0x0008;
inline constexpr uint32_t KX_KEY_READ = 0x20019;
inline constexpr uint32_t KX_KEY_ALL_ACCESS = 0xF003F;

// An open key. Owned by whoever opened it until KxRegCloseKey.
typedef struct KxRegKeyHandle* KxHKEY;

// The predefined classes root; never needs closing (closing it does nothing).
KxHKEY KxRegClassesRoot();

// Opens `subKey` below `parent` (a path of names separated by '\'),
// creating every missing key on the way; creating a key needs the create
// right on its parent handle. An empty or null subKey opens `parent` again.
int32_t KxRegCreateKeyEx(KxHKEY parent, const char* subKey, uint32_t access, KxHKEY* result);

// Opens an existing key; KX_REG_ERROR_FILE_NOT_FOUND when any part is missing.
int32_t KxRegOpenKeyEx(KxHKEY parent, const char* subKey, uint32_t access, KxHKEY* result);

// Name of the subkey at `index` (subkeys in byte order of their names).
// `nameSize` holds the buffer's size in bytes and receives the name's length
// without the terminator (with it, when the buffer is too small).
int32_t KxRegEnumKeyEx(KxHKEY key, uint32_t index, char* name, uint32_t* nameSize);

// Deletes the key `subKey` below `parent` with its values. A key that still
// has subkeys is not deleted (KX_REG_ERROR_ACCESS_DENIED).
int32_t KxRegDeleteKey(KxHKEY parent, const char* subKey);

// Writes a value; a null or empty name is the key's default value.
int32_t KxRegSetValueEx(KxHKEY key, const char* valueName, uint32_t type, const void* data, uint32_t size);

// Reads a value. With null data only its type and size are returned; `size`
// holds the buffer's size and receives the value's byte count.
int32_t KxRegQueryValueEx(KxHKEY key, const char* valueName, uint32_t* type, void* data, uint32_t* size);

// Closes a handle.
int32_t KxRegCloseKey(KxHKEY key);

// Holds the whole store against every other holder of this lock, in any
// process or thread, from construction to destruction: an operation that
// writes several keys (registering the module's classes) takes it, so that
// two at once leave one consistent set of keys. Waits without a time limit.
// When the store's root cannot be made or locked it holds nothing, and the
// writes run as they would without it.
class KxRegistryStoreLock {
 public:
  KxRegistryStoreLock();
  ~KxRegistryStoreLock();
  KxRegistryStoreLock(const KxRegistryStoreLock&) = delete;
  KxRegistryStoreLock& operator=(const KxRegistryStoreLock&) = delete;

  bool held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;  // the open lock file, locked; -1 when nothing is held
};

}  // namespace Kelvane

#endif  // KELVANE_PLATFORM_KX_REGISTRY_H
