// Every 8-bit RGB value through RGB to greyscale and RGB to YIQ, against the
// plain reference arithmetic: the vector row kernel (compact pixels) on every
// vector target and the pixel path (padded pixels) must all agree with it on
// all 2^24 inputs.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "helpers/simdTargetSupport.h"
#include "raster/colorSpace/colorReference.h"
#include "raster/colorSpace/colorSpaceTransformer.h"
#include "raster/colorSpace/rgbToGrayscalePixelTransformer.h"
#include "raster/colorSpace/rgbToYiqPixelTransformer.h"
#include "raster/rasterTestSupport.h"

namespace Kelvane {
namespace {

using testing_support::describe;
using testing_support::forEachSimdTarget;

constexpr uint32_t kSide = 4096;  // 4096 x 4096 pixels: every 24-bit value once

// Pixels whose conversion through `Op` differs from `reference`, over all
// 2^24 RGB values (value i at pixel i) in pixels of `stride` samples.
template <typename Op, typename Reference>
uint32_t mismatchesOverEveryValue(uint32_t stride, uint32_t to, Reference&& reference) {
  std::vector<E> source(size_t{kSide} * kSide * stride);
  for (uint32_t i = 0; i < kSide * kSide; ++i) {
    E* pixel = &source[size_t{i} * stride];
    pixel[0] = static_cast<E>(i >> 16);
    pixel[1] = static_cast<E>(i >> 8);
    pixel[2] = static_cast<E>(i);
  }
  const uint8_t outBands = bands(to);
  std::vector<E> out(size_t{kSide} * kSide * outBands);
  ColorSpaceTransformer<Op> transformer;
  transformer.setSourceRaster(source.data(), kSide, kSide, kSide * stride,
                              describe(kColorSpaceRGB, kSampleUInt8, 8, stride));
  transformer.setDestinationRaster(out.data(), kSide, kSide, kSide * outBands, describe(to, kSampleUInt8, 8, outBands));
  transformer.transform();
  uint32_t count = 0;
  for (uint32_t i = 0; i < kSide * kSide; ++i) {
    const auto expected = reference(i >> 16, (i >> 8) & 255, i & 255);
    count += !std::equal(expected.begin(), expected.end(), &out[size_t{i} * outBands]);
  }
  return count;
}

// The row kernel (compact pixels) on every vector target, then the pixel path (padded pixels).
TEST(ExhaustiveRgb, GreyscaleOfEveryValueMatchesTheDoubleArithmetic) {
  const auto grey = [](int r, int g, int b) { return std::array<uint8_t, 1>{reference::grey(r, g, b)}; };
  forEachSimdTarget([&] {
    EXPECT_EQ((mismatchesOverEveryValue<RGBtoGrayscalePixelTransformer<E, E>>(3, kColorSpaceGrayscale, grey)), 0u);
  });
  EXPECT_EQ((mismatchesOverEveryValue<RGBtoGrayscalePixelTransformer<E, E>>(4, kColorSpaceGrayscale, grey)), 0u);
}

TEST(ExhaustiveRgb, YiqOfEveryValueMatchesTheSinglePrecisionCoefficients) {
  EXPECT_EQ((mismatchesOverEveryValue<RGBtoYIQPixelTransformer<E, E>>(3, kColorSpaceYIQ, reference::yiq)), 0u);
}

}  // namespace
}  // namespace Kelvane
