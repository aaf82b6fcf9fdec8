// The pixel replacer's buffer operations on 4096 x 4096 8-bit RGB buffers,
// through the stage's own interface, each measured in the same iterations
// against memcpy of the destination's bytes (ratio = memcpy time / operation
// time; goals: ReplacePixels 40%, MergeKeyed KeyExact 25%, KeyTolerant 15%)
// and, where OpenCV is built in, against the OpenCV pipeline that does the
// same: inRange for the key mask, then copyTo (or setTo) through the mask.
//
// The images hold a smooth gradient with a key-coloured region over about a
// fifth of them, as a nodata border or a chroma-key background would be.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "benchSourceBase.h"
#include "benchTiming.h"
#include "com/kxComClassEntry.h"
#include "stages/pixelReplacer/kxv_pixelReplacerImp.h"

#ifdef KX_HAVE_OPENCV
#include <opencv2/core.hpp>
#endif

namespace {

using namespace Kelvane;
using bench::ratios;
using bench::secondsOf;

constexpr uint32_t kSide = 4096;
constexpr uint32_t kBands = 3;
constexpr size_t kBytes = size_t{kSide} * kSide * kBands;
const uint8_t kKey[kBands] = {255, 0, 255};
const uint8_t kWhite[kBands] = {255, 255, 255};

// An image of gradients whose upper-left triangle (x + y below `keyReach`)
// shows the key colour; seed varies the gradient.
std::vector<uint8_t> makeImage(uint32_t seed, uint32_t keyReach) {
  std::vector<uint8_t> image(kBytes);
  for (uint32_t y = 0; y < kSide; ++y) {
    for (uint32_t x = 0; x < kSide; ++x) {
      uint8_t* pixel = &image[(size_t{y} * kSide + x) * kBands];
      const bool keyed = x + y < keyReach;
      for (uint32_t b = 0; b < kBands; ++b) {
        pixel[b] = keyed ? kKey[b] : static_cast<uint8_t>((x * (b + 1) + y * (seed + b) + (x ^ y) * seed) >> 3);
      }
    }
  }
  return image;
}

// Pixel-interleaved RGB records over images made above.
DecodeBuffer recordOver(std::vector<uint8_t>& image) {
  DecodeBuffer record;
  record.scene = Scene{0.0, 0.0, double(kSide), double(kSide), 1.0};
  record.pBits = image.data();
  record.format = bench::packedRgb8Format(kSide);
  return record;
}

// The images, the stage, and the memcpy reference shared by every benchmark.
struct Fixture {
  std::vector<uint8_t> overlay = makeImage(3, kSide * 6 / 10);  // key over about 18% of it
  std::vector<uint8_t> base = makeImage(5, 0);
  std::vector<uint8_t> destination = std::vector<uint8_t>(kBytes);
  KxvPixelReplacerImp* stage = nullptr;

