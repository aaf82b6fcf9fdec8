// Turning in place: every mode, pixel size and target against pixels placed
// by the turn's own formula, on odd and square shapes with padded rows; the
// shapes and layouts it must refuse stay untouched.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "helpers/simdTargetSupport.h"
#include "raster/rasterTestSupport.h"
#include "raster/transpose/inPlaceTurns.h"
#include "raster/transpose/transposer.h"

namespace Kelvane {
namespace {

using testing_support::describe;
using testing_support::forEachSimdTarget;
using testing_support::raisedCode;
using testing_support::TestImage;

// Bytes of width x height pixels of pixelBytes bytes, each row followed by 7
// padding bytes; every byte distinct from its neighbours.
struct PaddedImage {
  PaddedImage(uint32_t columns, uint32_t rows, size_t bytes)
      : width(columns), height(rows), pixelBytes(bytes), rowStride(columns * bytes + 7), data(rows * rowStride) {
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<unsigned char>(i * 7 + i / 251);
  }
  unsigned char* at(uint32_t x, uint32_t y) { return data.data() + y * rowStride + x * pixelBytes; }

  // The image turned by the formula of each mode, padding unchanged.
  PaddedImage turned(uint32_t mode) const {
    PaddedImage out = *this;
    PaddedImage in = *this;
    for (uint32_t y = 0; y < height; ++y) {
      for (uint32_t x = 0; x < width; ++x) {
        const uint32_t fromX[] = {y, width - 1 - x, width - 1 - y, width - 1 - x, x};
        const uint32_t fromY[] = {height - 1 - x, height - 1 - y, x, y, height - 1 - y};
        std::memcpy(out.at(x, y), in.at(fromX[mode], fromY[mode]), pixelBytes);
      }
    }
    return out;
  }

  uint32_t width;
  uint32_t height;
  size_t pixelBytes;
  size_t rowStride;
  std::vector<unsigned char> data;
};

TEST(InPlaceTurns, EveryModeMovesEveryPixelWhereTheTurnPutsIt) {
  // Squares across block edges (64 pixels) and with an odd centre; oblongs
  // for the modes that keep the shape.
  const std::vector<std::pair<uint32_t, uint32_t>> shapes = {{1, 1},     {2, 2},   {17, 17}, {64, 64},
                                                             {131, 131}, {37, 23}, {130, 3}, {1, 9}};
  std::vector<unsigned char> scratch;
  for (const size_t pixelBytes : {1, 2, 3, 4, 5, 6, 8, 12}) {
    for (const auto& [width, height] : shapes) {
      for (uint32_t mode = 0; mode < 5; ++mode) {
        if ((mode == Rotate90 || mode == Rotate270) && width != height) continue;
        SCOPED_TRACE(testing::Message() << pixelBytes << " bytes, " << width << "x" << height << ", mode " << mode);
        const PaddedImage original(width, height, pixelBytes);
        const std::vector<unsigned char> expected = original.turned(mode).data;
        forEachSimdTarget([&] {
          PaddedImage image = original;
          ASSERT_TRUE(turnPixelsInPlace(mode, image.data.data(), width, height, pixelBytes, image.rowStride, scratch));
          ASSERT_EQ(image.data, expected);
        });
      }
    }
  }
}

TEST(InPlaceTurns, RefusedShapesAndModesLeaveThePixelsAlone) {
  std::vector<unsigned char> scratch;
  PaddedImage image(5, 3, 3);
  const std::vector<unsigned char> before = image.data;
  EXPECT_FALSE(turnPixelsInPlace(Rotate90, image.data.data(), 5, 3, 3, image.rowStride, scratch));
  EXPECT_FALSE(turnPixelsInPlace(Rotate270, image.data.data(), 5, 3, 3, image.rowStride, scratch));
  EXPECT_FALSE(turnPixelsInPlace(Rotate180, image.data.data(), 5, 3, 3, 14, scratch));  // rows overlap
  EXPECT_EQ(raisedCode([&] { turnPixelsInPlace(5, image.data.data(), 5, 3, 3, image.rowStride, scratch); }), 15008u);
  EXPECT_EQ(image.data, before);
}

// The raster form turns band-sequential planes one by one and gives exactly
// what the transposer writes into another buffer; it refuses layouts whose
// raw move would differ from the transposer's copy.
TEST(InPlaceTurns, RastersTurnLikeTheTransposerOrAreRefused) {
  std::vector<unsigned char> scratch;
  const ImageBufferInfo planes = describe(kColorSpaceRGB, kSampleUInt16, 16, 1, 1, {0, 2 * 45 * 45, 45 * 45});
  for (uint32_t mode = 0; mode < 5; ++mode) {
    TestImage<G> image(45, 45, planes);
    image.fillDistinct();
    TestImage<G> expected(45, 45, planes);
    Transposer<G> transposer(mode);
    expected.transformFrom(transposer, image);
    const Raster<G> raster(image.data(), 45, 45, image.rowStride, planes);
    ASSERT_TRUE(turnRasterInPlace(mode, raster, scratch)) << mode;
    EXPECT_EQ(image.samples, expected.samples) << mode;
  }

  const auto refused = [&](uint32_t mode, const ImageBufferInfo& info, uint32_t width, uint32_t height) {
    TestImage<E> image(width, height, info);
    image.fillDistinct();
    const std::vector<E> before = image.samples;
    const Raster<E> raster(image.data(), width, height, image.rowStride, info);
    return !turnRasterInPlace(mode, raster, scratch) && image.samples == before;
  };
  EXPECT_TRUE(refused(Rotate180, describe(kColorSpaceRGB, kSampleUInt8, 8, 4), 6, 6));  // a sample no band names
  EXPECT_TRUE(refused(Rotate180, describe(kColorSpaceRGB, kSampleUInt8, 6, 3), 6, 6));  // values the copier clamps
  EXPECT_TRUE(refused(Rotate90, describe(kColorSpaceRGB, kSampleUInt8, 8, 3), 6, 5));   // not square
  EXPECT_FALSE(turnRasterInPlace(Rotate90, Raster<E>(), scratch));
}

}  // namespace
}  // namespace Kelvane
