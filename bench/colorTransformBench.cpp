// Throughput of the colour-space transformers, with references measured in
// the same run:
// - RGB to greyscale, 8-bit, 4096 x 4096: against memcpy of the source bytes;
// - identity between equal 8-bit RGB descriptions: against memcpy;
// - colorimetric CMYK to RGB (8-bit) on 16 Mpixels of random CMYK: against
//   Little CMS (Ghostscript's default CMYK profile to sRGB, perceptual) on the
//   same pixels, where Little CMS is installed;
// - Mpixel/s of every kind for every sample type pair (1024 x 1024);
// - realism: median and 95th-percentile CIE76 colour difference between our
//   rendering and Little CMS's over a 9^4 CMYK grid.
// Ratios are reference time / our time (100% = as fast as the reference).
// KX_SIMD_TARGET=AVX3|AVX2|SSE4|SSSE3|SCALAR runs the vector kernels on that
// instruction set alone (one this machine has); the output names the one used.
#include <benchmark/benchmark.h>
#include <hwy/targets.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "benchTiming.h"
#include "raster/colorSpace/colorimetricCmyk.h"
#include "raster/colorSpace/standardTransformers.h"
#include "raster/colorSpace/transformerRegistry.h"
#include "raster/imageBufferInfo.h"
#include "simdTargets.h"

#if defined(KX_HAVE_LCMS2)
#include <lcms2.h>
#endif

namespace {

using namespace Kelvane;
using bench::ratios;
using bench::secondsOf;

constexpr uint32_t kSide = 4096;       // the memcpy and Little CMS comparisons
constexpr uint32_t kTableSide = 1024;  // the table of every kind and pair
constexpr const char* kCmykProfile = "/usr/share/color/icc/ghostscript/default_cmyk.icc";

ImageBufferInfo describe(uint32_t space, uint32_t type) {
  ImageBufferInfo info;
  info.setColorSpace(space);
  info.sampleType = type;
  info.bitsPerSample = type == kSampleUInt16 ? 16 : 8;  // floats span [0, 256]
  return info;
}

// Random samples of a type over its range, in memory touched before timing.
std::vector<unsigned char> randomSamples(uint32_t type, size_t count, uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<unsigned char> bytes(count * sampleSizeOf(type));
  for (size_t i = 0; i < count; ++i) {
    if (type == kSampleUInt8) {
      bytes[i] = static_cast<unsigned char>(random());
    } else if (type == kSampleUInt16) {
      const uint16_t v = static_cast<uint16_t>(random());
      std::memcpy(&bytes[2 * i], &v, 2);
    } else {
      const float v = static_cast<float>(random() % 65536) / 256.0f;
      std::memcpy(&bytes[4 * i], &v, 4);
    }
  }
  return bytes;
}

// One transformer between two images of the same size.
struct Conversion {
  ImageBufferInfo to;
  ImageBufferInfo from;
  uint32_t side;
  std::vector<unsigned char> source;
  std::vector<unsigned char> destination;
  std::unique_ptr<ImageTransformer> transformer;

