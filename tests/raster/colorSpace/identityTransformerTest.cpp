// The identity transformer: rows copied as bytes exactly when the pixel
// copier would leave every sample as it is, and only the rows and columns
// both rasters have; otherwise the copier through the pixel driver.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "raster/colorSpace/identityTransformer.h"
#include "raster/rasterTestSupport.h"

namespace Kelvane {
namespace {

using testing_support::describe;
using testing_support::raisedCode;
using testing_support::TestImage;

const ImageBufferInfo kRgb8 = describe(kColorSpaceRGB, kSampleUInt8, 8, 3);

// A destination window inside a wider image (as a watermark is placed in a
// host buffer): the bytes beside the window keep their values.
TEST(IdentityTransformer, CopiesOnlyTheCommonPartOfEachRow) {
  TestImage<E> source(4, 3, kRgb8);
  source.fillDistinct();
  TestImage<E> host(10, 4, kRgb8);
  IdentityTransformer<E, E> identity;
  identity.setSourceRaster(source.data(), 4, 3, source.rowStride, kRgb8);
  identity.setDestinationRaster(&host.at(5, 0, 0), 5, 4, host.rowStride, kRgb8);
  identity.transform();
  for (uint32_t i = 0; i < 10 * 4 * 3; ++i) {
    const uint32_t x = i / 3 % 10, y = i / 30;
    const bool copied = y < 3 && x >= 5 && x < 9;
    ASSERT_EQ(host.at(x, y, i % 3), copied ? source.at(x - 5, y, i % 3) : 0xA5) << x << " " << y;
  }
}

// Where a byte copy would differ from the copier, the copier runs: a padding
// sample stays untouched, mixed sample types scale, greyscale takes luminance.
TEST(IdentityTransformer, FallsBackToTheCopierWhereBytesWouldDiffer) {
  const ImageBufferInfo padded = describe(kColorSpaceRGB, kSampleUInt8, 8, 4);
  TestImage<E> source(3, 2, padded);
  source.fillDistinct();
  TestImage<E> destination(3, 2, padded);
  IdentityTransformer<E, E> identity;
  destination.transformFrom(identity, source);
  for (uint32_t i = 0; i < 6; ++i) {
    EXPECT_EQ(destination.at(i % 3, i / 3, 2), source.at(i % 3, i / 3, 2));
    EXPECT_EQ((&destination.at(i % 3, i / 3, 0))[3], 0xA5);
  }

  // A source window can make an 8-bit and a 16-bit range look alike; the
  // samples still scale.
  TestImage<G> wide(1, 1, describe(kColorSpaceRGB, kSampleUInt16, 8, 3));
  wide.samples = {200, 100, 300};
  TestImage<E> narrow(1, 1, kRgb8);
  IdentityTransformer<E, G> mixed;
  mixed.setSourceWindowWidth(256.0f);
  mixed.setSourceWindowCenter(127.5f);
  narrow.transformFrom(mixed, wide);
  EXPECT_EQ(narrow.head(3), (std::vector<E>{200, 100, 255}));

  TestImage<E> yiq(1, 1, describe(kColorSpaceYIQ, kSampleUInt8, 8, 3, 0, {1, 2, 0}));
  yiq.samples = {7, 8, 99};
  TestImage<E> grey(1, 1, describe(kColorSpaceGrayscale, kSampleUInt8, 8, 1));
  IdentityTransformer<E, E> luminance;
  grey.transformFrom(luminance, yiq);
  EXPECT_EQ(grey.samples[0], 8);
}

TEST(IdentityTransformer, RaisesForAMissingRasterAndAWrongSampleSize) {
  TestImage<E> image(2, 2, kRgb8);
  IdentityTransformer<E, E> identity;
  identity.setSourceRaster(image.data(), 2, 2, image.rowStride, kRgb8);
  EXPECT_EQ(raisedCode([&] { identity.transform(); }), 15005u);
  const ImageBufferInfo sixteen = describe(kColorSpaceRGB, kSampleUInt16, 16, 3);
  identity.setSourceRaster(image.data(), 2, 2, image.rowStride, sixteen);
  identity.setDestinationRaster(image.data(), 2, 2, image.rowStride, sixteen);
  EXPECT_EQ(raisedCode([&] { identity.transform(); }), 15002u);
}

}  // namespace
}  // namespace Kelvane
