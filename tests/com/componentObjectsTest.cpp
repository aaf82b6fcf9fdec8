// Reference counting, aggregation and the create contract of component
// objects; class objects, creation through them, the unload test and the
// module entry routine, on a class table of test classes.
#include <gtest/gtest.h>

#include "com/kxComDllInfo.h"
#include "com/testComObject.h"
#include "kelvane/kx_ids.h"

namespace Kelvane {
namespace {

const CLSID kHiddenClass = {0x11111111, 0x2222, 0x3333, {0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55}};

HRESULT CreateNothing(IUnknown*, INondelegatingUnknown**) { return static_cast<HRESULT>(0x8000FFFFu); }

// The first row wins over a later row of the same class; nothing behind the
// terminating row is found.
const KxComClassEntry kTestTable[] = {
    {&CLSID_TestObject, KxComCreate<TestComObject>, "Test Object"},
    {&CLSID_TestObject, CreateNothing, "Shadowed Test Object"},
    {nullptr, nullptr, nullptr},
    {&kHiddenClass, KxComCreate<TestComObject>, "Hidden"},
};

// Every test starts with the test class's class object and ends with nothing alive.
class ComponentObjects : public ::testing::Test {
 protected:
  void SetUp() override {
    TestComObject::Reset();
    ASSERT_EQ(KxComUnknown::GetLiveObjectCount(), 0);
    void* out = nullptr;
    ASSERT_EQ(info_.GetClassObject(CLSID_TestObject, IID_IClassFactory, &out), S_OK);
    factory_ = static_cast<IClassFactory*>(out);
  }
  void TearDown() override {
    if (factory_ != nullptr) factory_->Release();
    EXPECT_EQ(info_.CanUnloadNow(), S_OK);
  }

