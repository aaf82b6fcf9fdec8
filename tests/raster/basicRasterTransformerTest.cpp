// The pixel-by-pixel driver: rasters of different sizes, value windows, the
// lookup-table paths and the failures it raises before writing anything.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <vector>

#include "raster/basicRasterTransformer.h"
#include "raster/nearestColorFinder.h"
#include "raster/pixelOperator.h"
#include "raster/rasterTestSupport.h"

namespace Kelvane {
namespace {

using testing_support::describe;
using testing_support::raisedCode;
using testing_support::TestImage;
using Copier = BasicRasterTransformer<PixelCopier<E, E>>;

const ImageBufferInfo kRgb8 = describe(kColorSpaceRGB, kSampleUInt8, 8, 3);
const ImageBufferInfo kIndex8 = describe(kColorSpaceRGB, kSampleUInt8, 8, 1);

template <typename Dst, typename Src>
void setRasters(ImageTransformer& transformer, TestImage<Dst>& destination, TestImage<Src>& source) {
  transformer.setDestinationRaster(destination.data(), destination.width, destination.height, destination.rowStride,
                                   destination.info);
  transformer.setSourceRaster(source.data(), source.width, source.height, source.rowStride, source.info);
}

// Three RGB entries: black, red, white.
Clut rgbTable() {
  const std::vector<E> entries = {0, 0, 0, 255, 0, 0, 255, 255, 255};
  Clut table;
  table.setEntries(kRgb8, entries.data(), 3);
  table.setEntryFinder(new NearestColorFinder(table));
  return table;
}

TEST(BasicRasterTransformer, RastersOfDifferentSizesMeetTopLeft) {
  TestImage<E> source(100, 50, kRgb8);
  source.fillDistinct();
  TestImage<E> destination(80, 60, describe(kColorSpaceRGB, kSampleUInt8, 8, 4, 0, {2, 1, 0}));
  Copier copier;
  setRasters(copier, destination, source);
  copier.transform();
  for (uint32_t y = 0; y < 60; ++y) {
    for (uint32_t x = 0; x < 80; ++x) {
      for (uint8_t b = 0; b < 3; ++b) ASSERT_EQ(destination.at(x, y, b), y < 50 ? source.at(x, y, b) : 0xA5);
      ASSERT_EQ(destination.samples[destination.offsetOf(x, y, 0) + 1], 0xA5);  // padding untouched
    }
  }
}

TEST(BasicRasterTransformer, AppliesWindowSettingsThatAreSet) {
  TestImage<E> source(3, 1, kRgb8);
  TestImage<E> windowed(3, 1, kRgb8);
  const E values[] = {78, 128, 200};
  for (uint32_t x = 0; x < 3; ++x) source.at(x, 0, 1) = values[x];
  Copier copier;
  copier.setSourceWindowWidth(100.0f);
  copier.setSourceWindowCenter(0.0f);  // exactly 0.0 counts as no centre
  setRasters(copier, windowed, source);
  copier.transform();
  EXPECT_EQ(windowed.at(0, 0, 1), 0);
  EXPECT_EQ(windowed.at(1, 0, 1), 127);
  EXPECT_EQ(windowed.at(2, 0, 1), 253);
}

TEST(BasicRasterTransformer, MixedAndFloatOperatorsScaleBetweenTheirRanges) {
  TestImage<E> eight(2, 1, kRgb8);
  eight.at(1, 0, 2) = 255;
  TestImage<G> sixteen(2, 1, describe(kColorSpaceRGB, kSampleUInt16, 16, 3));
  BasicRasterTransformer<PixelCopier<G, E>> widen;
  setRasters(widen, sixteen, eight);
  widen.transform();
  EXPECT_EQ(sixteen.at(1, 0, 2), 65280);

  TestImage<M> floats(2, 1, describe(kColorSpaceRGB, kSampleFloat32, 8, 3));
  BasicRasterTransformer<PixelCopier<M, G>> toFloat;
  setRasters(toFloat, floats, sixteen);
  toFloat.transform();
  EXPECT_FLOAT_EQ(floats.at(1, 0, 2), 255.0f);  // [0, 65535] onto [0, 256]
}

TEST(BasicRasterTransformer, TablesTranslateIndicesBothWays) {
  // Source indices into an interleaved B, G, R destination.
  TestImage<E> indices(3, 1, kIndex8);
  for (uint32_t x = 0; x < 3; ++x) indices.at(x, 0, 0) = static_cast<E>(2 - x);
  TestImage<E> colors(3, 1, describe(kColorSpaceRGB, kSampleUInt8, 8, 3, 0, {2, 1, 0}));
  Copier copier;
  copier.setSourceClut(rgbTable());
  setRasters(copier, colors, indices);
  copier.transform();
  EXPECT_EQ(std::vector<E>(colors.samples.begin(), colors.samples.begin() + 9),
            (std::vector<E>{255, 255, 255, 0, 0, 255, 0, 0, 0}));

  // Colours to nearest indices, stored 16 bits wide although entries are 8-bit.
  const E near[] = {230, 240, 240, 20, 10, 250, 0, 30, 5};  // stored B, G, R
  std::copy(near, near + 9, colors.samples.begin());
  TestImage<G> wideIndices(3, 1, describe(kColorSpaceRGB, kSampleUInt16, 16, 1));
  Copier toTable;
  toTable.setDestinationClut(rgbTable());
  setRasters(toTable, wideIndices, colors);
  toTable.transform();
  EXPECT_EQ(std::vector<G>(wideIndices.samples.begin(), wideIndices.samples.begin() + 4),
            (std::vector<G>{2, 1, 0, 0xA5}));

  // Both sides indexed: entries of one table matched in the other.
  toTable.setSourceClut(rgbTable());
  setRasters(toTable, wideIndices, indices);
  toTable.transform();
  EXPECT_EQ(std::vector<G>(wideIndices.samples.begin(), wideIndices.samples.begin() + 3), (std::vector<G>{2, 1, 0}));
}

// Each case breaks one precondition; the destination must stay as it was.
TEST(BasicRasterTransformer, FailuresAreRaisedBeforeAnyPixelIsWritten) {
  TestImage<E> source(2, 2, kRgb8);
  TestImage<E> indices(2, 2, kIndex8);
  std::fill(indices.samples.begin(), indices.samples.end(), E{0});
  indices.at(1, 1, 0) = 3;  // names no entry of a three-entry table
  Clut withoutFinder = rgbTable();
  withoutFinder.setEntryFinder(nullptr);
  const auto sourceAs = [&](E* data, uint32_t rowStride, const ImageBufferInfo& info, const Clut* table) {
    return [=](Copier& c, TestImage<E>&) {
      if (table != nullptr) c.setSourceClut(*table);
      c.setSourceRaster(data, 2, 2, rowStride, info);
    };
  };
  const auto indexedDestination = [&](const ImageBufferInfo& info, const Clut& table) {
    return [&, info](Copier& c, TestImage<E>& destination) {
      c.setDestinationClut(table);
      c.setDestinationRaster(destination.data(), 2, 2, 2, info);
    };
  };
  const Clut table = rgbTable();
  const std::vector<std::pair<uint32_t, std::function<void(Copier&, TestImage<E>&)>>> cases = {
      {15005, [](Copier& c, TestImage<E>&) { c.setDestinationRaster(nullptr, 2, 2, 6, kRgb8); }},
      {15005, sourceAs(nullptr, 6, kRgb8, nullptr)},
      {15002, sourceAs(source.data(), 6, describe(kColorSpaceRGB, kSampleUInt16, 16, 3), nullptr)},
      {15004, sourceAs(source.data(), 6, describe(kColorSpaceCMYK, kSampleUInt8, 8, 4), nullptr)},
      {15006, sourceAs(source.data(), 6, kRgb8, &table)},  // padded pixels are no indices
      {15006, sourceAs(indices.data(), 2, describe(kColorSpaceRGB, kSampleFloat32, 8, 1), &table)},
      {15006, sourceAs(indices.data(), 2, kIndex8, &table)},  // an index outside the table
      {15006, indexedDestination(describe(kColorSpaceGrayscale, kSampleUInt8, 8, 1), table)},
      {15006, indexedDestination(kIndex8, withoutFinder)},
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    TestImage<E> destination(2, 2, kRgb8);
    const std::vector<E> before = destination.samples;
    Copier copier;
    setRasters(copier, destination, source);
    cases[i].second(copier, destination);
    EXPECT_EQ(raisedCode([&] { copier.transform(); }), cases[i].first) << "case " << i;
    EXPECT_EQ(destination.samples, before) << "case " << i;
  }
}

}  // namespace
}  // namespace Kelvane
