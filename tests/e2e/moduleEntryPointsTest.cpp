// The module as a host sees it: loaded with dlopen, reached only through its
// four exported entry points, registering into a registry store of the test's own.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "helpers/supportTestDir.h"
#include "kelvane/kx_registry_store.h"
#include "loadedModule.h"

namespace Kelvane {
namespace {

using ModuleEntryPoints = LoadedModuleTest;

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

TEST_F(ModuleEntryPoints, TwoProcessesRegisteringAtOnceLeaveOneSetOfKeysThatUnregistrationRemoves) {
  SupportTestDir root;  // the registry store of this test
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

  // Exactly the classes the module serves have their whole registration; a
  // class object keeps the module loaded until it is released.
  const CLSID* classes[] = {&CLSID_KxvWatermarkerImp, &CLSID_KxvMultibandSelectorImp, &CLSID_KxvPixelReplacerImp,
                            &CLSID_KxvPersistantPixelCache, &CLSID_KxvTransposerImp};
  const auto keys = std::filesystem::directory_iterator(root.path() + "/CLSID");
  EXPECT_EQ(std::distance(begin(keys), end(keys)), 5);
  for (const CLSID* clsid : classes) {
    const std::string key = KxClassIdText(*clsid);
    void* factory = nullptr;
    ASSERT_EQ(module_.getClassObject(*clsid, IID_IClassFactory, &factory), S_OK) << key;
    EXPECT_EQ(module_.canUnloadNow(), S_FALSE);
    static_cast<IClassFactory*>(factory)->Release();
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
  EXPECT_EQ(module_.unregisterServer(), S_OK);
  EXPECT_TRUE(std::filesystem::is_empty(root.path() + "/CLSID"));
  ::unsetenv("KX_REGISTRY_ROOT");
}

// Every stage the module serves is made through its class object and
// answers each interface a host configures it through; released, nothing of
// the module stays alive.
TEST_F(ModuleEntryPoints, EveryStageAnswersItsOwnInterfaces) {
  const std::pair<const CLSID*, std::vector<const IID*>> stages[] = {
      {&CLSID_KxvTransposerImp, {&IID_IKxTransposerImp, &IID_IKxTransposer}},
      {&CLSID_KxvPersistantPixelCache, {&IID_IKxPersistantPixelCache, &IID_IKxPersistantPixelCache2}},
      {&CLSID_KxvMultibandSelectorImp, {&IID_IKxMultibandSelector}},
      {&CLSID_KxvWatermarkerImp, {&IID_IKxWatermarkerImp, &IID_IKxWatermarker}},
      {&CLSID_KxvPixelReplacerImp, {&IID_IKxPixelReplacerImp, &IID_IKxPixelReplacer2}}};
  for (const auto& [clsid, interfaces] : stages) {
    IKxContentImp* stage = module_.createStage(*clsid);
    ASSERT_NE(stage, nullptr) << KxClassIdText(*clsid);
    for (const IID* iid : interfaces) {
      IUnknown* answer = Query<IUnknown>(stage, *iid);
      EXPECT_NE(answer, nullptr) << KxClassIdText(*clsid) << " " << KxClassIdText(*iid);
      if (answer != nullptr) answer->Release();
    }
    EXPECT_EQ(stage->Release(), 0u) << KxClassIdText(*clsid);
  }
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
