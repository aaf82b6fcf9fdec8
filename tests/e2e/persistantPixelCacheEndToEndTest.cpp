// The persistent pixel cache as a host uses it: created through the loaded
// module's class object, configured through its own interface, chained over
// a source, and serving a repeated decode from its tile files alone.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "fakes/decodeBufferBuilder.h"
#include "fakes/fakeUpstream.h"
#include "loadedModule.h"

namespace Kelvane {
namespace {

using PersistantPixelCacheEndToEnd = LoadedModuleTest;

TEST_F(PersistantPixelCacheEndToEnd, ARepeatedDecodeComesFromTheTileFiles) {
  const std::string directory = std::string(KX_TEST_TMPDIR) + "/e2e-cache-" + std::to_string(getpid());
  std::filesystem::remove_all(directory);
  Fakes::FakeUpstreamConfig config;
  config.width = 1024;
  config.height = 1024;
  Fakes::FakeUpstream* source = Fakes::FakeUpstream::Create(config);

  // The stage, created and configured as a host does it.
  IKxContentImp* stage = module_.createStage(CLSID_KxvPersistantPixelCache);
  auto* cache = Query<IKxPersistantPixelCache2>(stage, IID_IKxPersistantPixelCache2);
  ASSERT_NE(cache, nullptr);
  ASSERT_EQ(cache->SetCacheDirectory(directory.c_str()), S_OK);
  ASSERT_EQ(cache->SetTileSize(256, 256), S_OK);
  ASSERT_EQ(stage->SetContainedImp(source), S_OK);
  for (int round = 0; round < 2; ++round) {
    Fakes::OwnedDecodeBuffer buffer(Fakes::MakeScene(100, 200, 600, 500),
                                    Fakes::BufferLayout::Interleaved(3, KX_TYPE_U8));
    ASSERT_EQ(stage->Decode(buffer.get(), KXV_BEST_QUALITY, nullptr), S_OK);
    EXPECT_EQ(source->FirstMismatch(buffer.record()), "");
  }
  EXPECT_EQ(source->decodeCount(), 1u);
  EXPECT_TRUE(std::filesystem::exists(directory + "/-0.000000/2/r2.c2.w256.h256.c1.bps8.smp0.bip.raw"));

  cache->Release();
  EXPECT_EQ(stage->Release(), 0u);
  EXPECT_EQ(source->Release(), 0u);
  std::filesystem::remove_all(directory);
}

}  // namespace
}  // namespace Kelvane
