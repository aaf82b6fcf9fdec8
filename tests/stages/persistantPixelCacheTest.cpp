// The persistent pixel cache stage: its configuration interface, what it
// reports, when it bypasses the cache, and the tiles it writes and reads for
// whole scenes, partial scenes and scenes reaching outside the image.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "stages/persistantPixelCacheChain.h"
#include "support/supportTestDir.h"

namespace Kelvane {
namespace {

using Fakes::FakeUpstreamConfig;
using Fakes::MakeScene;
using Fakes::OwnedDecodeBuffer;
using Names = std::vector<std::string>;

FakeUpstreamConfig Image(uint32_t width, uint32_t height) {
  FakeUpstreamConfig config;
  config.width = width;
  config.height = height;
  return config;
}

// Decodes `scene` through the chain and expects exactly the source's pixels.
void ExpectExactDecode(const CacheChain& chain, const Scene& scene) {
  OwnedDecodeBuffer buffer = chain.Buffer(scene);
  ASSERT_EQ(chain.Decode(buffer), S_OK);
  EXPECT_EQ(chain.source()->FirstMismatch(buffer.record()), "");
  EXPECT_TRUE(buffer.guardIntact());
}

class PersistantPixelCache : public ::testing::Test {
 protected:
  std::string Level(const std::string& relative) { return dir_ / ("-0.000000/" + relative); }

