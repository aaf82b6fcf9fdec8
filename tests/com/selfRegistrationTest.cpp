// Writing and removing class registrations, and identifier lists, in a
// registry store of the test's own.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "com/kxComRegEntryList.h"
#include "com/kxComRegEntryStore.h"
#include "com/kxComRegistration.h"
#include "com/testComObject.h"
#include "kelvane/kx_ids.h"
#include "kelvane/kx_status.h"
#include "platform/scopedRegistryRoot.h"

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

// A stored value with its type as "type:bytes", "<no key>" or "<no value>".
std::string Stored(const std::string& keyPath, const char* valueName) {
  KxHKEY key = nullptr;
  if (KxRegOpenKeyEx(KxRegClassesRoot(), keyPath.c_str(), KX_KEY_READ, &key) != 0) return "<no key>";
  char bytes[256];
  uint32_t type = 0, size = sizeof bytes;
  const int32_t status = KxRegQueryValueEx(key, valueName, &type, bytes, &size);
  KxRegCloseKey(key);
  return status != 0 ? "<no value>" : std::to_string(type) + ":" + std::string(bytes, size);
}

std::string Text(const char* text) { return "1:" + std::string(text, std::strlen(text) + 1); }

size_t Subkeys(const std::string& keyPath) {
  KxHKEY key = nullptr;
  if (KxRegOpenKeyEx(KxRegClassesRoot(), keyPath.c_str(), KX_KEY_READ, &key) != 0) return 0;
  char name[256];
  uint32_t count = 0;
  for (uint32_t size = sizeof name; KxRegEnumKeyEx(key, count, name, &size) == 0; size = sizeof name) ++count;
  KxRegCloseKey(key);
  return count;
}

TEST(ClassIdentifierText, IsUpperCaseWithLeadingZeros) {
  char text[KX_CLSID_TEXT_SIZE];
  KxClsidToText(CLSID{0xA, 0xB, 0xC, {1, 2, 3, 4, 5, 6, 0xE7, 0xF8}}, text);
  EXPECT_STREQ(text, "{0000000A-000B-000C-0102-03040506E7F8}");
}

TEST(SelfRegistration, WritesEveryRowOnceAndRemovesWholeTrees) {
  ScopedRegistryRoot root;
  ASSERT_EQ(KxRegisterClasses(kTable, kModulePath), S_OK);
  ASSERT_EQ(KxRegisterClasses(kTable, kModulePath), S_OK);
  const std::string server = std::string(kWatermarkerKey) + "\\InprocServer32";
  EXPECT_EQ(Stored(kWatermarkerKey, ""), Text("Kelvane Watermarker Content Imp"));
  EXPECT_EQ(Stored(server, ""), Text(kModulePath));
  EXPECT_EQ(Stored(server, "ThreadingModel"), Text("Both"));
  EXPECT_EQ(Stored(kTestObjectKey, ""), "<no value>");
  EXPECT_EQ(Stored(std::string(kTestObjectKey) + "\\InprocServer32", ""), Text(kModulePath));
  // Registering twice left one set of keys.
  EXPECT_EQ(Subkeys("CLSID"), 2u);
  EXPECT_EQ(Subkeys(kWatermarkerKey), 1u);

  // The entry reads what registration wrote, by role.
  std::unique_ptr<KxComRegEntry> entry = OpenRegEntry(CLSID_KxvWatermarkerImp, false);
  ASSERT_NE(entry, nullptr);
  char path[64];
  uint32_t size = sizeof path;
  ASSERT_EQ(entry->GetValue("path", path, &size), S_OK);
  EXPECT_STREQ(path, kModulePath);
  entry.reset();

  // Keys that others added below a class key go with it.
  KxHKEY added = nullptr;
  ASSERT_EQ(KxRegCreateKeyEx(KxRegClassesRoot(), (std::string(kTestObjectKey) + "\\Categories\\Any").c_str(),
                             KX_KEY_ALL_ACCESS, &added),
            0);
  KxRegCloseKey(added);
  EXPECT_EQ(KxUnregisterClasses(kTable), S_OK);
  EXPECT_EQ(Subkeys("CLSID"), 0u);
  // Nothing left to remove: the last row's error number.
  EXPECT_EQ(KxUnregisterClasses(kTable), KX_REG_ERROR_FILE_NOT_FOUND);
}

