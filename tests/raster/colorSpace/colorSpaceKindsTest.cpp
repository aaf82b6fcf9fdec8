// The ten pixel transformer kinds on single pixels: the documented values,
// the failures raised at setup, band positions, and how samples convert
// between 8-bit, 16-bit and float sides (scaling, clamping, wrap-around).
#include <gtest/gtest.h>

#include <cfloat>
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

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

template <typename T>
uint32_t typeCode() {
  return SampleTraits<T>::kTypeCode;
}

// Sets `op` up between compact descriptions of the two spaces at the given
// depths and converts one pixel.
template <typename Op>
std::vector<typename Op::DestinationSample> convert(uint32_t to, int32_t toBits, uint32_t from, int32_t fromBits,
                                                    std::vector<typename Op::SourceSample> pixel) {
  using Dst = typename Op::DestinationSample;
  using Src = typename Op::SourceSample;
  Op op;
  op.setup(describe(to, typeCode<Dst>(), toBits, bands(to)), describe(from, typeCode<Src>(), fromBits, bands(from)));
  std::vector<Dst> out(bands(to));
  op.apply(out.data(), pixel.data());
  return out;
}

// Whether `op` gives the same bytes for a pixel stored one byte past its
// samples' alignment, as a host's odd row length or sample map places it,
// as for the same pixel aligned.
template <typename Op>
bool ConvertsOffAlignment(uint32_t to, uint32_t from, std::vector<typename Op::SourceSample> pixel) {
  using Dst = typename Op::DestinationSample;
  using Src = typename Op::SourceSample;
  const std::vector<Dst> aligned = convert<Op>(to, 8 * sizeof(Dst), from, 8 * sizeof(Src), pixel);
  Op op;
  op.setup(describe(to, typeCode<Dst>(), 8 * sizeof(Dst), bands(to)),
           describe(from, typeCode<Src>(), 8 * sizeof(Src), bands(from)));
  std::vector<unsigned char> in(pixel.size() * sizeof(Src) + 1), out(aligned.size() * sizeof(Dst) + 1);
  std::memcpy(in.data() + 1, pixel.data(), pixel.size() * sizeof(Src));
  op.apply(reinterpret_cast<Dst*>(out.data() + 1), reinterpret_cast<const Src*>(in.data() + 1));
  return std::memcmp(out.data() + 1, aligned.data(), aligned.size() * sizeof(Dst)) == 0;
}

// Every kind reads and writes 16-bit and float samples wherever they lie.
TEST(ColorSpaceKinds, SamplesOffTheirAlignmentConvertAlike) {
  const std::vector<G> rgb = {1000, 30000, 65000}, four = {100, 20000, 40000, 60000};
  EXPECT_TRUE((ConvertsOffAlignment<RGBtoGrayscalePixelTransformer<G, G>>(kColorSpaceGrayscale, kColorSpaceRGB, rgb)));
  EXPECT_TRUE((ConvertsOffAlignment<GrayscaleToRGBPixelTransformer<G, G>>(kColorSpaceRGB, kColorSpaceGrayscale, {7})));
  EXPECT_TRUE((ConvertsOffAlignment<RGBtoYIQPixelTransformer<G, G>>(kColorSpaceYIQ, kColorSpaceRGB, rgb)));
  EXPECT_TRUE((ConvertsOffAlignment<YIQtoRGBPixelTransformer<G, G>>(kColorSpaceRGB, kColorSpaceYIQ, rgb)));
  EXPECT_TRUE((ConvertsOffAlignment<RGBtoCMYKPixelTransformer<G, G>>(kColorSpaceCMYK, kColorSpaceRGB, rgb)));
  EXPECT_TRUE((ConvertsOffAlignment<CMYKtoRGBPixelTransformer<G, G>>(kColorSpaceRGB, kColorSpaceCMYK, four)));
  EXPECT_TRUE((ConvertsOffAlignment<CMYKtoRGBKPixelTransformer<G, G>>(kColorSpaceRGBK, kColorSpaceCMYK, four)));
  EXPECT_TRUE((ConvertsOffAlignment<CMYKtoYIQKPixelTransformer<G, G>>(kColorSpaceYIQK, kColorSpaceCMYK, four)));
  EXPECT_TRUE((ConvertsOffAlignment<YIQKtoCMYKPixelTransformer<G, G>>(kColorSpaceCMYK, kColorSpaceYIQK, four)));
  EXPECT_TRUE((ConvertsOffAlignment<YIQKtoRGBPixelTransformer<M, M>>(kColorSpaceRGB, kColorSpaceYIQK, {9, 8, 7, 6})));
  EXPECT_TRUE((ConvertsOffAlignment<RGBtoYIQPixelTransformer<M, G>>(kColorSpaceYIQ, kColorSpaceRGB, rgb)));
}

