// The module as a host sees it: loaded with dlopen, reached only through its
// four exported entry points, registering into a registry store of the test's own.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "loadedModule.h"
#include "support/supportTestDir.h"

namespace Kelvane {
namespace {

// Class identifier of a key name "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
bool ParseClsid(const std::string& text, CLSID* clsid) {
  unsigned p[11] = {};
  const int fields = std::sscanf(text.c_str(), "{%8x-%4x-%4x-%2x%2x-%2x%2x%2x%2x%2x%2x}", &p[0], &p[1], &p[2], &p[3],
                                 &p[4], &p[5], &p[6], &p[7], &p[8], &p[9], &p[10]);
  *clsid = CLSID{p[0], static_cast<uint16_t>(p[1]), static_cast<uint16_t>(p[2]), {}};
  for (int i = 0; i < 8; ++i) clsid->Data4[i] = static_cast<uint8_t>(p[3 + i]);
  return text.size() == 38 && fields == 11;
}

// Whatever a test does, no object of the module outlives it.
class ModuleEntryPoints : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(module_.loaded()) << module_.error; }
  void TearDown() override { EXPECT_EQ(module_.canUnloadNow(), S_OK); }

  const LoadedModule& module_ = LoadedModule::Get();
};

TEST_F(ModuleEntryPoints, RefusedClassObjectRequestsCreateNothing) {
  const CLSID unknownClass = {0x0BADC0DE, 0x1234, 0x5678, {0x9A, 0xBC, 0xDE, 0xF0, 0x12, 0x34, 0x56, 0x78}};
  void* out = &out;
  EXPECT_EQ(module_.getClassObject(unknownClass, IID_IClassFactory, &out), CLASS_E_CLASSNOTAVAILABLE);
  // The interface is checked before the class is looked up.
  EXPECT_EQ(module_.getClassObject(unknownClass, IID_IKxContentImp, &out), E_NOINTERFACE);

  // The identifiers travel as pointers at the binary level; a host written against that form may pass null.
  using PointerForm = HRESULT(KX_STDCALL*)(const CLSID*, const IID*, void**);
  const auto getClassObject = reinterpret_cast<PointerForm>(reinterpret_cast<void (*)()>(module_.getClassObject));
  out = &out;
  EXPECT_EQ(getClassObject(nullptr, &IID_IClassFactory, &out), E_INVALIDARG);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(getClassObject(&CLSID_KxvMultibandSelectorImp, nullptr, &out), E_INVALIDARG);
  EXPECT_EQ(getClassObject(&CLSID_KxvMultibandSelectorImp, &IID_IClassFactory, nullptr), E_INVALIDARG);
}

TEST_F(ModuleEntryPoints, RegistrationWritesEveryClassAndUnregistrationRemovesIt) {
  SupportTestDir root;  // the registry store of this test
  ::setenv("KX_REGISTRY_ROOT", root.path().c_str(), 1);
  ASSERT_EQ(module_.registerServer(), S_OK);
  int registered = 0;
  for (const auto& key : std::filesystem::directory_iterator(root.path() + "/CLSID")) {
    ++registered;
    SCOPED_TRACE(key.path().filename().string());
    // The server key names this module (with its terminator) and "Both".
    std::ifstream in(key.path() / "InprocServer32" / ".values", std::ios::binary);
    const std::string server(std::istreambuf_iterator<char>(in), {});
    EXPECT_NE(server.find(std::string(KX_MODULE_PATH) + '\0'), std::string::npos);
    EXPECT_NE(server.find(std::string("Both", 5)), std::string::npos);

    // A registered class is one the module serves; its class object keeps the module loaded until released.
    CLSID clsid{};
    ASSERT_TRUE(ParseClsid(key.path().filename().string(), &clsid));
    void* out = nullptr;
    ASSERT_EQ(module_.getClassObject(clsid, IID_IUnknown, &out), S_OK);
    IUnknown* unknown = static_cast<IUnknown*>(out);
    ASSERT_EQ(unknown->QueryInterface(IID_IClassFactory, &out), S_OK);
    EXPECT_EQ(unknown->Release(), 1u);
    EXPECT_EQ(module_.canUnloadNow(), S_FALSE);
    EXPECT_EQ(static_cast<IClassFactory*>(out)->Release(), 0u);
  }
  EXPECT_GT(registered, 0);

  EXPECT_EQ(module_.unregisterServer(), S_OK);
  EXPECT_TRUE(std::filesystem::is_empty(root.path() + "/CLSID"));
  ::unsetenv("KX_REGISTRY_ROOT");
}

