// Tile files as the cache finds them on disk: a cache directory whose
// description and one tile file hold the fuzzer's bytes, read by a decode of
// the scene around that tile. Whatever the files hold, the decode succeeds,
// writes nothing past the caller's buffer, and, when the tile file is not
// exactly a tile's length or the description is not this stage's, delivers
// the upstream's own pixels.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "com/kxComClassEntry.h"
#include "fakes/decodeBufferBuilder.h"
#include "fuzz/hostileBuffer.h"
#include "stages/persistantPixelCache/kxv_cacheDescription.h"
#include "stages/persistantPixelCache/kxv_persistantPixelCache.h"
#include "stages/persistantPixelCache/kxv_tileName.h"

namespace Kelvane::Fuzz {
namespace {

const std::string& CacheDirectory() {
  static const std::string directory =
      (std::filesystem::temp_directory_path() / ("kx-fuzz-tiles-" + std::to_string(getpid()))).string();
  return directory;
}

void Write(const std::string& path, const std::string& bytes) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

void DecodeOverPlantedTile(FuzzedDataProvider& in) {
  // A 40 x 30 source in 16 x 16 tiles; the planted tile is one of its six.
  static const uint32_t kTypes[] = {KX_TYPE_U8, KX_TYPE_U16, KX_TYPE_S16};
  Fakes::FakeUpstreamConfig config;
  config.width = 40;
  config.height = 30;
  config.numBands = in.ConsumeIntegralInRange<uint32_t>(1, 4);
  config.colorSpace = config.numBands == 3 ? KX_CS_RGB : KX_CS_MULTIBAND;
  config.type = in.PickValueInArray(kTypes);
  config.bitsPerSample = 8 * KxHostSampleBytes(config.type);
  Fakes::FakeUpstream* source = Fakes::FakeUpstream::Create(config);
  INondelegatingUnknown* object = nullptr;
  if (source == nullptr || KxComCreate<KxvPersistantPixelCache>(nullptr, &object) != S_OK) Fail("out of memory");
  auto* cache = static_cast<KxvPersistantPixelCache*>(object);
  cache->SetContainedImp(source);
  cache->SetTileSize(16, 16);
  cache->SetCacheDirectory(CacheDirectory().c_str());

  // The description: this stage's own, or the fuzzer's bytes.
  RasterProps props;
  cache->GetRasterProps(&props);
  const Fakes::BufferLayout layout = Fakes::BufferLayout::Interleaved(config.numBands, config.type);
  DecodeBuffer image = Fakes::MakeDecodeRecord(Fakes::MakeScene(0, 0, 1, 1), layout);
  const std::string own = describeCache(16, 16, props, image.format);
  const std::string description = in.ConsumeBool() ? own : in.ConsumeRandomLengthString(256);
  Write(CacheDirectory() + "/" + kCacheDescriptionName, description);

  // One tile: its name as the cache makes it, its bytes the fuzzer's.
  const int row = in.ConsumeIntegralInRange<int>(0, 1), column = in.ConsumeIntegralInRange<int>(0, 2);
  const Scene rect =
      Fakes::MakeScene(16 * column, 16 * row, std::min(16, 40 - 16 * column), std::min(16, 30 - 16 * row));
  DecodeBuffer tile = Fakes::MakeDecodeRecord(rect, layout);
  const std::string name = makeTileFileName(PathString((CacheDirectory() + "/").c_str()), tile, row, column).utf8();
  // Mostly exactly a tile's length, its content the fuzzer's bytes repeated.
  const size_t exact = size_t{tile.format.rowbytes} * Fakes::RowsOf(rect);
  const size_t lengths[] = {exact, exact, exact, exact - 1, exact + 1, 0};
  const size_t length = in.PickValueInArray(lengths);
  const std::string pattern = in.ConsumeRemainingBytesAsString();
  std::string bytes(length, '\0');
  for (size_t i = 0; i < length && !pattern.empty(); ++i) bytes[i] = pattern[i % pattern.size()];
  Write(name, bytes);

  // The caller's buffer covers the tile and some of its neighbours.
  Fakes::OwnedDecodeBuffer buffer(Fakes::MakeScene(rect.ulx - 5, rect.uly - 3, 24, 20), layout);
  if (cache->Decode(buffer.get(), KXV_BEST_QUALITY, nullptr) != S_OK) Fail("a decode over a planted tile failed");
  if (!buffer.guardIntact()) Fail("a decode wrote past the caller's buffer");
  const bool served = description == own && bytes.size() == exact;
  if (!served && !source->FirstMismatch(buffer.record()).empty()) Fail("a tile that is none was served");
  object->NondelegatingRelease();
  source->Release();
}

}  // namespace
}  // namespace Kelvane::Fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  std::error_code ignored;
  std::filesystem::remove_all(Kelvane::Fuzz::CacheDirectory(), ignored);
  Kelvane::Fuzz::DecodeOverPlantedTile(in);
  return 0;
}
