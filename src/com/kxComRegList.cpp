#include "com/kxComRegList.h"

#include <cstring>

namespace Kelvane {

namespace {

bool IsNullGuid(const CLSID& id) {
  static const CLSID kNull = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};
  return KxIsEqualGUID(id, kNull) != 0;
}

// Reads a whole value of an entry, however long it is; false when it is
// missing or cannot be read.
bool ReadWholeValue(KxComRegEntry& entry, const char* name, std::vector<uint8_t>* bytes) {
  uint32_t size = 0;
  if (FAILED(entry.GetValue(name, nullptr, &size))) return false;
  bytes->resize(size);
  uint32_t read = size;
  if (FAILED(entry.GetValue(name, bytes->data(), &read))) return false;
  bytes->resize(read);
  return true;
}

}  // namespace

KxComRegList::KxComRegList(const CLSID& listId, EntryOpener open) : listId_(listId), open_(open) {
  try {
    Load();
  } catch (...) {
    // Memory ran out: the list starts empty, as if nothing was stored.
    hasName_ = false;
    hasArray_ = false;
    ids_.clear();
  }
}

KxComRegList::~KxComRegList() {
  try {
    Save();
  } catch (...) {
    // A destructor cannot report; Save() called directly does.
  }
}

void KxComRegList::Load() {
  if (IsNullGuid(listId_)) return;
  std::unique_ptr<KxComRegEntry> entry = open_(listId_, false);
  if (entry == nullptr) return;
  std::vector<uint8_t> bytes;
  if (ReadWholeValue(*entry, "name", &bytes)) {
    // The name ends at its terminator, or with the value when it has none.
    const void* terminator = bytes.empty() ? nullptr : std::memchr(bytes.data(), 0, bytes.size());
    const size_t length = terminator != nullptr ? static_cast<const uint8_t*>(terminator) - bytes.data() : bytes.size();
    name_.assign(reinterpret_cast<const char*>(bytes.data()), length);
    hasName_ = true;
  }
  if (ReadWholeValue(*entry, "value", &bytes)) {
    // Trailing bytes short of a whole identifier are not an identifier.
    ids_.resize(bytes.size() / sizeof(CLSID));
    if (!ids_.empty()) std::memcpy(ids_.data(), bytes.data(), ids_.size() * sizeof(CLSID));
    hasArray_ = true;
  }
}

bool KxComRegList::Add(const CLSID& id) {
  try {
    for (const CLSID& listed : ids_) {
      if (KxIsEqualGUID(listed, id)) {
        changed_ = true;
        return true;
      }
    }
    ids_.insert(ids_.begin(), id);
    hasArray_ = true;
    changed_ = true;
    return true;
  } catch (...) {
    return false;
  }
}

bool KxComRegList::Remove(const CLSID& id) {
  for (CLSID& listed : ids_) {
    if (std::memcmp(&listed, &id, sizeof id) == 0) {
      listed = ids_.back();
      ids_.pop_back();
      changed_ = true;
      return true;
    }
  }
  return false;
}

HRESULT KxComRegList::Save() {
  if (!changed_ || IsNullGuid(listId_)) return S_OK;
  char path[KX_CLASS_KEY_PATH_SIZE];
  KxClassKeyPath(listId_, path);
  // A missing key is the usual case here; a key that cannot be deleted shows
  // up when it is written again.
  KxDeleteRegKeyTree(KxRegClassesRoot(), path);
  std::unique_ptr<KxComRegEntry> entry = open_(listId_, true);
  if (entry == nullptr) return E_FAIL;
  const char* storedName = hasName_ ? name_.c_str() : "";
  HRESULT status = entry->SetValue("name", storedName, static_cast<uint32_t>(std::strlen(storedName) + 1), false);
  if (SUCCEEDED(status) && hasArray_) {
    status = entry->SetValue("value", ids_.data(), static_cast<uint32_t>(ids_.size() * sizeof(CLSID)), true);
  }
  if (SUCCEEDED(status)) changed_ = false;
  return status;
}

}  // namespace Kelvane
