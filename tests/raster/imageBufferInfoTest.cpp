// Buffer descriptions and lookup tables: defaults and band counts, the pixel
// stride rules of setColorSpace, map ownership and equality; the nearest-
// colour search and tables that own their entries; and descriptions made
// from a host's decode buffer.
#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>
#include <utility>
#include <vector>

#include "raster/clut.h"
#include "raster/describeSceneBuffer.h"
#include "raster/imageBufferInfo.h"
#include "raster/nearestColorFinder.h"
#include "raster/pixel.h"
#include "raster/rasterTestSupport.h"

namespace Kelvane {
namespace {

using testing_support::describe;
using testing_support::paddedBgrTable;
using testing_support::raisedCode;

const uint32_t kReversed[] = {2, 1, 0};

// The map entry of every band.
std::vector<uint32_t> mapOf(const ImageBufferInfo& info) {
  return std::vector<uint32_t>(info.sampleMap(), info.sampleMap() + info.bandCount());
}

TEST(ImageBufferInfo, TheStrideRulesOfSetColorSpace) {
  ImageBufferInfo info;
  // Only a stride that holds every band is kept; the map returns to identity.
  info.setSampleMap(kReversed);
  info.setColorSpace(kColorSpaceCMYK);
  EXPECT_EQ(info.pixelStride, 4);
  EXPECT_EQ(mapOf(info), (std::vector<uint32_t>{0, 1, 2, 3}));
  info.setColorSpace(kColorSpaceRGB);
  EXPECT_EQ(info.pixelStride, 4);
  info.setPixelStride(6);
  info.setColorSpace(kColorSpaceGrayscale);
  EXPECT_EQ(info.pixelStride, 1);  // greyscale is always compact
  // Band counts: "any number" counts as one, a flag bit adds one.
  EXPECT_EQ(std::make_tuple(bands(kColorSpaceNone), bands(kColorSpaceMultiband), bands(0x10301)),
            std::make_tuple(0, 1, 4));
}

TEST(ImageBufferInfo, CopiesOwnTheirMaps) {
  ImageBufferInfo original;
  original.setSampleMap(kReversed);
  const ImageBufferInfo copy(original);
  ImageBufferInfo assigned;
  assigned.setColorSpace(kColorSpaceCMYK);
  assigned = original;
  original.setSampleMap();
  EXPECT_EQ(mapOf(copy), (std::vector<uint32_t>{2, 1, 0}));
  EXPECT_EQ(assigned, copy);
}

TEST(ImageBufferInfo, EqualityIgnoresSampleTypeAndUnreachedMapEntries) {
  ImageBufferInfo a;
  ImageBufferInfo b;
  b.sampleType = kSampleUInt16;
  EXPECT_EQ(a, b);
  const uint32_t swapped[] = {0, 2, 1};
  b.setSampleMap(swapped);
  EXPECT_NE(a, b);
  // With a stride of one only the first entry is compared.
  a.setPixelStride(1);
  b.setPixelStride(1);
  EXPECT_EQ(a, b);
}

template <typename T>
uint32_t nearestTo(const Clut& table, uint32_t colorSpace, std::vector<T> samples) {
  const ImageBufferInfo info = describe(colorSpace, SampleTraits<T>::kTypeCode, 8 * sizeof(T), 1);
  return table.nearestEntry(TypedPixel<T>(samples.data(), info));
}

// Squared distance over the mapped bands decides; on a tie the lower index wins.
TEST(Clut, NearestEntryMinimisesSquaredDistanceAndPrefersTheLowerIndex) {
  const Clut table = paddedBgrTable();
  EXPECT_EQ(nearestTo<E>(table, kColorSpaceRGB, {200, 30, 10}), 1u);
  EXPECT_EQ(nearestTo<E>(table, kColorSpaceRGB, {127, 0, 0}), 0u);
  EXPECT_EQ(nearestTo<E>(table, kColorSpaceRGB, {128, 0, 0}), 1u);

  const std::vector<G> levels = {30000, 10000, 50000, 10000};
  Clut grey;
  grey.setEntries(describe(kColorSpaceGrayscale, kSampleUInt16, 16, 1), levels.data(), 4);
  grey.setEntryFinder(new NearestColorFinder(grey));
  EXPECT_EQ(nearestTo<G>(grey, kColorSpaceGrayscale, {20000}), 0u);
  EXPECT_EQ(nearestTo<G>(grey, kColorSpaceGrayscale, {10000}), 1u);
}

TEST(Clut, CopiesOwnEntriesAndSearchThemWithTheirOwnFinder) {
  Clut original = paddedBgrTable();
  Clut copy;
  copy = original;
  EXPECT_NE(copy.entryAt<E>(0), original.entryAt<E>(0));
  // Emptying the original does not reach the copy or its finder.
  original.setEntries(describe(kColorSpaceRGB, kSampleUInt8, 8, 3), nullptr, 0);
  original.setEntryFinder(nullptr);
  EXPECT_FALSE(original.inUse());
  EXPECT_EQ(nearestTo<E>(copy, kColorSpaceRGB, {10, 10, 240}), 2u);
  EXPECT_EQ(copy.entryAt<E>(2)[3], 9);  // padding between entries is kept

  // Assigning a table to itself keeps its entries and its finder.
  const E* entries = copy.entryAt<E>(0);
  Clut& self = copy;
  copy = self;
  EXPECT_EQ(copy.entryAt<E>(0), entries);
  EXPECT_EQ(nearestTo<E>(copy, kColorSpaceRGB, {200, 30, 10}), 1u);
}

// The description of a three-sample host buffer of the given layout.
ImageBufferInfo described(uint32_t colorSpace, uint32_t stride, uint32_t type, uint32_t order,
                          std::vector<int32_t> offsets, uint32_t bps = 8, uint32_t align = 1) {
  DecodeBuffer buffer;
  buffer.format = {colorSpace, 3, stride, type, order, align, 1234, {}, bps};
  std::copy(offsets.begin(), offsets.end(), buffer.format.smap);
  ImageBufferInfo info;
  describeSceneBuffer(buffer, info);
  return info;
}

TEST(ColorSpaceFromHost, MapsHostNumbersToLibraryCodes) {
  const uint32_t expected[] = {0, 769, 0, 1026, 257, 0, 1025, 771, 1027, 65281, 0};
  for (uint32_t host = 0; host < 11; ++host) EXPECT_EQ(colorSpaceFromHost(host), expected[host]) << host;
}

// 8 and 16 bits (signed samples held unsigned), interleaved and
// band-sequential: every field is taken over and byte offsets are counted in
// samples.
TEST(DescribeSceneBuffer, CopiesTheFormatWithOffsetsInSamples) {
  const std::vector<std::pair<ImageBufferInfo, ImageBufferInfo>> cases = {
      {described(KX_CS_RGB, 4, KX_TYPE_U8, 0, {2, 1, 0}), describe(kColorSpaceRGB, kSampleUInt8, 8, 4, 0, {2, 1, 0})},
      {described(KX_CS_RGB, 3, KX_TYPE_S16, 0, {4, 2, 0}, 16),
       describe(kColorSpaceRGB, kSampleUInt16, 16, 3, 0, {2, 1, 0})},
      {described(KX_CS_RGB, 1, KX_TYPE_U8, 1, {0, 9, 18}), describe(kColorSpaceRGB, kSampleUInt8, 8, 1, 1, {0, 9, 18})},
      {described(KX_CS_RGB, 1, KX_TYPE_U16, 1, {0, 4, 8}), describe(kColorSpaceRGB, kSampleUInt16, 8, 1, 1, {0, 2, 4})},
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    const auto& [info, expected] = cases[i];
    EXPECT_EQ(info, expected) << "case " << i;
    EXPECT_EQ(info.sampleType, expected.sampleType) << "case " << i;
    EXPECT_EQ(mapOf(info), mapOf(expected)) << "case " << i;
  }
}

TEST(DescribeSceneBuffer, LeavesUnknownValuesAloneAndRefusesOffsetsBetweenSamples) {
  const ImageBufferInfo odd = described(KX_CS_FOUR_SAMPLE, 3, 5, 7, {}, 8, 3);
  EXPECT_EQ(std::make_tuple(odd.bandCount(), odd.order, odd.alignment), std::make_tuple(0, 0u, 1u));
  EXPECT_EQ(described(KX_CS_RGB, 3, KX_TYPE_U8, 0, {0, 1, 2}, 8, 8).alignment, 8u);
  // An offset inside a sample, or before the pixel, names no sample.
  EXPECT_EQ(raisedCode([] { described(KX_CS_RGB, 3, KX_TYPE_U16, 0, {0, 3, 4}, 16); }), 145011u);
  EXPECT_EQ(raisedCode([] { described(KX_CS_RGB, 3, KX_TYPE_U8, 0, {0, -1, 2}); }), 145011u);
}

}  // namespace
}  // namespace Kelvane
