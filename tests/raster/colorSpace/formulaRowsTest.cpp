// The formula row kernels against the pixel path they replace, byte for
// byte, on every vector target: YIQK to CMYK, CMYK to YIQK, YIQ to RGB, RGB
// to YIQ, CMYK to RGBK, CMYK to RGB (separations, and the colorimetric
// pairs' float device values) and YIQK to RGB (which runs both), for all
// nine sample type pairs, over every 8-bit second and third sample at the
// ends and middle of the first, combinations of each type's extremes and a
// random sample, in rows of every length around the vector widths, with the
// default ranges and with narrowed ranges, permuted band maps and samples off
// their alignment.
#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <limits>
#include <random>
#include <type_traits>
#include <vector>

#include "helpers/simdTargetSupport.h"
#include "raster/colorSpace/cmykToRgbPixelTransformer.h"
#include "raster/colorSpace/cmykToRgbkPixelTransformer.h"
#include "raster/colorSpace/cmykToYiqkPixelTransformer.h"
#include "raster/colorSpace/rgbToYiqPixelTransformer.h"
#include "raster/colorSpace/yiqToRgbPixelTransformer.h"
#include "raster/colorSpace/yiqkToCmykPixelTransformer.h"
#include "raster/colorSpace/yiqkToRgbPixelTransformer.h"
#include "raster/rasterTestSupport.h"

