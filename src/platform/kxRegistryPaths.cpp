#include "platform/kxRegistryPaths.h"

#include "platform/kxRegistryErrors.h"

namespace Kelvane {

namespace {

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

bool KxSplitKeyPath(const char* path, std::vector<std::string>* names) {
  names->clear();
  if (path == nullptr || path[0] == '\0') return true;
  std::string current;
  for (const char* p = path;; ++p) {
    if (*p == '\\' || *p == '\0') {
      if (current.empty() || current.size() > KX_REG_MAX_KEY_NAME) return false;
      names->push_back(current);
      current.clear();
      if (*p == '\0') return true;
    } else {
      current.push_back(*p);
    }
  }
}

bool KxDecodeKeyName(const std::string& fileName, std::string* name) {
  std::string decoded;
  for (size_t i = 0; i < fileName.size(); ++i) {
    if (fileName[i] != '%') {
      decoded.push_back(fileName[i]);
      continue;
    }
    if (i + 2 >= fileName.size()) return false;
    const int high = HexDigitValue(fileName[i + 1]);
    const int low = HexDigitValue(fileName[i + 2]);
    if (high < 0 || low < 0) return false;
    decoded.push_back(static_cast<char>(high * 16 + low));
    i += 2;
  }
  // Only the one spelling the store writes is a key; anything else in the
  // directory (foreign files, other escapes) is not.
  if (decoded.empty() || decoded.size() > KX_REG_MAX_KEY_NAME || decoded.find('\\') != std::string::npos) return false;
  if (KxEncodeKeyName(decoded) != fileName) return false;
  *name = decoded;
  return true;
}

}  // namespace Kelvane
