// Pixel operators and the driver that runs them: float value ranges, value
// windows, the colour spaces the copier accepts, rasters of different sizes
// and depths, the lookup-table paths and the failures raised before any
// pixel is written.
#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

#include "raster/basicRasterTransformer.h"
#include "raster/pixelOperator.h"
#include "raster/rasterTestSupport.h"

namespace Kelvane {
namespace {

using testing_support::describe;
using testing_support::paddedBgrTable;
using testing_support::raisedCode;
using testing_support::TestImage;
using Copier = BasicRasterTransformer<PixelCopier<E, E>>;

const ImageBufferInfo kGrey8 = describe(kColorSpaceGrayscale, kSampleUInt8, 8, 1);
const ImageBufferInfo kRgb8 = describe(kColorSpaceRGB, kSampleUInt8, 8, 3);
const ImageBufferInfo kIndex8 = describe(kColorSpaceRGB, kSampleUInt8, 8, 1);

// A float range spans [0, 2^bits] on either side and needs a positive power;
// a NaN becomes the bottom of the range, and so does every value of a window
// one value wide, which leaves no width to scale from.
TEST(PixelOperator, FloatRangesReachTwoToTheBits) {
  PixelOperator<E, M> fromFloat;
  fromFloat.setup(kRgb8, describe(kColorSpaceRGB, kSampleFloat32, 0, 3));
  EXPECT_EQ(fromFloat.mapSample(1.0f), 255);
  EXPECT_EQ(fromFloat.mapSample(NAN), 0);
  EXPECT_EQ(raisedCode([&] { fromFloat.setup(kRgb8, describe(kColorSpaceRGB, kSampleFloat32, -2000, 3)); }), 15003u);
  fromFloat.setup(kRgb8, describe(kColorSpaceRGB, kSampleFloat32, 8, 3));
  fromFloat.adjustSourceWindowWidth(1.0f);
  EXPECT_EQ(fromFloat.mapSample(128.0f), 0);
  PixelOperator<M, G> toFloat;
  toFloat.setup(describe(kColorSpaceRGB, kSampleFloat32, 8, 3), describe(kColorSpaceRGB, kSampleUInt16, 16, 3));
  EXPECT_FLOAT_EQ(toFloat.mapSample(65535), 255.0f);
}

// A centre moves a range keeping its width and the scale; bounds never leave
// the sample type.
TEST(PixelOperator, WindowCentresMoveRangesInsideTheSampleType) {
  PixelOperator<E, E> op;
  op.setup(kRgb8, kRgb8);
  op.adjustSourceWindowWidth(100.0f);
  op.adjustSourceWindowCenter(50.0f);
  op.adjustDestinationWindowCenter(200.0f);
  EXPECT_FLOAT_EQ(op.scale, 2.56f);
  EXPECT_EQ(std::make_pair(op.sourceRange.min, op.sourceRange.max), (std::make_pair<E, E>(0, 99)));
  EXPECT_EQ(std::make_pair(op.destinationRange.min, op.destinationRange.max), (std::make_pair<E, E>(72, 255)));
  op.adjustDestinationWindowCenter(-1e6f);
  EXPECT_EQ(op.destinationRange.max, 0);
}

TEST(PixelCopier, GreyscaleTakesTheLuminanceBandAndOtherSpacesMustMatch) {
  PixelCopier<E, E> copier;
  copier.setup(kGrey8, describe(kColorSpaceYIQ, kSampleUInt8, 8, 3, 0, {2, 0, 1}));
  const E yiq[3] = {5, 6, 77};
  E out = 0;
  copier.apply(&out, yiq);
  EXPECT_EQ(out, 77);  // the Y band, wherever the map puts it
  EXPECT_EQ(raisedCode([&] { copier.setup(kGrey8, describe(kColorSpaceYIQK, kSampleUInt8, 8, 4)); }), 0u);
  EXPECT_EQ(raisedCode([&] { copier.setup(kGrey8, kRgb8); }), 15004u);
}

// 8-bit samples widened by 256 into padded B, G, R pixels; rows beyond the
// source and the padding sample stay untouched.
TEST(BasicRasterTransformer, RastersOfDifferentSizesMeetTopLeft) {
  TestImage<E> source(100, 50, kRgb8);
  source.fillDistinct();
  TestImage<G> destination(80, 60, describe(kColorSpaceRGB, kSampleUInt16, 16, 4, 0, {2, 1, 0}));
  BasicRasterTransformer<PixelCopier<G, E>> widen;
  destination.transformFrom(widen, source);
  for (uint32_t y = 0; y < 60; ++y) {
    for (uint32_t x = 0; x < 80; ++x) {
      for (uint8_t b = 0; b < 3; ++b) ASSERT_EQ(destination.at(x, y, b), y < 50 ? source.at(x, y, b) * 256 : 0xA5);
      ASSERT_EQ((&destination.at(x, y, 0))[1], 0xA5);
    }
  }
}

// A source width of 100 maps 78..177 onto the destination at 2.56 per step,
// so values at or above 177 give 253; a centre of exactly 0.0 is not set.
TEST(BasicRasterTransformer, AppliesWindowSettingsThatAreSet) {
  TestImage<E> source(3, 1, kGrey8);
  TestImage<E> windowed(3, 1, kGrey8);
  source.samples = {78, 128, 200};
  Copier copier;
  copier.setSourceWindowWidth(100.0f);
  copier.setSourceWindowCenter(0.0f);
  windowed.transformFrom(copier, source);
  EXPECT_EQ(windowed.head(3), (std::vector<E>{0, 127, 253}));
}

TEST(BasicRasterTransformer, TablesTranslateIndicesBothWays) {
  // Source indices into an interleaved B, G, R destination.
  TestImage<E> indices(3, 1, kIndex8);
  indices.samples = {0, 2, 1};
  TestImage<E> colors(3, 1, describe(kColorSpaceRGB, kSampleUInt8, 8, 3, 0, {2, 1, 0}));
  Copier copier;
  copier.setSourceClut(paddedBgrTable());
  colors.transformFrom(copier, indices);
  EXPECT_EQ(colors.head(9), (std::vector<E>{0, 0, 0, 255, 0, 0, 0, 0, 255}));

  // Colours to nearest indices, stored 16 bits wide although entries are 8-bit.
  colors.samples = {230, 240, 240, 20, 10, 250, 0, 30, 5};  // stored B, G, R
  TestImage<G> wideIndices(3, 1, describe(kColorSpaceRGB, kSampleUInt16, 16, 1));
  Copier toTable;
  toTable.setDestinationClut(paddedBgrTable());
  wideIndices.transformFrom(toTable, colors);
  EXPECT_EQ(wideIndices.head(4), (std::vector<G>{3, 1, 0, 0xA5}));

  // Both sides indexed: entries of one table matched in the other.
  toTable.setSourceClut(paddedBgrTable());
  wideIndices.transformFrom(toTable, indices);
  EXPECT_EQ(wideIndices.head(3), (std::vector<G>{0, 2, 1}));
}

// Transforms 2 x 2 pixels between the given sides; the code raised.
uint32_t failureOf(E* from, const ImageBufferInfo& fromInfo, const Clut& fromTable, E* to,
                   const ImageBufferInfo& toInfo, const Clut& toTable) {
  Copier copier;
  copier.setSourceClut(fromTable);
  copier.setDestinationClut(toTable);
  copier.setSourceRaster(from, 2, 2, 2 * fromInfo.pixelStride, fromInfo);
  copier.setDestinationRaster(to, 2, 2, 2 * toInfo.pixelStride, toInfo);
  return raisedCode([&] { copier.transform(); });
}

// Each case breaks one precondition (an empty table is not in use); none may
// write a destination pixel.
TEST(BasicRasterTransformer, FailuresAreRaisedBeforeAnyPixelIsWritten) {
  TestImage<E> source(2, 2, kRgb8);
  TestImage<E> indices(2, 2, kIndex8);
  indices.samples = {0, 0, 0, 4};  // 4 names no entry of a four-entry table
  TestImage<E> destination(2, 2, kRgb8);
  E* const from = source.data();
  E* const to = destination.data();
  const Clut none;
  const Clut table = paddedBgrTable();
  Clut withoutFinder = table;
  withoutFinder.setEntryFinder(nullptr);
  EXPECT_EQ(failureOf(from, kRgb8, none, nullptr, kRgb8, none), 15005u);
  EXPECT_EQ(failureOf(nullptr, kRgb8, none, to, kRgb8, none), 15005u);
  EXPECT_EQ(failureOf(from, describe(kColorSpaceRGB, kSampleUInt16, 16, 3), none, to, kRgb8, none), 15002u);
  EXPECT_EQ(failureOf(from, describe(kColorSpaceCMYK, kSampleUInt8, 8, 4), none, to, kRgb8, none), 15004u);
  EXPECT_EQ(failureOf(from, kRgb8, table, to, kRgb8, none), 15006u);  // padded pixels are no indices
  EXPECT_EQ(failureOf(indices.data(), describe(kColorSpaceRGB, kSampleFloat32, 8, 1), table, to, kRgb8, none), 15006u);
  EXPECT_EQ(failureOf(indices.data(), kIndex8, table, to, kRgb8, none), 15006u);  // an index outside the table
  EXPECT_EQ(failureOf(from, kRgb8, none, to, kGrey8, table), 15006u);
  EXPECT_EQ(failureOf(from, kRgb8, none, to, kIndex8, withoutFinder), 15006u);
  EXPECT_EQ(destination.samples, std::vector<E>(destination.samples.size(), 0xA5));
}

}  // namespace
}  // namespace Kelvane
