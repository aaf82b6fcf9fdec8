#include "com/kxComRegEntry.h"

#include <cstdio>

namespace Kelvane {

void KxClsidToText(const CLSID& clsid, char (&text)[KX_CLSID_TEXT_SIZE]) {
  const uint8_t* d = clsid.Data4;
  std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                static_cast<unsigned>(clsid.Data1), static_cast<unsigned>(clsid.Data2),
                static_cast<unsigned>(clsid.Data3), d[0], d[1], d[2], d[3], d[4], d[5], d[6], d[7]);
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
