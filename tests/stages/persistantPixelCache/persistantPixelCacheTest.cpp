// The persistent pixel cache stage: its configuration interface, what it
// reports, when it bypasses the cache, the tiles it writes and reads for
// whole scenes, partial scenes and scenes reaching outside the image, how it
// lives with damaged tiles and failing disks; and that every decode equals
// the upstream source's own decode of the same scene, at any magnification,
// sample type, band count, scene placement and caller layout, and with many
// decoders on one directory.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "helpers/supportTestDir.h"
#include "stages/persistantPixelCache/cacheChain.h"
#include "stages/persistantPixelCache/kxv_cacheDescription.h"

namespace Kelvane {
namespace {

using Fakes::BufferLayout;
using Fakes::FakeUpstreamConfig;
using Fakes::MakeScene;
using Names = std::vector<std::string>;

// Attaches the chain's source again, so that it is asked anew for what the
// stage learns at attach time.
void AttachAgain(CacheChain& chain) {
  IKxContentImp* removed = nullptr;
  ASSERT_EQ(chain.imp()->RemoveContainedImp(&removed), S_OK);
  if (removed != nullptr) removed->Release();
  ASSERT_EQ(chain.imp()->SetContainedImp(chain.source()), S_OK);
}

class PersistantPixelCache : public ::testing::Test {
 protected:
  bool Exists(const std::string& relative) { return std::filesystem::exists(dir_ / relative); }