  SupportTestDir dir_;
};

TEST_F(PersistantPixelCache, StartsWithDefaultsAndNormalisesTheDirectory) {
  CacheChain chain(Image(64, 64), "");
  IKxPersistantPixelCache2* settings = chain.settings();
  uint32_t width = 0;
  uint32_t height = 0;
  EXPECT_EQ(settings->GetCacheDirectory(), nullptr);
  EXPECT_EQ(settings->GetTileSize(nullptr, nullptr), S_OK);
  EXPECT_EQ(settings->GetTileSize(&width, &height), S_OK);
  EXPECT_EQ(width, 512u);
  EXPECT_EQ(height, 512u);
  EXPECT_EQ(settings->GetTileRatioThreshold(), 0.0);
  EXPECT_EQ(settings->GetUtilityThreshold(), 0.0);
  EXPECT_EQ(settings->GetMaxCuts(), 3u);
  EXPECT_EQ(settings->GetMaxMagnification(), 1.0);

  // The directory ends in exactly one separator; null or empty switch the cache off.
  for (const char* given : {"/var/cache/tiles", "/var/cache/tiles/", "/var/cache/tiles//", "/var/cache/tiles\\"}) {
    EXPECT_EQ(settings->SetCacheDirectory(given), S_OK);
    EXPECT_STREQ(settings->GetCacheDirectory(), "/var/cache/tiles/") << given;
  }
  EXPECT_EQ(settings->SetCacheDirectory(""), S_OK);
  EXPECT_EQ(settings->GetCacheDirectory(), nullptr);
  EXPECT_EQ(settings->SetCacheDirectory("/"), S_OK);
  EXPECT_STREQ(settings->GetCacheDirectory(), "/");
  EXPECT_EQ(settings->SetCacheDirectory(nullptr), S_OK);
  EXPECT_EQ(settings->GetCacheDirectory(), nullptr);
}

// A host reaches the configuration through the table slots, under either identifier.
TEST_F(PersistantPixelCache, AnswersBothIdentifiersWithOneTableOfFifteenSlots) {
  CacheChain chain(Image(64, 64), "");
  void* first = nullptr;
  void* second = nullptr;
  ASSERT_EQ(chain.imp()->QueryInterface(IID_IKxPersistantPixelCache, &first), S_OK);
  ASSERT_EQ(chain.imp()->QueryInterface(IID_IKxPersistantPixelCache2, &second), S_OK);
  EXPECT_EQ(first, second);
  void* geo = nullptr;
  ASSERT_EQ(chain.imp()->QueryInterface(IID_IKxGeoRaster, &geo), S_OK);
  static_cast<IUnknown*>(geo)->Release();
  EXPECT_EQ(chain.imp()->QueryInterface(IID_IKxPersistantPixelCache, nullptr), E_INVALIDARG);

  using SetTileSizeSlot = HRESULT(KX_STDCALL*)(void*, uint32_t, uint32_t);
  using GetMaxCutsSlot = uint32_t(KX_STDCALL*)(void*);
  using SetMaxMagSlot = HRESULT(KX_STDCALL*)(void*, double);
  using GetMaxMagSlot = double(KX_STDCALL*)(void*);
  void** table = *static_cast<void***>(first);
  EXPECT_EQ(reinterpret_cast<SetTileSizeSlot>(table[5])(first, 33, 44), S_OK);
  EXPECT_EQ(reinterpret_cast<SetMaxMagSlot>(table[13])(first, 0.5), S_OK);
  EXPECT_EQ(reinterpret_cast<GetMaxCutsSlot>(table[12])(first), 3u);
  EXPECT_EQ(reinterpret_cast<GetMaxMagSlot>(table[14])(first), 0.5);
  uint32_t width = 0;
  EXPECT_EQ(chain.settings()->GetTileSize(&width, nullptr), S_OK);
  EXPECT_EQ(width, 33u);
  static_cast<IUnknown*>(first)->Release();
  static_cast<IUnknown*>(second)->Release();
}

TEST_F(PersistantPixelCache, ReportsTheUpstreamAsCachedAndOctaveOnly) {
  FakeUpstreamConfig config = Image(64, 64);
  config.flags = KX_CAP_ANY_MAG | KX_CAP_PARTIAL_SCENE;
  CacheChain chain(config, "");
  RasterProps props;
  ASSERT_EQ(chain.imp()->GetRasterProps(&props), S_OK);
  EXPECT_EQ(props.flags, 0x10u | KX_CAP_POW2_MAG | KX_CAP_PARTIAL_SCENE);
  EXPECT_EQ(props.width, 64u);
}

// The 1000 x 700 image in 512 x 512 tiles: four files in two row
// directories; the identical second decode comes from disk alone.
TEST_F(PersistantPixelCache, CachesAWholeImageAndServesItAgainFromDisk) {
  CacheChain chain(Image(1000, 700), dir_.path());
  ExpectExactDecode(chain, MakeScene(0, 0, 1000, 700));
  EXPECT_EQ(chain.Statistics(), "totalTiles: 4, numCuts: 1/1, cacheReads: 0 cacheWrites: 4");
  EXPECT_EQ(
      FilesBelow(dir_.path()),
      (Names{"-0.000000/0/r0.c0.w512.h512.c1.bps8.smp0.bip.raw", "-0.000000/0/r0.c1.w488.h512.c1.bps8.smp0.bip.raw",
             "-0.000000/1/r1.c0.w512.h188.c1.bps8.smp0.bip.raw", "-0.000000/1/r1.c1.w488.h188.c1.bps8.smp0.bip.raw"}));
  EXPECT_EQ(std::filesystem::file_size(Level("1/r1.c1.w488.h188.c1.bps8.smp0.bip.raw")), 488u * 188u * 3u);

  const uint32_t decodes = chain.source()->decodeCount();
  ExpectExactDecode(chain, MakeScene(0, 0, 1000, 700));
  EXPECT_EQ(chain.source()->decodeCount(), decodes);
  EXPECT_EQ(chain.Statistics(), "totalTiles: 4, numCuts: 0/0, cacheReads: 4 cacheWrites: 0");
  EXPECT_TRUE(chain.logger()->contains(7, "KxvPersistantPixelCache: cache hit"));
}

// Four runs of missing tiles that cannot merge, with at most three cuts:
// one upstream decode of the whole scene, and only its whole tiles written.
TEST_F(PersistantPixelCache, TooManyCutsDecodeTheWholeSceneOnce) {
  CacheChain chain(Image(256, 512), dir_.path());
  ASSERT_EQ(chain.settings()->SetTileSize(128, 128), S_OK);
  // Tiles cached beforehand in a chequer: (0,1), (1,0), (2,1), (3,0).
  for (int row = 0; row < 4; ++row) ExpectExactDecode(chain, MakeScene(128.0 * (1 - row % 2), 128.0 * row, 128, 128));
  const uint32_t decodes = chain.source()->decodeCount();

  // The scene leaves out the top and bottom 25 rows.
  ExpectExactDecode(chain, MakeScene(0, 25, 256, 462));
  EXPECT_EQ(chain.source()->decodeCount(), decodes + 1);
  const Scene decoded = chain.source()->lastDecodeScene();
  EXPECT_EQ(std::vector<double>({decoded.ulx, decoded.uly, decoded.width, decoded.height}),
            std::vector<double>({0, 25, 256, 462}));
  EXPECT_EQ(chain.Statistics(), "totalTiles: 8, numCuts: 0/4, cacheReads: 0 cacheWrites: 2");
  EXPECT_TRUE(std::filesystem::exists(Level("1/r1.c1.w128.h128.c1.bps8.smp0.bip.raw")));
  EXPECT_TRUE(std::filesystem::exists(Level("2/r2.c0.w128.h128.c1.bps8.smp0.bip.raw")));
  EXPECT_FALSE(std::filesystem::exists(Level("0/r0.c0.w128.h128.c1.bps8.smp0.bip.raw")));
  EXPECT_FALSE(std::filesystem::exists(Level("3/r3.c1.w128.h128.c1.bps8.smp0.bip.raw")));
}

TEST_F(PersistantPixelCache, ScenesOutsideTheImageKeepTheBackground) {
  FakeUpstreamConfig config = Image(1000, 700);
  config.background = {11, 22, 33};
  config.hasBackground = true;
  CacheChain chain(config, dir_.path());
  // 100 columns beyond the right edge: background there, tiles inside.
  ExpectExactDecode(chain, MakeScene(600, 0, 500, 300));
  for (const Scene& scene : chain.source()->decodedScenes()) EXPECT_LE(scene.ulx + scene.width, 1000.0);
  ExpectExactDecode(chain, MakeScene(600, 0, 500, 300));
  EXPECT_EQ(chain.Statistics(), "totalTiles: 1, numCuts: 0/0, cacheReads: 1 cacheWrites: 0");

  // Wholly outside: background only, without asking the upstream.
  const uint32_t decodes = chain.source()->decodeCount();
  ExpectExactDecode(chain, MakeScene(-400, 800, 300, 100));
  EXPECT_EQ(chain.source()->decodeCount(), decodes);
}

TEST_F(PersistantPixelCache, BypassesTheCacheWhenItCannotHelp) {
  FakeUpstreamConfig config = Image(1200, 800);
  config.maxMag = 2.0;
  // No directory: plain decodes, nothing on disk.
  {
    CacheChain chain(config, "");
    ExpectExactDecode(chain, MakeScene(0, 0, 300, 200));
    EXPECT_EQ(chain.source()->decodeCount(), 1u);
  }
  CacheChain chain(config, dir_.path());
  // Above the maximum magnification.
  ExpectExactDecode(chain, MakeScene(0, 0, 300, 200, 2.0));
  // Tiles too small against the image: ratios 0.427 and 0.64 against 0.5.
  ASSERT_EQ(chain.settings()->SetTileRatioThreshold(0.5), S_OK);
  ExpectExactDecode(chain, MakeScene(0, 0, 300, 200));
  EXPECT_TRUE(chain.logger()->contains(
      7,
      "KxvPersistantPixelCache::Decode - tile ratio (0.426667,0.640000) below threshold (0.500000), avoiding cache"));
  ASSERT_EQ(chain.settings()->SetTileRatioThreshold(0.0), S_OK);
  // A tile extent of 0, and a scene corner between pixels.
  ASSERT_EQ(chain.settings()->SetTileSize(0, 512), S_OK);
  ExpectExactDecode(chain, MakeScene(0, 0, 300, 200));
  ASSERT_EQ(chain.settings()->SetTileSize(512, 512), S_OK);
  ExpectExactDecode(chain, MakeScene(10.25, 0, 300, 200));

  EXPECT_EQ(chain.source()->decodeCount(), 4u);
  EXPECT_EQ(chain.Statistics(), "");
  EXPECT_TRUE(FilesBelow(dir_.path()).empty());
}

TEST_F(PersistantPixelCache, FloatingPointScenesAreDecodedPlain) {
  FakeUpstreamConfig config = Image(300, 200);
  config.type = KX_TYPE_F32;
  config.bitsPerSample = 32;
  CacheChain chain(config, dir_.path());
  ExpectExactDecode(chain, MakeScene(0, 0, 300, 200));
  EXPECT_TRUE(FilesBelow(dir_.path()).empty());
}

TEST_F(PersistantPixelCache, ShortTileFilesAreDecodedEveryTimeAndLongOnesServed) {
  CacheChain chain(Image(1000, 700), dir_.path());
  ExpectExactDecode(chain, MakeScene(0, 0, 1000, 700));
  const std::string shortTile = Level("0/r0.c0.w512.h512.c1.bps8.smp0.bip.raw");
  const std::string longTile = Level("1/r1.c1.w488.h188.c1.bps8.smp0.bip.raw");
  std::filesystem::resize_file(shortTile, 1000);
  std::ofstream(longTile, std::ios::binary | std::ios::app) << "trailing bytes";

  for (int round = 0; round < 2; ++round) {
    const uint32_t decodes = chain.source()->decodeCount();
    ExpectExactDecode(chain, MakeScene(0, 0, 1000, 700));
    EXPECT_EQ(chain.source()->decodeCount(), decodes + 1);
    EXPECT_EQ(chain.Statistics(), "totalTiles: 4, numCuts: 1/1, cacheReads: 3 cacheWrites: 0");
  }
  EXPECT_EQ(std::filesystem::file_size(shortTile), 1000u);
}

// A tile whose file cannot be read (here a directory, long enough to pass
// for a tile, under its name) is decoded with the cuts and left as it is.
TEST_F(PersistantPixelCache, UnreadableTilesAreRecoveredButNotRewritten) {
  CacheChain chain(Image(20, 15), dir_.path());
  ASSERT_EQ(chain.settings()->SetTileSize(10, 10), S_OK);
  const std::string blocked = Level("0/r0.c1.w10.h10.c1.bps8.smp0.bip.raw");
  std::filesystem::create_directories(blocked);
  std::ofstream(blocked + "/filler") << "x";
  ExpectExactDecode(chain, MakeScene(0, 0, 20, 15));
  EXPECT_EQ(chain.Statistics(), "totalTiles: 4, numCuts: 3/2, cacheReads: 0 cacheWrites: 3");
  EXPECT_TRUE(chain.logger()->contains(6, "cached tile " + blocked + " will be recovered"));
  EXPECT_TRUE(std::filesystem::is_directory(blocked));
}

TEST_F(PersistantPixelCache, UpstreamFailuresEndTheDecode) {
  CacheChain chain(Image(1000, 700), dir_.path(), 40);
  chain.source()->failDecode(E_OUTOFMEMORY);
  OwnedDecodeBuffer buffer = chain.Buffer(MakeScene(0, 0, 600, 600));
  EXPECT_EQ(chain.Decode(buffer), E_OUTOFMEMORY);
  EXPECT_TRUE(chain.logger()->containsFragment(3,
                                               "KxvContentBase::Decode( tileBuf.getBufPtr(), KXV_BEST_QUALITY, NULL ) "
                                               "(file: kxv_persistantPixelCache line: 656)"));
  EXPECT_TRUE(FilesBelow(dir_.path()).empty());
}

}  // namespace
}  // namespace Kelvane
