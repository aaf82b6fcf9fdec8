// The colorimetric CMYK-to-RGB path against the plain reference arithmetic:
// every entry of every curve, every device value next to a grid node in all
// combinations, a million random pixels, through the vector row kernel on
// every vector target and the pixel path, for the pairs EE and EM and through
// YIQK to RGB; and the vector kernel's Lab stage on every 8-bit Lab value.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <type_traits>
#include <vector>

#include "helpers/simdTargetSupport.h"
#include "raster/colorSpace/cmykToRgbPixelTransformer.h"
#include "raster/colorSpace/colorReference.h"
#include "raster/colorSpace/colorSpaceTransformer.h"
#include "raster/colorSpace/colorimetricCmyk.h"
#include "raster/colorSpace/colorimetricTables.h"
#include "raster/colorSpace/yiqkToRgbPixelTransformer.h"
#include "raster/rasterTestSupport.h"

namespace Kelvane {
namespace {

using testing_support::describe;
using testing_support::forEachSimdTarget;

// Compact CMYK pixels: a million random ones, every entry of every curve
// with the other inks at 0, then every combination of the device values on
// either side of each grid node (and 0 and 255) per ink.
std::vector<uint8_t> testPixels() {
  std::vector<uint8_t> pixels(4u * 1000000u);
  std::mt19937 random(20240601);
  for (uint8_t& v : pixels) v = static_cast<uint8_t>(random());
  std::vector<uint8_t> nearNodes[4];
  for (int ink = 0; ink < 4; ++ink) {
    for (int x = 0; x < 256; ++x) {
      pixels.insert(pixels.end(), 4, 0);
      pixels[pixels.size() - 4 + ink] = static_cast<uint8_t>(x);
      const int u = kCmykInputCurves[x][ink];
      const int next = x < 255 ? kCmykInputCurves[x + 1][ink] : 65536;
      // x is the last value below a node or the first at or above one.
      if (x == 0 || x == 255 || u / 13107 != next / 13107 ||
          (x > 0 && kCmykInputCurves[x - 1][ink] / 13107 != u / 13107)) {
        nearNodes[ink].push_back(static_cast<uint8_t>(x));
      }
    }
  }
  for (uint8_t c : nearNodes[0]) {
    for (uint8_t m : nearNodes[1]) {
      for (uint8_t y : nearNodes[2]) {
        for (uint8_t k : nearNodes[3]) pixels.insert(pixels.end(), {c, m, y, k});
      }
    }
  }
  // Whole rows of 1000 pixels.
  while (pixels.size() % 4000 != 0) pixels.push_back(static_cast<uint8_t>(random()));
  return pixels;
}

const std::vector<uint8_t>& pixels() {
  static const std::vector<uint8_t> all = testPixels();
  return all;
}

// The reference RGB of compact CMYK pixels. Its second stage depends on the
// 8-bit Lab alone, so each Lab value's RGB is computed once.
std::vector<uint8_t> referenceRgb(const std::vector<uint8_t>& cmyk) {
  std::vector<int32_t> byLab(size_t{1} << 24, -1);
  std::vector<uint8_t> rgb(cmyk.size() / 4 * 3);
  for (size_t i = 0; i < cmyk.size() / 4; ++i) {
    const std::array<int, 3> lab = reference::cmykToLab(&cmyk[4 * i]);
    int32_t& known = byLab[(lab[0] << 16) | (lab[1] << 8) | lab[2]];
    if (known < 0) {
      const std::array<uint8_t, 3> out = reference::labToRgb(lab);
      known = (out[0] << 16) | (out[1] << 8) | out[2];
    }
    rgb[3 * i] = static_cast<uint8_t>(known >> 16);
    rgb[3 * i + 1] = static_cast<uint8_t>(known >> 8);
    rgb[3 * i + 2] = static_cast<uint8_t>(known);
  }
  return rgb;
}

// Pixels that differ from the expected RGB, with the first one's index.
struct Differences {
  size_t count = 0;
  size_t first = 0;
};

Differences compareRgb(const std::vector<uint8_t>& got, const std::vector<uint8_t>& expected) {
  Differences d;
  for (size_t i = 0; i < got.size() / 3; ++i) {
    if (std::memcmp(&got[3 * i], &expected[3 * i], 3) != 0 && d.count++ == 0) d.first = i;
  }
  return d;
}

// An anchor for the reference itself.
TEST(ColorimetricCmyk, PaperReducesToLab254AndRendersNearWhite) {
  const uint8_t paper[4] = {0, 0, 0, 0};
  uint8_t labAndRgb[6];
  cmykToLab8(paper, labAndRgb);
  cmykToRgb8(paper, labAndRgb + 3);
  EXPECT_EQ(std::vector<uint8_t>(labAndRgb, labAndRgb + 6), (std::vector<uint8_t>{254, 128, 128, 253, 253, 253}));
}

// Each threshold is the first double whose power reaches its output (the
// table then agrees with the power at every double in [0, 1]), and the bucket
// lookup steps exactly there, at both ends and below the first bucket.
TEST(ColorimetricCmyk, GammaLookupStepsExactlyWhereThePowerDoes) {
  const ColorimetricTables& t = colorimetricTables();
  const auto output = [](double x) { return static_cast<int>(std::pow(x, 0.45454545454545453) * 255.0); };
  for (int k = 1; k < 256; ++k) {
    const double at = t.gammaThreshold[k];
    ASSERT_GE(output(at), k) << k;
    ASSERT_LT(output(std::nextafter(at, 0.0)), k) << k;
    ASSERT_LT(t.gammaThreshold[k - 1], at) << k;
    ASSERT_EQ(gammaOutput(at, t), k);
    ASSERT_EQ(gammaOutput(std::nextafter(at, 0.0), t), k - 1);
  }
  EXPECT_TRUE(t.bucketsHoldOneThreshold);
  EXPECT_EQ(gammaOutput(0.0, t), 0);
  EXPECT_EQ(gammaOutput(kGammaFloor / 3, t), 0);
  EXPECT_EQ(gammaOutput(1.0, t), 255);
}

// Compact four-sample pixels through a transformer of `Op` over rows of 1000
// pixels: compact 8-bit pixels (read in place), pixels padded to five samples
// in reverse order (gathered first), or float device values of x + 0.75
// (truncated to x).
template <typename Op>
std::vector<uint8_t> throughTransformer(const std::vector<uint8_t>& four, bool padded,
                                        uint32_t space = kColorSpaceCMYK) {
  using Src = typename Op::SourceSample;
  const uint32_t width = 1000;
  const uint32_t height = static_cast<uint32_t>(four.size() / 4 / width);
  const uint32_t stride = padded ? 5 : 4;
  std::vector<Src> source(static_cast<size_t>(width) * height * stride);
  for (size_t i = 0; i < four.size(); ++i) {
    const size_t at = i / 4 * stride + (padded ? 3 - i % 4 : i % 4);
    source[at] = static_cast<Src>(four[i] + (std::is_floating_point_v<Src> ? 0.75 : 0.0));
  }
  ColorSpaceTransformer<Op> transformer;
  transformer.setSourceRaster(
      source.data(), width, height, width * stride * sizeof(Src),
      describe(space, SampleTraits<Src>::kTypeCode, 8, stride, 0,
               padded ? std::initializer_list<uint32_t>{3, 2, 1, 0} : std::initializer_list<uint32_t>{}));
  std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
  transformer.setDestinationRaster(rgb.data(), width, height, width * 3, describe(kColorSpaceRGB, kSampleUInt8, 8, 3));
  transformer.transform();
  return rgb;
}

TEST(ColorimetricCmyk, MillionPixelsMatchTheReferenceOnEveryPath) {
  const std::vector<uint8_t>& cmyk = pixels();
  const std::vector<uint8_t> expected = referenceRgb(cmyk);
  std::vector<uint8_t> scalar(expected.size());
  cmykToRgbRow8Scalar(cmyk.data(), scalar.data(), cmyk.size() / 4);
  const Differences d = compareRgb(scalar, expected);
  EXPECT_EQ(d.count, 0u) << "scalar path, first at pixel " << d.first;
  forEachSimdTarget([&] {
    std::vector<uint8_t> vector(expected.size());
    cmykToRgbRow8(cmyk.data(), vector.data(), cmyk.size() / 4);
    const std::vector<std::vector<uint8_t>> outputs = {vector,
                                                       throughTransformer<CMYKtoRGBPixelTransformer<E, E>>(cmyk, false),
                                                       throughTransformer<CMYKtoRGBPixelTransformer<E, E>>(cmyk, true),
                                                       throughTransformer<CMYKtoRGBPixelTransformer<E, M>>(cmyk, true)};
    for (size_t path = 0; path < outputs.size(); ++path) {
      const Differences v = compareRgb(outputs[path], expected);
      EXPECT_EQ(v.count, 0u) << "path " << path << ", first at pixel " << v.first;
    }
  });
}

// The vector kernel's second stage against the scalar path on all 2^24 8-bit
// Lab values, 65536 at a time: every input the power's estimate can meet.
TEST(ColorimetricCmyk, EveryLabValueRendersAsTheScalarPath) {
  if (HWY_TARGETS == HWY_SCALAR) GTEST_SKIP() << "no vector kernel in this build";
  std::vector<uint8_t> lab(3 * 65536);
  std::vector<uint8_t> expected(lab.size());
  std::vector<uint8_t> got(lab.size());
  for (int l = 0; l < 256; ++l) {
    for (size_t i = 0; i < 65536; ++i) {
      lab[3 * i] = static_cast<uint8_t>(l);
      lab[3 * i + 1] = static_cast<uint8_t>(i >> 8);
      lab[3 * i + 2] = static_cast<uint8_t>(i);
      lab8ToRgb(&lab[3 * i], &expected[3 * i]);
    }
    forEachSimdTarget([&] {
      lab8ToRgbRow(lab.data(), got.data(), 65536);
      const Differences d = compareRgb(got, expected);
      ASSERT_EQ(d.count, 0u) << "L " << l << ", first at a " << d.first / 256 << " b " << d.first % 256;
    });
  }
}

// Rows of every length up to a few groups, read from buffers that end with
// the row (a read past it trips the address sanitizer): the last short group
// converts its pixels and writes nothing past the row.
TEST(ColorimetricCmyk, RowsOfEveryLengthStopAtTheirEnd) {
  constexpr size_t kLongest = 150;
  std::vector<uint8_t> expected(3 * kLongest);
  cmykToRgbRow8Scalar(pixels().data(), expected.data(), kLongest);
  forEachSimdTarget([&] {
    for (size_t count = 0; count <= kLongest; ++count) {
      const std::vector<uint8_t> cmyk(pixels().begin(), pixels().begin() + 4 * count);
      std::vector<uint8_t> got(3 * count + 64, 0xA5);
      cmykToRgbRow8(cmyk.data(), got.data(), count);
      ASSERT_TRUE(std::equal(got.begin(), got.begin() + 3 * count, expected.begin())) << count << " pixels";
      ASSERT_TRUE(std::all_of(got.begin() + 3 * count, got.end(), [](uint8_t v) { return v == 0xA5; }))
          << count << " pixels";
    }
  });
}

// Float device values outside 0..255, infinities and NaN are limited into
// range before they index a curve.
TEST(ColorimetricCmyk, FloatDeviceValuesAreLimitedToTheCurves) {
  const float inf = std::numeric_limits<float>::infinity();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float outside[4][4] = {
      {-5.0f, 300.0f, -inf, inf}, {nan, 1e30f, -0.5f, 255.9f}, {256.0f, 0.0f, 0.0f, nan}, {-1e30f, 0.0f, 0.0f, 0.0f}};
  const uint8_t inRange[4][4] = {{0, 255, 0, 255}, {0, 255, 0, 255}, {255, 0, 0, 0}, {0, 0, 0, 0}};
  CMYKtoRGBPixelTransformer<E, M> op;
  op.setup(describe(kColorSpaceRGB, kSampleUInt8, 8, 3), describe(kColorSpaceCMYK, kSampleFloat32, 8, 4));
  for (int p = 0; p < 4; ++p) {
    uint8_t got[3];
    op.apply(got, outside[p]);
    const std::array<uint8_t, 3> expected = reference::cmykToRgb(inRange[p]);
    EXPECT_EQ(std::vector<uint8_t>(got, got + 3), std::vector<uint8_t>(expected.begin(), expected.end())) << p;
  }
}

// YIQK to RGB goes through YIQK to CMYK in the source type and then the
// colorimetric path.
TEST(ColorimetricCmyk, YiqkToRgbRendersItsCmykThroughTheProfile) {
  const std::vector<uint8_t>& yiqk = pixels();
  std::vector<uint8_t> cmyk(yiqk.size());
  for (size_t i = 0; i < yiqk.size(); i += 4) {
    const std::array<uint8_t, 4> inks = reference::yiqkToCmyk(yiqk[i], yiqk[i + 1], yiqk[i + 2], yiqk[i + 3]);
    std::copy(inks.begin(), inks.end(), cmyk.begin() + i);
  }
  const Differences d =
      compareRgb(throughTransformer<YIQKtoRGBPixelTransformer<E, E>>(yiqk, false, kColorSpaceYIQK), referenceRgb(cmyk));
  EXPECT_EQ(d.count, 0u) << "first at pixel " << d.first;
}

}  // namespace
}  // namespace Kelvane
