// Pixel operators: value ranges from bit depths, scaling and clamping of
// samples, value windows, band placement through both maps, and which
// descriptions the pixel copier accepts.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "raster/pixelOperator.h"
#include "raster/rasterTestSupport.h"

namespace Kelvane {
namespace {

using testing_support::describe;
using testing_support::raisedCode;

const ImageBufferInfo kRgb8 = describe(kColorSpaceRGB, kSampleUInt8, 8, 3);

TEST(PixelOperator, ScalesFromTheSourceBitDepthAndClamps) {
  PixelOperator<E, E> op;
  op.setup(kRgb8, describe(kColorSpaceRGB, kSampleUInt8, 4, 3));
  EXPECT_EQ(op.sourceRange.max, 15);
  EXPECT_FLOAT_EQ(op.scale, 16.0f);
  EXPECT_EQ(op.mapSample(15), 240);
  EXPECT_EQ(op.mapSample(200), 240);  // above the source range

  PixelOperator<E, M> fromFloat;
  fromFloat.setup(kRgb8, describe(kColorSpaceRGB, kSampleFloat32, 0, 3));
  EXPECT_EQ(fromFloat.mapSample(1.0f), 255);  // a float range reaches 2^bits
  EXPECT_EQ(fromFloat.mapSample(NAN), 0);
  EXPECT_EQ(raisedCode([&] { fromFloat.setup(kRgb8, describe(kColorSpaceRGB, kSampleFloat32, -2000, 3)); }), 15003u);
}

TEST(PixelOperator, WindowsNarrowRangesInsideTheSampleType) {
  PixelOperator<E, E> op;
  op.setup(kRgb8, kRgb8);
  op.adjustSourceWindowWidth(100.0f);
  EXPECT_EQ(op.sourceRange.min, 78);
  EXPECT_EQ(op.sourceRange.max, 177);
  EXPECT_FLOAT_EQ(op.scale, 2.56f);
  EXPECT_EQ(op.mapSample(78), 0);
  EXPECT_EQ(op.mapSample(128), 127);  // 50 x 2.56f falls just short of 128
  EXPECT_EQ(op.mapSample(250), 253);

  // A centre keeps the width and the scale; bounds never leave the type.
  op.adjustSourceWindowCenter(50.0f);
  EXPECT_EQ(op.sourceRange.min, 0);
  EXPECT_EQ(op.sourceRange.max, 99);
  EXPECT_FLOAT_EQ(op.scale, 2.56f);
  op.adjustDestinationWindowCenter(200.0f);
  EXPECT_EQ(op.destinationRange.min, 72);
  EXPECT_EQ(op.destinationRange.max, 255);
  op.adjustDestinationWindowCenter(-1e6f);
  EXPECT_EQ(op.destinationRange.max, 0);
}

TEST(PixelOperator, ApplyPlacesBandsThroughBothMaps) {
  PixelOperator<E, E> op;
  op.setup(describe(kColorSpaceRGB, kSampleUInt8, 8, 4, 0, {3, 2, 1}), kRgb8);
  const E source[3] = {10, 20, 30};
  E destination[4] = {99, 0, 0, 0};
  op.apply(destination, source);
  EXPECT_EQ(std::vector<E>(destination, destination + 4), (std::vector<E>{99, 30, 20, 10}));
}

TEST(PixelCopier, AcceptsEqualSpacesAndLuminanceIntoGreyscaleOfItsOwnSampleType) {
  PixelCopier<E, E> copier;
  const ImageBufferInfo grey = describe(kColorSpaceGrayscale, kSampleUInt8, 8, 1);
  copier.setup(grey, describe(kColorSpaceYIQ, kSampleUInt8, 8, 3, 0, {2, 0, 1}));
  const E yiq[3] = {5, 6, 77};
  E out = 0;
  copier.apply(&out, yiq);
  EXPECT_EQ(out, 77);  // the Y band, wherever the map puts it

  EXPECT_EQ(raisedCode([&] { copier.setup(grey, describe(kColorSpaceYIQK, kSampleUInt8, 8, 4)); }), 0u);
  EXPECT_EQ(raisedCode([&] { copier.setup(grey, kRgb8); }), 15004u);
  EXPECT_EQ(raisedCode([&] { copier.setup(kRgb8, grey); }), 15004u);
  const ImageBufferInfo rgb16 = describe(kColorSpaceRGB, kSampleUInt16, 8, 3);
  EXPECT_EQ(raisedCode([&] { copier.setup(kRgb8, rgb16); }), 15002u);
  EXPECT_EQ(raisedCode([&] { PixelCopier<G, G>().setup(rgb16, kRgb8); }), 15002u);
}

}  // namespace
}  // namespace Kelvane
