// The ten pixel transformer kinds on single pixels: the documented values,
// how samples convert between 8-bit, 16-bit and float sides (scaling,
// clamping, wrap-around), band positions, samples off their alignment and
// the failures raised at setup.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "raster/colorSpace/cmykToRgbPixelTransformer.h"
#include "raster/colorSpace/cmykToRgbkPixelTransformer.h"
#include "raster/colorSpace/cmykToYiqkPixelTransformer.h"
#include "raster/colorSpace/colorSpaceTransformer.h"
#include "raster/colorSpace/grayscaleToRgbPixelTransformer.h"
#include "raster/colorSpace/rgbToCmykPixelTransformer.h"
#include "raster/colorSpace/rgbToGrayscalePixelTransformer.h"
#include "raster/colorSpace/rgbToYiqPixelTransformer.h"
#include "raster/colorSpace/yiqToRgbPixelTransformer.h"
#include "raster/colorSpace/yiqkToCmykPixelTransformer.h"
#include "raster/colorSpace/yiqkToRgbPixelTransformer.h"
#include "raster/rasterTestSupport.h"

namespace Kelvane {
namespace {

using testing_support::describe;
using testing_support::raisedCode;

constexpr uint32_t kGrey = kColorSpaceGrayscale, kRgb = kColorSpaceRGB, kYiq = kColorSpaceYIQ;
constexpr uint32_t kCmyk = kColorSpaceCMYK, kRgbk = kColorSpaceRGBK, kYiqk = kColorSpaceYIQK;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kAny = kNaN;  // an expected band not checked

// Sets `op` up between compact descriptions of the two spaces at the given depths.
template <typename Op>
void setUp(Op& op, uint32_t to, int32_t toBits, uint32_t from, int32_t fromBits) {
  op.setup(describe(to, SampleTraits<typename Op::DestinationSample>::kTypeCode, toBits, bands(to)),
           describe(from, SampleTraits<typename Op::SourceSample>::kTypeCode, fromBits, bands(from)));
}

// One pixel through `Op`, its samples carried as doubles; with `offset` 1
// both pixels lie one byte past their samples' alignment, as a host's odd
// row length or sample map places them.
template <typename Op>
std::vector<double> convert(uint32_t to, int32_t toBits, uint32_t from, int32_t fromBits,
                            const std::vector<double>& pixel, size_t offset = 0) {
  using Dst = typename Op::DestinationSample;
  using Src = typename Op::SourceSample;
  Op op;
  setUp(op, to, toBits, from, fromBits);
  const std::vector<Src> samples(pixel.begin(), pixel.end());
  std::vector<Dst> out(bands(to));
  std::vector<unsigned char> in(offset + samples.size() * sizeof(Src)), bytes(offset + out.size() * sizeof(Dst));
  std::memcpy(in.data() + offset, samples.data(), samples.size() * sizeof(Src));
  op.apply(reinterpret_cast<Dst*>(bytes.data() + offset), reinterpret_cast<const Src*>(in.data() + offset));
  std::memcpy(out.data(), bytes.data() + offset, out.size() * sizeof(Dst));
  return std::vector<double>(out.begin(), out.end());
}

// Every kind reads and writes 16-bit and float samples wherever they lie.
template <typename Op>
void expectAlikeOffAlignment(uint32_t to, uint32_t from, const std::vector<double>& pixel) {
  const int32_t toBits = 8 * sizeof(typename Op::DestinationSample);
  const int32_t fromBits = 8 * sizeof(typename Op::SourceSample);
  EXPECT_EQ((convert<Op>(to, toBits, from, fromBits, pixel, 1)), (convert<Op>(to, toBits, from, fromBits, pixel)))
      << from << " to " << to;
}

TEST(ColorSpaceKinds, SamplesOffTheirAlignmentConvertAlike) {
  const std::vector<double> rgb = {1000, 30000, 65000}, four = {100, 20000, 40000, 60000};
  expectAlikeOffAlignment<RGBtoGrayscalePixelTransformer<G, G>>(kGrey, kRgb, rgb);
  expectAlikeOffAlignment<GrayscaleToRGBPixelTransformer<G, G>>(kRgb, kGrey, {7});
  expectAlikeOffAlignment<RGBtoYIQPixelTransformer<G, G>>(kYiq, kRgb, rgb);
  expectAlikeOffAlignment<YIQtoRGBPixelTransformer<G, G>>(kRgb, kYiq, rgb);
  expectAlikeOffAlignment<RGBtoCMYKPixelTransformer<G, G>>(kCmyk, kRgb, rgb);
  expectAlikeOffAlignment<CMYKtoRGBPixelTransformer<G, G>>(kRgb, kCmyk, four);
  expectAlikeOffAlignment<CMYKtoRGBKPixelTransformer<G, G>>(kRgbk, kCmyk, four);
  expectAlikeOffAlignment<CMYKtoYIQKPixelTransformer<G, G>>(kYiqk, kCmyk, four);
  expectAlikeOffAlignment<YIQKtoCMYKPixelTransformer<G, G>>(kCmyk, kYiqk, four);
  expectAlikeOffAlignment<YIQKtoRGBPixelTransformer<M, M>>(kRgb, kYiqk, {9, 8, 7, 6});
  expectAlikeOffAlignment<RGBtoYIQPixelTransformer<M, G>>(kYiq, kRgb, rgb);
}

// RGB to greyscale and to YIQ are held to the reference on every 8-bit input
// (exhaustiveRgbConversionsTest.cpp); the other kinds and the edges of the
// sample ranges here.
TEST(ColorSpaceKinds, PixelsConvertToTheDocumentedValues) {
  struct Case {
    std::vector<double> got;
    std::vector<double> expected;  // the first bands of `got`
  };
  const Case cases[] = {
      // Luminance alone is a grey.
      {convert<YIQtoRGBPixelTransformer<E, E>>(kRgb, 8, kYiq, 8, {128, 0, 0}), {128, 128, 128}},
      {convert<RGBtoCMYKPixelTransformer<E, E>>(kCmyk, 8, kRgb, 8, {255, 0, 0}), {0, 255, 255, 0}},
      {convert<CMYKtoRGBKPixelTransformer<E, E>>(kRgbk, 8, kCmyk, 8, {10, 20, 30, 40}), {230, 225, 220, 10}},
      // Y = 255 - 0.15 x 255 = 216.75; I = -76.5 and Q = -26.8 wrap.
      {convert<CMYKtoYIQKPixelTransformer<E, E>>(kYiqk, 8, kCmyk, 8, {255, 0, 0, 0}), {216, 180, 230, 0}},
      // k = 2n - trunc(min(2n, K)) takes grey out of the inks only up to the
      // source's black: without black all grey becomes black ink.
      {convert<YIQKtoCMYKPixelTransformer<E, E>>(kCmyk, 8, kYiqk, 8, {255, 0, 0, 0}), {0, 0, 0, 0}},
      {convert<YIQKtoCMYKPixelTransformer<E, E>>(kCmyk, 8, kYiqk, 8, {128, 0, 0, 0}), {0, 0, 0, 254}},
      {convert<YIQKtoCMYKPixelTransformer<E, E>>(kCmyk, 8, kYiqk, 8, {128, 0, 0, 100}), {100, 100, 100, 154}},
      {convert<YIQKtoCMYKPixelTransformer<E, E>>(kCmyk, 8, kYiqk, 8, {0, 0, 0, 255}), {255, 255, 255, 255}},
      // 16-bit CMYK blends two separations, 0.5 b + 0.5 a with a = X - (ink +
      // K) / 2 and b = X - (ink (1 - K / X) + K); a destination range of 0
      // bits holds only 0, and nothing divides by its top.
      {convert<CMYKtoRGBPixelTransformer<G, G>>(kRgb, 16, kCmyk, 16, {0, 0, 0, 0}), {65535, 65535, 65535}},
      {convert<CMYKtoRGBPixelTransformer<G, G>>(kRgb, 16, kCmyk, 16, {65535, 0, 0, 0}), {16383, 65535, 65535}},
      {convert<CMYKtoRGBPixelTransformer<G, G>>(kRgb, 16, kCmyk, 16, {0, 0, 0, 65535}), {16383, 16383, 16383}},
      {convert<CMYKtoRGBPixelTransformer<G, G>>(kRgb, 0, kCmyk, 16, {5, 0, 9, 7}), {0, 0, 0}},
      // Mixed pairs scale between ranges; an integer source truncates, even
      // into a float destination: 65535 / 256 = 255.996 gives 255.
      {convert<GrayscaleToRGBPixelTransformer<G, E>>(kRgb, 16, kGrey, 8, {3}), {768, 768, 768}},
      {convert<GrayscaleToRGBPixelTransformer<G, E>>(kRgb, 16, kGrey, 8, {255}), {65280}},
      {convert<GrayscaleToRGBPixelTransformer<E, G>>(kRgb, 8, kGrey, 16, {0}), {0}},
      {convert<GrayscaleToRGBPixelTransformer<E, G>>(kRgb, 8, kGrey, 16, {255}), {0}},
      {convert<GrayscaleToRGBPixelTransformer<E, G>>(kRgb, 8, kGrey, 16, {256}), {1}},
      {convert<GrayscaleToRGBPixelTransformer<E, G>>(kRgb, 8, kGrey, 16, {65535}), {255}},
      {convert<GrayscaleToRGBPixelTransformer<M, G>>(kRgb, 8, kGrey, 16, {65535}), {255}},
      {convert<GrayscaleToRGBPixelTransformer<M, M>>(kRgb, 8, kGrey, 8, {1.5}), {1.5}},
      // A float source of 8 bits spans [0, 256] and clamps into it first.
      {convert<GrayscaleToRGBPixelTransformer<E, M>>(kRgb, 8, kGrey, 8, {0.0}), {0}},
      {convert<GrayscaleToRGBPixelTransformer<E, M>>(kRgb, 8, kGrey, 8, {255.5}), {255}},
      {convert<GrayscaleToRGBPixelTransformer<E, M>>(kRgb, 8, kGrey, 8, {256.0}), {255}},
      {convert<GrayscaleToRGBPixelTransformer<E, M>>(kRgb, 8, kGrey, 8, {300.0}), {255}},
      {convert<GrayscaleToRGBPixelTransformer<E, M>>(kRgb, 8, kGrey, 8, {-5.0}), {0}},
      {convert<GrayscaleToRGBPixelTransformer<E, M>>(kRgb, 8, kGrey, 8, {kNaN}), {0}},
      {convert<GrayscaleToRGBPixelTransformer<E, M>>(kRgb, 8, kGrey, 8, {kInf}), {255}},
      {convert<GrayscaleToRGBPixelTransformer<E, M>>(kRgb, 8, kGrey, 8, {-kInf}), {0}},
      {convert<GrayscaleToRGBPixelTransformer<E, M>>(kRgb, 8, kGrey, 8, {17.9}), {17}},
      // Results keep the low bits of the truncated value in an integer source
      // type, however far outside it; floats keep the value and clamp in the
      // scaling that follows. X = 2^40 for a 40-bit float destination: 2^40 -
      // 25 wraps to 231 in 8 bits, then scales by 2^40 / 2^8.
      {convert<RGBtoYIQPixelTransformer<G, G>>(kYiq, 16, kRgb, 16, {100 * 257, 50 * 257, 200 * 257}),
       {20560, 65536 - 4625}},
      {convert<RGBtoYIQPixelTransformer<M, M>>(kYiq, 8, kRgb, 8, {100, 50, 200}), {kAny, 0}},
      {convert<CMYKtoRGBKPixelTransformer<M, E>>(kRgbk, 40, kCmyk, 8, {10, 20, 30, 40}),
       {231 * 0x1p32, 226 * 0x1p32, 221 * 0x1p32, 10 * 0x1p32}},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    for (size_t band = 0; band < cases[i].expected.size(); ++band) {
      const double expected = cases[i].expected[band];
      if (std::isnan(expected)) continue;
      EXPECT_EQ(cases[i].got.at(band), expected) << "case " << i << ", band " << band;
    }
  }
}

TEST(SampleConversion, WrapKeepsTheLowBitsOfTheTruncatedValue) {
  struct Case {
    double v;
    double modulus;
    uint32_t wrapped;
  };
  for (const Case& c : {Case{-17.9999962, 256, 239}, Case{65510.0, 256, 230}, Case{1099511627751.0, 256, 231},
                        Case{-1099511627751.0, 256, 25}, Case{-1.5, 65536, 65535}, Case{2147483653.5, 65536, 5},
                        Case{3e38, 65536, 0}, Case{kNaN, 256, 0}, Case{HUGE_VAL, 256, 0}}) {
    EXPECT_EQ(wrappedInteger(c.v, c.modulus), c.wrapped) << c.v;
  }
}

// Greyscale sides use the pixel's first sample whatever their map says; the
// RGB side reads through its map.
TEST(ColorSpaceKinds, GreyscaleSidesUseTheFirstSample) {
  RGBtoGrayscalePixelTransformer<E, E> toGrey;
  toGrey.setup(describe(kGrey, kSampleUInt8, 8, 2, 0, {1}), describe(kRgb, kSampleUInt8, 8, 3, 0, {2, 1, 0}));
  const E bgr[3] = {0, 0, 255};
  E grey[2] = {9, 9};
  toGrey.apply(grey, bgr);
  EXPECT_EQ(grey[0], 76);
  EXPECT_EQ(grey[1], 9);
}

TEST(ColorSpaceKinds, SetupRaisesForWrongSpacesSizesAndRanges) {
  const ImageBufferInfo rgb8 = describe(kRgb, kSampleUInt8, 8, 3);
  const ImageBufferInfo cmyk8 = describe(kCmyk, kSampleUInt8, 8, 4);
  const ImageBufferInfo grey8 = describe(kGrey, kSampleUInt8, 8, 1);
  CMYKtoRGBPixelTransformer<E, E> cmykToRgb;
  RGBtoGrayscalePixelTransformer<E, E> toGrey;
  GrayscaleToRGBPixelTransformer<E, E> fromGrey;
  CMYKtoRGBPixelTransformer<E, M> fromFloat;
  EXPECT_EQ(raisedCode([&] { cmykToRgb.setup(rgb8, rgb8); }), 15001u);
  EXPECT_EQ(raisedCode([&] { cmykToRgb.setup(rgb8, describe(kCmyk, kSampleUInt16, 16, 4)); }), 15002u);
  EXPECT_EQ(raisedCode([&] { cmykToRgb.setup(describe(kRgb, kSampleUInt16, 16, 3), cmyk8); }), 15002u);
  EXPECT_EQ(raisedCode([&] { fromFloat.setup(rgb8, describe(kCmyk, kSampleFloat32, -1074, 4)); }), 15003u);
  // Unchecked spaces still need the bands the kind reads and writes.
  EXPECT_EQ(raisedCode([&] { toGrey.setup(grey8, cmyk8); }), 0u);
  EXPECT_EQ(raisedCode([&] { toGrey.setup(grey8, grey8); }), 15001u);
  EXPECT_EQ(raisedCode([&] { fromGrey.setup(rgb8, describe(kColorSpaceNone, kSampleUInt8, 8, 1)); }), 15001u);
}

}  // namespace
}  // namespace Kelvane