  Fixture() {
    INondelegatingUnknown* object = nullptr;
    if (KxComCreate<KxvPixelReplacerImp>(nullptr, &object) == S_OK) stage = static_cast<KxvPixelReplacerImp*>(object);
  }
  static Fixture& instance() {
    static Fixture fixture;
    return fixture;
  }
  // memcpy of the destination's bytes: also puts the overlay back for the next ReplacePixels.
  double copyOverlayToDestination() {
    return secondsOf([&] { std::memcpy(destination.data(), overlay.data(), kBytes); });
  }
};

// Runs `operation` (after a fresh copy of the overlay into the destination)
// and `peer` in every iteration; records both ratios to memcpy under `name`.
template <typename Operation, typename Peer>
void measure(benchmark::State& state, const std::string& name, Operation operation, Peer peer) {
  Fixture& fixture = Fixture::instance();
  double memcpySeconds = 0.0, operationSeconds = 0.0, peerSeconds = 0.0;
  for (auto _ : state) {
    memcpySeconds += fixture.copyOverlayToDestination();
    benchmark::ClobberMemory();
    const double seconds = secondsOf([&] {
      if (operation() != S_OK) state.SkipWithError("the operation failed");
    });
    benchmark::ClobberMemory();
    operationSeconds += seconds;
    state.SetIterationTime(seconds);
    fixture.copyOverlayToDestination();
    peerSeconds += secondsOf(peer);
    benchmark::ClobberMemory();
  }
  state.counters["vs_memcpy"] = memcpySeconds / operationSeconds;
  ratios()[name] = memcpySeconds / operationSeconds;
  std::vector<Kelvane::bench::Reference> references{{"memcpy", memcpySeconds}};
#ifdef KX_HAVE_OPENCV
  state.counters["opencv_vs_memcpy"] = memcpySeconds / peerSeconds;
  ratios()[name + " - OpenCV inRange + copyTo"] = memcpySeconds / peerSeconds;
  references.emplace_back("OpenCV inRange + copyTo", peerSeconds);
#else
  (void)peerSeconds;
#endif
  Kelvane::bench::recordRow(name + " 4096^2 8-bit RGB", operationSeconds, references);
}

#ifdef KX_HAVE_OPENCV
cv::Mat matOver(std::vector<uint8_t>& image) { return cv::Mat(int(kSide), int(kSide), CV_8UC3, image.data()); }
// The key colour, widened by `reach` per band, as inRange's bounds.
cv::Scalar keyBound(int reach) { return cv::Scalar(kKey[0] + reach, kKey[1] + reach, kKey[2] + reach); }
#endif

void replacePixels(benchmark::State& state) {
  Fixture& fixture = Fixture::instance();
  DecodeBuffer record = recordOver(fixture.destination);
  measure(
      state, "ReplacePixels", [&] { return fixture.stage->ReplacePixels(&record, kKey, kWhite); },
      [&] {
#ifdef KX_HAVE_OPENCV
        cv::Mat image = matOver(fixture.destination), mask;
        cv::inRange(image, keyBound(0), keyBound(0), mask);
        image.setTo(cv::Scalar(kWhite[0], kWhite[1], kWhite[2]), mask);
#endif
      });
}

void mergeKeyed(benchmark::State& state) {
  Fixture& fixture = Fixture::instance();
  const uint32_t operation = static_cast<uint32_t>(state.range(0));
  DecodeBuffer destination = recordOver(fixture.destination);
  DecodeBuffer source = recordOver(fixture.overlay);
  DecodeBuffer replacement = recordOver(fixture.base);
  const bool tolerant = operation == KX_MERGE_KEY_TOLERANT;
  measure(
      state, tolerant ? "MergeKeyed KeyTolerant" : "MergeKeyed KeyExact",
      [&] { return fixture.stage->MergeKeyed(&destination, &source, &replacement, kKey, operation); },
      [&] {
#ifdef KX_HAVE_OPENCV
        // The tolerant key as a box of its reach around the key colour.
        const int reach = tolerant ? 13 / 3 : 0;
        cv::Mat overlay = matOver(fixture.overlay), output = matOver(fixture.destination), mask;
        cv::inRange(overlay, keyBound(-reach), keyBound(reach), mask);
        overlay.copyTo(output);
        matOver(fixture.base).copyTo(output, mask);
#endif
      });
}

void settings(benchmark::internal::Benchmark* bench) {
  bench->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
}

BENCHMARK(replacePixels)->Apply(settings);
BENCHMARK(mergeKeyed)->Arg(KX_MERGE_KEY_EXACT)->Arg(KX_MERGE_KEY_TOLERANT)->Apply(settings);

}  // namespace

int main(int argc, char** argv) {
#ifdef KX_HAVE_OPENCV
  // One thread, as the stage runs on the caller's thread alone.
  cv::setNumThreads(1);
#endif
  return Kelvane::bench::runBenchmarksAndPrintRatios(
      argc, argv, "Throughput as a fraction of memcpy of the destination's bytes (4096 x 4096 8-bit RGB):");
}
