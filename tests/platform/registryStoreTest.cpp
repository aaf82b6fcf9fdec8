// The file-backed registry: keys as directories, values in one checked file
// per key, and the platform's registry semantics on top.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "platform/kxRegistry.h"
#include "platform/kxRegistryPaths.h"
#include "platform/kxRegistryValueFile.h"
#include "platform/scopedRegistryRoot.h"

namespace Kelvane {
namespace {

// An open key that closes itself.
struct Key {
  KxHKEY handle = nullptr;
  ~Key() {
    if (handle != nullptr) KxRegCloseKey(handle);
  }
};

std::vector<std::string> Subkeys(KxHKEY key) {
  std::vector<std::string> names;
  char name[KX_REG_MAX_KEY_NAME + 1];
  for (uint32_t size = sizeof name; KxRegEnumKeyEx(key, static_cast<uint32_t>(names.size()), name, &size) == 0;
       size = sizeof name) {
    names.push_back(name);
  }
  return names;
}

std::string QueryText(KxHKEY key, const char* valueName) {
  char text[64] = {};
  uint32_t size = sizeof text - 1;
  return KxRegQueryValueEx(key, valueName, nullptr, text, &size) == 0 ? std::string(text, size) : "<missing>";
}

TEST(RegistryStoreKeys, CreateOpenEnumerateAndDelete) {
  ScopedRegistryRoot root;
  Key missing, top, deep;
  EXPECT_EQ(KxRegOpenKeyEx(KxRegClassesRoot(), "A\\B", KX_KEY_READ, &missing.handle), KX_REG_ERROR_FILE_NOT_FOUND);
  ASSERT_EQ(KxRegCreateKeyEx(KxRegClassesRoot(), "A\\B\\C", KX_KEY_ALL_ACCESS, &deep.handle), 0);
  ASSERT_EQ(KxRegCreateKeyEx(KxRegClassesRoot(), "A", KX_KEY_ALL_ACCESS, &top.handle), 0);
  // Names the file system could not hold as they are keep their spelling.
  for (const char* name : {"z/slash", ".txt", "100%", "B"}) {
    Key child;
    ASSERT_EQ(KxRegCreateKeyEx(top.handle, name, KX_KEY_ALL_ACCESS, &child.handle), 0) << name;
  }
  EXPECT_EQ(Subkeys(top.handle), (std::vector<std::string>{".txt", "100%", "B", "z/slash"}));

  char small[2];
  uint32_t size = sizeof small;
  EXPECT_EQ(KxRegEnumKeyEx(top.handle, 0, small, &size), KX_REG_ERROR_MORE_DATA);
  EXPECT_EQ(size, 5u);
  EXPECT_EQ(KxRegEnumKeyEx(top.handle, 4, small, &size), KX_REG_ERROR_NO_MORE_ITEMS);

  // A key with subkeys stays; a deleted key's open handle reports it.
  EXPECT_EQ(KxRegDeleteKey(top.handle, "B"), KX_REG_ERROR_ACCESS_DENIED);
  EXPECT_EQ(KxRegDeleteKey(top.handle, "B\\C"), 0);
  EXPECT_EQ(KxRegSetValueEx(deep.handle, "v", KX_REG_SZ, "x", 2), KX_REG_ERROR_KEY_DELETED);
  EXPECT_EQ(KxRegDeleteKey(top.handle, "B\\C"), KX_REG_ERROR_FILE_NOT_FOUND);
}

TEST(RegistryStoreKeys, RefusesBadNamesAndMissingRights) {
  ScopedRegistryRoot root;
  Key key, readOnly;
  EXPECT_EQ(KxRegCreateKeyEx(KxRegClassesRoot(), "A\\\\B", KX_KEY_ALL_ACCESS, &key.handle),
            KX_REG_ERROR_INVALID_PARAMETER);
  EXPECT_EQ(KxRegCreateKeyEx(KxRegClassesRoot(), std::string(256, 'k').c_str(), KX_KEY_ALL_ACCESS, &key.handle),
            KX_REG_ERROR_INVALID_PARAMETER);
  EXPECT_EQ(KxRegDeleteKey(KxRegClassesRoot(), ""), KX_REG_ERROR_INVALID_PARAMETER);
  EXPECT_EQ(KxRegSetValueEx(nullptr, "v", KX_REG_SZ, "x", 2), KX_REG_ERROR_INVALID_HANDLE);
  ASSERT_EQ(KxRegCreateKeyEx(KxRegClassesRoot(), "A", KX_KEY_ALL_ACCESS, &key.handle), 0);
  ASSERT_EQ(KxRegOpenKeyEx(KxRegClassesRoot(), "A", KX_KEY_READ, &readOnly.handle), 0);
  Key child;
  EXPECT_EQ(KxRegSetValueEx(readOnly.handle, "v", KX_REG_SZ, "x", 2), KX_REG_ERROR_ACCESS_DENIED);
  EXPECT_EQ(KxRegCreateKeyEx(readOnly.handle, "New", KX_KEY_ALL_ACCESS, &child.handle), KX_REG_ERROR_ACCESS_DENIED);
  // A file the store did not write keeps the key from being deleted.
  std::ofstream(root.path() + "/A/notes.txt") << "kept";
  EXPECT_EQ(KxRegDeleteKey(KxRegClassesRoot(), "A"), KX_REG_ERROR_ACCESS_DENIED);
  EXPECT_TRUE(std::filesystem::exists(root.path() + "/A/notes.txt"));
}

TEST(RegistryStoreValues, WriteReadAndReplace) {
  ScopedRegistryRoot root;
  Key key;
  ASSERT_EQ(KxRegCreateKeyEx(KxRegClassesRoot(), "K", KX_KEY_ALL_ACCESS, &key.handle), 0);
  EXPECT_EQ(KxRegSetValueEx(key.handle, nullptr, KX_REG_SZ, "default", 8), 0);
  EXPECT_EQ(KxRegSetValueEx(key.handle, "Model", KX_REG_SZ, "Apartment", 10), 0);
  EXPECT_EQ(KxRegSetValueEx(key.handle, "Model", KX_REG_SZ, "Both", 5), 0);
  EXPECT_EQ(KxRegSetValueEx(key.handle, "Empty", KX_REG_BINARY, nullptr, 0), 0);
  EXPECT_EQ(QueryText(key.handle, ""), std::string("default", 8));
  EXPECT_EQ(QueryText(key.handle, "Model"), std::string("Both", 5));
  EXPECT_EQ(QueryText(key.handle, "model"), "<missing>");

  uint32_t type = 0, size = 0;
  EXPECT_EQ(KxRegQueryValueEx(key.handle, "Empty", &type, nullptr, &size), 0);
  EXPECT_EQ(type, KX_REG_BINARY);
  EXPECT_EQ(size, 0u);
  char small[4];
  size = sizeof small;
  EXPECT_EQ(KxRegQueryValueEx(key.handle, nullptr, nullptr, small, &size), KX_REG_ERROR_MORE_DATA);
  EXPECT_EQ(size, 8u);
}

TEST(RegistryStoreValues, DamagedFileIsReportedAndNotOverwritten) {
  ScopedRegistryRoot root;
  Key key;
  ASSERT_EQ(KxRegCreateKeyEx(KxRegClassesRoot(), "K", KX_KEY_ALL_ACCESS, &key.handle), 0);
  ASSERT_EQ(KxRegSetValueEx(key.handle, "v", KX_REG_SZ, "one", 4), 0);
  const std::string file = root.path() + "/K/" + KX_REG_VALUE_FILE_NAME;
  const auto truncatedSize = std::filesystem::file_size(file) - 1;
  std::filesystem::resize_file(file, truncatedSize);
  EXPECT_EQ(QueryText(key.handle, "v"), "<missing>");
  EXPECT_EQ(KxRegSetValueEx(key.handle, "w", KX_REG_SZ, "two", 4), KX_REG_ERROR_BADDB);
  EXPECT_EQ(std::filesystem::file_size(file), truncatedSize);
}

TEST(RegistryValueFile, EveryDamagedByteAndEveryTruncationIsRefused) {
  KxRegValueSet values(2);
  values[0].name = "ThreadingModel";
  values[0].type = KX_REG_SZ;
  values[0].data.assign({'B', 'o', 't', 'h', 0});
  values[1].type = KX_REG_BINARY;
  values[1].data.assign(32, 0xA5);
  const std::vector<uint8_t> file = KxEncodeValueSet(values);
  KxRegValueSet decoded;
  ASSERT_TRUE(KxDecodeValueSet(file.data(), file.size(), &decoded));
  ASSERT_EQ(decoded.size(), 2u);
  EXPECT_EQ(decoded[0].name, "ThreadingModel");
  EXPECT_EQ(decoded[1].data, values[1].data);
  for (size_t i = 0; i < file.size(); ++i) {
    std::vector<uint8_t> damaged = file;
    damaged[i] ^= 0x10;
    EXPECT_FALSE(KxDecodeValueSet(damaged.data(), damaged.size(), &decoded)) << "byte " << i;
    EXPECT_FALSE(KxDecodeValueSet(file.data(), i, &decoded)) << "length " << i;
  }
  // Intact bytes that name one value twice are no values file either.
  values[1].name = values[0].name;
  const std::vector<uint8_t> twice = KxEncodeValueSet(values);
  EXPECT_FALSE(KxDecodeValueSet(twice.data(), twice.size(), &decoded));
}

TEST(RegistryStoreValues, ConcurrentWritersOfOneKeyLoseNoValue) {
  ScopedRegistryRoot root;
  Key key;
  ASSERT_EQ(KxRegCreateKeyEx(KxRegClassesRoot(), "K", KX_KEY_ALL_ACCESS, &key.handle), 0);
  auto writer = [&key](char prefix) {
    for (int i = 0; i < 40; ++i) {
      const std::string name = prefix + std::to_string(i);
      EXPECT_EQ(KxRegSetValueEx(key.handle, name.c_str(), KX_REG_SZ, "x", 2), 0);
    }
  };
  std::thread first(writer, 'a'), second(writer, 'b');
  first.join();
  second.join();
  KxRegValueSet values;
  ASSERT_EQ(KxReadValueFile(root.path() + "/K", &values), 0);
  EXPECT_EQ(values.size(), 80u);
}

TEST(RegistryStoreRoot, FallsBackToTheUsersDataDirectory) {
  ScopedRegistryRoot root;
  const std::string home = ::getenv("HOME") != nullptr ? ::getenv("HOME") : "/";
  ::unsetenv("KX_REGISTRY_ROOT");
  ::setenv("XDG_DATA_HOME", "/data", 1);
  std::string found;
  EXPECT_TRUE(KxRegistryRootDirectory(&found) && found == "/data/kelvane/registry") << found;
  // A relative data home is not valid and is ignored.
  ::setenv("XDG_DATA_HOME", "data", 1);
  EXPECT_TRUE(KxRegistryRootDirectory(&found) && found == home + "/.local/share/kelvane/registry") << found;
  ::unsetenv("XDG_DATA_HOME");
}

}  // namespace
}  // namespace Kelvane