TEST(SelfRegistration, ReportsWhatCouldNotBeWritten) {
  ScopedRegistryRoot root;
  EXPECT_EQ(KxRegisterClasses(kTable, nullptr), E_FAIL);
  EXPECT_EQ(KxRegisterClasses(kTable, ""), E_FAIL);
  EXPECT_EQ(Subkeys("CLSID"), 0u);

  // The second row's server key holds something that is not a values file.
  std::filesystem::create_directories(root.path() + "/CLSID/" + (kTestObjectKey + 6) + "/InprocServer32/.values");
  EXPECT_EQ(KxRegisterClasses(kTable, kModulePath), E_FAIL);
  EXPECT_EQ(Stored(kWatermarkerKey, ""), Text("Kelvane Watermarker Content Imp"));

  // A root entry "CLSID" that is not a key: no class key can be made.
  std::filesystem::remove_all(root.path() + "/CLSID");
  std::ofstream(root.path() + "/CLSID") << "not a key";
  EXPECT_EQ(KxRegisterClasses(kTable, kModulePath), KX_E_CLASS_KEY);

  // An earlier row that cannot be removed is not hidden by later rows that can.
  std::filesystem::remove(root.path() + "/CLSID");
  ASSERT_EQ(KxRegisterClasses(kTable, kModulePath), S_OK);
  std::ofstream(root.path() + "/CLSID/" + (kWatermarkerKey + 6) + "/foreign.txt") << "kept";
  EXPECT_EQ(KxUnregisterClasses(kTable), KX_REG_ERROR_ACCESS_DENIED);
  EXPECT_EQ(Subkeys("CLSID"), 1u);
}

const CLSID kList = {0xCA7E6081, 0x0001, 0x0002, {1, 2, 3, 4, 5, 6, 7, 8}};
const char kListKey[] = "CLSID\\{CA7E6081-0001-0002-0102-030405060708}";

CLSID Numbered(uint32_t n) { return CLSID{n, 0x1234, 0x5678, {0, 1, 2, 3, 4, 5, 6, 7}}; }

TEST(RegistrationList, AddsFirstRemovesByMovingTheLastAndRewritesOnRepeat) {
  ScopedRegistryRoot root;
  KxComRegEntryStore a(Numbered(1)), b(Numbered(2)), c(Numbered(3));
  EXPECT_EQ(a.AddToList(kList), S_OK);
  EXPECT_EQ(b.AddToList(kList), S_OK);
  EXPECT_EQ(c.AddToList(kList), S_OK);
  EXPECT_EQ(a.RemoveFromList(kList), S_OK);
  EXPECT_EQ(a.RemoveFromList(kList), E_FAIL);
  EXPECT_EQ(Stored(kListKey, ""), Text(""));

  // Adding a listed identifier keeps the order but rewrites the whole key.
  KxHKEY stale = nullptr;
  ASSERT_EQ(
      KxRegCreateKeyEx(KxRegClassesRoot(), (std::string(kListKey) + "\\Stale").c_str(), KX_KEY_ALL_ACCESS, &stale), 0);
  KxRegCloseKey(stale);
  EXPECT_EQ(b.AddToList(kList), S_OK);
  EXPECT_EQ(Subkeys(kListKey), 0u);
  KxComRegList list(kList);
  ASSERT_EQ(list.identifiers().size(), 2u);
  EXPECT_TRUE(KxIsEqualGUID(list.identifiers()[0], Numbered(3)));
  EXPECT_TRUE(KxIsEqualGUID(list.identifiers()[1], Numbered(2)));
}

TEST(RegistrationList, LongListsAreReadWholeAndNullListsNeverStored) {
  ScopedRegistryRoot root;
  {
    KxComRegList list(kList);
    for (uint32_t n = 1; n <= 200; ++n) ASSERT_TRUE(list.Add(Numbered(n)));
  }
  EXPECT_EQ(KxComRegEntryStore(Numbered(201)).AddToList(kList), S_OK);
  KxComRegList reloaded(kList);
  ASSERT_EQ(reloaded.identifiers().size(), 201u);
  EXPECT_TRUE(KxIsEqualGUID(reloaded.identifiers()[200], Numbered(1)));
  {
    KxComRegList unlisted(CLSID{});
    EXPECT_TRUE(unlisted.Add(Numbered(1)));
    EXPECT_EQ(unlisted.Save(), S_OK);
  }
  EXPECT_EQ(Subkeys("CLSID"), 1u);
}

}  // namespace
}  // namespace Kelvane
