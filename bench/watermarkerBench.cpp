// Cost of the watermarker's stamp: Composite of a 256 x 64 watermark on a
// 512 x 512 8-bit RGB tile, against converting the watermark's own pixels
// into a buffer of just their size with a transformer from the same
// registry (lookup included), and against memcpy of the stamp's destination
// bytes. The stamp touches nothing else of the tile, so it should cost no
// more than the conversion. Pairs: RGB into RGB (the identity's byte copy),
// grey into RGB, CMYK into RGB (colorimetric). Ratios are reference time /
// our time (100% = as fast as the reference).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "benchTiming.h"
#include "com/kxComClassEntry.h"
#include "raster/colorSpace/standardTransformers.h"
#include "raster/colorSpace/transformerRegistry.h"
#include "raster/describeSceneBuffer.h"
#include "stages/watermarker/kxv_watermarkerImp.h"

namespace {

using namespace Kelvane;
using bench::ratios;
using bench::secondsOf;

constexpr uint32_t kTileSide = 512;
constexpr uint32_t kStampWidth = 256;
constexpr uint32_t kStampHeight = 64;
// Stamps per timed batch: one takes microseconds, far below the clock's grain.
constexpr int kBatch = 200;

// An 8-bit pixel-interleaved buffer of random samples, owning its memory.
struct Buffer {
  std::vector<uint8_t> memory;
  DecodeBuffer record;

  Buffer(uint32_t colorSpace, uint32_t spp, uint32_t width, uint32_t height) {
    memory.resize(size_t{width} * height * spp);
    std::mt19937 random(spp * 31 + width);
    for (uint8_t& byte : memory) byte = static_cast<uint8_t>(random());
    record.scene = Scene{0.0, 0.0, double(width), double(height), 1.0};
    record.pBits = memory.data();
    BufferFormat& format = record.format;
    format.colorSpace = colorSpace;
    format.spp = format.stride = spp;
    format.type = KX_TYPE_U8;
    format.order = KX_ORDER_INTERLEAVED;
    format.align = 1;
    format.rowbytes = width * spp;
    format.bps = 8;
    for (uint32_t s = 0; s < spp; ++s) format.smap[s] = static_cast<int32_t>(s);
  }
};

// Converts `watermark` into `destination`, both whole, as a stage would
// without a watermarker: describe, look up, transform.
void convert(Buffer& destination, const Buffer& watermark) {
  ImageBufferInfo to;
  ImageBufferInfo from;
  describeSceneBuffer(destination.record, to);
  describeSceneBuffer(watermark.record, from);
  const std::unique_ptr<ImageTransformer> transformer = findTransformer(to, from);
  transformer->setSourceRaster(watermark.record.pBits, kStampWidth, kStampHeight, watermark.record.format.rowbytes,
                               from);
  transformer->setDestinationRaster(destination.record.pBits, kStampWidth, kStampHeight,
                                    destination.record.format.rowbytes, to);
  transformer->transform();
}

void stampAgainstConversion(benchmark::State& state, uint32_t colorSpace, uint32_t spp, const std::string& name) {
  static const bool registry = buildTransformerRegistry();
  if (!registry) {
    state.SkipWithError("no transformer registry");
    return;
  }
  INondelegatingUnknown* object = nullptr;
  KxComCreate<KxvWatermarkerImp>(nullptr, &object);
  auto* stage = static_cast<KxvWatermarkerImp*>(object);
  const Buffer watermark(colorSpace, spp, kStampWidth, kStampHeight);
  Buffer tile(KX_CS_RGB, 3, kTileSide, kTileSide);
  Buffer converted(KX_CS_RGB, 3, kStampWidth, kStampHeight);
  std::vector<uint8_t> copy(size_t{kStampWidth} * kStampHeight * 3);

  double ourSeconds = 0.0;
  double conversionSeconds = 0.0;
  double memcpySeconds = 0.0;
  for (auto _ : state) {
    const double seconds = secondsOf([&] {
      for (int i = 0; i < kBatch; ++i) stage->Composite(&tile.record, &watermark.record, KX_WATERMARK_REPLACE);
    });
    benchmark::ClobberMemory();
    ourSeconds += seconds;
    state.SetIterationTime(seconds);
    conversionSeconds += secondsOf([&] {
      for (int i = 0; i < kBatch; ++i) convert(converted, watermark);
    });
    benchmark::ClobberMemory();
    memcpySeconds += secondsOf([&] {
      for (int i = 0; i < kBatch; ++i) std::memcpy(copy.data(), converted.memory.data(), copy.size());
    });
    benchmark::ClobberMemory();
  }
  object->NondelegatingRelease();
  state.counters["vs_conversion"] = conversionSeconds / ourSeconds;
  state.counters["vs_memcpy"] = memcpySeconds / ourSeconds;
  ratios()[name + " stamp vs converting the stamp alone"] = conversionSeconds / ourSeconds;
  ratios()[name + " stamp vs memcpy of its bytes"] = memcpySeconds / ourSeconds;
  bench::recordRow(name + " 256x64 stamp on a 512^2 RGB tile", ourSeconds,
                   {{"converting the stamp alone", conversionSeconds}, {"memcpy", memcpySeconds}});
}

void rgbOnRgb(benchmark::State& state) { stampAgainstConversion(state, KX_CS_RGB, 3, "RGB"); }
void greyOnRgb(benchmark::State& state) { stampAgainstConversion(state, KX_CS_GREY, 1, "grey"); }
void cmykOnRgb(benchmark::State& state) { stampAgainstConversion(state, KX_CS_CMYK, 4, "CMYK"); }

BENCHMARK(rgbOnRgb)->UseManualTime()->Iterations(20)->Unit(benchmark::kMicrosecond);
BENCHMARK(greyOnRgb)->UseManualTime()->Iterations(20)->Unit(benchmark::kMicrosecond);
BENCHMARK(cmykOnRgb)->UseManualTime()->Iterations(10)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  return Kelvane::bench::runBenchmarksAndPrintRatios(argc, argv,
                                                     "Stamping a 256 x 64 watermark on a 512 x 512 RGB tile");
}
