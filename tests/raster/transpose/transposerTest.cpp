// Quarter turns and mirrors: the small examples on both paths, layout and
// depth conversion on the way, failures that leave the destination alone,
// and the raw-byte path writing exactly the bytes of the converting path for
// every mode and layout.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "helpers/simdTargetSupport.h"
#include "raster/rasterTestSupport.h"
#include "raster/transpose/transposer.h"

namespace Kelvane {
namespace {

using testing_support::describe;
using testing_support::forEachSimdTarget;
using testing_support::raisedCode;
using testing_support::TestImage;

const ImageBufferInfo kGrey8 = describe(kColorSpaceGrayscale, kSampleUInt8, 8, 1);
const ImageBufferInfo kRgb8 = describe(kColorSpaceRGB, kSampleUInt8, 8, 3);

// Transposes `source` into a new image of the output size laid out like
// `layout` (the source's own layout when null), its rows padded by
// rowPadding samples.
template <typename T>
TestImage<T> transposed(uint32_t mode, TestImage<T>& source, bool exactCopy = true,
                        const ImageBufferInfo* layout = nullptr, bool* copiedExactly = nullptr,
                        uint32_t rowPadding = 0) {
  const bool quarter = mode == Rotate90 || mode == Rotate270;
  TestImage<T> out(quarter ? source.height : source.width, quarter ? source.width : source.height,
                   layout != nullptr ? *layout : source.info, rowPadding);
  Transposer<T> transposer(mode);
  transposer.setExactCopyEnabled(exactCopy);
  out.transformFrom(transposer, source);
  if (copiedExactly != nullptr) *copiedExactly = transposer.lastTransformCopiedExactly();
  return out;
}

TEST(TransposerKernels, SmallExamplesOnBothPaths) {
  // One letter per greyscale pixel; the letters after the turn in row order.
  const auto lettersAfter = [](uint32_t mode, uint32_t width, const std::string& letters, bool exactCopy) {
    TestImage<E> source(width, static_cast<uint32_t>(letters.size()) / width, kGrey8);
    std::copy(letters.begin(), letters.end(), source.samples.begin());
    const TestImage<E> out = transposed(mode, source, exactCopy);
    return std::string(out.samples.begin(), out.samples.begin() + letters.size());
  };
  // By mode: Rotate90, Rotate180, Rotate270, MirrorLeftRight, MirrorTopBottom.
  const char* const threeByTwo[] = {"daebfc", "fedcba", "cfbead", "cbafed", "defabc"};
  const char* const oneByThree[] = {"cba", "cba", "abc", "abc", "cba"};
  for (const bool exactCopy : {true, false}) {
    for (uint32_t mode = 0; mode < 5; ++mode) {
      EXPECT_EQ(lettersAfter(mode, 3, "abcdef", exactCopy), threeByTwo[mode]) << mode;
      EXPECT_EQ(lettersAfter(mode, 1, "abc", exactCopy), oneByThree[mode]) << mode;
    }
  }
}

TEST(TransposerKernels, ConvertsLayoutAndDepthOnTheWay) {
  // Planes stored blue, red, green into interleaved R, G, B, turned by 90:
  // destination pixel (x, y) takes source pixel (y, 2 - x).
  TestImage<E> planes(4, 3, describe(kColorSpaceRGB, kSampleUInt8, 8, 1, 1, {12, 24, 0}));
  planes.fillDistinct();
  const TestImage<E> out = transposed(Rotate90, planes, true, &kRgb8);
  for (uint32_t i = 0; i < 12 * 3; ++i) ASSERT_EQ(out.samples[i], planes.at(i / 9, 2 - i / 3 % 3, i % 3)) << i;

  // 12 significant bits into 16: scaled by 16, values above 12 bits clamped.
  TestImage<G> twelve(2, 1, describe(kColorSpaceGrayscale, kSampleUInt16, 12, 1));
  twelve.samples = {100, 5000};
  const ImageBufferInfo sixteen = describe(kColorSpaceGrayscale, kSampleUInt16, 16, 1);
  EXPECT_EQ(transposed(MirrorLeftRight, twelve, true, &sixteen).head(2), (std::vector<G>{65520, 1600}));
}

TEST(TransposerKernels, FailuresLeaveTheDestinationUntouched) {
  TestImage<E> source(3, 2, kGrey8);
  TestImage<E> destination(2, 3, kGrey8);
  const auto attempt = [&](uint32_t mode, uint32_t width, uint32_t height, const ImageBufferInfo& info) {
    Transposer<E> transposer(mode);
    transposer.setSourceRaster(source.data(), 3, 2, source.rowStride, source.info);
    transposer.setDestinationRaster(destination.data(), width, height, destination.rowStride, info);
    return raisedCode([&] { transposer.transform(); });
  };
  EXPECT_EQ(attempt(5, 2, 3, kGrey8), 15008u);
  EXPECT_EQ(attempt(Rotate90, 3, 2, kGrey8), 145011u);  // a turn of 3 x 2 needs 2 x 3
  EXPECT_EQ(attempt(Rotate90, 2, 3, kRgb8), 15004u);
  EXPECT_EQ(attempt(Rotate90, 2, 3, describe(kColorSpaceGrayscale, kSampleUInt16, 8, 1)), 15002u);
  EXPECT_EQ(destination.samples, std::vector<E>(destination.samples.size(), 0xA5));
}

// Layouts of the raw-byte path: 0 whole pixels, 1 pixels padded by a sample
// no band names, 2 planes in reverse band order, 3 whole pixels in source
// rows whose stride is a multiple of 4 KiB, into destination rows padded by
// 13 samples. The output takes the source's description, which fits it in
// every layout.
template <typename T>
TestImage<T> imageIn(int layout, uint8_t bandCount, uint32_t width, uint32_t height) {
  const uint32_t space = bandCount == 1 ? kColorSpaceGrayscale : bandCount == 3 ? kColorSpaceRGB : kColorSpaceCMYK;
  const int32_t stride = layout == 1 ? bandCount + 1 : layout == 2 ? 1 : bandCount;
  ImageBufferInfo info = describe(space, SampleTraits<T>::kTypeCode, 8 * sizeof(T), stride, layout == 2 ? 1 : 0);
  std::vector<uint32_t> planes;
  for (uint8_t b = 0; b < bandCount; ++b) planes.push_back((bandCount - 1u - b) * width * height);
  if (layout == 2) info.setSampleMap(planes.data());
  const uint32_t rowBytes = width * bandCount * sizeof(T);
  return TestImage<T>(width, height, info, layout == 3 ? (4096 - rowBytes % 4096) % 4096 / sizeof(T) : 0);
}

template <typename T>
class TransposerExactCopy : public ::testing::Test {};
using SampleTypes = ::testing::Types<E, G>;
TYPED_TEST_SUITE(TransposerExactCopy, SampleTypes);

// Whole pixels of 1, 3 and 4 samples are the 1- to 8-byte elements the
// vector kernels take; the sizes cross their blocks, tiles (up to 256
// columns and 128 rows), strips of 1024 columns and row ends.
TYPED_TEST(TransposerExactCopy, WritesTheSameBytesAsTheCopierOnEveryTarget) {
  const std::vector<std::pair<uint32_t, uint32_t>> sizes = {{37, 23}, {700, 19},  {19, 700}, {1, 9},
                                                            {9, 1},   {300, 150}, {33, 1100}};
  for (int layout = 0; layout < 4; ++layout) {
    for (const uint8_t bandCount : {1, 3, 4}) {
      for (const auto& [width, height] : sizes) {
        // Traced as layout/width x height x bands.
        SCOPED_TRACE(testing::Message() << layout << "/" << width << "x" << height << "x" << int{bandCount});
        TestImage<TypeParam> source = imageIn<TypeParam>(layout, bandCount, width, height);
        source.fillDistinct();
        const uint32_t padding = layout == 3 ? 13 : 0;
        for (uint32_t mode = 0; mode < 5; ++mode) {
          const std::vector<TypeParam> expected = transposed(mode, source, false, nullptr, nullptr, padding).samples;
          forEachSimdTarget([&] {
            bool copiedExactly = false;
            const TestImage<TypeParam> raw = transposed(mode, source, true, nullptr, &copiedExactly, padding);
            ASSERT_TRUE(copiedExactly) << "mode " << mode;
            ASSERT_EQ(raw.samples, expected) << "mode " << mode;
          });
        }
      }
    }
  }
}

TEST(TransposerExactCopy, OverlappingDestinationRowsGoThroughTheCopier) {
  TestImage<E> source(4, 2, kRgb8);
  TestImage<E> overlapping(4, 2, kRgb8);
  overlapping.rowStride = 6;  // rows half a row apart
  Transposer<E> transposer(Rotate180);
  overlapping.transformFrom(transposer, source);
  EXPECT_FALSE(transposer.lastTransformCopiedExactly());
}

}  // namespace
}  // namespace Kelvane