TEST(ColorSpaceKinds, EightBitPixelsConvertToTheDocumentedValues) {
  const auto grey = [](std::vector<E> rgb) {
    return convert<RGBtoGrayscalePixelTransformer<E, E>>(kColorSpaceGrayscale, 8, kColorSpaceRGB, 8, rgb);
  };
  EXPECT_EQ(grey({255, 255, 255}), (std::vector<E>{255}));
  EXPECT_EQ(grey({255, 0, 0}), (std::vector<E>{76}));  // 76.5 truncated
  // I evaluates to -17.9999962, truncated to -17 and wrapped to 239.
  EXPECT_EQ((convert<RGBtoYIQPixelTransformer<E, E>>(kColorSpaceYIQ, 8, kColorSpaceRGB, 8, {100, 50, 200})),
            (std::vector<E>{80, 239, 58}));
  // Luminance alone is a grey.
  EXPECT_EQ((convert<YIQtoRGBPixelTransformer<E, E>>(kColorSpaceRGB, 8, kColorSpaceYIQ, 8, {128, 0, 0})),
            (std::vector<E>{128, 128, 128}));
  EXPECT_EQ((convert<RGBtoCMYKPixelTransformer<E, E>>(kColorSpaceCMYK, 8, kColorSpaceRGB, 8, {255, 0, 0})),
            (std::vector<E>{0, 255, 255, 0}));
  EXPECT_EQ((convert<CMYKtoRGBKPixelTransformer<E, E>>(kColorSpaceRGBK, 8, kColorSpaceCMYK, 8, {10, 20, 30, 40})),
            (std::vector<E>{230, 225, 220, 10}));
  // Y = 255 - 0.15 x 255 = 216.75; I = -76.5 and Q = -26.8 wrap.
  EXPECT_EQ((convert<CMYKtoYIQKPixelTransformer<E, E>>(kColorSpaceYIQK, 8, kColorSpaceCMYK, 8, {255, 0, 0, 0})),
            (std::vector<E>{216, 180, 230, 0}));
  EXPECT_EQ((convert<GrayscaleToRGBPixelTransformer<G, E>>(kColorSpaceRGB, 16, kColorSpaceGrayscale, 8, {3})),
            (std::vector<G>{768, 768, 768}));
}

// k = 2n - trunc(min(2n, K)) takes grey out of the inks only up to the
// source's black: without black all grey becomes black ink.
TEST(ColorSpaceKinds, YiqkToCmykMovesGreyIntoBlackUpToTheSourceBlack) {
  const auto cmyk = [](std::vector<E> yiqk) {
    return convert<YIQKtoCMYKPixelTransformer<E, E>>(kColorSpaceCMYK, 8, kColorSpaceYIQK, 8, yiqk);
  };
  EXPECT_EQ(cmyk({255, 0, 0, 0}), (std::vector<E>{0, 0, 0, 0}));
  EXPECT_EQ(cmyk({128, 0, 0, 0}), (std::vector<E>{0, 0, 0, 254}));
  EXPECT_EQ(cmyk({128, 0, 0, 100}), (std::vector<E>{100, 100, 100, 154}));
  EXPECT_EQ(cmyk({0, 0, 0, 255}), (std::vector<E>{255, 255, 255, 255}));
}

