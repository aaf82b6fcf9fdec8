// KxComRegList: a list of class identifiers kept under another identifier's
// key: the key's default value is the list's name, its value "value" the
// identifiers back to back (16 bytes each, binary).
#ifndef KELVANE_COM_KX_COM_REG_LIST_H
#define KELVANE_COM_KX_COM_REG_LIST_H

#include <memory>
#include <string>
#include <vector>

#include "com/kxComRegEntry.h"
#include "kelvane/kx_platform_types.h"

namespace Kelvane {

// Loads the list when constructed and saves it, when changed, when destroyed.
// A list whose identifier is all zero is never read or written. The list's
// key is opened through `open`, the store's own opener, so that the list
// knows entries only by their interface.
class KxComRegList {
 public:
  using EntryOpener = std::unique_ptr<KxComRegEntry> (*)(const CLSID& clsid, bool create);
  KxComRegList(const CLSID& listId, EntryOpener open);
  KxComRegList(const KxComRegList&) = delete;
  KxComRegList& operator=(const KxComRegList&) = delete;
  ~KxComRegList();

  // Puts `id` first; a listed identifier stays where it is, but the list is
  // still marked changed (and so rewritten). False when memory runs out.
  bool Add(const CLSID& id);
  // Moves the last identifier into the place of `id`; false when not listed.
  bool Remove(const CLSID& id);
  // Rewrites the list's key when the list changed: the old key tree is
  // deleted and written anew. S_OK when nothing needed writing.
  HRESULT Save();

  const std::vector<CLSID>& identifiers() const { return ids_; }
  // Null when the stored list has no name.
  const char* name() const { return hasName_ ? name_.c_str() : nullptr; }

 private:
  void Load();

  CLSID listId_;
  EntryOpener open_;
  std::string name_;
  bool hasName_ = false;
  std::vector<CLSID> ids_;
  bool hasArray_ = false;  // an identifier array was read or one was added
  bool changed_ = false;
};

}  // namespace Kelvane

#endif  // KELVANE_COM_KX_COM_REG_LIST_H
