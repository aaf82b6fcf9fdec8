// Reference counting, aggregation and the create contract of component objects.
#include <gtest/gtest.h>

#include "com/testComObject.h"

namespace Kelvane {
namespace {

class ComUnknown : public ::testing::Test {
 protected:
  void SetUp() override { TestComObject::Reset(); }

  // A test object made by its create function, with the interface `iid` of it.
  INondelegatingUnknown* Create(IUnknown* outer, const IID& iid, void** out) {
    INondelegatingUnknown* object = nullptr;
    EXPECT_EQ(KxComCreate<TestComObject>(outer, &object), S_OK);
    EXPECT_EQ(object->NondelegatingQueryInterface(iid, out), S_OK);
    return object;
  }

  const int32_t liveAtStart_ = KxComUnknown::GetLiveObjectCount();
};

TEST_F(ComUnknown, LastReleaseRunsFinalReleaseOnceAndDestroys) {
  void* out = nullptr;
  INondelegatingUnknown* object = Create(nullptr, IID_ITestSecondary, &out);
  ITestSecondary* secondary = static_cast<ITestSecondary*>(out);
  EXPECT_EQ(KxComUnknown::GetLiveObjectCount(), liveAtStart_ + 1);
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
  EXPECT_EQ(KxComUnknown::GetLiveObjectCount(), liveAtStart_);
}

TEST_F(ComUnknown, AggregationCountsSecondaryInterfacesAgainstTheOuterObject) {
  CountingOuter outer;
  void* out = nullptr;
  INondelegatingUnknown* inner = Create(&outer, IID_ITestSecondary, &out);
  ITestSecondary* secondary = static_cast<ITestSecondary*>(out);
  EXPECT_EQ(outer.references, 2u);
  EXPECT_EQ(static_cast<TestComObject*>(secondary)->referenceCount(), 1);
  EXPECT_EQ(secondary->Release(), 1u);
  // Queries on the secondary interface ask the outer object.
  ASSERT_EQ(secondary->QueryInterface(IID_IUnknown, &out), S_OK);
  EXPECT_EQ(out, static_cast<void*>(&outer));
  EXPECT_EQ(inner->NondelegatingRelease(), 0u);
  EXPECT_EQ(TestComObject::destroyed, 1);
}

TEST_F(ComUnknown, CreateContractFailuresLeaveNothingBehind) {
  EXPECT_EQ(KxComCreate<TestComObject>(nullptr, nullptr), E_INVALIDARG);
  // A failing Init destroys the object without the release hooks and gives
  // E_FAIL, whatever Init returned.
  TestComObject::initResult = E_INVALIDARG;
  INondelegatingUnknown* object = reinterpret_cast<INondelegatingUnknown*>(&object);
  EXPECT_EQ(KxComCreate<TestComObject>(nullptr, &object), E_FAIL);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(TestComObject::destroyed, 1);
  EXPECT_EQ(TestComObject::finalReleases, 0);
  EXPECT_EQ(KxComUnknown::GetLiveObjectCount(), liveAtStart_);
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
