// Lookup tables and the nearest-colour finder: entry layout, copies that own
// their entries and a finder searching the copy, and the search itself.
#include <gtest/gtest.h>

#include <vector>

#include "raster/clut.h"
#include "raster/nearestColorFinder.h"
#include "raster/pixel.h"
#include "raster/rasterTestSupport.h"

namespace Kelvane {
namespace {

using testing_support::describe;

// Four RGB entries padded to four samples, stored as B, G, R.
Clut paddedBgrTable() {
  const std::vector<uint8_t> entries = {0, 0, 0, 9, 0, 0, 255, 9, 255, 0, 0, 9, 255, 255, 255, 9};
  Clut table;
  table.setEntries(describe(kColorSpaceRGB, kSampleUInt8, 8, 4, 0, {2, 1, 0}), entries.data(), 4);
  table.setEntryFinder(new NearestColorFinder(table));
  return table;
}

template <typename T>
uint32_t nearestTo(const Clut& table, uint32_t colorSpace, std::vector<T> samples) {
  const ImageBufferInfo info = describe(colorSpace, sizeof(T) == 1 ? kSampleUInt8 : kSampleUInt16, 8, 1);
  return table.nearestEntry(TypedPixel<T>(samples.data(), info));
}

TEST(Clut, NearestEntryMinimisesSquaredDistanceOverMappedBands) {
  const Clut table = paddedBgrTable();
  EXPECT_EQ(table.entryAt<E>(1)[table.info().sampleMap()[0]], 255);  // red's R
  EXPECT_EQ(nearestTo<E>(table, kColorSpaceRGB, {200, 30, 10}), 1u);
  EXPECT_EQ(nearestTo<E>(table, kColorSpaceRGB, {10, 10, 240}), 2u);
  EXPECT_EQ(nearestTo<E>(table, kColorSpaceRGB, {127, 0, 0}), 0u);
  EXPECT_EQ(nearestTo<E>(table, kColorSpaceRGB, {128, 0, 0}), 1u);
  EXPECT_EQ(nearestTo<E>(table, kColorSpaceRGB, {200, 200, 200}), 3u);
}

TEST(Clut, NearestEntryPrefersTheLowerIndexOnTies) {
  const std::vector<uint16_t> levels = {30000, 10000, 50000, 10000};
  Clut table;
  table.setEntries(describe(kColorSpaceGrayscale, kSampleUInt16, 16, 1), levels.data(), 4);
  table.setEntryFinder(new NearestColorFinder(table));
  EXPECT_EQ(nearestTo<G>(table, kColorSpaceGrayscale, {20000}), 0u);
  EXPECT_EQ(nearestTo<G>(table, kColorSpaceGrayscale, {10000}), 1u);
}

TEST(Clut, CopiesOwnEntriesAndSearchThemWithTheirOwnFinder) {
  Clut original = paddedBgrTable();
  Clut copy;
  copy = original;
  EXPECT_NE(copy.entryAt<E>(0), original.entryAt<E>(0));
  // Emptying the original does not reach the copy or its finder.
  original.setEntries(describe(kColorSpaceRGB, kSampleUInt8, 8, 3), nullptr, 0);
  original.setEntryFinder(nullptr);
  EXPECT_EQ(nearestTo<E>(copy, kColorSpaceRGB, {10, 10, 240}), 2u);
  EXPECT_EQ(copy.entryAt<E>(2)[3], 9);  // padding between entries is kept

  const E* entries = copy.entryAt<E>(0);
  Clut& self = copy;
  copy = self;
  EXPECT_EQ(copy.entryAt<E>(0), entries);
  EXPECT_EQ(nearestTo<E>(copy, kColorSpaceRGB, {200, 30, 10}), 1u);
}

}  // namespace
}  // namespace Kelvane