  SupportTestDir dir_;
};

// The configuration: the directory ends in exactly one separator, null or
// empty switch the cache off; a host reaches the settings through the table
// slots under either identifier. The stage reports its upstream as cached
// and serving octave magnifications only.
TEST_F(PersistantPixelCache, DirectoryEndsInOneSeparatorAndSettingsAnswerAtTheirTableSlots) {
  FakeUpstreamConfig config = Image(64, 64);
  config.flags = KX_CAP_ANY_MAG | KX_CAP_PARTIAL_SCENE;
  CacheChain chain(config, "");
  IKxPersistantPixelCache2* settings = chain.settings();
  EXPECT_EQ(settings->GetTileSize(nullptr, nullptr), S_OK);
  for (const char* given : {"/var/cache/tiles", "/var/cache/tiles//", "/var/cache/tiles\\"}) {
    EXPECT_EQ(settings->SetCacheDirectory(given), S_OK);
    EXPECT_STREQ(settings->GetCacheDirectory(), "/var/cache/tiles/") << given;
  }
  EXPECT_EQ(settings->SetCacheDirectory("/"), S_OK);
  EXPECT_STREQ(settings->GetCacheDirectory(), "/");
  for (const char* off : {"", static_cast<const char*>(nullptr)}) {
    EXPECT_EQ(settings->SetCacheDirectory(off), S_OK);
    EXPECT_EQ(settings->GetCacheDirectory(), nullptr);
  }

  void* first = nullptr;
  void* second = nullptr;
  ASSERT_EQ(chain.imp()->QueryInterface(IID_IKxPersistantPixelCache, &first), S_OK);
  ASSERT_EQ(chain.imp()->QueryInterface(IID_IKxPersistantPixelCache2, &second), S_OK);
  EXPECT_EQ(first, second);
  void** table = *static_cast<void***>(first);
  EXPECT_EQ(reinterpret_cast<HRESULT(KX_STDCALL*)(void*, uint32_t, uint32_t)>(table[5])(first, 33, 44), S_OK);
  EXPECT_EQ(reinterpret_cast<HRESULT(KX_STDCALL*)(void*, double)>(table[13])(first, 0.5), S_OK);
  EXPECT_EQ(reinterpret_cast<uint32_t(KX_STDCALL*)(void*)>(table[12])(first), 3u);
  EXPECT_EQ(reinterpret_cast<double(KX_STDCALL*)(void*)>(table[14])(first), 0.5);
  uint32_t width = 0;
  EXPECT_EQ(settings->GetTileSize(&width, nullptr), S_OK);
  EXPECT_EQ(width, 33u);
  static_cast<IUnknown*>(first)->Release();
  static_cast<IUnknown*>(second)->Release();

  RasterProps props;
  ASSERT_EQ(chain.imp()->GetRasterProps(&props), S_OK);
  EXPECT_EQ(props.flags, 0x10u | KX_CAP_POW2_MAG | KX_CAP_PARTIAL_SCENE);
}

// The 1000 x 700 image in 512 x 512 tiles: four files in two row
// directories; the identical second decode comes from disk alone.
TEST_F(PersistantPixelCache, CachesAWholeImageAndServesItAgainFromDisk) {
  CacheChain chain(Image(1000, 700), dir_.path());
  EXPECT_EQ(chain.DecodeMismatch(MakeScene(0, 0, 1000, 700)), "");
  EXPECT_EQ(chain.Statistics(), "totalTiles: 4, numCuts: 1/1, cacheReads: 0 cacheWrites: 4");
  EXPECT_EQ(FilesBelow(dir_.path()),
            (Names{TileFile(0, 0, 512, 512), TileFile(0, 1, 488, 512), TileFile(1, 0, 512, 188),
                   TileFile(1, 1, 488, 188), kCacheDescriptionName}));

  const uint32_t decodes = chain.source()->decodeCount();
  EXPECT_EQ(chain.DecodeMismatch(MakeScene(0, 0, 1000, 700)), "");
  EXPECT_EQ(chain.source()->decodeCount(), decodes);
  EXPECT_EQ(chain.Statistics(), "totalTiles: 4, numCuts: 0/0, cacheReads: 4 cacheWrites: 0");
}

// Four runs of missing tiles that cannot merge, with at most three cuts:
// one upstream decode of the whole scene, and only its whole tiles written.
TEST_F(PersistantPixelCache, TooManyCutsDecodeTheWholeSceneOnce) {
  CacheChain chain(Image(256, 512), dir_.path(), 128, 128);
  // Tiles cached beforehand in a chequer: (0,1), (1,0), (2,1), (3,0).
  for (int row = 0; row < 4; ++row)
    EXPECT_EQ(chain.DecodeMismatch(MakeScene(128.0 * (1 - row % 2), 128.0 * row, 128, 128)), "");
  const uint32_t decodes = chain.source()->decodeCount();

  // The scene leaves out the top and bottom 25 rows.
  EXPECT_EQ(chain.DecodeMismatch(MakeScene(0, 25, 256, 462)), "");
  EXPECT_EQ(chain.source()->decodeCount(), decodes + 1);
  const Scene decoded = chain.source()->lastDecodeScene();
  EXPECT_EQ(std::vector<double>({decoded.ulx, decoded.uly, decoded.width, decoded.height}),
            std::vector<double>({0, 25, 256, 462}));
  EXPECT_EQ(chain.Statistics(), "totalTiles: 8, numCuts: 0/4, cacheReads: 0 cacheWrites: 2");
  EXPECT_TRUE(Exists(TileFile(1, 1, 128, 128)) && Exists(TileFile(2, 0, 128, 128)));
  EXPECT_FALSE(Exists(TileFile(0, 0, 128, 128)) || Exists(TileFile(3, 1, 128, 128)));
}

// Decodes the cache cannot serve go straight to the upstream and leave nothing on disk.
TEST_F(PersistantPixelCache, BypassesTheCacheWhenItCannotHelp) {
  FakeUpstreamConfig config = Image(1200, 800);
  config.maxMag = 2.0;
  const FakeUpstreamConfig floats = Image(300, 200, BufferLayout::Interleaved(3, KX_TYPE_F32));
  // No directory, or floating-point samples: plain decodes, nothing on disk.
  for (const auto& [source, directory] : {std::pair(config, std::string()), std::pair(floats, dir_.path())}) {
    CacheChain plain(source, directory);
    EXPECT_EQ(plain.DecodeMismatch(MakeScene(0, 0, 300, 200)), "");
    EXPECT_EQ(plain.source()->decodeCount(), 1u);
  }
  CacheChain chain(config, dir_.path());
  // Above the maximum magnification.
  EXPECT_EQ(chain.DecodeMismatch(MakeScene(0, 0, 300, 200, 2.0)), "");
  // Tiles too small against the image: ratios 0.427 and 0.64 against 0.5.
  ASSERT_EQ(chain.settings()->SetTileRatioThreshold(0.5), S_OK);
  EXPECT_EQ(chain.DecodeMismatch(MakeScene(0, 0, 300, 200)), "");
  EXPECT_TRUE(chain.logger()->contains(
      7,
      "KxvPersistantPixelCache::Decode - tile ratio (0.426667,0.640000) below threshold (0.500000), avoiding cache"));
  ASSERT_EQ(chain.settings()->SetTileRatioThreshold(0.0), S_OK);
  // A tile extent of 0, and a scene corner between pixels.
  ASSERT_EQ(chain.settings()->SetTileSize(0, 512), S_OK);
  EXPECT_EQ(chain.DecodeMismatch(MakeScene(0, 0, 300, 200)), "");
  ASSERT_EQ(chain.settings()->SetTileSize(512, 512), S_OK);
  EXPECT_EQ(chain.DecodeMismatch(MakeScene(10.25, 0, 300, 200)), "");

  EXPECT_EQ(chain.source()->decodeCount(), 4u);
  EXPECT_EQ(chain.Statistics(), "");
  EXPECT_TRUE(FilesBelow(dir_.path()).empty());
}

// Whatever lies at a tile's name without being exactly that tile (another
// tile size's or band count's file, a link, a directory, a FIFO) is reported,
// never served and never replaced: its tile is decoded on every request.
TEST_F(PersistantPixelCache, ForeignFilesAtTileNamesAreNeitherServedNorReplaced) {
  for (const auto& [kind, plant] : ForeignFiles(300, dir_ / "outside.raw")) {
    SCOPED_TRACE(kind);
    const std::string cache = dir_ / kind;
    CacheChain chain(Image(20, 15), cache, 10, 10);
    EXPECT_EQ(chain.DecodeMismatch(MakeScene(0, 0, 20, 15)), "");
    const std::string tile = cache + "/" + TileFile(0, 1, 10, 10);
    std::filesystem::remove(tile);
    plant(tile);
    const std::filesystem::file_type planted = std::filesystem::symlink_status(tile).type();
    const bool regular = planted == std::filesystem::file_type::regular;
    const uintmax_t size = regular ? std::filesystem::file_size(tile) : 0;
    for (int round = 0; round < 2; ++round) {
      const uint32_t decodes = chain.source()->decodeCount();
      EXPECT_EQ(chain.DecodeMismatch(MakeScene(0, 0, 20, 15)), "");
      EXPECT_EQ(chain.source()->decodeCount(), decodes + 1);
      EXPECT_EQ(chain.Statistics(), "totalTiles: 4, numCuts: 1/1, cacheReads: 3 cacheWrites: 0");
    }
    EXPECT_TRUE(chain.logger()->containsFragment(4, tile));
    EXPECT_EQ(std::filesystem::symlink_status(tile).type(), planted);
    EXPECT_EQ(regular ? std::filesystem::file_size(tile) : 0, size);
  }
}

// Disk faults never fail a decode: the failure is logged and nothing partial
// stays on disk. A directory that cannot be made is passed by.
TEST_F(PersistantPixelCache, AnUncreatableDirectoryOnlyCostsTheWrites) {
  std::ofstream(dir_ / "blocker") << "a file where the cache wants a directory";
  CacheChain chain(Image(300, 200), dir_ / "blocker/cache", 100, 100);
  EXPECT_EQ(chain.DecodeMismatch(MakeScene(0, 0, 300, 200)), "");
  EXPECT_TRUE(chain.logger()->containsFragment(3, "failed creating directory " + (dir_ / "blocker/cache")));
  EXPECT_EQ(chain.Statistics(), "");
  EXPECT_EQ(FilesBelow(dir_.path()), Names{"blocker"});
}

// A full disk, as a file size limit in a child process.
TEST_F(PersistantPixelCache, AFullDiskOnlyCostsTheWrites) {
  EXPECT_TRUE(ChildProcessSucceeded(StartChildProcess([&] {
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{1000, 1000};
    setrlimit(RLIMIT_FSIZE, &limit);
    CacheChain chain(Image(300, 200), dir_.path(), 100, 100);
    // The lines name the tile, as a host knows it, then the temporary file.
    const std::string tile = dir_ / TileFile(0, 0, 100, 100);
    return chain.DecodeMismatch(MakeScene(0, 0, 300, 200)).empty() &&
           chain.logger()->containsFragment(3, "tried to write 30000 bytes, only wrote") &&
           chain.logger()->containsFragment(3, ", to file " + tile) &&
           chain.logger()->containsFragment(7, "the tile was being written as " + tile + ".") &&
           chain.Statistics() == "totalTiles: 6, numCuts: 1/1, cacheReads: 0 cacheWrites: 0";
  })));
  EXPECT_EQ(FilesBelow(dir_.path()), Names{kCacheDescriptionName});
}

// A tile that cannot be opened for writing (its row directory is one where
// no file can be made) is named by its own path, the temporary name after it.
TEST_F(PersistantPixelCache, WriteFailuresNameTheTilesPath) {
  CacheChain chain(Image(300, 200), dir_.path(), 100, 100);
  EXPECT_EQ(chain.DecodeMismatch(MakeScene(0, 100, 300, 100)), "");
  std::filesystem::create_symlink("/proc/self", dir_ / "-0.000000/0");
  EXPECT_EQ(chain.DecodeMismatch(MakeScene(0, 0, 300, 100)), "");
  const std::string tile = dir_ / TileFile(0, 0, 100, 100);
  EXPECT_TRUE(chain.logger()->containsFragment(3, "failed opening " + tile + " for write"));
  EXPECT_TRUE(chain.logger()->containsFragment(7, "the tile was to be written as " + tile + "."));
}

// A failing upstream decode is the answer, logged, with nothing written; so
// is an upstream that rewrites the layout of a buffer the cache gave it,
// before any pixel is read by that layout.
TEST_F(PersistantPixelCache, UpstreamFailuresEndTheDecodeWithNothingWritten) {
  const std::pair<HRESULT, const char*> failures[] = {
      {E_OUTOFMEMORY,
       "KxvContentBase::Decode( tileBuf.getBufPtr(), KXV_BEST_QUALITY, NULL ) (file: kxv_persistantPixelCache line: "
       "656)"},
      {E_FAIL, "the upstream source changed the layout"}};
  for (const auto& [status, line] : failures) {
    const std::string directory = dir_ / (status == E_FAIL ? "rewritten" : "failing");
    CacheChain chain(Image(300, 200), directory, 100, 100);
    chain.source()->failDecode(status == E_FAIL ? S_OK : status);
    if (status == E_FAIL) chain.source()->tamperWithDecodes([](DecodeBuffer& buffer) { buffer.format.rowbytes *= 64; });
    Fakes::OwnedDecodeBuffer buffer = chain.Buffer(MakeScene(50, 50, 200, 100));
    EXPECT_EQ(chain.imp()->Decode(buffer.get(), KXV_BEST_QUALITY, nullptr), status);
    EXPECT_TRUE(buffer.guardIntact());
    EXPECT_TRUE(chain.logger()->containsFragment(3, line)) << line;
    EXPECT_EQ(FilesBelow(directory), Names{kCacheDescriptionName});
  }
}

// A directory serves only the tile size and the source it was made for:
// any other stage on it decodes plain, says why, and writes nothing; so does
// one on a directory holding files but no description, or a damaged one.
TEST_F(PersistantPixelCache, ADirectoryServesOnlyTheTileSizeAndSourceItWasMadeFor) {
  CacheChain first(Image(1000, 700), dir_.path());
  EXPECT_EQ(first.DecodeMismatch(MakeScene(0, 0, 1000, 700)), "");
  const Names claimed = FilesBelow(dir_.path());
  BufferLayout rgbk = BufferLayout::Interleaved(4, KX_TYPE_U8);
  rgbk.colorSpace = KX_CS_RGBK;
  const struct {
    FakeUpstreamConfig source;
    uint32_t tileWidth;
    const char* line;  // the first line of this stage's description that differs
  } others[] = {{Image(1000, 700), 256, "tile 256 512"},
                {Image(1000, 700, rgbk), 512, "colorspace 6"},
                {Image(1200, 700), 512, "image 1200 700"},
                {Image(1000, 700, BufferLayout::Interleaved(3, KX_TYPE_U16)), 512, "type 2"}};
  for (const auto& other : others) {
    SCOPED_TRACE(other.line);
    CacheChain chain(other.source, dir_.path(), other.tileWidth, 512);
    for (int round = 0; round < 2; ++round) EXPECT_EQ(chain.DecodeMismatch(MakeScene(0, 0, 768, 700)), "");
    EXPECT_EQ(chain.source()->decodeCount(), 2u);
    EXPECT_EQ(chain.Statistics(), "");
    EXPECT_TRUE(
        chain.logger()->containsFragment(4, std::string("\", not \"") + other.line + "\"; bypassing the cache"));
  }
  EXPECT_EQ(FilesBelow(dir_.path()), claimed);
  EXPECT_EQ(first.DecodeMismatch(MakeScene(0, 0, 1000, 700)), "");
  EXPECT_EQ(first.source()->decodeCount(), 1u);

  // Files of unknown origin, and a description that is not one.
  std::filesystem::create_directories(dir_ / "unknown/-0.000000/0");
  std::filesystem::create_directories(dir_ / "damaged");
  std::ofstream(dir_ / "damaged/cache.description") << "kelvane persistent pixel cache 1\ntile 512";
  for (const char* directory : {"unknown", "damaged"}) {
    CacheChain chain(Image(1000, 700), dir_ / directory);
    EXPECT_EQ(chain.DecodeMismatch(MakeScene(0, 0, 600, 600)), "");
    EXPECT_EQ(chain.Statistics(), "");
    EXPECT_TRUE(chain.logger()->containsFragment(4, "bypassing the cache")) << directory;
  }
  EXPECT_EQ(FilesBelow(dir_ / "unknown"), Names{});
}

// A description that is there but cannot be read (no file descriptor left)
// is reported with the system's reason, not as damaged, and the directory is
// bypassed.
TEST_F(PersistantPixelCache, ADescriptionThatCannotBeReadIsReportedWithTheSystemsReason) {
  ASSERT_EQ(CacheChain(Image(300, 200), dir_.path()).DecodeMismatch(MakeScene(0, 0, 300, 200)), "");
  EXPECT_TRUE(ChildProcessSucceeded(StartChildProcess([&] {
    CacheChain chain(Image(300, 200), dir_.path());
    const int lowestFree = dup(0);
    close(lowestFree);
    const rlimit limit{rlim_t(lowestFree), rlim_t(lowestFree)};
    setrlimit(RLIMIT_NOFILE, &limit);
    return chain.DecodeMismatch(MakeScene(0, 0, 300, 200)).empty() && chain.Statistics().empty() &&
           chain.logger()->containsFragment(3, "cannot read the description of cache directory " + dir_.path()) &&
           chain.logger()->containsFragment(3, "(Too many open files)") &&
           !chain.logger()->containsFragment(4, "damaged");
  })));
}

// The host's background-pixel query may write the pixel's samples only: a
// record it rewrote is refused, logged, and the background stays zero. A
// source of more bands than a buffer addresses gets no background pixel.
TEST_F(PersistantPixelCache, ABackgroundQueryThatRewritesThePixelRecordIsRefused) {
  FakeUpstreamConfig config = Image(100, 100);
  config.background = {11, 22, 33};
  config.hasBackground = true;
  const std::pair<const char*, std::function<void(DecodeBuffer&)>> tampers[] = {
      {"more samples", [](DecodeBuffer& pixel) { pixel.format.spp = 200; }},
      {"wider scene", [](DecodeBuffer& pixel) { pixel.scene.width = 4096; }},
      {"other memory", [](DecodeBuffer& pixel) { pixel.pBits = &pixel.reserved; }},
      {"sample map", [](DecodeBuffer& pixel) { pixel.format.smap[2] = 1 << 20; }},
  };
  for (const auto& [kind, tamper] : tampers) {
    SCOPED_TRACE(kind);
    CacheChain chain(config, dir_.path());
    chain.source()->tamperWithBackgroundPixel(tamper);
    AttachAgain(chain);
    Fakes::OwnedDecodeBuffer buffer = chain.Buffer(MakeScene(90, 90, 20, 20));
    ASSERT_EQ(chain.imp()->Decode(buffer.get(), KXV_BEST_QUALITY, nullptr), S_OK);
    EXPECT_TRUE(buffer.guardIntact());
    EXPECT_EQ(buffer.bytes()[buffer.record().format.rowbytes * 19 + 3 * 19], 0);
    EXPECT_TRUE(chain.logger()->containsFragment(3, "the background-pixel query changed the pixel's layout"));
  }
  // Asked for a source of 256 bands at most, never for one of more.
  for (const uint32_t bands : {256u, 0x7FFFFFFFu}) {
    FakeUpstreamConfig many = config;
    many.numBands = bands;
    many.colorSpace = KX_CS_MULTIBAND;
    bool asked = false;
    CacheChain chain(many, dir_.path());
    chain.source()->tamperWithBackgroundPixel([&](DecodeBuffer&) { asked = true; });
    AttachAgain(chain);
    chain.source()->tamperWithBackgroundPixel(nullptr);
    EXPECT_EQ(asked, bands <= 256) << bands;
  }
}

// Without an image-size query the image's extent at a magnification above
// the source's largest is its size scaled to that magnification, so the
// pixels there are the source's, not background.
TEST_F(PersistantPixelCache, ScenesAboveTheSourcesLargestMagnificationKeepTheirPixels) {
  FakeUpstreamConfig config = Image(100, 80);
  config.background = {7, 7, 7};
  config.hasBackground = true;
  CacheChain chain(config, dir_.path());
  ASSERT_EQ(chain.settings()->SetMaxMagnification(4.0), S_OK);
  for (double mag : {2.0, 4.0}) {
    for (int round = 0; round < 2; ++round)
      EXPECT_EQ(chain.DecodeMismatch(MakeScene(90, 60, 300, 250, mag)), "") << mag;
  }
  EXPECT_EQ(chain.Statistics(), "totalTiles: 1, numCuts: 0/0, cacheReads: 1 cacheWrites: 0");
}

// A 1000 x 700 source of `bands` samples of `type`, with a background.
FakeUpstreamConfig Source(uint32_t type, uint32_t bands) {
  FakeUpstreamConfig config = Image(1000, 700, BufferLayout::Interleaved(bands, type));
  config.background.assign(bands, 9.0);
  config.hasBackground = true;
  // The image size comes from the source's own query, or else from its properties.
  config.hasImageSize = bands != 3;
  return config;
}

// The caller's layout in each round: first interleaved with a spare slot,
// bands reversed and rows aligned; then band-sequential with padded rows;
// then laid out as tile files but with padded rows, which tiles reach by
// row copies straight from the file.
BufferLayout CallerLayout(uint32_t type, uint32_t bands, int round) {
  if (round == 2) {
    BufferLayout packed = BufferLayout::Interleaved(bands, type);
    packed.rowPadding = 10;
    return packed;
  }
  if (round == 1) {
    BufferLayout planes = BufferLayout::BandSequential(bands, type);
    planes.rowPadding = 6;
    return planes;
  }
  BufferLayout scattered = BufferLayout::Interleaved(bands, type);
  scattered.stride = bands + 1;
  scattered.align = 16;
  for (uint32_t s = 0; s < bands; ++s) scattered.slots.push_back(bands - 1 - s);
  return scattered;
}

class CachedPixels : public ::testing::TestWithParam<std::tuple<uint32_t, uint32_t, double>> {};

// First decodes (cuts and writes) and repeated ones (tiles from disk) alike,
// with background wherever a scene leaves the image.
TEST_P(CachedPixels, EqualTheUpstreamsOwnDecode) {
  const auto [type, bands, mag] = GetParam();
  SupportTestDir dir;
  CacheChain chain(Source(type, bands), dir.path(), 128, 96);
  const double width = chain.source()->ImageWidthAt(mag), height = chain.source()->ImageHeightAt(mag);
  // Aligned to tiles, unaligned, the whole image, across two edges, and wholly outside.
  const std::vector<Scene> scenes = {MakeScene(128, 96, 128, 96, mag), MakeScene(37, 51, 201, 73, mag),
                                     MakeScene(0, 0, width, height, mag), MakeScene(width - 50, -20, 120, 90, mag),
                                     MakeScene(-300, height + 10, 200, 50, mag)};
  for (int round = 0; round < 3; ++round) {
    const uint32_t decodes = chain.source()->decodeCount();
    for (size_t i = 0; i < scenes.size(); ++i) {
      Fakes::OwnedDecodeBuffer buffer(scenes[i], CallerLayout(type, bands, round));
      EXPECT_EQ(chain.DecodeMismatch(buffer), "") << "scene " << i << " in round " << round;
    }
    // The first round left every tile it touched on disk.
    EXPECT_TRUE(round == 0 || chain.source()->decodeCount() == decodes) << "tiles decoded again";
  }
  // The upstream is asked for pixels of the image only; the rest is background.
  for (const Scene& asked : chain.source()->decodedScenes()) {
    EXPECT_TRUE(asked.ulx >= 0 && asked.uly >= 0 && asked.ulx + asked.width <= width &&
                asked.uly + asked.height <= height);
  }
}

INSTANTIATE_TEST_SUITE_P(TypesBandsAndMagnifications, CachedPixels,
                         ::testing::Combine(::testing::Values(KX_TYPE_U8, KX_TYPE_U16), ::testing::Values(1u, 3u, 4u),
                                            ::testing::Values(1.0, 0.5, 0.25)));

// A stage over a 640 x 480 source in 64 x 48 tiles, logging nothing.
std::unique_ptr<CacheChain> NewChain(const std::string& directory) {
  return std::make_unique<CacheChain>(Image(640, 480), directory, 64, 48, 0);
}

// Runs `workers` threads over the chains in turn, each decoding random
// overlapping scenes, some reaching outside the image; gives the number of
// results that differ from the upstream's own.
int DecodeInThreads(const std::vector<CacheChain*>& chains, int workers, unsigned seed) {
  std::atomic<int> wrong{0};
  std::vector<std::thread> threads;
  for (int w = 0; w < workers; ++w) {
    threads.emplace_back([&, w] {
      std::mt19937 random(seed + w);
      std::uniform_int_distribution<int> x(-30, 600), y(-30, 450), extent(1, 200);
      for (int i = 0; i < 24; ++i) {
        const Scene scene = Fakes::MakeScene(x(random), y(random), extent(random), extent(random));
        if (!chains[w % chains.size()]->DecodeMismatch(scene).empty()) ++wrong;
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  return wrong;
}

// Threads claiming one fresh directory at once, each making a file in it as
// soon as it is admitted (as its first tile would), are all admitted: none
// takes another's first file for one of unknown origin.
TEST(PersistantPixelCacheConcurrency, ThreadsClaimingOneFreshDirectoryAreAllAdmitted) {
  SupportTestDir dir;
  std::atomic<int> refused{0};
  for (int attempt = 0; attempt < 40; ++attempt) {
    const std::string directory = dir / (std::to_string(attempt) + "/");
    std::atomic<int> waiting{4};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
      threads.emplace_back([&, t] {
        for (--waiting; waiting > 0;) std::this_thread::yield();
        if (!admitsCache(PathString(directory.c_str()), "description\n", nullptr))
          ++refused;
        else
          std::ofstream(directory + "tile" + std::to_string(t)) << "pixels";
      });
    }
    for (std::thread& thread : threads) thread.join();
  }
  EXPECT_EQ(refused, 0);
}

// Eight threads on one stage and four on a second, while another process
// decodes alongside with its own stage, and the host changes the first
// stage's settings meanwhile.
TEST(PersistantPixelCacheConcurrency, ThreadsStagesAndProcessesShareOneDirectory) {
  SupportTestDir dir;
  const pid_t child = StartChildProcess([&] { return DecodeInThreads({NewChain(dir.path()).get()}, 2, 300) == 0; });
  std::unique_ptr<CacheChain> first = NewChain(dir.path());
  std::unique_ptr<CacheChain> second = NewChain(dir.path());
  std::atomic<bool> stop{false};
  std::thread configuring([&] {
    IKxPersistantPixelCache2* settings = first->settings();
    for (uint32_t i = 0; !stop; ++i) {
      settings->SetMaxCuts(i % 5);
      settings->SetUtilityThreshold(i % 3 == 0 ? 0.5 : 0.0);
      settings->SetTileRatioThreshold(i % 7 == 0 ? 0.01 : 0.0);
      settings->SetCacheDirectory(i % 4 == 0 ? nullptr : dir.path().c_str());
    }
  });
  EXPECT_EQ(DecodeInThreads({first.get(), first.get(), second.get()}, 12, 200), 0);
  stop = true;
  configuring.join();
  EXPECT_TRUE(ChildProcessSucceeded(child));

  // Every file is a whole tile (its size is what its name says); nothing else is left.
  const std::vector<std::string> files = FilesBelow(dir.path());
  EXPECT_FALSE(files.empty());
  for (const std::string& file : files) {
    const std::string name = std::filesystem::path(file).filename().string();
    if (name == kCacheDescriptionName) continue;
    int row = 0, column = 0, width = 0, height = 0, end = 0;
    std::sscanf(name.c_str(), "r%d.c%d.w%d.h%d.c1.bps8.smp0.bip.raw%n", &row, &column, &width, &height, &end);
    EXPECT_EQ(end, static_cast<int>(name.size())) << file;
    EXPECT_EQ(std::filesystem::file_size(dir / file), uint64_t(width) * height * 3) << file;
  }
  // A fresh stage over the directory reads back exactly what was decoded.
  EXPECT_EQ(NewChain(dir.path())->DecodeMismatch(Fakes::MakeScene(0, 0, 640, 480)), "");
}

}  // namespace
}  // namespace Kelvane
