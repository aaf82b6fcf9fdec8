// A registry store of one test's own: a fresh directory of the test's, set as
// KX_REGISTRY_ROOT while the test runs so no test touches the user's
// registry; the keys the test opens in it, all closed when the test ends; and
// readers of what the keys hold.
#ifndef KELVANE_TESTS_PLATFORM_REGISTRY_TEST_STORE_H
#define KELVANE_TESTS_PLATFORM_REGISTRY_TEST_STORE_H

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstring>
#include <string>
#include <vector>

#include "helpers/supportTestDir.h"
#include "platform/kxRegistry.h"

namespace Kelvane {

// A text value as Stored shows it: its type, then its bytes with the terminator.
inline std::string SzValue(const char* text) {
  return std::to_string(KX_REG_SZ) + ":" + std::string(text, std::strlen(text) + 1);
}

class RegistryTestStore {
 public:
  RegistryTestStore() { ::setenv("KX_REGISTRY_ROOT", directory_.path().c_str(), 1); }
  ~RegistryTestStore() {
    for (KxHKEY key : open_) KxRegCloseKey(key);
    ::unsetenv("KX_REGISTRY_ROOT");
  }

  const std::string& path() const { return directory_.path(); }

  // `path` below `parent`, created with all access (a failure fails the
  // test), or opened for reading (null when it is missing).
  KxHKEY Open(const std::string& path, bool create = true, KxHKEY parent = KxRegClassesRoot()) {
    KxHKEY key = nullptr;
    const int32_t status = create ? KxRegCreateKeyEx(parent, path.c_str(), KX_KEY_ALL_ACCESS, &key)
                                  : KxRegOpenKeyEx(parent, path.c_str(), KX_KEY_READ, &key);
    EXPECT_TRUE(status == 0 || !create) << "creating " << path << ": " << status;
    if (status == 0) open_.push_back(key);
    return key;
  }

  // Names of the subkeys of `path` in enumeration order; none when it is missing.
  std::vector<std::string> Subkeys(const std::string& path) {
    const KxHKEY key = Open(path, false);
    std::vector<std::string> names;
    char name[KX_REG_MAX_KEY_NAME + 1];
    for (uint32_t size = sizeof name; KxRegEnumKeyEx(key, static_cast<uint32_t>(names.size()), name, &size) == 0;
         size = sizeof name) {
      names.push_back(name);
    }
    return names;
  }

  // A value of `path` as "type:bytes" (its size asked first), or "<missing>".
  std::string Stored(const std::string& path, const char* valueName) {
    const KxHKEY key = Open(path, false);
    uint32_t type = 0, size = 0;
    if (KxRegQueryValueEx(key, valueName, &type, nullptr, &size) != 0) return "<missing>";
    std::string bytes(size, '\0');
    const int32_t read = KxRegQueryValueEx(key, valueName, nullptr, bytes.data(), &size);
    return read == 0 ? std::to_string(type) + ":" + bytes.substr(0, size) : "<unreadable>";
  }

 private:
  SupportTestDir directory_;  // removed with its contents when the test ends
  std::vector<KxHKEY> open_;  // every key Open handed out
};

}  // namespace Kelvane

#endif  // KELVANE_TESTS_PLATFORM_REGISTRY_TEST_STORE_H