  Conversion(const ImageBufferInfo& toInfo, const ImageBufferInfo& fromInfo, uint32_t pixelsPerSide)
      : to(toInfo), from(fromInfo), side(pixelsPerSide) {
    const size_t pixels = size_t{side} * side;
    source = randomSamples(from.sampleType, pixels * from.pixelStride, 7);
    destination.assign(pixels * to.pixelStride * to.sampleSize(), 0);
    transformer = findTransformer(to, from);
    if (transformer == nullptr) return;
    transformer->setSourceRaster(source.data(), side, side, side * from.pixelStride * from.sampleSize(), from);
    transformer->setDestinationRaster(destination.data(), side, side, side * to.pixelStride * to.sampleSize(), to);
  }
  size_t sourceBytes() const { return source.size(); }
};

// Times the conversion and memcpy of its source bytes in the same iterations.
void againstMemcpy(benchmark::State& state, Conversion& conversion, const std::string& name) {
  std::vector<unsigned char> copy(conversion.sourceBytes());
  double memcpySeconds = 0.0;
  double ourSeconds = 0.0;
  for (auto _ : state) {
    memcpySeconds += secondsOf([&] { std::memcpy(copy.data(), conversion.source.data(), copy.size()); });
    benchmark::ClobberMemory();
    const double seconds = secondsOf([&] { conversion.transformer->transform(); });
    benchmark::ClobberMemory();
    ourSeconds += seconds;
    state.SetIterationTime(seconds);
  }
  state.counters["vs_memcpy"] = memcpySeconds / ourSeconds;
  state.counters["Mpixel/s"] =
      static_cast<double>(state.iterations()) * conversion.side * conversion.side / ourSeconds / 1e6;
  ratios()[name] = memcpySeconds / ourSeconds;
  bench::recordRow(name, ourSeconds, {{"memcpy", memcpySeconds}});
}

void rgbToGrey8(benchmark::State& state) {
  static Conversion conversion(describe(kColorSpaceGrayscale, kSampleUInt8), describe(kColorSpaceRGB, kSampleUInt8),
                               kSide);
  againstMemcpy(state, conversion, "colour: RGB to greyscale, 8-bit 4096^2");
}

void identity8(benchmark::State& state) {
  static Conversion conversion(describe(kColorSpaceRGB, kSampleUInt8), describe(kColorSpaceRGB, kSampleUInt8), kSide);
  againstMemcpy(state, conversion, "colour: identity RGB, 8-bit 4096^2");
}

#if defined(KX_HAVE_LCMS2)
// Little CMS from the default CMYK profile to sRGB, perceptual; none when the
// profile is missing.
cmsHTRANSFORM littleCmsTransform() {
  static cmsHTRANSFORM transform = [] {
    cmsHPROFILE cmyk = cmsOpenProfileFromFile(kCmykProfile, "r");
    if (cmyk == nullptr) return cmsHTRANSFORM{nullptr};
    cmsHPROFILE srgb = cmsCreate_sRGBProfile();
    cmsHTRANSFORM t = cmsCreateTransform(cmyk, TYPE_CMYK_8, srgb, TYPE_RGB_8, INTENT_PERCEPTUAL, 0);
    cmsCloseProfile(cmyk);
    cmsCloseProfile(srgb);
    return t;
  }();
  return transform;
}
#endif

void cmykToRgbColorimetric(benchmark::State& state) {
  static Conversion conversion(describe(kColorSpaceRGB, kSampleUInt8), describe(kColorSpaceCMYK, kSampleUInt8), kSide);
  const double pixels = double{kSide} * kSide;
#if defined(KX_HAVE_LCMS2)
  cmsHTRANSFORM littleCms = littleCmsTransform();
  std::vector<unsigned char> theirs(conversion.destination.size());
#endif
  double ourSeconds = 0.0;
  double theirSeconds = 0.0;
  for (auto _ : state) {
    const double seconds = secondsOf([&] { conversion.transformer->transform(); });
    benchmark::ClobberMemory();
    ourSeconds += seconds;
    state.SetIterationTime(seconds);
#if defined(KX_HAVE_LCMS2)
    if (littleCms != nullptr) {
      theirSeconds += secondsOf([&] {
        cmsDoTransform(littleCms, conversion.source.data(), theirs.data(), static_cast<cmsUInt32Number>(pixels));
      });
      benchmark::ClobberMemory();
    }
#endif
  }
  state.counters["Mpixel/s"] = state.iterations() * pixels / ourSeconds / 1e6;
  if (theirSeconds > 0.0) {
    state.counters["LittleCMS_Mpixel/s"] = state.iterations() * pixels / theirSeconds / 1e6;
    ratios()["colorimetric CMYK to RGB vs Little CMS"] = theirSeconds / ourSeconds;
    bench::recordRow("colour: colorimetric CMYK to RGB, 8-bit 4096^2", ourSeconds, {{"Little CMS", theirSeconds}});
  }
}

BENCHMARK(rgbToGrey8)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(identity8)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(cmykToRgbColorimetric)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

// Every kind and the identity, by (destination, source) colour spaces.
struct Kind {
  const char* name;
  uint32_t to;
  uint32_t from;
};
constexpr Kind kKinds[] = {
    {"CMYK to RGB", kColorSpaceRGB, kColorSpaceCMYK},   {"CMYK to RGBK", kColorSpaceRGBK, kColorSpaceCMYK},
    {"RGB to CMYK", kColorSpaceCMYK, kColorSpaceRGB},   {"RGB to grey", kColorSpaceGrayscale, kColorSpaceRGB},
    {"YIQ to RGB", kColorSpaceRGB, kColorSpaceYIQ},     {"RGB to YIQ", kColorSpaceYIQ, kColorSpaceRGB},
    {"CMYK to YIQK", kColorSpaceYIQK, kColorSpaceCMYK}, {"YIQK to CMYK", kColorSpaceCMYK, kColorSpaceYIQK},
    {"YIQK to RGB", kColorSpaceRGB, kColorSpaceYIQK},   {"grey to RGB", kColorSpaceRGB, kColorSpaceGrayscale},
    {"identity RGB", kColorSpaceRGB, kColorSpaceRGB},
};
constexpr uint32_t kTypes[] = {kSampleUInt8, kSampleUInt16, kSampleFloat32};
constexpr const char kLetters[] = {'E', 'G', 'M'};

// Mpixel/s by kind and pair, for the table printed after the run.
std::map<std::string, std::map<std::string, double>>& throughput() {
  static std::map<std::string, std::map<std::string, double>> table;
  return table;
}

void registerKindTable() {
  for (const Kind& kind : kKinds) {
    for (int d = 0; d < 3; ++d) {
      for (int s = 0; s < 3; ++s) {
        const std::string pair = {kLetters[d], kLetters[s]};
        const std::string name = std::string("kind/") + kind.name + "/" + pair;
        benchmark::RegisterBenchmark(
            name.c_str(),
            [kind, d, s, pair](benchmark::State& state) {
              Conversion conversion(describe(kind.to, kTypes[d]), describe(kind.from, kTypes[s]), kTableSide);
              double seconds = 0.0;
              for (auto _ : state) {
                const double once = secondsOf([&] { conversion.transformer->transform(); });
                seconds += once;
                state.SetIterationTime(once);
              }
              const double rate = state.iterations() * double{kTableSide} * kTableSide / seconds / 1e6;
              state.counters["Mpixel/s"] = rate;
              throughput()[kind.name][pair] = rate;
            })
            ->UseManualTime()
            ->Iterations(2)
            ->Unit(benchmark::kMillisecond);
      }
    }
  }
}

// The instruction set the vector kernels dispatch to: the best one allowed.
const char* dispatchedTargetName() {
  const int64_t targets = hwy::SupportedTargets();
  return hwy::TargetName(targets & -targets);
}

// Restricts dispatch to the instruction set KX_SIMD_TARGET names, when set;
// false when this machine or build has no such target.
bool restrictTargets() {
  const char* wanted = std::getenv("KX_SIMD_TARGET");
  if (wanted == nullptr || *wanted == '\0') return true;
  const std::vector<bench::SimdTarget> targets = bench::simdTargets();
  for (const bench::SimdTarget& target : targets) {
    if (target.name == wanted) {
      hwy::SetSupportedTargetsForTest(target.bits);
      return true;
    }
  }
  std::fprintf(stderr, "KX_SIMD_TARGET=%s: not a target of this machine and build; it has", wanted);
  for (const bench::SimdTarget& target : targets) std::fprintf(stderr, " %s", target.name.c_str());
  std::fprintf(stderr, "\n");
  return false;
}

void printThroughputTable() {
  std::printf("\nMpixel/s by kind and pair (destination letter first), %u x %u pixels, vector target %s:\n%-14s",
              kTableSide, kTableSide, dispatchedTargetName(), "");
  for (char d : kLetters) {
    for (char s : kLetters) std::printf("%8c%c", d, s);
  }
  std::printf("\n");
  for (const Kind& kind : kKinds) {
    std::printf("%-14s", kind.name);
    for (char d : kLetters) {
      for (char s : kLetters) {
        const auto& row = throughput()[kind.name];
        const auto cell = row.find(std::string{d, s});
        std::printf("%9.0f", cell == row.end() ? 0.0 : cell->second);
      }
    }
    std::printf("\n");
  }
}

#if defined(KX_HAVE_LCMS2)
// CIE76 differences between our rendering and Little CMS's of the CMYK values
// 0, 32, ..., 224, 255 on every ink, both measured as sRGB in Lab.
void printRealism() {
  cmsHTRANSFORM littleCms = littleCmsTransform();
  if (littleCms == nullptr) return;
  cmsHPROFILE srgb = cmsCreate_sRGBProfile();
  cmsHPROFILE lab = cmsCreateLab4Profile(nullptr);
  cmsHTRANSFORM toLab = cmsCreateTransform(srgb, TYPE_RGB_8, lab, TYPE_Lab_DBL, INTENT_RELATIVE_COLORIMETRIC, 0);
  std::vector<double> differences;
  for (int i = 0; i < 9 * 9 * 9 * 9; ++i) {
    uint8_t cmyk[4];
    for (int ink = 0, rest = i; ink < 4; ++ink, rest /= 9)
      cmyk[ink] = static_cast<uint8_t>(std::min(255, rest % 9 * 32));
    uint8_t ours[3];
    uint8_t theirs[3];
    cmykToRgb8(cmyk, ours);
    cmsDoTransform(littleCms, cmyk, theirs, 1);
    cmsCIELab a;
    cmsCIELab b;
    cmsDoTransform(toLab, ours, &a, 1);
    cmsDoTransform(toLab, theirs, &b, 1);
    differences.push_back(cmsDeltaE(&a, &b));
  }
  cmsDeleteTransform(toLab);
  cmsCloseProfile(lab);
  cmsCloseProfile(srgb);
  std::sort(differences.begin(), differences.end());
  std::printf("\nRealism against Little CMS over 9^4 CMYK values: median dE76 %.2f, 95th percentile %.2f\n",
              differences[differences.size() / 2], differences[differences.size() * 95 / 100]);
}
#endif

}  // namespace

int main(int argc, char** argv) {
  if (!restrictTargets()) return 1;
  std::printf("Vector target: %s\n", dispatchedTargetName());
  if (!buildTransformerRegistry()) return 1;
  registerKindTable();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  bench::printRatios("Throughput as a fraction of the reference measured in the same run:");
  printThroughputTable();
#if defined(KX_HAVE_LCMS2)
  printRealism();
#else
  std::printf("\nLittle CMS not installed: no comparison with it, no realism figure.\n");
#endif
  clearRegistry();
  return 0;
}
