// KxComRegEntryStore: a registry entry kept in the system registry (the
// file-backed store on POSIX), and OpenRegEntry, which makes one.
#ifndef KELVANE_COM_KX_COM_REG_ENTRY_STORE_H
#define KELVANE_COM_KX_COM_REG_ENTRY_STORE_H

#include <memory>

#include "com/kxComRegEntry.h"

namespace Kelvane {

class KxComRegEntryStore : public KxComRegEntry {
 public:
  explicit KxComRegEntryStore(const CLSID& clsid) : KxComRegEntry(clsid) {}
  // Closes the key when it is open.
  ~KxComRegEntryStore() override;

  // Opens the identifier's key: with `create` for writing (made when
  // missing), else for reading. E_FAIL on any registry error.
  HRESULT Open(bool create);

  HRESULT GetValue(const char* name, void* buffer, uint32_t* size) override;
  HRESULT SetValue(const char* name, const void* data, uint32_t size, bool binary) override;
  HRESULT AddToList(const CLSID& list) override;
  HRESULT RemoveFromList(const CLSID& list) override;

 private:
  void Close();

  KxHKEY key_ = nullptr;  // owned; null until opened
};

// The entry of `clsid` with its key opened (see Open); null when the key
// cannot be opened or memory runs out.
std::unique_ptr<KxComRegEntry> OpenRegEntry(const CLSID& clsid, bool create);

}  // namespace Kelvane

#endif  // KELVANE_COM_KX_COM_REG_ENTRY_STORE_H
