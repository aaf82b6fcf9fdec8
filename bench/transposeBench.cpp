// Throughput of the transposer kernels on an 8192 x 8192 RGB image, 8-bit and
// 16-bit, against memcpy of the same bytes measured in the same iterations.
// Counter vs_memcpy is memcpy time / kernel time (1.0 = as fast as memcpy).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "benchTiming.h"
#include "raster/imageBufferInfo.h"
#include "raster/transposer.h"

namespace {

using Kelvane::ImageBufferInfo;
using Kelvane::Transposer;
using Kelvane::bench::ratios;
using Kelvane::bench::secondsOf;

constexpr uint32_t kSide = 8192;
constexpr uint32_t kBands = 3;

// Source and destination of one sample type, allocated once and touched
// before any timing (first-touch page faults would otherwise dominate).
template <typename T>
struct ImagePair {
  std::vector<T> source;
  std::vector<T> destination;
  ImageBufferInfo info;

  ImagePair() : source(size_t{kSide} * kSide * kBands), destination(source.size()) {
    for (size_t i = 0; i < source.size(); ++i) source[i] = static_cast<T>(i * 2654435761u >> 7);
    info.sampleType = sizeof(T) == 1 ? Kelvane::kSampleUInt8 : Kelvane::kSampleUInt16;
    info.bitsPerSample = 8 * sizeof(T);
  }
  uint32_t rowBytes() const { return kSide * kBands * sizeof(T); }
  size_t bytes() const { return source.size() * sizeof(T); }

  static ImagePair& instance() {
    static ImagePair pair;
    return pair;
  }
};

template <typename T>
void transposeKernel(benchmark::State& state) {
  const uint32_t mode = static_cast<uint32_t>(state.range(0));
  const bool exact = state.range(1) != 0;
  ImagePair<T>& images = ImagePair<T>::instance();
  Transposer<T> transposer(mode);
  transposer.setExactCopyEnabled(exact);
  transposer.setSourceRaster(images.source.data(), kSide, kSide, images.rowBytes(), images.info);
  transposer.setDestinationRaster(images.destination.data(), kSide, kSide, images.rowBytes(), images.info);

  double memcpySeconds = 0.0;
  double kernelSeconds = 0.0;
  for (auto _ : state) {
    memcpySeconds += secondsOf([&] { std::memcpy(images.destination.data(), images.source.data(), images.bytes()); });
    benchmark::ClobberMemory();
    const double seconds = secondsOf([&] { transposer.transform(); });
    benchmark::ClobberMemory();
    kernelSeconds += seconds;
    state.SetIterationTime(seconds);
  }
  const double ratio = memcpySeconds / kernelSeconds;
  state.counters["vs_memcpy"] = ratio;
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * images.bytes()));
  static const char* const kModes[] = {"Rotate90", "Rotate180", "Rotate270", "MirrorLeftRight", "MirrorTopBottom"};
  ratios()[std::string(kModes[mode]) + (sizeof(T) == 1 ? " 8-bit" : " 16-bit") + (exact ? "" : " (general path)")] =
      ratio;
}

void modes(benchmark::internal::Benchmark* bench) {
  for (int64_t mode = 0; mode < 5; ++mode) bench->Args({mode, 1});
  bench->Args({0, 0});
  bench->Args({1, 0});
  bench->ArgNames({"mode", "exact"});
  bench->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
}

BENCHMARK(transposeKernel<Kelvane::E>)->Apply(modes);
BENCHMARK(transposeKernel<Kelvane::G>)->Apply(modes);

}  // namespace

int main(int argc, char** argv) {
  return Kelvane::bench::runBenchmarksAndPrintRatios(
      argc, argv, "Throughput as a fraction of memcpy of the same bytes (8192 x 8192 RGB):");
}
