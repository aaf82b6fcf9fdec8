// 64-bit file offsets and inode numbers on 32-bit targets too: without them
// stat and readdir fail with EOVERFLOW on large file systems.
#define _FILE_OFFSET_BITS 64

#include "platform/kxRegistry.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "platform/kxRegistryPaths.h"
#include "platform/kxRegistryValueFile.h"

namespace Kelvane {

// An open key: the directory of the key and the rights it was opened with.
// The predefined root has no directory of its own; it is looked up in the
// environment on every use.
struct KxRegKeyHandle {
  bool predefined;
  uint32_t access;
  std::string directory;
};

namespace {

KxRegKeyHandle g_classesRoot{true, KX_KEY_ALL_ACCESS, std::string()};

// Runs a registry operation; an exception becomes an error number.
template <typename Operation>
int32_t Guarded(Operation operation) noexcept {
  try {
    return operation();
  } catch (const std::bad_alloc&) {
    return KX_REG_ERROR_OUTOFMEMORY;
  } catch (...) {
    return KX_REG_ERROR_IO_FAILED;
  }
}

// A key is a real directory; symbolic links inside the store are not keys.
bool IsKeyDirectory(const std::string& path) {
  struct stat status {};
  return ::lstat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

// Creates a directory and every missing parent.
int32_t MakeDirectories(const std::string& path) {
  for (size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
    const std::string prefix = path.substr(0, slash);
    if (!prefix.empty() && ::mkdir(prefix.c_str(), 0755) != 0 && errno != EEXIST) return KxRegErrorFromErrno(errno);
    if (slash == std::string::npos) break;
  }
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) return KxRegErrorFromErrno(errno);
  return S_ISDIR(status.st_mode) ? KX_REG_OK : KX_REG_ERROR_ACCESS_DENIED;
}

// The directory of an open key, checked to still exist (the root excepted).
int32_t KeyDirectory(KxHKEY key, std::string* directory) {
  if (key == nullptr) return KX_REG_ERROR_INVALID_HANDLE;
  if (key->predefined) return KxRegistryRootDirectory(directory) ? KX_REG_OK : KX_REG_ERROR_PATH_NOT_FOUND;
  if (!IsKeyDirectory(key->directory)) return KX_REG_ERROR_KEY_DELETED;
  *directory = key->directory;
  return KX_REG_OK;
}

// The directory of a key that a value or enumeration operation may use.
int32_t UsableKeyDirectory(KxHKEY key, uint32_t right, std::string* directory) {
  const int32_t result = KeyDirectory(key, directory);
  if (result != KX_REG_OK) return result;
  return (key->access & right) == right ? KX_REG_OK : KX_REG_ERROR_ACCESS_DENIED;
}

// Lists a key's directory: the names of its subkeys (sorted) and whether it
// holds anything besides subkeys and the store's own files.
int32_t ListKeyDirectory(const std::string& directory, std::vector<std::string>* subkeys, bool* foreign) {
  DIR* dir = ::opendir(directory.c_str());
  if (dir == nullptr) return KxRegErrorFromErrno(errno);
  subkeys->clear();
  *foreign = false;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string fileName = entry->d_name;
    if (fileName == "." || fileName == ".." || KxIsValueFileName(fileName)) continue;
    std::string name;
    if (KxDecodeKeyName(fileName, &name) && IsKeyDirectory(directory + "/" + fileName)) {
      subkeys->push_back(name);
    } else {
      *foreign = true;
    }
  }
  ::closedir(dir);
  std::sort(subkeys->begin(), subkeys->end());
  return KX_REG_OK;
}

// Walks (and with `create`, makes) the keys of `subKey` below `parent`.
int32_t OpenKey(KxHKEY parent, const char* subKey, uint32_t access, KxHKEY* result, bool create) {
  if (result == nullptr) return KX_REG_ERROR_INVALID_PARAMETER;
  std::vector<std::string> names;
  if (!KxSplitKeyPath(subKey, &names)) return KX_REG_ERROR_INVALID_PARAMETER;
  std::string directory;
  int32_t status = KeyDirectory(parent, &directory);
  if (status != KX_REG_OK) return status;
  if (parent->predefined) {
    status =
        create ? MakeDirectories(directory) : (IsKeyDirectory(directory) ? KX_REG_OK : KX_REG_ERROR_FILE_NOT_FOUND);
    if (status != KX_REG_OK) return status;
  }
  for (const std::string& name : names) {
    directory += "/" + KxEncodeKeyName(name);
    if (IsKeyDirectory(directory)) continue;
    if (!create) return KX_REG_ERROR_FILE_NOT_FOUND;
    if ((parent->access & KX_KEY_CREATE_SUB_KEY) == 0) return KX_REG_ERROR_ACCESS_DENIED;
    // Another writer may create the same key at the same moment; that is fine.
    if (::mkdir(directory.c_str(), 0755) != 0 && !(errno == EEXIST && IsKeyDirectory(directory))) {
      return KxRegErrorFromErrno(errno);
    }
  }
  KxRegKeyHandle* handle = new (std::nothrow) KxRegKeyHandle{false, access, directory};
  if (handle == nullptr) return KX_REG_ERROR_OUTOFMEMORY;
  *result = handle;
  return KX_REG_OK;
}

// Finds a value in a set; null when it is absent.
KxRegValue* FindValue(KxRegValueSet* values, const std::string& name) {
  for (KxRegValue& value : *values) {
    if (value.name == name) return &value;
  }
  return nullptr;
}

// Reads, changes and rewrites the values of a key while holding an exclusive
// lock on its directory, so concurrent writers of one key lose no update.
int32_t WriteValue(const std::string& directory, KxRegValue&& value) {
  const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return KxRegErrorFromErrno(errno);
  int locked = 0;
  do {
    locked = ::flock(fd, LOCK_EX);
  } while (locked != 0 && errno == EINTR);
  int32_t status = locked == 0 ? KX_REG_OK : KxRegErrorFromErrno(errno);
  KxRegValueSet values;
  if (status == KX_REG_OK) status = KxReadValueFile(directory, &values);
  if (status == KX_REG_OK) {
    if (KxRegValue* existing = FindValue(&values, value.name)) {
      *existing = std::move(value);
    } else {
      values.push_back(std::move(value));
    }
    status = KxWriteValueFile(directory, values);
  }
  ::close(fd);
  return status;
}

}  // namespace

