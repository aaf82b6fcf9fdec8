// The multiband selector as a host uses it: created through the loaded
// module's class object, on its own or aggregated, chained over a source,
// decoding selected bands, and letting the module unload once released.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <vector>

#include "fakes/decodeBufferBuilder.h"
#include "fakes/fakeUpstream.h"
#include "kelvane/kx_lib_sp_xform.h"

namespace Kelvane {
namespace {

using Fakes::BufferLayout;
using Fakes::FakeUpstream;
using Fakes::FakeUpstreamConfig;
using Fakes::MakeScene;
using Fakes::OwnedDecodeBuffer;

// A host object that aggregates a module object: it answers IUnknown itself
// and passes every other query to the inner object's nondelegating unknown,
// which it owns and releases when it dies.
class AggregatingHost final : public IUnknown {
 public:
  HRESULT KX_STDCALL QueryInterface(const IID& iid, void** out) override {
    if (out == nullptr) return E_INVALIDARG;
    if (KxIsEqualGUID(iid, IID_IUnknown)) {
      *out = static_cast<IUnknown*>(this);
      AddRef();
      return S_OK;
    }
    if (inner == nullptr) {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    return inner->QueryInterface(iid, out);
  }
  ULONG KX_STDCALL AddRef() override { return ++references; }
  ULONG KX_STDCALL Release() override {
    const ULONG left = --references;
    if (left == 0) {
      IUnknown* owned = inner;
      inner = nullptr;
      if (owned != nullptr) owned->Release();
      destroyed = true;
    }
    return left;
  }

  IUnknown* inner = nullptr;  // the inner object's nondelegating unknown
  ULONG references = 1;
  bool destroyed = false;
};

class MultibandSelectorEndToEnd : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { module_ = ::dlopen(KX_MODULE_PATH, RTLD_NOW | RTLD_LOCAL); }
  static void TearDownTestSuite() {
    if (module_ != nullptr) ::dlclose(module_);
    module_ = nullptr;
  }

  void SetUp() override {
    ASSERT_NE(module_, nullptr) << ::dlerror();
    getClassObject_ = reinterpret_cast<KxDllGetClassObjectFn>(::dlsym(module_, "DllGetClassObject"));
    canUnloadNow_ = reinterpret_cast<KxDllCanUnloadNowFn>(::dlsym(module_, "DllCanUnloadNow"));
    ASSERT_NE(getClassObject_, nullptr);
    ASSERT_NE(canUnloadNow_, nullptr);
    ASSERT_EQ(canUnloadNow_(), S_OK);
    // A seven-band multiband source that decodes selected bands.
    FakeUpstreamConfig sevenBands;
    sevenBands.numBands = 7;
    sevenBands.colorSpace = KX_CS_MULTIBAND;
    sevenBands.hasBandSelect = true;
    source_ = FakeUpstream::Create(sevenBands);
  }
  void TearDown() override {
    EXPECT_EQ(source_->refCount(), 1u);
    source_->Release();
    EXPECT_EQ(canUnloadNow_(), S_OK);
  }

  // Creates a selector through the class object, the way a host does.
  HRESULT Create(IUnknown* outer, const IID& iid, void** out) {
    IClassFactory* factory = nullptr;
    const HRESULT got =
        getClassObject_(CLSID_KxvMultibandSelectorImp, IID_IClassFactory, reinterpret_cast<void**>(&factory));
    if (FAILED(got)) return got;
    const HRESULT created = factory->CreateInstance(outer, iid, out);
    factory->Release();
    return created;
  }

  // Chains `stage` over the source, selects bands 6, 2, 4 and checks a
  // decode of a band-sequential 16-bit scene against the source's samples.
  void SelectAndDecode(IKxContentImp* stage, IKxMultibandSelector* selector) {
    ASSERT_EQ(stage->SetContainedImp(source_), S_OK);
    ASSERT_EQ(stage->Initialize(), S_OK);
    const std::vector<uint16_t> map{6, 2, 4};
    ASSERT_EQ(selector->SetBands(map.data(), 3), S_OK);

    OwnedDecodeBuffer buffer(MakeScene(20, 10, 12, 6, 0.5), BufferLayout::BandSequential(3, KX_TYPE_U16));
    ASSERT_EQ(stage->Decode(buffer.get(), KXV_BEST_QUALITY, nullptr), S_OK);
    EXPECT_EQ(source_->FirstMismatch(buffer.record(), map.data()), "");
    EXPECT_TRUE(buffer.guardIntact());
  }

  static inline void* module_ = nullptr;
  KxDllGetClassObjectFn getClassObject_ = nullptr;
  KxDllCanUnloadNowFn canUnloadNow_ = nullptr;
  FakeUpstream* source_ = nullptr;
};

TEST_F(MultibandSelectorEndToEnd, CreatedThroughTheModuleDecodesSelectedBands) {
  IKxContentImp* stage = nullptr;
  ASSERT_EQ(Create(nullptr, IID_IKxContentImp, reinterpret_cast<void**>(&stage)), S_OK);
  EXPECT_EQ(canUnloadNow_(), S_FALSE);
  IKxMultibandSelector* selector = nullptr;
  ASSERT_EQ(stage->QueryInterface(IID_IKxMultibandSelector, reinterpret_cast<void**>(&selector)), S_OK);

  SelectAndDecode(stage, selector);

  selector->Release();
  EXPECT_EQ(canUnloadNow_(), S_FALSE);
  stage->Release();
}

TEST_F(MultibandSelectorEndToEnd, AggregatedUnderAHostObjectCountsAgainstIt) {
  AggregatingHost host;
  AggregatingHost* outer = &host;
  ASSERT_EQ(Create(outer, IID_IUnknown, reinterpret_cast<void**>(&outer->inner)), S_OK);
  EXPECT_EQ(outer->references, 1u);

  // The selector's interfaces are reached through the outer object and count against it.
  IKxContentImp* stage = nullptr;
  IKxMultibandSelector* selector = nullptr;
  ASSERT_EQ(outer->QueryInterface(IID_IKxContentImp, reinterpret_cast<void**>(&stage)), S_OK);
  ASSERT_EQ(stage->QueryInterface(IID_IKxMultibandSelector, reinterpret_cast<void**>(&selector)), S_OK);
  EXPECT_EQ(outer->references, 3u);
  void* identity = nullptr;
  ASSERT_EQ(selector->QueryInterface(IID_IUnknown, &identity), S_OK);
  EXPECT_EQ(identity, static_cast<IUnknown*>(outer));
  outer->Release();

  SelectAndDecode(stage, selector);

  // Releasing the interfaces and then the outer object frees the inner one.
  selector->Release();
  stage->Release();
  EXPECT_EQ(canUnloadNow_(), S_FALSE);
  EXPECT_EQ(outer->Release(), 0u);
  EXPECT_TRUE(outer->destroyed);
}

}  // namespace
}  // namespace Kelvane
