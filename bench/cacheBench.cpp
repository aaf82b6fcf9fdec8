// The persistent pixel cache on a 4096 x 4096 RGB 8-bit scene in 512 x 512
// tiles (64 tile files), each path measured against its reference in the
// same iterations:
//   hit  - an identical repeated decode, every tile from disk, against plain
//          fread of the same 64 tile files into one buffer (counter
//          vs_raw_read = fread time / cache time; goal at least 0.7) and
//          memcpy of the scene's bytes (vs_memcpy);
//   miss - a first decode through the cache (decode plus tile writes)
//          against a plain decode of the same scene by the same upstream
//          (counter vs_plain = cache time / plain time; goal at most 1.3).
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "benchSourceBase.h"
#include "benchTiming.h"
#include "com/kxComClassEntry.h"
#include "stages/persistantPixelCache/kxv_persistantPixelCache.h"

namespace {

using namespace Kelvane;
using bench::ratios;
using bench::secondsOf;

constexpr uint32_t kSide = 4096;
constexpr uint32_t kBands = 3;
constexpr size_t kSceneBytes = size_t{kSide} * kSide * kBands;

// An upstream decoder of a synthetic image whose samples cost a few integer
// operations each, written in whatever pixel-interleaved layout is asked for.
class SyntheticSource final : public bench::BenchSourceBase {
 public:
  HRESULT KX_STDCALL GetRasterProps(RasterProps* props) override {
    bench::describeRgb8Image(props, kSide, 0x1 | 0x2 | 0x4 | 0x20 | 0x100 | 0x200 | 0x400 | 0x800 | 0x4000 | 0x8000,
                             1.0 / 64);
    return S_OK;
  }
  HRESULT KX_STDCALL Decode(DecodeBuffer* buffer, uint32_t, void*) override {
    ++decodes_;
    const BufferFormat& format = buffer->format;
    const uint32_t x0 = static_cast<uint32_t>(buffer->scene.ulx);
    const uint32_t y0 = static_cast<uint32_t>(buffer->scene.uly);
    const uint32_t columns = static_cast<uint32_t>(buffer->scene.width);
    const uint32_t rows = static_cast<uint32_t>(buffer->scene.height);
    for (uint32_t row = 0; row < rows; ++row) {
      uint8_t* pixel = static_cast<uint8_t*>(buffer->pBits) + size_t{row} * format.rowbytes;
      const uint32_t y = y0 + row;
      for (uint32_t column = 0; column < columns; ++column, pixel += format.stride) {
        const uint32_t x = x0 + column;
        for (uint32_t band = 0; band < kBands; ++band) {
          pixel[format.smap[band]] = static_cast<uint8_t>((x * 3 + y * 5 + band * 71 + (x ^ y)) >> 1);
        }
      }
    }
    return S_OK;
  }

  uint32_t decodes() const { return decodes_.load(); }

 private:
  std::atomic<uint32_t> decodes_{0};
};

// The whole scene, pixel-interleaved and unpadded, over memory touched before
// any timing (first-touch page faults would otherwise dominate).
struct SceneBuffer {
  std::vector<uint8_t> pixels = std::vector<uint8_t>(kSceneBytes, 1);
  std::vector<uint8_t> copy = std::vector<uint8_t>(kSceneBytes, 2);
  DecodeBuffer record;

  SceneBuffer() {
    record.scene = Scene{0.0, 0.0, double(kSide), double(kSide), 1.0};
    record.pBits = pixels.data();
    record.format = bench::packedRgb8Format(kSide);
  }
};

// The stage over the source, caching into a directory of its own.
class CacheBench {
 public:
  CacheBench() {
    char pattern[] = "/tmp/kx-cache-bench-XXXXXX";
    directory_ = mkdtemp(pattern) != nullptr ? pattern : "/tmp/kx-cache-bench";
    INondelegatingUnknown* object = nullptr;
    KxComCreate<KxvPersistantPixelCache>(nullptr, &object);
    stage_ = static_cast<KxvPersistantPixelCache*>(object);
    static_cast<IKxContentImp*>(stage_)->SetContainedImp(&source_);
    stage_->SetCacheDirectory(directory_.c_str());
  }
  ~CacheBench() {
    static_cast<IKxContentImp*>(stage_)->Release();
    std::filesystem::remove_all(directory_);
  }

  static CacheBench& instance() {
    static CacheBench bench;
    return bench;
  }

