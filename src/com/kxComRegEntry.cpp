#include "com/kxComRegEntry.h"

#include <cstdio>

namespace Kelvane {

void KxClsidToText(const CLSID& clsid, char (&text)[KX_CLSID_TEXT_SIZE]) {
  std::snprintf(text, sizeof text, "%s", KxClassIdText(clsid).c_str());
}

void KxClassKeyPath(const CLSID& clsid, char (&path)[KX_CLASS_KEY_PATH_SIZE]) {
  char text[KX_CLSID_TEXT_SIZE];
  KxClsidToText(clsid, text);
  std::snprintf(path, sizeof path, "CLSID\\%s", text);
}

int32_t KxDeleteRegKeyTree(KxHKEY parent, const char* name) {
  KxHKEY key = nullptr;
  int32_t status = KxRegOpenKeyEx(parent, name, KX_KEY_ALL_ACCESS, &key);
  if (status != KX_REG_OK) return status;
  // Subkeys first: index 0 names a different subkey after each deletion.
  char child[KX_REG_MAX_KEY_NAME + 1];
  for (;;) {
    uint32_t childSize = sizeof child;
    if (KxRegEnumKeyEx(key, 0, child, &childSize) != KX_REG_OK) break;
    status = KxDeleteRegKeyTree(key, child);
    if (status != KX_REG_OK) {
      KxRegCloseKey(key);
      return status;
    }
  }
  KxRegCloseKey(key);
  return KxRegDeleteKey(parent, name);
}

}  // namespace Kelvane
