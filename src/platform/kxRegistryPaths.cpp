#include "platform/kxRegistryPaths.h"

#include <cstdlib>

#include "platform/kxRegistry.h"

namespace Kelvane {

namespace {

// A set environment variable with a non-empty value, else null.
const char* NonEmptyEnvironment(const char* name) {
  const char* value = std::getenv(name);
  return (value != nullptr && value[0] != '\0') ? value : nullptr;
}

// Characters a directory name cannot hold as they are: the escape character
// itself and the POSIX separator; a leading '.' is escaped as well.
bool NeedsEscape(char c, size_t position) { return c == '%' || c == '/' || (c == '.' && position == 0); }

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

bool KxRegistryRootDirectory(std::string* root) {
  if (const char* explicitRoot = NonEmptyEnvironment("KX_REGISTRY_ROOT")) {
    *root = explicitRoot;
    return true;
  }
  // A relative XDG_DATA_HOME is invalid and ignored, as the base directory rules ask.
  const char* dataHome = NonEmptyEnvironment("XDG_DATA_HOME");
  if (dataHome != nullptr && dataHome[0] == '/') {
    *root = std::string(dataHome) + "/kelvane/registry";
    return true;
  }
  if (const char* home = NonEmptyEnvironment("HOME")) {
    *root = std::string(home) + "/.local/share/kelvane/registry";
    return true;
  }
  return false;
}

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

std::string KxEncodeKeyName(const std::string& name) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string encoded;
  encoded.reserve(name.size());
  for (size_t i = 0; i < name.size(); ++i) {
    const char c = name[i];
    if (NeedsEscape(c, i)) {
      const unsigned char byte = static_cast<unsigned char>(c);
      encoded.push_back('%');
      encoded.push_back(kHex[byte >> 4]);
      encoded.push_back(kHex[byte & 0xF]);
    } else {
      encoded.push_back(c);
    }
  }
  return encoded;
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