TEST_F(ModuleEntryPoints, TwoProcessesRegisteringAtOnceLeaveOneConsistentSetOfKeys) {
  SupportTestDir root;
  ::setenv("KX_REGISTRY_ROOT", root.path().c_str(), 1);
  // Each walk rewrites every class key; interleaved read-modify-writes of
  // one key's values would lose a value without the store's lock.
  constexpr int kRounds = 10;
  pid_t children[2] = {};
  for (pid_t& child : children) {
    child = ::fork();
    if (child == 0) {
      bool ok = true;
      for (int round = 0; round < kRounds; ++round) ok = ok && module_.registerServer() == S_OK;
      ::_exit(ok ? 0 : 1);
    }
    ASSERT_GT(child, 0);
  }
  for (pid_t child : children) {
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }

  // Every class the module serves has its whole registration, and nothing else is left.
  const CLSID* classes[] = {&CLSID_KxvWatermarkerImp, &CLSID_KxvMultibandSelectorImp, &CLSID_KxvPixelReplacerImp,
                            &CLSID_KxvPersistantPixelCache, &CLSID_KxvTransposerImp};
  for (const CLSID* clsid : classes) {
    void* factory = nullptr;
    ASSERT_EQ(module_.getClassObject(*clsid, IID_IClassFactory, &factory), S_OK) << KxClassIdText(*clsid);
    static_cast<IClassFactory*>(factory)->Release();
    const std::string key = KxClassIdText(*clsid);
    std::string name, path, threading;
    EXPECT_TRUE(KxReadRegistryText({"CLSID", key}, "", &name)) << key;
    EXPECT_TRUE(KxRegisteredModulePath(*clsid, &path)) << key;
    EXPECT_EQ(path, KX_MODULE_PATH);
    EXPECT_TRUE(KxReadRegistryText({"CLSID", key, "InprocServer32"}, "ThreadingModel", &threading)) << key;
    EXPECT_EQ(threading, "Both");
  }
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root.path())) {
    const std::string file = entry.path().filename().string();
    EXPECT_TRUE(entry.is_directory() || file == ".values" || file == ".lock") << entry.path();
  }
  ::unsetenv("KX_REGISTRY_ROOT");
}

// A host that loads the module by a relative path still registers the
// module's absolute path: a registration works from any directory.
TEST(ModuleLoadedByARelativePath, RegistersItsAbsolutePath) {
  SupportTestDir directory;
  const std::string copy = directory / "relative.so";
  std::filesystem::copy_file(KX_MODULE_PATH, copy);
  ::setenv("KX_REGISTRY_ROOT", (directory / "registry").c_str(), 1);
  // In a child process, whose working directory the test may change.
  const pid_t child = fork();
  if (child == 0) {
    void* module = chdir(directory.path().c_str()) == 0 ? ::dlopen("./relative.so", RTLD_NOW | RTLD_LOCAL) : nullptr;
    auto registerServer =
        module != nullptr ? reinterpret_cast<KxDllRegisterServerFn>(::dlsym(module, "DllRegisterServer")) : nullptr;
    _exit(registerServer != nullptr && chdir("/") == 0 && registerServer() == S_OK ? 0 : 1);
  }
  int status = -1;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  std::string path;
  EXPECT_TRUE(KxRegisteredModulePath(CLSID_KxvTransposerImp, &path));
  EXPECT_EQ(path, copy);
  ::unsetenv("KX_REGISTRY_ROOT");
}

}  // namespace
}  // namespace Kelvane
