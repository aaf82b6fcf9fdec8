// Every decode through the cache equals the upstream source's own decode of
// the same scene: first decodes (cuts and writes) and repeated ones (tiles
// from disk), at several magnifications, sample types, band counts, scene
// placements and caller layouts.
#include <gtest/gtest.h>

#include <cmath>
#include <tuple>
#include <vector>

#include "stages/persistantPixelCacheChain.h"
#include "support/supportTestDir.h"

namespace Kelvane {
namespace {

using Fakes::BufferLayout;
using Fakes::FakeUpstreamConfig;
using Fakes::MakeScene;
using Fakes::OwnedDecodeBuffer;

FakeUpstreamConfig Source(uint32_t type, uint32_t bands) {
  FakeUpstreamConfig config;
  config.width = 1000;
  config.height = 700;
  config.type = type;
  config.bitsPerSample = 8 * KxHostSampleBytes(type);
  config.numBands = bands;
  config.colorSpace = BufferLayout::Interleaved(bands, type).colorSpace;
  config.background.assign(bands, 9.0);
  config.hasBackground = true;
  // The image size comes from the source's own query, or else from its properties.
  config.hasImageSize = bands != 3;
  return config;
}

void ExpectExact(const CacheChain& chain, OwnedDecodeBuffer& buffer) {
  ASSERT_EQ(chain.Decode(buffer), S_OK);
  EXPECT_EQ(chain.source()->FirstMismatch(buffer.record()), "")
      << "scene " << buffer.record().scene.ulx << "," << buffer.record().scene.uly << " " << buffer.record().scene.width
      << "x" << buffer.record().scene.height << " at " << buffer.record().scene.mag;
  EXPECT_TRUE(buffer.guardIntact());
}

class CachedPixels : public ::testing::TestWithParam<std::tuple<uint32_t, uint32_t, double>> {};

TEST_P(CachedPixels, EqualTheUpstreamsOwnDecode) {
  const auto [type, bands, mag] = GetParam();
  SupportTestDir dir;
  CacheChain chain(Source(type, bands), dir.path());
  ASSERT_EQ(chain.settings()->SetTileSize(128, 96), S_OK);
  const double width = std::floor(1000 * mag + 0.5);
  const double height = std::floor(700 * mag + 0.5);
  // Aligned to tiles, unaligned, the whole image, and across two edges.
  const std::vector<Scene> scenes = {MakeScene(128, 96, 128, 96, mag), MakeScene(37, 51, 201, 73, mag),
                                     MakeScene(0, 0, width, height, mag), MakeScene(width - 50, -20, 120, 90, mag)};
  for (int round = 0; round < 2; ++round) {
    const uint32_t decodes = chain.source()->decodeCount();
    for (const Scene& scene : scenes) {
      OwnedDecodeBuffer buffer = chain.Buffer(scene);
      ExpectExact(chain, buffer);
    }
    // The first round left every tile it touched on disk.
    if (round == 1) {
      EXPECT_EQ(chain.source()->decodeCount(), decodes);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(TypesBandsAndMagnifications, CachedPixels,
                         ::testing::Combine(::testing::Values(KX_TYPE_U8, KX_TYPE_U16), ::testing::Values(1u, 3u, 4u),
                                            ::testing::Values(1.0, 0.5, 0.25)));

// Callers with different layouts share the same tiles.
TEST(CachedPixelsLayouts, CallersOfAnyLayoutShareTheSameTiles) {
  SupportTestDir dir;
  CacheChain chain(Source(KX_TYPE_U16, 3), dir.path());
  ASSERT_EQ(chain.settings()->SetTileSize(100, 100), S_OK);
  BufferLayout scattered = BufferLayout::Interleaved(3, KX_TYPE_U16);
  scattered.stride = 4;
  scattered.slots = {2, 0, 1};
  scattered.align = 16;
  BufferLayout planes = BufferLayout::BandSequential(3, KX_TYPE_U16);
  planes.rowPadding = 6;
  const Scene scene = MakeScene(50, 50, 300, 200);
  for (const BufferLayout& layout : {scattered, planes, BufferLayout::Interleaved(3, KX_TYPE_U16)}) {
    OwnedDecodeBuffer buffer(scene, layout);
    ExpectExact(chain, buffer);
  }
  EXPECT_EQ(chain.Statistics(), "totalTiles: 12, numCuts: 0/0, cacheReads: 12 cacheWrites: 0");
}

}  // namespace
}  // namespace Kelvane