// The blended separation of 16-bit CMYK: (0.5 b + 0.5 a) with a = X - (ink +
// K) / 2 and b = X - (ink (1 - K / X) + K).
TEST(ColorSpaceKinds, SixteenBitCmykBlendsTwoSeparations) {
  const auto rgb = [](std::vector<G> cmyk) {
    return convert<CMYKtoRGBPixelTransformer<G, G>>(kColorSpaceRGB, 16, kColorSpaceCMYK, 16, cmyk);
  };
  EXPECT_EQ(rgb({0, 0, 0, 0}), (std::vector<G>{65535, 65535, 65535}));
  EXPECT_EQ(rgb({65535, 0, 0, 0}), (std::vector<G>{16383, 65535, 65535}));
  EXPECT_EQ(rgb({0, 0, 0, 65535}), (std::vector<G>{16383, 16383, 16383}));
  // A destination range of 0 bits holds only 0; nothing divides by its top.
  EXPECT_EQ((convert<CMYKtoRGBPixelTransformer<G, G>>(kColorSpaceRGB, 0, kColorSpaceCMYK, 16, {5, 0, 9, 7})),
            (std::vector<G>{0, 0, 0}));
}

// Mixed pairs scale between ranges; an integer source truncates even into a
// float destination; float sources clamp into their range first.
TEST(ColorSpaceKinds, MixedPairsScaleClampAndTruncateAtTheRangeEdges) {
  const auto greyFrom16 = [](G v) {
    return convert<GrayscaleToRGBPixelTransformer<E, G>>(kColorSpaceRGB, 8, kColorSpaceGrayscale, 16, {v})[0];
  };
  EXPECT_EQ(greyFrom16(0), 0);
  EXPECT_EQ(greyFrom16(255), 0);
  EXPECT_EQ(greyFrom16(256), 1);
  EXPECT_EQ(greyFrom16(65535), 255);
  EXPECT_EQ((convert<GrayscaleToRGBPixelTransformer<G, E>>(kColorSpaceRGB, 16, kColorSpaceGrayscale, 8, {255})[0]),
            65280);
  // 16-bit to a float range [0, 256]: 65535 / 256 = 255.996 truncates to 255.
  EXPECT_EQ((convert<GrayscaleToRGBPixelTransformer<M, G>>(kColorSpaceRGB, 8, kColorSpaceGrayscale, 16, {65535})[0]),
            255.0f);
  struct Case {
    float in;
    E out;
  };
  // A float source of 8 bits spans [0, 256].
  for (const Case& c : {Case{0.0f, 0}, Case{255.5f, 255}, Case{256.0f, 255}, Case{300.0f, 255}, Case{-5.0f, 0},
                        Case{kNaN, 0}, Case{kInf, 255}, Case{-kInf, 0}, Case{17.9f, 17}}) {
    EXPECT_EQ((convert<GrayscaleToRGBPixelTransformer<E, M>>(kColorSpaceRGB, 8, kColorSpaceGrayscale, 8, {c.in})[0]),
              c.out)
        << c.in;
  }
  EXPECT_EQ((convert<GrayscaleToRGBPixelTransformer<M, M>>(kColorSpaceRGB, 8, kColorSpaceGrayscale, 8, {1.5f})[0]),
            1.5f);
}

// The conversion into the source type keeps the low bits of the truncated
// value, however far outside the type; floats keep the value and clamp in
// the scaling that follows.
TEST(ColorSpaceKinds, ResultsWrapIntoIntegerSourceTypes) {
  EXPECT_EQ((convert<RGBtoYIQPixelTransformer<G, G>>(kColorSpaceYIQ, 16, kColorSpaceRGB, 16,
                                                     {100 * 257, 50 * 257, 200 * 257})[1]),
            65536 - 4625);
  EXPECT_EQ((convert<RGBtoYIQPixelTransformer<M, M>>(kColorSpaceYIQ, 8, kColorSpaceRGB, 8, {100, 50, 200})[1]), 0.0f);
  // X = 2^40 for a 40-bit float destination: 2^40 - 25 wraps to 231 in 8
  // bits, then scales by 2^40 / 2^8.
  const std::vector<M> rgbk =
      convert<CMYKtoRGBKPixelTransformer<M, E>>(kColorSpaceRGBK, 40, kColorSpaceCMYK, 8, {10, 20, 30, 40});
  EXPECT_EQ(rgbk, (std::vector<M>{231.0f * 0x1p32f, 226.0f * 0x1p32f, 221.0f * 0x1p32f, 10.0f * 0x1p32f}));
  struct Case {
    double v;
    double modulus;
    uint32_t wrapped;
  };
  for (const Case& c : {Case{-17.9999962, 256, 239}, Case{65510.0, 256, 230}, Case{1099511627751.0, 256, 231},
                        Case{-1099511627751.0, 256, 25}, Case{-1.5, 65536, 65535}, Case{2147483653.5, 65536, 5},
                        Case{3e38, 65536, 0}, Case{std::nan(""), 256, 0}, Case{HUGE_VAL, 256, 0}}) {
    EXPECT_EQ(wrappedInteger(c.v, c.modulus), c.wrapped) << c.v;
  }
}

