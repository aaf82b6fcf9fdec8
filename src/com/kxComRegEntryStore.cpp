#include "com/kxComRegEntryStore.h"

#include <cstring>
#include <new>

#include "com/kxComRegList.h"

namespace Kelvane {

namespace {

// The subkey that holds a class's server path and threading model.
const char kServerKey[] = "InprocServer32";
const char kThreadingModel[] = "ThreadingModel";
// The classes may be called from any thread.
const char kThreadingModelBoth[] = "Both";

bool IsRole(const char* name, const char* role) { return std::strcmp(name, role) == 0; }

HRESULT ResultOf(int32_t registryStatus) { return registryStatus == KX_REG_OK ? S_OK : E_FAIL; }

// Adds to or removes from the list under `list`, then saves the list.
template <typename Change>
HRESULT ChangeList(const CLSID& list, Change change) {
  try {
    KxComRegList regList(list, &OpenRegEntry);
    if (!change(regList)) return E_FAIL;
    return regList.Save();
  } catch (...) {
    return E_FAIL;
  }
}

}  // namespace

KxComRegEntryStore::~KxComRegEntryStore() { Close(); }

void KxComRegEntryStore::Close() {
  if (key_ != nullptr) KxRegCloseKey(key_);
  key_ = nullptr;
}

HRESULT KxComRegEntryStore::Open(bool create) {
  Close();
  char path[KX_CLASS_KEY_PATH_SIZE];
  KxClassKeyPath(clsid(), path);
  const int32_t status = create ? KxRegCreateKeyEx(KxRegClassesRoot(), path, KX_KEY_ALL_ACCESS, &key_)
                                : KxRegOpenKeyEx(KxRegClassesRoot(), path, KX_KEY_READ, &key_);
  if (status != KX_REG_OK) key_ = nullptr;
  return ResultOf(status);
}

HRESULT KxComRegEntryStore::GetValue(const char* name, void* buffer, uint32_t* size) {
  if (key_ == nullptr || name == nullptr || size == nullptr) return E_FAIL;
  if (IsRole(name, "name")) return ResultOf(KxRegQueryValueEx(key_, nullptr, nullptr, buffer, size));
  if (!IsRole(name, "path")) return ResultOf(KxRegQueryValueEx(key_, name, nullptr, buffer, size));
  KxHKEY server = nullptr;
  if (KxRegCreateKeyEx(key_, kServerKey, KX_KEY_ALL_ACCESS, &server) != KX_REG_OK) return E_FAIL;
  const int32_t status = KxRegQueryValueEx(server, nullptr, nullptr, buffer, size);
  KxRegCloseKey(server);
  return ResultOf(status);
}

HRESULT KxComRegEntryStore::SetValue(const char* name, const void* data, uint32_t size, bool binary) {
  if (key_ == nullptr || name == nullptr) return E_FAIL;
  const uint32_t type = binary ? KX_REG_BINARY : KX_REG_SZ;
  // The display name is always text, whatever the caller asks.
  if (IsRole(name, "name")) return ResultOf(KxRegSetValueEx(key_, nullptr, KX_REG_SZ, data, size));
  if (!IsRole(name, "path")) return ResultOf(KxRegSetValueEx(key_, name, type, data, size));
  KxHKEY server = nullptr;
  if (KxRegCreateKeyEx(key_, kServerKey, KX_KEY_ALL_ACCESS, &server) != KX_REG_OK) return E_FAIL;
  // A registration needs both the path and the threading model.
  int32_t status = KxRegSetValueEx(server, nullptr, type, data, size);
  if (status == KX_REG_OK)
    status = KxRegSetValueEx(server, kThreadingModel, type, kThreadingModelBoth, sizeof kThreadingModelBoth);
  KxRegCloseKey(server);
  return ResultOf(status);
}

HRESULT KxComRegEntryStore::AddToList(const CLSID& list) {
  const CLSID& self = clsid();
  return ChangeList(list, [&self](KxComRegList& regList) { return regList.Add(self); });
}

HRESULT KxComRegEntryStore::RemoveFromList(const CLSID& list) {
  const CLSID& self = clsid();
  return ChangeList(list, [&self](KxComRegList& regList) { return regList.Remove(self); });
}

std::unique_ptr<KxComRegEntry> OpenRegEntry(const CLSID& clsid, bool create) {
  std::unique_ptr<KxComRegEntryStore> entry(new (std::nothrow) KxComRegEntryStore(clsid));
  if (entry == nullptr || FAILED(entry->Open(create))) return nullptr;
  return entry;
}

}  // namespace Kelvane
