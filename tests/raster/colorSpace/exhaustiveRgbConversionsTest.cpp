// Every 8-bit RGB value through RGB to greyscale and RGB to YIQ, against the
// plain reference arithmetic: the vector row kernel (compact pixels) on every
// vector target and the pixel path (padded pixels) must all agree with it on
// all 2^24 inputs.
#include <gtest/gtest.h>

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

// All 2^24 RGB values in pixels of `stride` samples, value i at pixel i.
std::vector<E> everyRgbValue(uint32_t stride) {
  std::vector<E> pixels(static_cast<size_t>(kSide) * kSide * stride);
  for (uint32_t i = 0; i < kSide * kSide; ++i) {
    E* pixel = &pixels[static_cast<size_t>(i) * stride];
    pixel[0] = static_cast<E>(i >> 16);
    pixel[1] = static_cast<E>(i >> 8);
    pixel[2] = static_cast<E>(i);
  }
  return pixels;
}

template <typename Op>
std::vector<E> transformAll(std::vector<E>& source, uint32_t sourceStride, const ImageBufferInfo& to) {
  ColorSpaceTransformer<Op> transformer;
  std::vector<E> out(static_cast<size_t>(kSide) * kSide * to.pixelStride);
  transformer.setSourceRaster(source.data(), kSide, kSide, kSide * sourceStride,
                              describe(kColorSpaceRGB, kSampleUInt8, 8, sourceStride));
  transformer.setDestinationRaster(out.data(), kSide, kSide, kSide * to.pixelStride, to);
  transformer.transform();
  return out;
}

// The row kernel on every vector target, then the pixel path.
TEST(ExhaustiveRgb, GreyscaleOfEveryValueMatchesTheDoubleArithmetic) {
  std::vector<E> expected(size_t{kSide} * kSide);
  for (uint32_t i = 0; i < kSide * kSide; ++i) expected[i] = reference::grey(i >> 16, (i >> 8) & 255, i & 255);
  const ImageBufferInfo grey = describe(kColorSpaceGrayscale, kSampleUInt8, 8, 1);
  const auto mismatches = [&](const std::vector<E>& got) {
    uint32_t count = 0;
    for (uint32_t i = 0; i < kSide * kSide; ++i) count += got[i] != expected[i];
    return count;
  };
  std::vector<E> compact = everyRgbValue(3);
  forEachSimdTarget(
      [&] { EXPECT_EQ(mismatches(transformAll<RGBtoGrayscalePixelTransformer<E, E>>(compact, 3, grey)), 0u); });
  std::vector<E> padded = everyRgbValue(4);
  EXPECT_EQ(mismatches(transformAll<RGBtoGrayscalePixelTransformer<E, E>>(padded, 4, grey)), 0u);
}

TEST(ExhaustiveRgb, YiqOfEveryValueMatchesTheSinglePrecisionCoefficients) {
  std::vector<E> source = everyRgbValue(3);
  const std::vector<E> yiq =
      transformAll<RGBtoYIQPixelTransformer<E, E>>(source, 3, describe(kColorSpaceYIQ, kSampleUInt8, 8, 3));
  uint32_t mismatches = 0;
  for (uint32_t i = 0; i < kSide * kSide; ++i) {
    const std::array<uint8_t, 3> expected = reference::yiq(i >> 16, (i >> 8) & 255, i & 255);
    mismatches += yiq[3 * i] != expected[0] || yiq[3 * i + 1] != expected[1] || yiq[3 * i + 2] != expected[2];
  }
  EXPECT_EQ(mismatches, 0u);
}

}  // namespace
}  // namespace Kelvane