// Greyscale sides use the pixel's first sample whatever their map says; the
// RGB side reads through its map.
TEST(ColorSpaceKinds, GreyscaleSidesUseTheFirstSample) {
  RGBtoGrayscalePixelTransformer<E, E> toGrey;
  toGrey.setup(describe(kColorSpaceGrayscale, kSampleUInt8, 8, 2, 0, {1}),
               describe(kColorSpaceRGB, kSampleUInt8, 8, 3, 0, {2, 1, 0}));
  const E bgr[3] = {0, 0, 255};
  E grey[2] = {9, 9};
  toGrey.apply(grey, bgr);
  EXPECT_EQ(grey[0], 76);
  EXPECT_EQ(grey[1], 9);
}

TEST(ColorSpaceKinds, SetupRaisesForWrongSpacesSizesAndRanges) {
  const ImageBufferInfo rgb8 = describe(kColorSpaceRGB, kSampleUInt8, 8, 3);
  const ImageBufferInfo cmyk8 = describe(kColorSpaceCMYK, kSampleUInt8, 8, 4);
  const ImageBufferInfo grey8 = describe(kColorSpaceGrayscale, kSampleUInt8, 8, 1);
  struct Case {
    uint32_t code;
    uint32_t raised;
  };
  CMYKtoRGBPixelTransformer<E, E> cmykToRgb;
  RGBtoGrayscalePixelTransformer<E, E> toGrey;
  GrayscaleToRGBPixelTransformer<E, E> fromGrey;
  CMYKtoRGBPixelTransformer<E, M> fromFloat;
  for (const Case& c : {
           Case{15001, raisedCode([&] { cmykToRgb.setup(rgb8, rgb8); })},
           Case{15002, raisedCode([&] { cmykToRgb.setup(rgb8, describe(kColorSpaceCMYK, kSampleUInt16, 16, 4)); })},
           Case{15002, raisedCode([&] { cmykToRgb.setup(describe(kColorSpaceRGB, kSampleUInt16, 16, 3), cmyk8); })},
           Case{15003, raisedCode([&] { fromFloat.setup(rgb8, describe(kColorSpaceCMYK, kSampleFloat32, -1074, 4)); })},
           // Unchecked spaces still need the bands the kind reads and writes.
           Case{0, raisedCode([&] { toGrey.setup(grey8, cmyk8); })},
           Case{15001, raisedCode([&] { toGrey.setup(grey8, grey8); })},
           Case{15001, raisedCode([&] { fromGrey.setup(rgb8, describe(kColorSpaceNone, kSampleUInt8, 8, 1)); })},
       }) {
    EXPECT_EQ(c.raised, c.code);
  }
}

// A float source window one value wide leaves no width to scale from: every
// value maps to the destination minimum.
TEST(ColorSpaceKinds, ZeroWidthFloatWindowMapsToTheMinimum) {
  PixelOperator<E, M> op;
  op.setup(describe(kColorSpaceRGB, kSampleUInt8, 8, 3), describe(kColorSpaceRGB, kSampleFloat32, 8, 3));
  op.adjustSourceWindowWidth(1.0f);
  EXPECT_EQ(op.scale, 0.0f);
  EXPECT_EQ(op.mapSample(128.0f), 0);
}

}  // namespace
}  // namespace Kelvane
