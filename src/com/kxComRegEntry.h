// KxComRegEntry: the registry entry of one class identifier (the key
// "CLSID\{...}" under the classes root), and the key helpers shared by the
// entries, the identifier lists and the registration walks.
#ifndef KELVANE_COM_KX_COM_REG_ENTRY_H
#define KELVANE_COM_KX_COM_REG_ENTRY_H

#include <cstddef>

#include "kelvane/kx_platform_types.h"
#include "platform/kxRegistry.h"

namespace Kelvane {

// Buffer sizes for the text form of an identifier (38 characters and the
// terminator fit) and for the key path "CLSID\" followed by it.
inline constexpr size_t KX_CLSID_TEXT_SIZE = 64;
inline constexpr size_t KX_CLASS_KEY_PATH_SIZE = 72;

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" in upper-case hexadecimal.
void KxClsidToText(const CLSID& clsid, char (&text)[KX_CLSID_TEXT_SIZE]);

// "CLSID\{...}": the key of an identifier below the classes root.
void KxClassKeyPath(const CLSID& clsid, char (&path)[KX_CLASS_KEY_PATH_SIZE]);

// Deletes the key `name` below `parent` with every key below it. Returns 0 or
// the registry's error number (KX_REG_ERROR_FILE_NOT_FOUND when it is absent).
int32_t KxDeleteRegKeyTree(KxHKEY parent, const char* name);

// The values of one identifier's key, by role name: "name" is the key's
// default value, "path" the server path (with its threading model) in the
// "InprocServer32" subkey; any other name is a value of the key itself. The
// entry can also list its identifier under another identifier's key.
class KxComRegEntry {
 public:
  explicit KxComRegEntry(const CLSID& clsid) : clsid_(clsid) {}
  KxComRegEntry(const KxComRegEntry&) = delete;
  KxComRegEntry& operator=(const KxComRegEntry&) = delete;
  virtual ~KxComRegEntry() = default;

  // Reads a value into buffer; `size` holds the buffer's size and receives
  // the byte count (a null buffer asks for the size only).
  virtual HRESULT GetValue(const char* name, void* buffer, uint32_t* size) = 0;
  // Writes a value as text (with its terminator counted in size) or binary.
  virtual HRESULT SetValue(const char* name, const void* data, uint32_t size, bool binary) = 0;
  // Adds this entry's identifier to, or removes it from, the identifier list
  // kept under `list`'s key.
  virtual HRESULT AddToList(const CLSID& list) = 0;
  virtual HRESULT RemoveFromList(const CLSID& list) = 0;

  const CLSID& clsid() const { return clsid_; }

 private:
  CLSID clsid_;
};

}  // namespace Kelvane

#endif  // KELVANE_COM_KX_COM_REG_ENTRY_H