  HRESULT decodeThroughCache(SceneBuffer& scene) {
    return static_cast<IKxContentImp*>(stage_)->Decode(&scene.record, KXV_BEST_QUALITY, nullptr);
  }
  HRESULT decodePlain(SceneBuffer& scene) { return source_.Decode(&scene.record, KXV_BEST_QUALITY, nullptr); }
  void emptyCache() {
    std::filesystem::remove_all(directory_);
    std::filesystem::create_directories(directory_);
  }
  std::vector<std::string> tileFiles() const {
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(directory_)) {
      if (entry.is_regular_file()) files.push_back(entry.path().string());
    }
    return files;
  }
  uint32_t upstreamDecodes() const { return source_.decodes(); }

 private:
  std::string directory_;
  SyntheticSource source_;
  KxvPersistantPixelCache* stage_ = nullptr;
};

// Plain fread of every tile file, one after the other, into one buffer.
size_t readFilesRaw(const std::vector<std::string>& files, uint8_t* buffer) {
  size_t offset = 0;
  for (const std::string& file : files) {
    std::FILE* stream = std::fopen(file.c_str(), "rb");
    if (stream == nullptr) return 0;
    offset += std::fread(buffer + offset, 1, kSceneBytes - offset, stream);
    std::fclose(stream);
  }
  return offset;
}

// One decode through the cache, timed as the iteration's time.
double timedCacheDecode(CacheBench& bench, SceneBuffer& scene, benchmark::State& state, HRESULT* status) {
  benchmark::ClobberMemory();
  const double seconds = secondsOf([&] { *status = bench.decodeThroughCache(scene); });
  benchmark::ClobberMemory();
  state.SetIterationTime(seconds);
  return seconds;
}

void cacheHit(benchmark::State& state) {
  CacheBench& bench = CacheBench::instance();
  SceneBuffer scene;
  bench.emptyCache();
  if (FAILED(bench.decodeThroughCache(scene))) state.SkipWithError("the first decode failed");
  const std::vector<std::string> files = bench.tileFiles();
  const uint32_t decodes = bench.upstreamDecodes();

  double rawSeconds = 0.0;
  double memcpySeconds = 0.0;
  double hitSeconds = 0.0;
  for (auto _ : state) {
    size_t rawBytes = 0;
    rawSeconds += secondsOf([&] { rawBytes = readFilesRaw(files, scene.copy.data()); });
    if (rawBytes != kSceneBytes) state.SkipWithError("the tile files do not hold the scene");
    memcpySeconds += secondsOf([&] { std::memcpy(scene.copy.data(), scene.pixels.data(), kSceneBytes); });
    HRESULT status = S_OK;
    hitSeconds += timedCacheDecode(bench, scene, state, &status);
    if (FAILED(status) || bench.upstreamDecodes() != decodes) state.SkipWithError("a repeated decode missed");
  }
  state.counters["vs_raw_read"] = rawSeconds / hitSeconds;
  state.counters["vs_memcpy"] = memcpySeconds / hitSeconds;
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kSceneBytes));
  ratios()["hit path: cache / raw fread throughput"] = rawSeconds / hitSeconds;
  ratios()["hit path: cache / memcpy throughput"] = memcpySeconds / hitSeconds;
}

void cacheMiss(benchmark::State& state) {
  CacheBench& bench = CacheBench::instance();
  SceneBuffer scene;
  double plainSeconds = 0.0;
  double missSeconds = 0.0;
  double memcpySeconds = 0.0;
  for (auto _ : state) {
    state.PauseTiming();
    bench.emptyCache();
    state.ResumeTiming();
    plainSeconds += secondsOf([&] { bench.decodePlain(scene); });
    memcpySeconds += secondsOf([&] { std::memcpy(scene.copy.data(), scene.pixels.data(), kSceneBytes); });
    HRESULT status = S_OK;
    missSeconds += timedCacheDecode(bench, scene, state, &status);
    if (FAILED(status) || bench.tileFiles().size() != 64) state.SkipWithError("the first decode did not cache");
  }
  state.counters["vs_plain"] = missSeconds / plainSeconds;
  state.counters["vs_memcpy"] = memcpySeconds / missSeconds;
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kSceneBytes));
  ratios()["miss path: cache time / plain decode time"] = missSeconds / plainSeconds;
}

BENCHMARK(cacheHit)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(cacheMiss)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  return Kelvane::bench::runBenchmarksAndPrintRatios(
      argc, argv, "Persistent pixel cache, 4096 x 4096 RGB 8-bit in 512 x 512 tiles:");
}
