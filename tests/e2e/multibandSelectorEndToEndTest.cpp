// The multiband selector as a host uses it: created through the loaded
// module's class object under a host object that aggregates it, chained over
// a source, decoding selected bands, and letting the module unload once released.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "fakes/decodeBufferBuilder.h"
#include "fakes/fakeUpstream.h"
#include "loadedModule.h"

namespace Kelvane {
namespace {

using Fakes::FakeUpstream;

// A host object that aggregates a module object: it answers IUnknown itself
// and passes every other query to the inner object's nondelegating unknown,
// which it owns and releases when it dies.
class AggregatingHost final : public IUnknown {
 public:
  HRESULT KX_STDCALL QueryInterface(const IID& iid, void** out) override {
    if (!KxIsEqualGUID(iid, IID_IUnknown)) return inner->QueryInterface(iid, out);
    *out = static_cast<IUnknown*>(this);
    AddRef();
    return S_OK;
  }
  ULONG KX_STDCALL AddRef() override { return ++references; }
  ULONG KX_STDCALL Release() override {
    if (--references == 0) std::exchange(inner, nullptr)->Release();
    return references;
  }

  IUnknown* inner = nullptr;  // the inner object's nondelegating unknown
  ULONG references = 1;
};

using MultibandSelectorEndToEnd = LoadedModuleTest;

TEST_F(MultibandSelectorEndToEnd, AggregatedUnderAHostObjectDecodesSelectedBands) {
  ASSERT_EQ(module_.canUnloadNow(), S_OK);
  Fakes::FakeUpstreamConfig sevenBands;
  sevenBands.numBands = 7;
  sevenBands.colorSpace = KX_CS_MULTIBAND;
  sevenBands.hasBandSelect = true;
  FakeUpstream* source = FakeUpstream::Create(sevenBands);

  // Created through the class object; the outer object gets the inner unknown.
  AggregatingHost outer;
  IClassFactory* factory = nullptr;
  ASSERT_EQ(
      module_.getClassObject(CLSID_KxvMultibandSelectorImp, IID_IClassFactory, reinterpret_cast<void**>(&factory)),
      S_OK);
  ASSERT_EQ(factory->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(&outer.inner)), S_OK);
  factory->Release();
  EXPECT_EQ(outer.references, 1u);

  // The selector's interfaces are reached through the outer object and count against it.
  auto* stage = Query<IKxContentImp>(&outer, IID_IKxContentImp);
  auto* selector = Query<IKxMultibandSelector>(stage, IID_IKxMultibandSelector);
  ASSERT_NE(selector, nullptr);
  EXPECT_EQ(outer.references, 3u);
  EXPECT_EQ(Query<IUnknown>(selector, IID_IUnknown), static_cast<IUnknown*>(&outer));
  outer.Release();

  // Bands 6, 2, 4 of a band-sequential 16-bit scene are the source's, in that order.
  ASSERT_EQ(stage->SetContainedImp(source), S_OK);
  ASSERT_EQ(stage->Initialize(), S_OK);
  const std::vector<uint16_t> map{6, 2, 4};
  ASSERT_EQ(selector->SetBands(map.data(), 3), S_OK);
  Fakes::OwnedDecodeBuffer buffer(Fakes::MakeScene(20, 10, 12, 6, 0.5),
                                  Fakes::BufferLayout::BandSequential(3, KX_TYPE_U16));
  ASSERT_EQ(stage->Decode(buffer.get(), KXV_BEST_QUALITY, nullptr), S_OK);
  EXPECT_EQ(source->FirstMismatch(buffer.record(), map.data()), "");
  EXPECT_TRUE(buffer.guardIntact());

  // Releasing the interfaces and then the outer object frees the inner one and its hold on the source.
  selector->Release();
  stage->Release();
  EXPECT_EQ(module_.canUnloadNow(), S_FALSE);
  EXPECT_EQ(outer.Release(), 0u);
  EXPECT_EQ(module_.canUnloadNow(), S_OK);
  EXPECT_EQ(source->Release(), 0u);
}

}  // namespace
}  // namespace Kelvane
