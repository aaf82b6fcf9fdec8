// Buffer descriptions: defaults and band counts, the pixel stride rules of
// setColorSpace, map ownership and equality.
#include <gtest/gtest.h>

#include <vector>

#include "raster/imageBufferInfo.h"

namespace Kelvane {
namespace {

std::vector<uint32_t> mapOf(const ImageBufferInfo& info) {
  return std::vector<uint32_t>(info.sampleMap(), info.sampleMap() + info.bandCount());
}

TEST(ImageBufferInfo, DefaultsDescribePackedEightBitRgb) {
  const ImageBufferInfo info;
  EXPECT_EQ(info.colorSpace(), kColorSpaceRGB);
  EXPECT_EQ(info.bitsPerSample, 8);
  EXPECT_EQ(info.pixelStride, 3);
  EXPECT_EQ(mapOf(info), (std::vector<uint32_t>{0, 1, 2}));
  EXPECT_EQ(info.rowBytes, -1);
  EXPECT_EQ(info.sampleSize(), 1u);
  // Band counts: "any number" counts as one, a flag bit adds one.
  EXPECT_EQ(bands(kColorSpaceNone), 0);
  EXPECT_EQ(bands(kColorSpaceMultiband), 1);
  EXPECT_EQ(bands(0x10301), 4);
  EXPECT_EQ(bands(0x2FF01), 2);
}

TEST(ImageBufferInfo, SetColorSpaceKeepsOnlyAStrideThatHoldsEveryBand) {
  ImageBufferInfo info;
  const uint32_t reversed[] = {2, 1, 0};
  info.setSampleMap(reversed);
  info.setColorSpace(kColorSpaceCMYK);
  EXPECT_EQ(info.pixelStride, 4);
  EXPECT_EQ(mapOf(info), (std::vector<uint32_t>{0, 1, 2, 3}));
  info.setColorSpace(kColorSpaceRGB);
  EXPECT_EQ(info.pixelStride, 4);  // padded pixels stay padded
  info.setPixelStride(6);
  info.setColorSpace(kColorSpaceGrayscale);
  EXPECT_EQ(info.pixelStride, 1);  // greyscale is always compact
}

TEST(ImageBufferInfo, CopiesOwnTheirMaps) {
  ImageBufferInfo original;
  const uint32_t reversed[] = {2, 1, 0};
  original.setSampleMap(reversed);
  const ImageBufferInfo copy(original);
  ImageBufferInfo assigned;
  assigned.setColorSpace(kColorSpaceCMYK);
  assigned = original;
  original.setSampleMap();
  EXPECT_EQ(mapOf(copy), (std::vector<uint32_t>{2, 1, 0}));
  EXPECT_EQ(mapOf(assigned), (std::vector<uint32_t>{2, 1, 0}));
  EXPECT_EQ(assigned.pixelStride, 3);
}

TEST(ImageBufferInfo, EqualityIgnoresSampleTypeAndUnreachedMapEntries) {
  ImageBufferInfo a;
  ImageBufferInfo b;
  b.sampleType = kSampleUInt16;
  EXPECT_EQ(a, b);
  b.rowBytes = 12;
  EXPECT_NE(a, b);
  b.rowBytes = -1;
  const uint32_t swapped[] = {0, 2, 1};
  b.setSampleMap(swapped);
  EXPECT_NE(a, b);
  // With a stride of one only the first entry is compared.
  a.setPixelStride(1);
  b.setPixelStride(1);
  EXPECT_EQ(a, b);
}

}  // namespace
}  // namespace Kelvane
