// The persistent pixel cache on a 4096 x 4096 RGB 8-bit scene in 512 x 512
// tiles (64 tile files), each path measured against its references in the
// same iterations (CPU time of the calling thread unless said):
//   hit     - an identical repeated decode, every tile from disk, against
//             plain fread of the same 64 tile files into one buffer
//             (vs_raw_read = fread time / cache time) and memcpy of the
//             scene's bytes (vs_memcpy);
//   miss    - a first decode through the cache (decode plus tile writes)
//             against a plain decode of the same scene by the same upstream
//             (vs_plain = cache time / plain time; goal at most 1.3);
//   threads - first decodes of the scene's top and bottom halves (distinct
//             tiles) on two threads against the same two decodes one after
//             the other on one thread, in wall time (speed_up = one-thread
//             time / two-thread time; goal at least 1.8).
// Every first decode writes into a cache directory of its own: deleting
// tile files between iterations would leave the file system many freshly
// deleted inodes to pass over on every later create.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
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
constexpr uint64_t kScenePixels = uint64_t{kSide} * kSide;

// Wall time of `work`, for work spread over threads.
template <typename Work>
double wallSecondsOf(const Work& work) {
  const auto begin = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
}

// An upstream decoder of a synthetic image whose samples cost a few integer
// operations each, written in whatever pixel-interleaved layout is asked for.
class SyntheticSource final : public bench::BenchSourceBase<SyntheticSource> {
 public:
  HRESULT KX_STDCALL GetRasterProps(RasterProps* props) override {
    bench::describeRgb8Image(props, kSide, 0x1 | 0x2 | 0x4 | 0x20 | 0x100 | 0x200 | 0x400 | 0x800 | 0x4000 | 0x8000,
                             1.0 / 64);
    return S_OK;
  }
  HRESULT KX_STDCALL Decode(DecodeBuffer* buffer, uint32_t, void*) override {
    const BufferFormat& format = buffer->format;
    const uint32_t x0 = static_cast<uint32_t>(buffer->scene.ulx);
    const uint32_t y0 = static_cast<uint32_t>(buffer->scene.uly);
    const uint32_t columns = static_cast<uint32_t>(buffer->scene.width);
    const uint32_t rows = static_cast<uint32_t>(buffer->scene.height);
    pixels_ += uint64_t{columns} * rows;
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

  // Pixels decoded so far, to tell whether the cache decodes more than asked.
  uint64_t pixels() const { return pixels_.load(); }

 private:
  std::atomic<uint64_t> pixels_{0};
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

  // The scene's top or bottom half, over the same memory.
  DecodeBuffer half(bool bottom) {
    DecodeBuffer part = record;
    part.scene.height = kSide / 2;
    if (bottom) {
      part.scene.uly = kSide / 2;
      part.pBits = pixels.data() + kSceneBytes / 2;
    }
    return part;
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
    freshCache();
  }
  ~CacheBench() {
    static_cast<IKxContentImp*>(stage_)->Release();
    std::filesystem::remove_all(directory_);
  }

  static CacheBench& instance() {
    static CacheBench bench;
    return bench;
  }

  HRESULT decodeThroughCache(DecodeBuffer& record) {
    return static_cast<IKxContentImp*>(stage_)->Decode(&record, KXV_BEST_QUALITY, nullptr);
  }
  HRESULT decodeThroughCache(SceneBuffer& scene) { return decodeThroughCache(scene.record); }
  HRESULT decodePlain(SceneBuffer& scene) { return source_.Decode(&scene.record, KXV_BEST_QUALITY, nullptr); }
  // An empty cache directory not used before; the old ones stay until the end.
  void freshCache() {
    cache_ = directory_ + "/run" + std::to_string(runs_++);
    std::filesystem::create_directories(cache_);
    stage_->SetCacheDirectory(cache_.c_str());
  }
  std::vector<std::string> tileFiles() const {
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(cache_)) {
      if (entry.is_regular_file() && entry.path().extension() == ".raw") files.push_back(entry.path().string());
    }
    return files;
  }
  uint64_t upstreamPixels() const { return source_.pixels(); }

