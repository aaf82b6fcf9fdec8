// Writing and removing class registrations (keys named by identifier text)
// and identifier lists, in a registry store of the test's own.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "com/kxComRegEntryStore.h"
#include "com/kxComRegList.h"
#include "com/kxComRegistration.h"
#include "com/testComObject.h"
#include "kelvane/kx_ids.h"
#include "kelvane/kx_status.h"
#include "platform/registryTestStore.h"

namespace Kelvane {
namespace {

const char kModulePath[] = "/opt/kelvane/libkx_lib_sp_xform.so";
const char kWatermarkerKey[] = "CLSID\\{D3CCFC41-D829-4FAB-831D-B5462222C7D5}";
const char kTestObjectKey[] = "CLSID\\{7C1B2A39-4E5D-4C6B-9A8B-7C6D5E4F3021}";
const KxComClassEntry kTable[] = {
    {&CLSID_KxvWatermarkerImp, KxComCreate<TestComObject>, "Kelvane Watermarker Content Imp"},
    {&CLSID_TestObject, KxComCreate<TestComObject>, nullptr},
    {nullptr, nullptr, nullptr},
};

TEST(SelfRegistration, WritesEveryRowOnceAndRemovesWholeTrees) {
  RegistryTestStore store;
  ASSERT_EQ(KxRegisterClasses(kTable, kModulePath), S_OK);
  ASSERT_EQ(KxRegisterClasses(kTable, kModulePath), S_OK);
  const std::string server = std::string(kWatermarkerKey) + "\\InprocServer32";
  EXPECT_EQ(store.Stored(kWatermarkerKey, ""), SzValue("Kelvane Watermarker Content Imp"));
  EXPECT_EQ(store.Stored(server, ""), SzValue(kModulePath));
  EXPECT_EQ(store.Stored(server, "ThreadingModel"), SzValue("Both"));
  EXPECT_EQ(store.Stored(kTestObjectKey, ""), "<missing>");
  EXPECT_EQ(store.Stored(std::string(kTestObjectKey) + "\\InprocServer32", ""), SzValue(kModulePath));
  // Registering twice left one set of keys.
  EXPECT_EQ(store.Subkeys("CLSID").size(), 2u);
  EXPECT_EQ(store.Subkeys(kWatermarkerKey).size(), 1u);

  // Keys that others added below a class key go with it; then nothing is left to remove.
  store.Open(std::string(kTestObjectKey) + "\\Categories\\Any");
  EXPECT_EQ(KxUnregisterClasses(kTable), S_OK);
  EXPECT_TRUE(store.Subkeys("CLSID").empty());
  EXPECT_EQ(KxUnregisterClasses(kTable), KX_REG_ERROR_FILE_NOT_FOUND);
}

TEST(SelfRegistration, ReportsWhatCouldNotBeWritten) {
  RegistryTestStore store;
  EXPECT_EQ(KxRegisterClasses(kTable, nullptr), E_FAIL);
  EXPECT_EQ(KxRegisterClasses(kTable, ""), E_FAIL);
  EXPECT_TRUE(store.Subkeys("CLSID").empty());

  // The first row's server key holds something that is not a values file:
  // its failure is the result, and the walk goes on to register the rest.
  const std::string blocked = store.path() + "/CLSID/" + (kWatermarkerKey + 6) + "/InprocServer32/.values";
  std::filesystem::create_directories(blocked);
  EXPECT_EQ(KxRegisterClasses(kTable, kModulePath), E_FAIL);
  EXPECT_EQ(store.Stored(kWatermarkerKey, ""), SzValue("Kelvane Watermarker Content Imp"));
  EXPECT_EQ(store.Stored(std::string(kTestObjectKey) + "\\InprocServer32", ""), SzValue(kModulePath));
  std::filesystem::remove(blocked);

  // A root entry "CLSID" that is not a key: no class key can be made.
  std::filesystem::remove_all(store.path() + "/CLSID");
  std::ofstream(store.path() + "/CLSID") << "not a key";
  EXPECT_EQ(KxRegisterClasses(kTable, kModulePath), KX_E_CLASS_KEY);

  // An earlier row that cannot be removed is not hidden by later rows that can.
  std::filesystem::remove(store.path() + "/CLSID");
  ASSERT_EQ(KxRegisterClasses(kTable, kModulePath), S_OK);
  std::ofstream(store.path() + "/CLSID/" + (kWatermarkerKey + 6) + "/foreign.txt") << "kept";
  EXPECT_EQ(KxUnregisterClasses(kTable), KX_REG_ERROR_ACCESS_DENIED);
  EXPECT_EQ(store.Subkeys("CLSID").size(), 1u);
}

const CLSID kList = {0x0A7E6081, 0x0001, 0x0002, {1, 2, 3, 4, 5, 6, 7, 8}};
const char kListKey[] = "CLSID\\{0A7E6081-0001-0002-0102-030405060708}";

CLSID Numbered(uint32_t n) { return CLSID{n, 0x1234, 0x5678, {0, 1, 2, 3, 4, 5, 6, 7}}; }

TEST(RegistrationList, AddsFirstRemovesByMovingTheLastAndRewritesOnRepeat) {
  RegistryTestStore store;
  KxComRegEntryStore a(Numbered(1)), b(Numbered(2)), c(Numbered(3));
  for (KxComRegEntryStore* entry : {&a, &b, &c}) EXPECT_EQ(entry->AddToList(kList), S_OK);
  EXPECT_EQ(a.RemoveFromList(kList), S_OK);
  EXPECT_EQ(a.RemoveFromList(kList), E_FAIL);
  EXPECT_EQ(store.Stored(kListKey, ""), SzValue(""));

  // Adding a listed identifier keeps the order but rewrites the whole key.
  store.Open(std::string(kListKey) + "\\Stale");
  EXPECT_EQ(b.AddToList(kList), S_OK);
  EXPECT_TRUE(store.Subkeys(kListKey).empty());
  KxComRegList list(kList, &OpenRegEntry);
  ASSERT_EQ(list.identifiers().size(), 2u);
  EXPECT_TRUE(KxIsEqualGUID(list.identifiers()[0], Numbered(3)));
  EXPECT_TRUE(KxIsEqualGUID(list.identifiers()[1], Numbered(2)));
}

TEST(RegistrationList, LongListsAreReadWholeAndNullListsNeverStored) {
  RegistryTestStore store;
  {
    KxComRegList list(kList, &OpenRegEntry);
    for (uint32_t n = 1; n <= 200; ++n) ASSERT_TRUE(list.Add(Numbered(n)));
  }
  EXPECT_EQ(KxComRegEntryStore(Numbered(201)).AddToList(kList), S_OK);
  KxComRegList reloaded(kList, &OpenRegEntry);
  ASSERT_EQ(reloaded.identifiers().size(), 201u);
  EXPECT_TRUE(KxIsEqualGUID(reloaded.identifiers()[200], Numbered(1)));
  {
    KxComRegList unlisted(CLSID{}, &OpenRegEntry);
    EXPECT_TRUE(unlisted.Add(Numbered(1)));
    EXPECT_EQ(unlisted.Save(), S_OK);
  }
  EXPECT_EQ(store.Subkeys("CLSID").size(), 1u);
}

}  // namespace
}  // namespace Kelvane
