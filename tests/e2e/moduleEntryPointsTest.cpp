// The module as a host sees it: loaded with dlopen, reached only through its
// four exported entry points, registering into a registry store of the test's own.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include "loadedModule.h"
#include "platform/scopedRegistryRoot.h"

namespace Kelvane {
namespace {

// Class identifier of a key name "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
bool ParseClsid(const std::string& text, CLSID* clsid) {
  unsigned p[11];
  if (text.size() != 38 || std::sscanf(text.c_str(), "{%8x-%4x-%4x-%2x%2x-%2x%2x%2x%2x%2x%2x}", &p[0], &p[1], &p[2],
                                       &p[3], &p[4], &p[5], &p[6], &p[7], &p[8], &p[9], &p[10]) != 11) {
    return false;
  }
  *clsid = CLSID{p[0], static_cast<uint16_t>(p[1]), static_cast<uint16_t>(p[2]), {}};
  for (int i = 0; i < 8; ++i) clsid->Data4[i] = static_cast<uint8_t>(p[3 + i]);
  return true;
}

// Every file of the store by path below the root, with its bytes.
std::map<std::string, std::string> StoreFiles(const std::string& root) {
  std::map<std::string, std::string> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    if (!entry.is_regular_file()) continue;
    std::ifstream in(entry.path(), std::ios::binary);
    files[entry.path().lexically_relative(root).string()] = std::string(std::istreambuf_iterator<char>(in), {});
  }
  return files;
}

class ModuleEntryPoints : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(module_.loaded()) << module_.error; }

  const LoadedModule& module_ = LoadedModule::Get();
};

TEST_F(ModuleEntryPoints, RefusedClassObjectRequestsCreateNothing) {
  const CLSID unknownClass = {0x0BADC0DE, 0x1234, 0x5678, {0x9A, 0xBC, 0xDE, 0xF0, 0x12, 0x34, 0x56, 0x78}};
  EXPECT_EQ(module_.canUnloadNow(), S_OK);
  void* out = nullptr;
  EXPECT_EQ(module_.getClassObject(unknownClass, IID_IClassFactory, &out), CLASS_E_CLASSNOTAVAILABLE);
  // The interface is checked before the class is looked up.
  EXPECT_EQ(module_.getClassObject(unknownClass, IID_IKxContentImp, &out), E_NOINTERFACE);
  EXPECT_EQ(module_.canUnloadNow(), S_OK);
}

TEST_F(ModuleEntryPoints, NullArgumentsFromAHostAreRefused) {
  // The identifiers travel as pointers at the binary level; a host written
  // against that form may pass null.
  using PointerForm = HRESULT(KX_STDCALL*)(const CLSID*, const IID*, void**);
  using AnyFunction = void (*)();
  const auto getClassObject = reinterpret_cast<PointerForm>(reinterpret_cast<AnyFunction>(module_.getClassObject));
  void* out = &out;
  EXPECT_EQ(getClassObject(nullptr, &IID_IClassFactory, &out), E_INVALIDARG);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(getClassObject(&CLSID_KxvMultibandSelectorImp, nullptr, &out), E_INVALIDARG);
  EXPECT_EQ(getClassObject(&CLSID_KxvMultibandSelectorImp, &IID_IClassFactory, nullptr), E_INVALIDARG);
  EXPECT_EQ(module_.canUnloadNow(), S_OK);
}

TEST_F(ModuleEntryPoints, RegistrationWritesEveryClassAndUnregistrationRemovesIt) {
  ScopedRegistryRoot root;
  ASSERT_EQ(module_.registerServer(), S_OK);
  // An empty class table writes no CLSID key at all.
  std::error_code noClasses;
  int registered = 0;
  for (const auto& key : std::filesystem::directory_iterator(root.path() + "/CLSID", noClasses)) {
    ++registered;
    const std::string name = key.path().filename().string();
    SCOPED_TRACE(name);
    // The server key names this module (with its terminator) and "Both".
    std::ifstream in(key.path() / "InprocServer32" / ".values", std::ios::binary);
    const std::string server(std::istreambuf_iterator<char>(in), {});
    EXPECT_NE(server.find(std::string(KX_MODULE_PATH) + '\0'), std::string::npos);
    EXPECT_NE(server.find(std::string("Both", 5)), std::string::npos);

    // A registered class is one the module serves; its class object keeps
    // the module loaded until it is released.
    CLSID clsid{};
    ASSERT_TRUE(ParseClsid(name, &clsid));
    void* out = nullptr;
    EXPECT_EQ(module_.getClassObject(clsid, IID_IKxContentImp, &out), E_NOINTERFACE);
    ASSERT_EQ(module_.getClassObject(clsid, IID_IUnknown, &out), S_OK);
    IUnknown* unknown = static_cast<IUnknown*>(out);
    ASSERT_EQ(unknown->QueryInterface(IID_IClassFactory, &out), S_OK);
    EXPECT_EQ(unknown->Release(), 1u);
    EXPECT_EQ(module_.canUnloadNow(), S_FALSE);
    EXPECT_EQ(static_cast<IClassFactory*>(out)->Release(), 0u);
    EXPECT_EQ(module_.canUnloadNow(), S_OK);
  }
  RecordProperty("registeredClasses", registered);

  // A second registration leaves every stored byte as it was.
  const std::map<std::string, std::string> first = StoreFiles(root.path());
  ASSERT_EQ(module_.registerServer(), S_OK);
  EXPECT_EQ(StoreFiles(root.path()), first);

  EXPECT_EQ(module_.unregisterServer(), S_OK);
  EXPECT_TRUE(StoreFiles(root.path()).empty());
}

}  // namespace
}  // namespace Kelvane
