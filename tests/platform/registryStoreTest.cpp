// The file-backed registry: keys as directories, values in one checked file
// per key, and the platform's registry semantics on top.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>

#include "helpers/childProcess.h"
#include "platform/kxRegistryPaths.h"
#include "platform/kxRegistryValueFile.h"
#include "platform/registryTestStore.h"

namespace Kelvane {
namespace {

using Names = std::vector<std::string>;

TEST(RegistryStoreKeys, CreateOpenEnumerateDeleteAndRefuse) {
  RegistryTestStore store;
  KxHKEY refused = nullptr;
  EXPECT_EQ(KxRegOpenKeyEx(KxRegClassesRoot(), "A\\B", KX_KEY_READ, &refused), KX_REG_ERROR_FILE_NOT_FOUND);
  const KxHKEY deep = store.Open("A\\B\\C");
  const KxHKEY top = store.Open("A");
  // Names the file system could not hold as they are keep their spelling.
  for (const char* name : {"z/slash", ".txt", "100%", "B"}) store.Open(name, true, top);
  EXPECT_EQ(store.Subkeys("A"), (Names{".txt", "100%", "B", "z/slash"}));
  char small[2];
  uint32_t size = sizeof small;
  EXPECT_EQ(KxRegEnumKeyEx(top, 0, small, &size), KX_REG_ERROR_MORE_DATA);
  EXPECT_EQ(size, 5u);
  EXPECT_EQ(KxRegEnumKeyEx(top, 4, small, &size), KX_REG_ERROR_NO_MORE_ITEMS);

  // A key with subkeys stays; a deleted key's open handle reports it.
  EXPECT_EQ(KxRegDeleteKey(top, "B"), KX_REG_ERROR_ACCESS_DENIED);
  EXPECT_EQ(KxRegDeleteKey(top, "B\\C"), 0);
  EXPECT_EQ(KxRegSetValueEx(deep, "v", KX_REG_SZ, "x", 2), KX_REG_ERROR_KEY_DELETED);
  EXPECT_EQ(KxRegDeleteKey(top, "B\\C"), KX_REG_ERROR_FILE_NOT_FOUND);

  // Malformed names, a null handle, and changes through a read-only handle are refused.
  for (const std::string& name : {std::string("A\\\\B"), std::string(256, 'k')}) {
    EXPECT_EQ(KxRegCreateKeyEx(KxRegClassesRoot(), name.c_str(), KX_KEY_ALL_ACCESS, &refused),
              KX_REG_ERROR_INVALID_PARAMETER);
  }
  EXPECT_EQ(KxRegDeleteKey(KxRegClassesRoot(), ""), KX_REG_ERROR_INVALID_PARAMETER);
  EXPECT_EQ(KxRegSetValueEx(nullptr, "v", KX_REG_SZ, "x", 2), KX_REG_ERROR_INVALID_HANDLE);
  const KxHKEY readOnly = store.Open("A", false);
  EXPECT_EQ(KxRegSetValueEx(readOnly, "v", KX_REG_SZ, "x", 2), KX_REG_ERROR_ACCESS_DENIED);
  EXPECT_EQ(KxRegCreateKeyEx(readOnly, "New", KX_KEY_ALL_ACCESS, &refused), KX_REG_ERROR_ACCESS_DENIED);
}

TEST(RegistryStoreValues, WriteReadAndRefuseADamagedFile) {
  RegistryTestStore store;
  const KxHKEY key = store.Open("K");
  EXPECT_EQ(KxRegSetValueEx(key, "Model", KX_REG_SZ, "Apartment", 10), 0);
  EXPECT_EQ(KxRegSetValueEx(key, "Empty", KX_REG_BINARY, nullptr, 0), 0);
  EXPECT_EQ(store.Stored("K", "model"), "<missing>");
  EXPECT_EQ(store.Stored("K", "Empty"), std::to_string(KX_REG_BINARY) + ":");
  char small[4];
  uint32_t size = sizeof small;
  EXPECT_EQ(KxRegQueryValueEx(key, "Model", nullptr, small, &size), KX_REG_ERROR_MORE_DATA);
  EXPECT_EQ(size, 10u);

  // A damaged values file is reported, and not overwritten by a later write.
  const std::string file = store.path() + "/K/" + KX_REG_VALUE_FILE_NAME;
  const auto truncatedSize = std::filesystem::file_size(file) - 1;
  std::filesystem::resize_file(file, truncatedSize);
  EXPECT_EQ(store.Stored("K", "Model"), "<missing>");
  EXPECT_EQ(KxRegSetValueEx(key, "w", KX_REG_SZ, "two", 4), KX_REG_ERROR_BADDB);
  EXPECT_EQ(std::filesystem::file_size(file), truncatedSize);
}

TEST(RegistryValueFile, EveryDamagedByteAndEveryTruncationIsRefused) {
  KxRegValueSet values{{"ThreadingModel", KX_REG_SZ, {'B', 'o', 't', 'h', 0}},
                       {"", KX_REG_BINARY, std::vector<uint8_t>(32, 0xA5)}};
  const std::vector<uint8_t> file = KxEncodeValueSet(values);
  KxRegValueSet decoded;
  ASSERT_TRUE(KxDecodeValueSet(file.data(), file.size(), &decoded));
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

TEST(RegistryStoreConcurrency, WritersOfOneKeyLoseNoValue) {
  RegistryTestStore store;
  const KxHKEY key = store.Open("K");
  auto writer = [key](char prefix) {
    for (int i = 0; i < 40; ++i) {
      EXPECT_EQ(KxRegSetValueEx(key, (prefix + std::to_string(i)).c_str(), KX_REG_SZ, "x", 2), 0);
    }
  };
  std::thread first(writer, 'a'), second(writer, 'b');
  first.join();
  second.join();
  KxRegValueSet values;
  ASSERT_EQ(KxReadValueFile(store.path() + "/K", &values), 0);
  EXPECT_EQ(values.size(), 80u);
}

TEST(RegistryStoreRoot, FallsBackToTheUsersDataDirectory) {
  RegistryTestStore store;
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

TEST(RegistryStoreLock, AnotherProcessWaitsUntilTheHolderLetsGo) {
  RegistryTestStore store;
  // The child starts before the lock is taken (a forked child would inherit
  // it), is told through a pipe when the parent holds it, and writes a key
  // only once it holds the store itself.
  int go[2];
  ASSERT_EQ(::pipe(go), 0);
  const pid_t child = StartChildProcess([&] {
    char byte = 0;
    const bool told = ::read(go[0], &byte, 1) == 1;
    KxRegistryStoreLock mine;
    KxHKEY key = nullptr;
    return told && mine.held() && KxRegCreateKeyEx(KxRegClassesRoot(), "Late", KX_KEY_ALL_ACCESS, &key) == 0;
  });
  std::optional<KxRegistryStoreLock> held;
  held.emplace();
  ASSERT_TRUE(held->held());
  ASSERT_EQ(::write(go[1], "g", 1), 1);
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_FALSE(std::filesystem::exists(store.path() + "/Late")) << "the child wrote while the store was held";
  held.reset();
  EXPECT_TRUE(ChildProcessSucceeded(child));
  EXPECT_TRUE(std::filesystem::is_directory(store.path() + "/Late"));
  ::close(go[0]);
  ::close(go[1]);
}

}  // namespace
}  // namespace Kelvane