namespace Kelvane {
namespace {

using testing_support::describe;
using testing_support::forEachSimdTarget;

// Builds with a vector kernel sweep every input below; a build with the
// portable target alone (the -m32 flavour, run under an emulator) compares
// the pixel path with itself and takes a small random sample.
constexpr bool kVectorBuild = (HWY_TARGETS & (HWY_TARGETS - 1)) != 0;

// Sample values every type meets at its edges: zero, the ends of the 8-bit
// and 16-bit ranges, values that wrap; floats add fractions, signed zero,
// huge values, infinities and NaN.
template <typename T>
std::vector<double> extremes() {
  if constexpr (std::is_same_v<T, E>) {
    return {0, 1, 127, 128, 254, 255};
  } else if constexpr (std::is_same_v<T, G>) {
    return {0, 1, 255, 256, 32767, 32768, 65534, 65535};
  } else {
    const double inf = std::numeric_limits<double>::infinity();
    return {0.0, -0.0, 0.5, 254.99, 255.5, 256.0, -1.0, 1e6, -3e9, FLT_MAX, -inf, inf, std::nan("")};
  }
}

// Samples of type T, read as pixels of three or four: every I and Q with Y
// at 0, 128 and 255 and K varying (for 8-bit samples), every combination of
// four extremes, then random samples.
template <typename T>
const std::vector<T>& inputs() {
  static const std::vector<T> pixels = [] {
    std::vector<T> all;
    std::mt19937 random(25);
    if (kVectorBuild) {
      if constexpr (std::is_same_v<T, E>) {
        for (int y : {0, 128, 255}) {
          for (int iq = 0; iq < 65536; ++iq) all.insert(all.end(), {T(y), T(iq >> 8), T(iq & 255), T(iq * 7 + y)});
        }
      }
      const std::vector<double> edge = extremes<T>();
      const size_t n = edge.size();
      for (size_t i = 0; i < n * n * n * n; ++i) {
        for (size_t band = 0, rest = i; band < 4; ++band, rest /= n) all.push_back(static_cast<T>(edge[rest % n]));
      }
    }
    std::uniform_real_distribution<double> floats(-40.0, 300.0);
    for (int i = 0; i < 4 * (kVectorBuild ? 30000 : 2000); ++i) {
      all.push_back(std::is_floating_point_v<T> ? static_cast<T>(floats(random)) : static_cast<T>(random()));
    }
    return all;
  }();
  return pixels;
}

// Row lengths that end on, before and after whole vectors of 2, 4 and 8
// pixels, and long rows; the input is cut into rows of these in turn.
constexpr uint32_t kRowLengths[] = {0, 1, 2, 3, 4, 5, 7, 8, 9, 15, 16, 17, 31, 256, 1001};

// How the operator is set up: depths and maps of both sides, and whether the
// pixels start one byte past their samples' alignment.
struct Layout {
  int32_t destinationBits;
  int32_t sourceBits;
  std::vector<uint32_t> destinationMap;  // empty: the identity
  std::vector<uint32_t> sourceMap;
  size_t offset;
};

// The default depths compactly; narrowed ranges (7-bit integers, float
// ranges of 2^12 and 2^40, so integer sources scale into large floats) in
// permuted maps, one byte off alignment.
template <typename T>
int32_t narrowBits(bool source) {
  return std::is_floating_point_v<T> ? (source ? 12 : 40) : 7;
}

// Converts `pixels` in rows through applyRow and pixel by pixel through apply
// (the plain path) and expects the same bytes, on every vector target.
template <template <typename, typename> class Kind, typename Dst, typename Src>
void expectRowsMatchPixels(uint32_t to, uint32_t from, const Layout& layout) {
  const uint8_t toBands = bands(to);
  const uint8_t fromBands = bands(from);
  ImageBufferInfo toInfo = describe(to, SampleTraits<Dst>::kTypeCode, layout.destinationBits, toBands);
  ImageBufferInfo fromInfo = describe(from, SampleTraits<Src>::kTypeCode, layout.sourceBits, fromBands);
  if (!layout.destinationMap.empty()) toInfo.setSampleMap(layout.destinationMap.data());
  if (!layout.sourceMap.empty()) fromInfo.setSampleMap(layout.sourceMap.data());
  Kind<Dst, Src> op;
  op.setup(toInfo, fromInfo);
  const std::vector<Src>& pixels = inputs<Src>();
  const size_t count = pixels.size() / fromBands;
  std::vector<unsigned char> source(layout.offset + pixels.size() * sizeof(Src));
  std::memcpy(source.data() + layout.offset, pixels.data(), pixels.size() * sizeof(Src));
  const auto* in = reinterpret_cast<const Src*>(source.data() + layout.offset);
  const size_t outBytes = layout.offset + count * toBands * sizeof(Dst);
  std::vector<unsigned char> expected(outBytes), got(outBytes);
  auto* plain = reinterpret_cast<Dst*>(expected.data() + layout.offset);
  for (size_t i = 0; i < count; ++i) op.apply(plain + i * toBands, in + fromBands * i);
  forEachSimdTarget([&] {
    auto* out = reinterpret_cast<Dst*>(got.data() + layout.offset);
    for (size_t start = 0, row = 0; start < count; start += kRowLengths[row++ % std::size(kRowLengths)]) {
      const uint32_t length =
          static_cast<uint32_t>(std::min<size_t>(kRowLengths[row % std::size(kRowLengths)], count - start));
      op.applyRow(out + start * toBands, toBands, in + fromBands * start, fromBands, length);
    }
    const auto differs = std::mismatch(expected.begin(), expected.end(), got.begin());
    const size_t pixel =
        static_cast<size_t>(differs.first - expected.begin() - layout.offset) / (toBands * sizeof(Dst));
    ASSERT_TRUE(differs.first == expected.end())
        << "first at pixel " << pixel << ", from " << +pixels[fromBands * pixel] << ' '
        << +pixels[fromBands * pixel + 1] << ' ' << +pixels[fromBands * pixel + 2];
  });
}

// One kind over the nine type pairs, in both layouts.
template <template <typename, typename> class Kind, typename Dst, typename Src>
void expectPairMatches(uint32_t to, uint32_t from) {
  SCOPED_TRACE(testing::Message() << "destination " << SampleTraits<Dst>::kTypeCode << ", source "
                                  << SampleTraits<Src>::kTypeCode);
  const int32_t dstBits = std::is_same_v<Dst, G> ? 16 : 8;
  const int32_t srcBits = std::is_same_v<Src, G> ? 16 : 8;
  const auto permuted = [](uint32_t space) {
    return bands(space) == 3 ? std::vector<uint32_t>{2, 0, 1} : std::vector<uint32_t>{3, 1, 0, 2};
  };
  expectRowsMatchPixels<Kind, Dst, Src>(to, from, {dstBits, srcBits, {}, {}, 0});
  expectRowsMatchPixels<Kind, Dst, Src>(
      to, from, {narrowBits<Dst>(false), narrowBits<Src>(true), permuted(to), permuted(from), 1});
}

template <template <typename, typename> class Kind, typename Dst>
void expectDestinationMatches(uint32_t to, uint32_t from) {
  expectPairMatches<Kind, Dst, E>(to, from);
  expectPairMatches<Kind, Dst, G>(to, from);
  expectPairMatches<Kind, Dst, M>(to, from);
}

template <template <typename, typename> class Kind>
void expectEveryPairMatches(uint32_t to, uint32_t from) {
  expectDestinationMatches<Kind, E>(to, from);
  expectDestinationMatches<Kind, G>(to, from);
  expectDestinationMatches<Kind, M>(to, from);
}

TEST(FormulaRows, YiqkToCmykRowsEqualThePixelPath) {
  expectEveryPairMatches<YIQKtoCMYKPixelTransformer>(kColorSpaceCMYK, kColorSpaceYIQK);
}

TEST(FormulaRows, CmykToYiqkRowsEqualThePixelPath) {
  expectEveryPairMatches<CMYKtoYIQKPixelTransformer>(kColorSpaceYIQK, kColorSpaceCMYK);
}

TEST(FormulaRows, YiqToRgbAndBackRowsEqualThePixelPath) {
  expectEveryPairMatches<YIQtoRGBPixelTransformer>(kColorSpaceRGB, kColorSpaceYIQ);
  expectEveryPairMatches<RGBtoYIQPixelTransformer>(kColorSpaceYIQ, kColorSpaceRGB);
}

TEST(FormulaRows, CmykToRgbAndRgbkRowsEqualThePixelPath) {
  expectEveryPairMatches<CMYKtoRGBKPixelTransformer>(kColorSpaceRGBK, kColorSpaceCMYK);
  expectEveryPairMatches<CMYKtoRGBPixelTransformer>(kColorSpaceRGB, kColorSpaceCMYK);
}

TEST(FormulaRows, YiqkToRgbRowsEqualThePixelPath) {
  expectEveryPairMatches<YIQKtoRGBPixelTransformer>(kColorSpaceRGB, kColorSpaceYIQK);
}

}  // namespace
}  // namespace Kelvane
