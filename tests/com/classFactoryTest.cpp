// Class objects, instance creation through them, the unload test and the
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

class ClassFactory : public ::testing::Test {
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

TEST_F(ClassFactory, ClassObjectRequestsAreCheckedInOrder) {
  void* out = nullptr;
  EXPECT_EQ(info_.GetClassObject(CLSID_TestObject, IID_IKxContentImp, &out), E_NOINTERFACE);
  EXPECT_EQ(info_.GetClassObject(CLSID_KxvTransposerImp, IID_IKxContentImp, &out), E_NOINTERFACE);
  EXPECT_EQ(info_.GetClassObject(kHiddenClass, IID_IClassFactory, &out), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(info_.GetClassObject(CLSID_TestObject, IID_IClassFactory, nullptr), E_INVALIDARG);
  EXPECT_EQ(KxComUnknown::GetLiveObjectCount(), 1);
  ASSERT_EQ(factory_->CreateInstance(nullptr, IID_ITestSecondary, &out), S_OK);
  EXPECT_EQ(static_cast<ITestSecondary*>(out)->Release(), 0u);
}

TEST_F(ClassFactory, ClassObjectsAndLocksKeepTheModuleLoaded) {
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

TEST_F(ClassFactory, CreateInstanceHandsOverTheOnlyReference) {
  CountingOuter outer;
  void* out = &out;
  EXPECT_EQ(factory_->CreateInstance(&outer, IID_ITestSecondary, &out), CLASS_E_NOAGGREGATION);
  EXPECT_EQ(TestComObject::destroyed, 0);

  // Aggregated: the outer gets the inner object's nondelegating unknown.
  ASSERT_EQ(factory_->CreateInstance(&outer, IID_IUnknown, &out), S_OK);
  INondelegatingUnknown* inner = static_cast<INondelegatingUnknown*>(out);
  EXPECT_EQ(static_cast<TestComObject*>(inner)->outerUnknown(), &outer);
  EXPECT_EQ(inner->NondelegatingRelease(), 0u);

  // A refused interface or a failing Init destroys the new object.
  EXPECT_EQ(factory_->CreateInstance(nullptr, IID_IKxContentImp, &out), E_NOINTERFACE);
  EXPECT_EQ(factory_->CreateInstance(nullptr, IID_IUnknown, nullptr), E_INVALIDARG);
  TestComObject::initResult = static_cast<HRESULT>(0x80041234u);
  EXPECT_EQ(factory_->CreateInstance(nullptr, IID_IUnknown, &out), E_FAIL);
  EXPECT_EQ(TestComObject::destroyed, 4);
  EXPECT_EQ(KxComUnknown::GetLiveObjectCount(), 1);
}

TEST(ModuleEntry, AttachStoresTheModulePathAndOtherReasonsDoNothing) {
  KxComDllInfo info(kTestTable);
  EXPECT_TRUE(KxModuleEntry(info, 1));
  ASSERT_NE(info.modulePath(), nullptr);
  EXPECT_NE(info.modulePath()[0], '\0');
  EXPECT_FALSE(KxModuleEntry(info, 2));
  EXPECT_TRUE(KxModuleEntry(info, 0));
  // The stored path is a copy, and may be set from itself.
  char path[] = "/opt/module.so";
  info.SetModulePath(path);
  path[1] = 'X';
  info.SetModulePath(info.modulePath());
  EXPECT_STREQ(info.modulePath(), "/opt/module.so");
}

}  // namespace
}  // namespace Kelvane