KxHKEY KxRegClassesRoot() { return &g_classesRoot; }

int32_t KxRegCreateKeyEx(KxHKEY parent, const char* subKey, uint32_t access, KxHKEY* result) {
  return Guarded([&] { return OpenKey(parent, subKey, access, result, true); });
}

int32_t KxRegOpenKeyEx(KxHKEY parent, const char* subKey, uint32_t access, KxHKEY* result) {
  return Guarded([&] { return OpenKey(parent, subKey, access, result, false); });
}

int32_t KxRegEnumKeyEx(KxHKEY key, uint32_t index, char* name, uint32_t* nameSize) {
  return Guarded([&] {
    if (name == nullptr || nameSize == nullptr) return static_cast<int32_t>(KX_REG_ERROR_INVALID_PARAMETER);
    std::string directory;
    int32_t status = UsableKeyDirectory(key, KX_KEY_ENUMERATE_SUB_KEYS, &directory);
    std::vector<std::string> subkeys;
    bool foreign = false;
    if (status == KX_REG_OK) status = ListKeyDirectory(directory, &subkeys, &foreign);
    if (status != KX_REG_OK) return status;
    if (index >= subkeys.size()) return static_cast<int32_t>(KX_REG_ERROR_NO_MORE_ITEMS);
    const std::string& found = subkeys[index];
    if (found.size() + 1 > *nameSize) {
      *nameSize = static_cast<uint32_t>(found.size() + 1);
      return static_cast<int32_t>(KX_REG_ERROR_MORE_DATA);
    }
    std::memcpy(name, found.c_str(), found.size() + 1);
    *nameSize = static_cast<uint32_t>(found.size());
    return static_cast<int32_t>(KX_REG_OK);
  });
}

