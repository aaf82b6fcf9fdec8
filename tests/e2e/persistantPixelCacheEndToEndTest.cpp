// The persistent pixel cache as a host uses it: created through the loaded
// module's class object, configured through its own interface, chained over
// a source, and serving a repeated decode from its tile files alone.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "fakes/decodeBufferBuilder.h"
#include "fakes/fakeUpstream.h"
#include "kelvane/kx_lib_sp_xform.h"
#include "loadedModule.h"

namespace Kelvane {
namespace {

using Fakes::FakeUpstream;
using Fakes::FakeUpstreamConfig;
using Fakes::MakeScene;
using Fakes::OwnedDecodeBuffer;

class PersistantPixelCacheEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    const LoadedModule& module = LoadedModule::Get();
    ASSERT_TRUE(module.loaded()) << module.error;
    directory_ = std::string(KX_TEST_TMPDIR) + "/e2e-cache-" + std::to_string(getpid());
    std::filesystem::remove_all(directory_);

    FakeUpstreamConfig config;
    config.width = 1024;
    config.height = 1024;
    source_ = FakeUpstream::Create(config);

    // The stage, created and configured as a host does it.
    IClassFactory* factory = nullptr;
    ASSERT_EQ(
        module.getClassObject(CLSID_KxvPersistantPixelCache, IID_IClassFactory, reinterpret_cast<void**>(&factory)),
        S_OK);
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IKxContentImp, reinterpret_cast<void**>(&stage_)), S_OK);
    factory->Release();
    ASSERT_EQ(stage_->QueryInterface(IID_IKxPersistantPixelCache2, reinterpret_cast<void**>(&cache_)), S_OK);
    ASSERT_EQ(cache_->SetCacheDirectory(directory_.c_str()), S_OK);
    ASSERT_EQ(cache_->SetTileSize(256, 256), S_OK);
    ASSERT_EQ(stage_->SetContainedImp(source_), S_OK);
  }
  void TearDown() override {
    if (cache_ != nullptr) cache_->Release();
    if (stage_ != nullptr) stage_->Release();
    EXPECT_EQ(source_->refCount(), 1u);
    source_->Release();
    EXPECT_EQ(LoadedModule::Get().canUnloadNow(), S_OK);
    std::filesystem::remove_all(directory_);
  }

  OwnedDecodeBuffer Buffer(const Scene& scene) {
    return OwnedDecodeBuffer(scene, Fakes::BufferLayout::Interleaved(3, KX_TYPE_U8));
  }

  std::string directory_;
  FakeUpstream* source_ = nullptr;
  IKxContentImp* stage_ = nullptr;
  IKxPersistantPixelCache2* cache_ = nullptr;
};

TEST_F(PersistantPixelCacheEndToEnd, ARepeatedDecodeComesFromTheTileFiles) {
  for (int round = 0; round < 2; ++round) {
    OwnedDecodeBuffer buffer = Buffer(MakeScene(100, 200, 600, 500));
    ASSERT_EQ(stage_->Decode(buffer.get(), KXV_BEST_QUALITY, nullptr), S_OK);
    EXPECT_EQ(source_->FirstMismatch(buffer.record()), "");
  }
  EXPECT_EQ(source_->decodeCount(), 1u);
  EXPECT_TRUE(std::filesystem::exists(directory_ + "/-0.000000/2/r2.c2.w256.h256.c1.bps8.smp0.bip.raw"));
}

}  // namespace
}  // namespace Kelvane