  KxComDllInfo info_{kTestTable};
  IClassFactory* factory_ = nullptr;
};

TEST_F(ComponentObjects, LastReleaseRunsFinalReleaseOnceAndDestroys) {
  INondelegatingUnknown* object = nullptr;
  ASSERT_EQ(KxComCreate<TestComObject>(nullptr, &object), S_OK);
  void* out = nullptr;
  ASSERT_EQ(object->NondelegatingQueryInterface(IID_ITestSecondary, &out), S_OK);
  ITestSecondary* secondary = static_cast<ITestSecondary*>(out);
  EXPECT_EQ(KxComUnknown::GetLiveObjectCount(), 2);
  EXPECT_EQ(secondary->Answer(), 42);
  EXPECT_EQ(secondary->Release(), 1u);

  // IUnknown through the secondary interface is the primary table.
  ASSERT_EQ(secondary->QueryInterface(IID_IUnknown, &out), S_OK);
  EXPECT_EQ(out, static_cast<void*>(object));
  EXPECT_EQ(object->NondelegatingRelease(), 1u);

  // Refused queries leave the count alone.
  EXPECT_EQ(object->NondelegatingQueryInterface(IID_IUnknown, nullptr), E_INVALIDARG);
  EXPECT_EQ(object->NondelegatingQueryInterface(IID_ITestSecondary, nullptr), E_INVALIDARG);
  EXPECT_EQ(object->NondelegatingQueryInterface(IID_IClassFactory, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(TestComObject::finalReleases, 0);

  EXPECT_EQ(object->NondelegatingRelease(), 0u);
  EXPECT_EQ(TestComObject::finalReleases, 1);
  EXPECT_EQ(TestComObject::destroyed, 1);
  EXPECT_EQ(KxComUnknown::GetLiveObjectCount(), 1);
}

TEST_F(ComponentObjects, CreateContractFailuresLeaveNothingBehind) {
  EXPECT_EQ(KxComCreate<TestComObject>(nullptr, nullptr), E_INVALIDARG);
  // A failing Init destroys the object without the release hooks and gives
  // E_FAIL, whatever Init returned.
  TestComObject::initResult = E_INVALIDARG;
  INondelegatingUnknown* object = reinterpret_cast<INondelegatingUnknown*>(&object);
  EXPECT_EQ(KxComCreate<TestComObject>(nullptr, &object), E_FAIL);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(TestComObject::destroyed, 1);
  EXPECT_EQ(TestComObject::finalReleases, 0);
  EXPECT_EQ(KxComUnknown::GetLiveObjectCount(), 1);
}

TEST_F(ComponentObjects, ClassObjectRequestsAreCheckedInOrder) {
  void* out = nullptr;
  EXPECT_EQ(info_.GetClassObject(CLSID_TestObject, IID_IKxContentImp, &out), E_NOINTERFACE);
  EXPECT_EQ(info_.GetClassObject(CLSID_KxvTransposerImp, IID_IKxContentImp, &out), E_NOINTERFACE);
  EXPECT_EQ(info_.GetClassObject(kHiddenClass, IID_IClassFactory, &out), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(info_.GetClassObject(CLSID_TestObject, IID_IClassFactory, nullptr), E_INVALIDARG);
  EXPECT_EQ(KxComUnknown::GetLiveObjectCount(), 1);
  ASSERT_EQ(factory_->CreateInstance(nullptr, IID_ITestSecondary, &out), S_OK);
  EXPECT_EQ(static_cast<ITestSecondary*>(out)->Release(), 0u);
}

TEST_F(ComponentObjects, ClassObjectsAndLocksKeepTheModuleLoaded) {
  EXPECT_EQ(info_.CanUnloadNow(), S_FALSE);
  EXPECT_EQ(factory_->LockServer(1), S_OK);
  factory_->Release();
  factory_ = nullptr;
  EXPECT_EQ(info_.CanUnloadNow(), S_FALSE);
  KxComUnknown::LockServer(false);
  EXPECT_EQ(info_.CanUnloadNow(), S_OK);
  // A surplus unlock leaves a negative count, which counts as unlocked.
  KxComUnknown::LockServer(false);
  EXPECT_EQ(info_.CanUnloadNow(), S_OK);
  KxComUnknown::LockServer(true);
}

TEST_F(ComponentObjects, CreateInstanceHandsOverTheOnlyReference) {
  CountingOuter outer;
  void* out = &out;
  EXPECT_EQ(factory_->CreateInstance(&outer, IID_ITestSecondary, &out), CLASS_E_NOAGGREGATION);
  // Aggregated: the outer gets the inner object's nondelegating unknown, and
  // the inner object's other interfaces count against the outer object.
  ASSERT_EQ(factory_->CreateInstance(&outer, IID_IUnknown, &out), S_OK);
  INondelegatingUnknown* inner = static_cast<INondelegatingUnknown*>(out);
  ASSERT_EQ(inner->NondelegatingQueryInterface(IID_ITestSecondary, &out), S_OK);
  ITestSecondary* secondary = static_cast<ITestSecondary*>(out);
  EXPECT_EQ(outer.references, 2u);
  EXPECT_EQ(static_cast<TestComObject*>(secondary)->referenceCount(), 1);
  EXPECT_EQ(secondary->Release(), 1u);
  ASSERT_EQ(secondary->QueryInterface(IID_IUnknown, &out), S_OK);  // asks the outer object
  EXPECT_EQ(out, static_cast<void*>(&outer));
  EXPECT_EQ(inner->NondelegatingRelease(), 0u);
  // A refused interface destroys the new object.
  EXPECT_EQ(factory_->CreateInstance(nullptr, IID_IKxContentImp, &out), E_NOINTERFACE);
  EXPECT_EQ(factory_->CreateInstance(nullptr, IID_IUnknown, nullptr), E_INVALIDARG);
  EXPECT_EQ(TestComObject::destroyed, 3);
  EXPECT_EQ(KxComUnknown::GetLiveObjectCount(), 1);
}

TEST(ModuleEntry, OnlyAttachAndDetachSucceedAndTheStoredPathIsACopy) {
  KxComDllInfo info(kTestTable);
  EXPECT_TRUE(KxModuleEntry(info, KX_PROCESS_ATTACH));
  EXPECT_FALSE(KxModuleEntry(info, 2));
  EXPECT_TRUE(KxModuleEntry(info, KX_PROCESS_DETACH));
  // The stored path is a copy, and may be set from itself.
  char path[] = "/opt/module.so";
  info.SetModulePath(path);
  path[1] = 'X';
  info.SetModulePath(info.modulePath());
  EXPECT_STREQ(info.modulePath(), "/opt/module.so");
}

TEST(GuidComparison, EveryByteCounts) {
  for (size_t byte = 0; byte < sizeof(GUID); ++byte) {
    GUID other = IID_IClassFactory;
    reinterpret_cast<uint8_t*>(&other)[byte] ^= 1;
    EXPECT_EQ(KxIsEqualGUID(IID_IClassFactory, other), 0) << byte;
  }
  EXPECT_EQ(KxIsEqualGUID(IID_IClassFactory, GUID(IID_IClassFactory)), 1);
}

}  // namespace
}  // namespace Kelvane
