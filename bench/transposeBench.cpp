// Throughput of the transposer kernels on 8192 x 8192 images (8-bit RGB,
// 16-bit RGB, 8-bit one band), single-threaded, on every vector target the
// machine runs, against memcpy of the same bytes and, where OpenCV is
// installed, cv::rotate / cv::flip on the same buffers, all measured in the
// same iterations. Counter vs_memcpy is memcpy time / kernel time (1.0 = as
// fast as memcpy).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "benchTiming.h"
#include "raster/colorSpaceCodes.h"
#include "raster/imageBufferInfo.h"
#include "raster/transpose/transposer.h"
#include "simdTargets.h"

#ifdef KX_HAVE_OPENCV
#include <opencv2/core.hpp>
#endif

namespace {

using Kelvane::ImageBufferInfo;
using Kelvane::Transposer;
using Kelvane::bench::ratios;
using Kelvane::bench::secondsOf;

constexpr uint32_t kSide = 8192;
const char* const kModes[] = {"Rotate90", "Rotate180", "Rotate270", "MirrorLeftRight", "MirrorTopBottom"};

// Source and destination of one sample type and band count, allocated once
// and touched before any timing (first-touch page faults would otherwise
// dominate).
template <typename T, uint32_t kBands>
struct ImagePair {
  std::vector<T> source;
  std::vector<T> destination;
  ImageBufferInfo info;

  ImagePair() : source(size_t{kSide} * kSide * kBands), destination(source.size()) {
    for (size_t i = 0; i < source.size(); ++i) source[i] = static_cast<T>(i * 2654435761u >> 7);
    info.setColorSpace(kBands == 1 ? Kelvane::kColorSpaceGrayscale : Kelvane::kColorSpaceRGB);
    info.sampleType = sizeof(T) == 1 ? Kelvane::kSampleUInt8 : Kelvane::kSampleUInt16;
    info.bitsPerSample = 8 * sizeof(T);
  }
  uint32_t rowBytes() const { return kSide * kBands * sizeof(T); }
  size_t bytes() const { return source.size() * sizeof(T); }
  std::string name() const {
    return std::string(sizeof(T) == 1 ? " 8-bit" : " 16-bit") + (kBands == 1 ? " one band" : " RGB");
  }

  static ImagePair& instance() {
    static ImagePair pair;
    return pair;
  }
};

#ifdef KX_HAVE_OPENCV
// The same turn by OpenCV, on one thread, into the same destination.
template <typename T, uint32_t kBands>
void turnWithOpenCv(uint32_t mode, ImagePair<T, kBands>& images) {
  const int type = CV_MAKETYPE(sizeof(T) == 1 ? CV_8U : CV_16U, kBands);
  const cv::Mat source(kSide, kSide, type, images.source.data(), images.rowBytes());
  cv::Mat destination(kSide, kSide, type, images.destination.data(), images.rowBytes());
  switch (mode) {
    case Kelvane::Rotate90: cv::rotate(source, destination, cv::ROTATE_90_CLOCKWISE); break;
    case Kelvane::Rotate180: cv::rotate(source, destination, cv::ROTATE_180); break;
    case Kelvane::Rotate270: cv::rotate(source, destination, cv::ROTATE_90_COUNTERCLOCKWISE); break;
    case Kelvane::MirrorLeftRight: cv::flip(source, destination, 1); break;
    default: cv::flip(source, destination, 0); break;
  }
}
#endif

template <typename T, uint32_t kBands>
void transposeKernel(benchmark::State& state, const Kelvane::bench::SimdTarget& target) {
  const uint32_t mode = static_cast<uint32_t>(state.range(0));
  const bool exact = state.range(1) != 0;
  ImagePair<T, kBands>& images = ImagePair<T, kBands>::instance();
  const Kelvane::bench::ForcedSimdTarget forced(target);
  Transposer<T> transposer(mode);
  transposer.setExactCopyEnabled(exact);
  transposer.setSourceRaster(images.source.data(), kSide, kSide, images.rowBytes(), images.info);
  transposer.setDestinationRaster(images.destination.data(), kSide, kSide, images.rowBytes(), images.info);

  double memcpySeconds = 0.0;
  double kernelSeconds = 0.0;
  double peerSeconds = 0.0;
  for (auto _ : state) {
    memcpySeconds += secondsOf([&] { std::memcpy(images.destination.data(), images.source.data(), images.bytes()); });
    benchmark::ClobberMemory();
    const double seconds = secondsOf([&] { transposer.transform(); });
    benchmark::ClobberMemory();
    kernelSeconds += seconds;
    state.SetIterationTime(seconds);
#ifdef KX_HAVE_OPENCV
    if (exact) peerSeconds += secondsOf([&] { turnWithOpenCv(mode, images); });
    benchmark::ClobberMemory();
#endif
  }
  const double ratio = memcpySeconds / kernelSeconds;
  state.counters["vs_memcpy"] = ratio;
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * images.bytes()));
  const std::string name = std::string(kModes[mode]) + images.name() + " [" + target.name + "]";
  ratios()[name + (exact ? "" : " (general path)")] = ratio;
  std::vector<Kelvane::bench::Reference> references{{"memcpy", memcpySeconds}};
  if (peerSeconds > 0.0) {
    state.counters["opencv_vs_memcpy"] = memcpySeconds / peerSeconds;
    ratios()[name + " (OpenCV)"] = memcpySeconds / peerSeconds;
    references.emplace_back(mode <= Kelvane::Rotate270 ? "OpenCV cv::rotate" : "OpenCV cv::flip", peerSeconds);
  }
  Kelvane::bench::recordRow(name + " 8192^2" + (exact ? "" : " (general path)"), kernelSeconds, references);
}

void modes(benchmark::internal::Benchmark* bench) {
  for (int64_t mode = 0; mode < 5; ++mode) bench->Args({mode, 1});
  bench->ArgNames({"mode", "exact"});
  bench->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
}

// The general (pixel-copier) path once per sample type, for scale.
void modesAndGeneralPath(benchmark::internal::Benchmark* bench) {
  modes(bench);
  bench->Args({0, 0});
  bench->Args({1, 0});
}

// Every sample type and band count on every target; the general path does
// not depend on the target, so it runs on the best one only.
void registerKernels() {
  using Kelvane::bench::SimdTarget;
  const std::vector<SimdTarget> targets = Kelvane::bench::simdTargets();
  for (const SimdTarget& target : targets) {
    const bool best = &target == &targets.front();
    const std::string suffix = "/" + target.name;
    benchmark::RegisterBenchmark(("transposeKernel<E,3>" + suffix).c_str(), transposeKernel<Kelvane::E, 3>, target)
        ->Apply(best ? modesAndGeneralPath : modes);
    benchmark::RegisterBenchmark(("transposeKernel<G,3>" + suffix).c_str(), transposeKernel<Kelvane::G, 3>, target)
        ->Apply(best ? modesAndGeneralPath : modes);
    benchmark::RegisterBenchmark(("transposeKernel<E,1>" + suffix).c_str(), transposeKernel<Kelvane::E, 1>, target)
        ->Apply(modes);
  }
}

}  // namespace

int main(int argc, char** argv) {
  registerKernels();
#ifdef KX_HAVE_OPENCV
  cv::setNumThreads(1);
#endif
  return Kelvane::bench::runBenchmarksAndPrintRatios(
      argc, argv, "Throughput as a fraction of memcpy of the same bytes (8192 x 8192, one thread):");
}
