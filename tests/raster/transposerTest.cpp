// Quarter turns and mirrors: the small examples on both paths, layout and
// depth conversion on the way, failures that leave the destination alone,
// composed turns, and the raw-byte path writing exactly the bytes of the
// converting path for every mode and layout.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "raster/rasterTestSupport.h"
#include "raster/transposer.h"

namespace Kelvane {
namespace {

using testing_support::describe;
using testing_support::raisedCode;
using testing_support::TestImage;

const ImageBufferInfo kGrey8 = describe(kColorSpaceGrayscale, kSampleUInt8, 8, 1);
const ImageBufferInfo kRgb8 = describe(kColorSpaceRGB, kSampleUInt8, 8, 3);

bool turnsQuarter(uint32_t mode) { return mode == Rotate90 || mode == Rotate270; }

// Source pixel (column, row) that destination pixel (x, y) takes.
std::pair<uint32_t, uint32_t> sourceOf(uint32_t mode, uint32_t width, uint32_t height, uint32_t x, uint32_t y) {
  switch (mode) {
    case Rotate90: return {y, height - 1 - x};
    case Rotate180: return {width - 1 - x, height - 1 - y};
    case Rotate270: return {width - 1 - y, x};
    case MirrorLeftRight: return {width - 1 - x, y};
    default: return {x, height - 1 - y};
  }
}

// Transposes `source` into a new image of the output size laid out like
// `layout` (the source's own layout when null).
template <typename T>
TestImage<T> transposed(uint32_t mode, TestImage<T>& source, bool exactCopy = true,
                        const ImageBufferInfo* layout = nullptr, bool* copiedExactly = nullptr) {
  const bool quarter = turnsQuarter(mode);
  TestImage<T> out(quarter ? source.height : source.width, quarter ? source.width : source.height,
                   layout != nullptr ? *layout : source.info);
  Transposer<T> transposer(mode);
  transposer.setExactCopyEnabled(exactCopy);
  transposer.setSourceRaster(source.data(), source.width, source.height, source.rowStride, source.info);
  transposer.setDestinationRaster(out.data(), out.width, out.height, out.rowStride, out.info);
  transposer.transform();
  if (copiedExactly != nullptr) *copiedExactly = transposer.lastTransformCopiedExactly();
  return out;
}

std::string lettersAfter(uint32_t mode, uint32_t width, uint32_t height, const char* letters, bool exactCopy) {
  TestImage<E> source(width, height, kGrey8);
  for (uint32_t i = 0; i < width * height; ++i) source.at(i % width, i / width, 0) = static_cast<E>(letters[i]);
  const TestImage<E> out = transposed(mode, source, exactCopy);
  std::string rows;
  for (uint32_t y = 0; y < out.height; ++y) {
    rows += y == 0 ? "" : "|";
    for (uint32_t x = 0; x < out.width; ++x) rows += static_cast<char>(out.at(x, y, 0));
  }
  return rows;
}

TEST(TransposerKernels, SmallExamplesOnBothPaths) {
  for (const bool exactCopy : {true, false}) {
    EXPECT_EQ(lettersAfter(Rotate90, 3, 2, "abcdef", exactCopy), "da|eb|fc");
    EXPECT_EQ(lettersAfter(Rotate180, 3, 2, "abcdef", exactCopy), "fed|cba");
    EXPECT_EQ(lettersAfter(Rotate270, 3, 2, "abcdef", exactCopy), "cf|be|ad");
    EXPECT_EQ(lettersAfter(MirrorLeftRight, 3, 2, "abcdef", exactCopy), "cba|fed");
    EXPECT_EQ(lettersAfter(MirrorTopBottom, 3, 2, "abcdef", exactCopy), "def|abc");
    EXPECT_EQ(lettersAfter(Rotate90, 1, 3, "abc", exactCopy), "cba");
    EXPECT_EQ(lettersAfter(Rotate270, 1, 3, "abc", exactCopy), "abc");
  }
}

TEST(TransposerKernels, ConvertsLayoutAndDepthOnTheWay) {
  // Planes stored blue, red, green into interleaved R, G, B.
  TestImage<E> planes(4, 3, describe(kColorSpaceRGB, kSampleUInt8, 8, 1, 1, {12, 24, 0}));
  planes.fillDistinct();
  const TestImage<E> out = transposed(Rotate90, planes, true, &kRgb8);
  for (uint32_t i = 0; i < 12 * 3; ++i) {
    const auto [x, y] = sourceOf(Rotate90, 4, 3, i / 3 % 3, i / 9);
    ASSERT_EQ(out.samples[i], planes.at(x, y, static_cast<uint8_t>(i % 3))) << i;
  }

  // 12 significant bits into 16: scaled by 16, values above 12 bits clamped.
  TestImage<G> twelve(2, 1, describe(kColorSpaceGrayscale, kSampleUInt16, 12, 1));
  twelve.at(0, 0, 0) = 4095;
  twelve.at(1, 0, 0) = 5000;
  const ImageBufferInfo sixteen = describe(kColorSpaceGrayscale, kSampleUInt16, 16, 1);
  bool copiedExactly = true;
  const TestImage<G> scaled = transposed(MirrorLeftRight, twelve, true, &sixteen, &copiedExactly);
  EXPECT_FALSE(copiedExactly);
  EXPECT_EQ(scaled.at(0, 0, 0), 65520);
  EXPECT_EQ(scaled.at(1, 0, 0), 65520);
}

TEST(TransposerKernels, FailuresLeaveTheDestinationUntouched) {
  TestImage<E> source(3, 2, kGrey8);
  TestImage<E> destination(2, 3, kGrey8);
  TestImage<E> wrongShape(3, 2, kGrey8);  // a turn needs 2 x 3
  const auto attempt = [&](uint32_t mode, TestImage<E>& out, const ImageBufferInfo& info) {
    Transposer<E> transposer(mode);
    transposer.setSourceRaster(source.data(), 3, 2, source.rowStride, source.info);
    transposer.setDestinationRaster(out.data(), out.width, out.height, out.rowStride, info);
    return raisedCode([&] { transposer.transform(); });
  };
  EXPECT_EQ(attempt(5, destination, kGrey8), 15008u);
  EXPECT_EQ(attempt(Rotate90, wrongShape, kGrey8), 145011u);
  EXPECT_EQ(attempt(Rotate90, destination, kRgb8), 15004u);
  EXPECT_EQ(attempt(Rotate90, destination, describe(kColorSpaceGrayscale, kSampleUInt16, 8, 1)), 15002u);
  EXPECT_EQ(destination.samples, std::vector<E>(destination.samples.size(), 0xA5));
  EXPECT_EQ(wrongShape.samples, std::vector<E>(wrongShape.samples.size(), 0xA5));
}

TEST(TransposerKernels, ComposedTurnsReturnTheOriginal) {
  TestImage<E> original(5, 3, kRgb8);
  original.fillDistinct();
  const std::vector<std::vector<uint32_t>> sequences = {{Rotate90, Rotate90, Rotate90, Rotate90},
                                                        {Rotate90, Rotate270},
                                                        {Rotate90, Rotate90, Rotate180},
                                                        {MirrorLeftRight, MirrorTopBottom, Rotate180}};
  for (const auto& sequence : sequences) {
    TestImage<E> current = original;
    for (const uint32_t mode : sequence) current = transposed(mode, current);
    EXPECT_EQ(current.samples, original.samples) << "sequence of " << sequence.size();
  }
}

// Layouts of the raw-byte path: whole pixels, pixels padded by a sample no
// band names, planes in reverse band order, and whole pixels in rows whose
// stride is a multiple of 4 KiB.
template <typename T>
TestImage<T> imageIn(int layout, uint8_t bandCount, uint32_t width, uint32_t height) {
  const uint32_t space = bandCount == 1 ? kColorSpaceGrayscale : bandCount == 3 ? kColorSpaceRGB : kColorSpaceCMYK;
  ImageBufferInfo info = describe(space, sizeof(T) == 1 ? kSampleUInt8 : kSampleUInt16, 8 * sizeof(T),
                                  layout == 1   ? bandCount + 1
                                  : layout == 2 ? 1
                                                : bandCount,
                                  layout == 2 ? 1 : 0);
  std::vector<uint32_t> planes;
  for (uint8_t b = 0; b < bandCount; ++b) planes.push_back((bandCount - 1u - b) * width * height);
  if (layout == 2) info.setSampleMap(planes.data());
  const uint32_t rowBytes = width * bandCount * sizeof(T);
  const uint32_t pagePadding = ((rowBytes + 4095) / 4096 * 4096 - rowBytes) / sizeof(T);
  return TestImage<T>(width, height, info, layout == 3 ? pagePadding : 0);
}

template <typename T>
class TransposerExactCopy : public ::testing::Test {};
using SampleTypes = ::testing::Types<E, G>;
TYPED_TEST_SUITE(TransposerExactCopy, SampleTypes);

TYPED_TEST(TransposerExactCopy, WritesTheSameBytesAsTheCopierInEveryLayout) {
  using T = TypeParam;
  const std::vector<std::pair<uint32_t, uint32_t>> sizes = {{37, 23}, {700, 19}, {19, 700}, {1, 9}, {9, 1}};
  for (int layout = 0; layout < 4; ++layout) {
    for (const uint8_t bandCount : {1, 3, 4}) {
      for (const auto& [width, height] : sizes) {
        TestImage<T> source = imageIn<T>(layout, bandCount, width, height);
        source.fillDistinct();
        for (uint32_t mode = 0; mode < 5; ++mode) {
          SCOPED_TRACE(::testing::Message() << "layout " << layout << " bands " << int{bandCount} << " size " << width
                                            << "x" << height << " mode " << mode);
          const bool quarter = turnsQuarter(mode);
          const TestImage<T> shape = imageIn<T>(layout, bandCount, quarter ? height : width, quarter ? width : height);
          bool copiedExactly = false;
          const TestImage<T> raw = transposed(mode, source, true, &shape.info, &copiedExactly);
          ASSERT_TRUE(copiedExactly);
          ASSERT_EQ(raw.samples, transposed(mode, source, false, &shape.info).samples);
          for (uint32_t i = 0; i < raw.width * raw.height * bandCount; ++i) {
            const uint32_t x = i / bandCount % raw.width;
            const uint32_t y = i / bandCount / raw.width;
            const auto [sx, sy] = sourceOf(mode, width, height, x, y);
            ASSERT_EQ(raw.at(x, y, i % bandCount), source.at(sx, sy, i % bandCount));
          }
        }
      }
    }
  }
}

TEST(TransposerExactCopy, OverlappingDestinationRowsGoThroughTheCopier) {
  TestImage<E> source(4, 2, kRgb8);
  TestImage<E> overlapping(4, 2, kRgb8);
  Transposer<E> transposer(Rotate180);
  transposer.setSourceRaster(source.data(), 4, 2, source.rowStride, kRgb8);
  transposer.setDestinationRaster(overlapping.data(), 4, 2, 6, kRgb8);
  transposer.transform();
  EXPECT_FALSE(transposer.lastTransformCopiedExactly());
}

}  // namespace
}  // namespace Kelvane
