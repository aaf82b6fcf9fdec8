// A repeated decode of a 4096 x 4096 RGB 8-bit scene of a DEFLATE-compressed
// tiled GeoTIFF: through the module's persistent pixel cache over the host's
// GDAL source, every 512 x 512 tile already on disk, against the GDAL source
// decoding the same scene itself, in the same iterations. Counter
// vs_gdal = GDAL decode time / cached decode time (the repeat speed-up).
// Before it, the first decode through the cache (decode plus tile writes)
// against one plain GDAL decode, each starting from an empty GDAL block
// cache so that both inflate the file's blocks.
#include <benchmark/benchmark.h>
#include <gdal.h>
#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "benchTiming.h"
#include "hostChain/cacheOptions.h"
#include "hostChain/comPtr.h"
#include "hostChain/gdalSource.h"
#include "hostChain/moduleLibrary.h"
#include "hostChain/stageChain.h"
#include "kxhost/sampleImage.h"

namespace {

using namespace kxhost;
using Kelvane::bench::secondsOf;

constexpr uint32_t kSide = 4096;
constexpr uint32_t kBands = 3;
constexpr uint32_t kRowBytes = kSide * kBands;

// A sample image copied into a tiled DEFLATE GeoTIFF, made once and kept
// between runs under the temporary directory; empty with a reason on failure.
std::string compressedSample(std::string* error) {
  GDALAllRegister();
  const std::filesystem::path directory = std::filesystem::temp_directory_path() / "kx_bench";
  std::filesystem::create_directories(directory);
  const std::string path = (directory / "sample4096x3deflate.tif").string();
  if (std::filesystem::exists(path)) return path;
  const std::string plain = (directory / "sample4096x3plain.tif").string();
  SampleRecipe recipe;
  recipe.width = recipe.height = kSide;
  recipe.bands = kBands;
  recipe.overviews = false;
  if (!WriteSampleImage(plain, recipe, error)) return std::string();
  GDALDatasetH input = GDALOpen(plain.c_str(), GA_ReadOnly);
  char* options[] = {const_cast<char*>("COMPRESS=DEFLATE"), const_cast<char*>("TILED=YES"), nullptr};
  GDALDatasetH output = input == nullptr ? nullptr
                                         : GDALCreateCopy(GDALGetDriverByName("GTiff"), path.c_str(), input, FALSE,
                                                          options, nullptr, nullptr);
  if (output != nullptr) GDALClose(output);
  if (input != nullptr) GDALClose(input);
  std::filesystem::remove(plain);
  if (output != nullptr) return path;
  *error = "cannot write " + path;
  return std::string();
}

// The compressed image (made once and kept between runs), the module chain
// source -> cache over it, and the scene's buffer.
struct Fixture {
  std::string error;
  std::string path;
  std::string cacheDirectory;
  std::vector<uint8_t> pixels = std::vector<uint8_t>(size_t{kRowBytes} * kSide, 0);
  ModuleLibrary module;  // declared before the chain, so it outlives it
  ComPtr<GdalSource> source;
  std::unique_ptr<StageChain> chain;

  Fixture() {
    path = compressedSample(&error);
    if (path.empty()) return;
    char pattern[] = "/tmp/kx-cache-repeat-XXXXXX";
    cacheDirectory = mkdtemp(pattern) != nullptr ? pattern : "";
    CacheSettings options;
    options.directory = cacheDirectory;
    if (cacheDirectory.empty() || !GdalSource::open(path, {}, nullptr, source, &error) ||
        !module.open(KX_MODULE_PATH, &error))
      return;
    source->AddRef();
    chain = std::make_unique<StageChain>(ComPtr<IKxContentImp>(source.get()));
    if (!chain->push(module, PersistantPixelCacheStep(options), nullptr, &error)) chain.reset();
  }
  ~Fixture() {
    chain.reset();
    source.reset();
    if (!cacheDirectory.empty()) std::filesystem::remove_all(cacheDirectory);
  }

  DecodeBuffer scene() {
    DecodeBuffer buffer;
    buffer.scene = Scene{0.0, 0.0, double(kSide), double(kSide), 1.0};
    buffer.pBits = pixels.data();
    buffer.format = BufferFormat{KX_CS_RGB, kBands, kBands, KX_TYPE_U8, 0, 1, kRowBytes, {0, 1, 2}, 8};
    return buffer;
  }
};

// Empties GDAL's block cache (a smaller limit evicts blocks until the cache
// fits), so that the next read inflates the file's blocks again.
void dropGdalBlockCache() {
  const GIntBig limit = GDALGetCacheMax64();
  GDALSetCacheMax64(0);
  GDALSetCacheMax64(limit);
}

Fixture& fixture() {
  static Fixture shared;
  return shared;
}

void cachedRepeatDecode(benchmark::State& state) {
  Fixture& f = fixture();
  if (!f.chain) return state.SkipWithError(f.error.c_str());
  // The first decode fills the cache; timed against a plain GDAL decode of the
  // same scene, it is the miss path over a real decoder.
  DecodeBuffer warm = f.scene();
  DecodeBuffer buffer = f.scene();
  HRESULT firstDecoded = f.source->Decode(&warm, KXV_BEST_QUALITY, nullptr);
  dropGdalBlockCache();
  const double plainFirst = secondsOf([&] { firstDecoded = f.source->Decode(&warm, KXV_BEST_QUALITY, nullptr); });
  dropGdalBlockCache();
  HRESULT filled = S_OK;
  const double cacheFirst = secondsOf([&] { filled = f.chain->head()->Decode(&buffer, KXV_BEST_QUALITY, nullptr); });
  if (FAILED(firstDecoded) || FAILED(filled)) return state.SkipWithError("decode failed");
  Kelvane::bench::ratios()["first decode: cache time / GDAL time"] = cacheFirst / plainFirst;
  Kelvane::bench::recordRow("cache first decode, 4096^2 RGB DEFLATE GeoTIFF", cacheFirst,
                            {{"GDAL decode without the cache", plainFirst}});

  double gdalSeconds = 0.0;
  double cacheSeconds = 0.0;
  for (auto _ : state) {
    DecodeBuffer plain = f.scene();
    DecodeBuffer cached = f.scene();
    HRESULT decoded = S_OK;
    HRESULT served = S_OK;
    gdalSeconds += secondsOf([&] { decoded = f.source->Decode(&plain, KXV_BEST_QUALITY, nullptr); });
    benchmark::ClobberMemory();
    const double seconds = secondsOf([&] { served = f.chain->head()->Decode(&cached, KXV_BEST_QUALITY, nullptr); });
    benchmark::ClobberMemory();
    if (FAILED(decoded) || FAILED(served)) return state.SkipWithError("decode failed");
    cacheSeconds += seconds;
    state.SetIterationTime(seconds);
  }
  Kelvane::bench::ratios()["repeat decode: GDAL time / cache time"] = gdalSeconds / cacheSeconds;
  Kelvane::bench::recordRow("cache repeat decode, 4096^2 RGB DEFLATE GeoTIFF", cacheSeconds,
                            {{"GDAL decode without the cache", gdalSeconds}});
  state.counters["vs_gdal"] = gdalSeconds / cacheSeconds;
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kRowBytes * kSide);
}

BENCHMARK(cachedRepeatDecode)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  return Kelvane::bench::runBenchmarksAndPrintRatios(
      argc, argv, "Repeated 4096 x 4096 RGB scene of a DEFLATE GeoTIFF, through the cache against GDAL:");
}
