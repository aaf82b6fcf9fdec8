// Rendering an 8192 x 8192, 3-band, 8-bit image in 512 x 512 tiles: through
// the module's multiband selector over the host's GDAL source, against GDAL
// RasterIO of the same tiles into the same buffer, and memcpy of the same
// bytes. Prints the chain's cost relative to GDAL (goal: within 5%) and
// GDAL's relative to memcpy, all measured in this run.
#include <benchmark/benchmark.h>
#include <gdal.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "benchTiming.h"
#include "hostChain/comPtr.h"
#include "hostChain/gdalSource.h"
#include "hostChain/moduleLibrary.h"
#include "hostChain/stageChain.h"
#include "kxhost/sampleImage.h"
#include "kxhost/tileRenderer.h"

namespace {

using namespace kxhost;

constexpr uint32_t kSide = 8192;
constexpr uint32_t kTile = 512;
constexpr uint32_t kBands = 3;
constexpr uint32_t kRowBytes = kSide * kBands;
const uint16_t kBandMap[kBands] = {2, 1, 0};  // bands 3,2,1

// Everything the three benchmarks share, made once: the image on disk, the
// output buffer, a GDAL handle and the module chain over the image.
struct Fixture {
  std::string error;
  std::string path;
  std::vector<uint8_t> output;
  std::vector<uint8_t> copySource;
  GDALDatasetH dataset = nullptr;
  ModuleLibrary module;  // declared before the chain, so it outlives it
  ComPtr<GdalSource> source;
  std::unique_ptr<StageChain> chain;

  Fixture() {
    GDALAllRegister();
    // The sample is reused across runs; it takes seconds to make.
    const std::filesystem::path directory = std::filesystem::temp_directory_path() / "kx_bench";
    std::filesystem::create_directories(directory);
    path = (directory / "sample8192x3.tif").string();
    SampleRecipe recipe;
    recipe.width = recipe.height = kSide;
    recipe.bands = kBands;
    recipe.overviews = false;
    if (!std::filesystem::exists(path) && !WriteSampleImage(path, recipe, &error)) return;
    output.assign(static_cast<size_t>(kRowBytes) * kSide, 0);
    copySource.assign(output.size(), 7);
    dataset = GDALOpen(path.c_str(), GA_ReadOnly);
    if (dataset == nullptr) {
      error = "cannot open " + path;
      return;
    }
    // Source, then the multiband selector showing bands 3,2,1.
    if (!GdalSource::open(path, {}, nullptr, source, &error) || !module.open(KX_MODULE_PATH, &error)) return;
    source->AddRef();
    chain = std::make_unique<StageChain>(ComPtr<IKxContentImp>(source.get()));
    const std::vector<uint16_t> bandMap(kBandMap, kBandMap + kBands);
    if (!chain->push(module, MultibandSelectorStep(bandMap), nullptr, &error)) chain.reset();
  }
  ~Fixture() {
    chain.reset();
    source.reset();
    if (dataset != nullptr) GDALClose(dataset);
  }
};

Fixture& fixture() {
  static Fixture shared;
  return shared;
}

void reportBytes(benchmark::State& state) {
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kRowBytes * kSide);
}

void BM_Memcpy(benchmark::State& state) {
  Fixture& f = fixture();
  for (auto _ : state) {
    for (uint32_t ty = 0; ty < kSide; ty += kTile) {
      for (uint32_t tx = 0; tx < kSide; tx += kTile) {
        for (uint32_t row = ty; row < ty + kTile; ++row) {
          const size_t offset = static_cast<size_t>(row) * kRowBytes + tx * kBands;
          std::memcpy(f.output.data() + offset, f.copySource.data() + offset, kTile * kBands);
        }
      }
    }
    benchmark::DoNotOptimize(f.output.data());
    benchmark::ClobberMemory();
  }
  reportBytes(state);
}

void BM_GdalRasterIO(benchmark::State& state) {
  Fixture& f = fixture();
  if (f.dataset == nullptr) return state.SkipWithError(f.error.c_str());
  int bands[kBands] = {kBandMap[0] + 1, kBandMap[1] + 1, kBandMap[2] + 1};
  for (auto _ : state) {
    for (uint32_t ty = 0; ty < kSide; ty += kTile) {
      for (uint32_t tx = 0; tx < kSide; tx += kTile) {
        uint8_t* tile = f.output.data() + static_cast<size_t>(ty) * kRowBytes + tx * kBands;
        if (GDALDatasetRasterIO(f.dataset, GF_Read, static_cast<int>(tx), static_cast<int>(ty), kTile, kTile, tile,
                                kTile, kTile, GDT_Byte, kBands, bands, kBands, kRowBytes, 1) != CE_None)
          return state.SkipWithError("GDAL read failed");
      }
    }
    benchmark::ClobberMemory();
  }
  reportBytes(state);
}

void BM_MultibandSelectorChain(benchmark::State& state) {
  Fixture& f = fixture();
  if (!f.chain) return state.SkipWithError(f.error.c_str());
  RenderJob job;
  job.head = f.chain->head();
  job.whole.scene = {0.0, 0.0, double(kSide), double(kSide), 1.0};
  job.whole.pBits = f.output.data();
  job.whole.format = BufferFormat{KX_CS_RGB, kBands, kBands, KX_TYPE_U8, 0, 1, kRowBytes, {0, 1, 2}, 8};
  job.tileSize = kTile;
  job.threads = 1;
  for (auto _ : state) {
    if (FAILED(RenderScene(job, nullptr, nullptr))) return state.SkipWithError("a tile decode failed");
    benchmark::ClobberMemory();
  }
  reportBytes(state);
}

BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5)->ReportAggregatesOnly();
BENCHMARK(BM_GdalRasterIO)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5)->ReportAggregatesOnly();
BENCHMARK(BM_MultibandSelectorChain)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(5)
    ->ReportAggregatesOnly();

// Keeps the median time of every benchmark for the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (!run.error_occurred && run.aggregate_name == "median")
        medians_[run.run_name.function_name] = run.GetAdjustedRealTime();
    }
    ConsoleReporter::ReportRuns(runs);
  }
  // The selector chain's row of the common table (median times).
  void recordChainRow() const {
    const auto chain = medians_.find("BM_MultibandSelectorChain");
    const auto gdal = medians_.find("BM_GdalRasterIO");
    const auto copy = medians_.find("BM_Memcpy");
    if (chain == medians_.end() || gdal == medians_.end() || copy == medians_.end()) return;
    Kelvane::bench::recordRow(
        "selector chain, 8192^2 3-band 8-bit in 512^2 tiles", chain->second / 1e3,
        {{"memcpy", copy->second / 1e3}, {"GDAL RasterIO of the same tiles", gdal->second / 1e3}});
  }
  void printRatio(const char* label, const std::string& measured, const std::string& reference) const {
    const auto a = medians_.find(measured);
    const auto b = medians_.find(reference);
    if (a == medians_.end() || b == medians_.end() || b->second <= 0.0) return;
    std::printf("%-40s %.3f\n", label, a->second / b->second);
  }

 private:
  std::map<std::string, double> medians_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::printf("\nratios of median times (same run):\n");
  reporter.printRatio("selector chain / GDAL RasterIO", "BM_MultibandSelectorChain", "BM_GdalRasterIO");
  reporter.printRatio("GDAL RasterIO / memcpy", "BM_GdalRasterIO", "BM_Memcpy");
  reporter.printRatio("selector chain / memcpy", "BM_MultibandSelectorChain", "BM_Memcpy");
  reporter.recordChainRow();
  Kelvane::bench::printRatios("");
  benchmark::Shutdown();
  return 0;
}