int32_t KxRegDeleteKey(KxHKEY parent, const char* subKey) {
  return Guarded([&] {
    std::vector<std::string> names;
    if (!KxSplitKeyPath(subKey, &names) || names.empty()) return static_cast<int32_t>(KX_REG_ERROR_INVALID_PARAMETER);
    std::string directory;
    int32_t status = KeyDirectory(parent, &directory);
    if (status != KX_REG_OK) return status;
    for (const std::string& name : names) directory += "/" + KxEncodeKeyName(name);
    if (!IsKeyDirectory(directory)) return static_cast<int32_t>(KX_REG_ERROR_FILE_NOT_FOUND);
    // Refuse before removing anything: a key with subkeys, or with files the
    // store did not write, stays as it is.
    std::vector<std::string> subkeys;
    bool foreign = false;
    status = ListKeyDirectory(directory, &subkeys, &foreign);
    if (status != KX_REG_OK) return status;
    if (!subkeys.empty() || foreign) return static_cast<int32_t>(KX_REG_ERROR_ACCESS_DENIED);
    DIR* dir = ::opendir(directory.c_str());
    if (dir == nullptr) return KxRegErrorFromErrno(errno);
    while (const dirent* entry = ::readdir(dir)) {
      if (KxIsValueFileName(entry->d_name)) ::unlink((directory + "/" + entry->d_name).c_str());
    }
    ::closedir(dir);
    return ::rmdir(directory.c_str()) == 0 ? static_cast<int32_t>(KX_REG_OK) : KxRegErrorFromErrno(errno);
  });
}

int32_t KxRegSetValueEx(KxHKEY key, const char* valueName, uint32_t type, const void* data, uint32_t size) {
  return Guarded([&] {
    const std::string name = valueName != nullptr ? valueName : "";
    if ((data == nullptr && size != 0) || size > KX_REG_MAX_VALUE_BYTES || name.size() > KX_REG_MAX_VALUE_NAME) {
      return static_cast<int32_t>(KX_REG_ERROR_INVALID_PARAMETER);
    }
    std::string directory;
    const int32_t status = UsableKeyDirectory(key, KX_KEY_SET_VALUE, &directory);
    if (status != KX_REG_OK) return status;
    KxRegValue value;
    value.name = name;
    value.type = type;
    if (size != 0) value.data.assign(static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + size);
    return WriteValue(directory, std::move(value));
  });
}

int32_t KxRegQueryValueEx(KxHKEY key, const char* valueName, uint32_t* type, void* data, uint32_t* size) {
  return Guarded([&] {
    if (data != nullptr && size == nullptr) return static_cast<int32_t>(KX_REG_ERROR_INVALID_PARAMETER);
    std::string directory;
    int32_t status = UsableKeyDirectory(key, KX_KEY_QUERY_VALUE, &directory);
    KxRegValueSet values;
    if (status == KX_REG_OK) status = KxReadValueFile(directory, &values);
    if (status != KX_REG_OK) return status;
    const KxRegValue* value = FindValue(&values, valueName != nullptr ? valueName : "");
    if (value == nullptr) return static_cast<int32_t>(KX_REG_ERROR_FILE_NOT_FOUND);
    const uint32_t byteCount = static_cast<uint32_t>(value->data.size());
    if (type != nullptr) *type = value->type;
    if (data != nullptr && *size < byteCount) status = KX_REG_ERROR_MORE_DATA;
    if (data != nullptr && status == KX_REG_OK && byteCount != 0) std::memcpy(data, value->data.data(), byteCount);
    if (size != nullptr) *size = byteCount;
    return status;
  });
}

int32_t KxRegCloseKey(KxHKEY key) {
  if (key == nullptr) return KX_REG_ERROR_INVALID_HANDLE;
  if (!key->predefined) delete key;
  return KX_REG_OK;
}

KxRegistryStoreLock::KxRegistryStoreLock() {
  std::string root;
  if (!KxRegistryRootDirectory(&root) || MakeDirectories(root) != KX_REG_OK) return;
  // The lock file's name begins with '.', so it is never taken for a key.
  const int fd = ::open((root + "/.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return;
  int locked = -1;
  do {
    locked = ::flock(fd, LOCK_EX);
  } while (locked != 0 && errno == EINTR);
  if (locked != 0) {
    ::close(fd);
    return;
  }
  fd_ = fd;
}

KxRegistryStoreLock::~KxRegistryStoreLock() {
  if (fd_ >= 0) ::close(fd_);
}

}  // namespace Kelvane