 private:
  std::string directory_;
  std::string cache_;
  uint32_t runs_ = 0;
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
  bench.freshCache();
  if (FAILED(bench.decodeThroughCache(scene))) state.SkipWithError("the first decode failed");
  const std::vector<std::string> files = bench.tileFiles();
  const uint64_t decoded = bench.upstreamPixels();

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
    if (FAILED(status) || bench.upstreamPixels() != decoded) state.SkipWithError("a repeated decode missed");
  }
  state.counters["vs_raw_read"] = rawSeconds / hitSeconds;
  state.counters["vs_memcpy"] = memcpySeconds / hitSeconds;
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kSceneBytes));
  ratios()["hit path: cache / raw fread throughput"] = rawSeconds / hitSeconds;
  ratios()["hit path: cache / memcpy throughput"] = memcpySeconds / hitSeconds;
  bench::recordRow("cache hit, 4096^2 RGB in 512^2 tiles", hitSeconds,
                   {{"fread of the same tile files", rawSeconds}, {"memcpy", memcpySeconds}});
}

void cacheMiss(benchmark::State& state) {
  CacheBench& bench = CacheBench::instance();
  SceneBuffer scene;
  double plainSeconds = 0.0;
  double missSeconds = 0.0;
  double memcpySeconds = 0.0;
  for (auto _ : state) {
    state.PauseTiming();
    bench.freshCache();
    state.ResumeTiming();
    plainSeconds += secondsOf([&] { bench.decodePlain(scene); });
    memcpySeconds += secondsOf([&] { std::memcpy(scene.copy.data(), scene.pixels.data(), kSceneBytes); });
    HRESULT status = S_OK;
    const uint64_t decoded = bench.upstreamPixels();
    missSeconds += timedCacheDecode(bench, scene, state, &status);
    if (FAILED(status) || bench.tileFiles().size() != 64) state.SkipWithError("the first decode did not cache");
    if (bench.upstreamPixels() - decoded != kScenePixels) state.SkipWithError("the cache decoded more than the scene");
  }
  state.counters["vs_plain"] = missSeconds / plainSeconds;
  state.counters["vs_memcpy"] = memcpySeconds / missSeconds;
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kSceneBytes));
  ratios()["miss path: cache time / plain decode time"] = missSeconds / plainSeconds;
  bench::recordRow("cache first decode, 4096^2 RGB in 512^2 tiles, in-memory upstream", missSeconds,
                   {{"plain decode without the cache", plainSeconds}, {"memcpy", memcpySeconds}});
}

// First decodes of the scene's two halves, on two threads at once or one
// after the other, each into a fresh cache; wall times.
void cacheMissThreads(benchmark::State& state) {
  CacheBench& bench = CacheBench::instance();
  SceneBuffer scene;
  DecodeBuffer halves[2] = {scene.half(false), scene.half(true)};
  std::atomic<bool> failed{false};
  auto decodeHalf = [&](int half) {
    DecodeBuffer record = halves[half];
    if (FAILED(bench.decodeThroughCache(record))) failed = true;
  };
  double oneThreadSeconds = 0.0;
  double twoThreadSeconds = 0.0;
  for (auto _ : state) {
    bench.freshCache();
    oneThreadSeconds += wallSecondsOf([&] {
      decodeHalf(0);
      decodeHalf(1);
    });
    bench.freshCache();
    const double seconds = wallSecondsOf([&] {
      std::thread other(decodeHalf, 1);
      decodeHalf(0);
      other.join();
    });
    twoThreadSeconds += seconds;
    state.SetIterationTime(seconds);
    if (failed || bench.tileFiles().size() != 64) state.SkipWithError("the first decodes did not cache");
  }
  state.counters["speed_up"] = oneThreadSeconds / twoThreadSeconds;
  ratios()["miss path: 2-thread speed-up over 1 thread"] = oneThreadSeconds / twoThreadSeconds;
  bench::recordRow("cache first decodes of distinct tiles, 2 threads (wall time)", twoThreadSeconds,
                   {{"the same decodes on 1 thread", oneThreadSeconds}});
}

BENCHMARK(cacheHit)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(cacheMiss)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(cacheMissThreads)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  return Kelvane::bench::runBenchmarksAndPrintRatios(
      argc, argv, "Persistent pixel cache, 4096 x 4096 RGB 8-bit in 512 x 512 tiles:");
}
