// Values kept outside buffers: samples and pixels (default components,
// data-type reporting, deep copies) and the RasterProps record, which copies
// its pixels and releases the objects it owns.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "kelvane/kx_lib_sp_xform.h"

namespace Kelvane {
namespace {

std::vector<uint32_t> ComponentsOf(const KxIPixel& pixel) {
  std::vector<uint32_t> components;
  for (uint16_t i = 0; i < pixel.numBands(); ++i) components.push_back(pixel.samples()[i].component());
  return components;
}

// A pixel with too few bands for its colour space (no components expected)
// is refused with KX_STATUS_FAILURE.
TEST(PixelDefaults, ComponentsFollowTheColorSpaceAndTooFewBandsAreRefused) {
  struct Case {
    uint32_t colorSpace;
    uint16_t numBands;
    int32_t dataType;
    bool isSigned;
    std::vector<uint32_t> components;
  };
  const Case cases[] = {
      {769, 3, KX_SAMPLE_U8, false, {1, 2, 3}},
      {769 | 0x10000, 4, KX_SAMPLE_S8, true, {1, 2, 3, 10}},
      {769 | 0x20000, 4, KX_SAMPLE_U32, false, {1, 2, 3, 11}},
      {769 | 0x30000, 5, KX_SAMPLE_S16, true, {1, 2, 3, 9, 11}},
      {1026, 4, KX_SAMPLE_U16, false, {4, 5, 6, 7}},
      {257 | 0x10000, 2, KX_SAMPLE_F32, true, {8, 10}},
      {65281, 5, KX_SAMPLE_S32, true, {9, 9, 9, 9, 9}},
      {1025, 2, KX_SAMPLE_F64, true, {9, 9}},  // no named components for RGBK
      {65281, 1, 12, false, {9}},              // an unknown type has no bytes and no sign
      {769, 2, KX_SAMPLE_U8, false, {}},
      {769 | 0x20000, 3, KX_SAMPLE_U8, false, {}},
      {1026, 3, KX_SAMPLE_U8, false, {}},
      {257, 0, KX_SAMPLE_U8, false, {}},
      {257 | 0x10000, 1, KX_SAMPLE_U8, false, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "colour space " << c.colorSpace << ", " << c.numBands << " bands");
    if (c.components.empty()) {
      uint32_t refused = 0;
      try {
        KxIPixel pixel(c.colorSpace, c.numBands, c.dataType, nullptr);
      } catch (const KxUtilException& error) {
        refused = error.code();
      }
      EXPECT_EQ(refused, KX_STATUS_FAILURE);
      continue;
    }
    const KxIPixel pixel(c.colorSpace, c.numBands, c.dataType, nullptr);
    EXPECT_EQ(ComponentsOf(pixel), c.components);
    EXPECT_EQ(pixel.getDataType(), c.dataType);
    EXPECT_EQ(pixel.isSigned(), c.isSigned);
    const KxISample& last = pixel.samples()[c.numBands - 1];
    EXPECT_EQ(last.bitSize(), 8 * KxSampleByteSize(c.dataType));
    for (int b = 0; b < 8; ++b) EXPECT_EQ(last.value()[b], 0);
  }
  // Samples of different types give no data type, so no sign either.
  const KxISample mixed[] = {KxISample(1, KX_SAMPLE_S16, nullptr), KxISample(2, KX_SAMPLE_S8, nullptr)};
  EXPECT_EQ(KxIPixel(65281, 2, KX_SAMPLE_U8, mixed).getDataType(), 0);
  EXPECT_FALSE(KxIPixel(65281, 2, KX_SAMPLE_U8, mixed).isSigned());
}

TEST(PixelCopies, SamplesKeepTheirTypeWidthAndPixelsShareNoSamples) {
  const uint8_t source[8] = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88};
  const uint8_t firstTwo[8] = {0x11, 0x22, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(std::memcmp(KxISample(KX_COMPONENT_RED, KX_SAMPLE_U16, source).value(), firstTwo, 8), 0);
  EXPECT_EQ(std::memcmp(KxISample(KX_COMPONENT_OTHER, KX_SAMPLE_F64, source).value(), source, 8), 0);

  const KxISample samples[] = {KxISample(1, KX_SAMPLE_U16, source), KxISample(2, KX_SAMPLE_U16, nullptr),
                               KxISample(3, KX_SAMPLE_U16, nullptr)};
  KxIPixel original(769, 3, KX_SAMPLE_U16, samples);
  KxIPixel copied(original);
  KxIPixel assigned(65281, 1, KX_SAMPLE_U8, nullptr);
  assigned = original;
  for (KxIPixel* pixel : {&copied, &assigned}) {
    EXPECT_NE(pixel->samples(), original.samples());
    EXPECT_EQ(pixel->colorSpace(), 769u);
    EXPECT_EQ(ComponentsOf(*pixel), (std::vector<uint32_t>{1, 2, 3}));
    EXPECT_EQ(pixel->samples()[0].value()[1], 0x22);
    pixel->samples()[0].value()[0] = 0x99;
  }
  // Assigning a pixel to itself keeps its samples.
  KxIPixel& alias = original;
  original = alias;
  EXPECT_EQ(original.samples()[0].value()[0], 0x11);
  EXPECT_EQ(original.getDataType(), KX_SAMPLE_U16);
}

// Counts its own destructions.
class CountedExtension : public KxRasterPropsExtension {
 public:
  explicit CountedExtension(int* destroyed) : destroyed_(destroyed) {}
  ~CountedExtension() override { ++*destroyed_; }

 private:
  int* destroyed_;
};

// Copies take the pixels by value and none of the owned objects; each owned object is released once.
TEST(RasterPropsOwnership, CopiesOwnNothingAndEachOwnedObjectIsReleasedOnce) {
  int destroyed = 0;
  {
    RasterProps original;
    original.pixel = KxIPixel(65281, 5, KX_SAMPLE_S16, nullptr);
    original.owned[0] = new CountedExtension(&destroyed);
    original.owned[1] = new CountedExtension(&destroyed);
    RasterProps copy(original);
    RasterProps assigned;
    assigned = original;
    for (const RasterProps* target : {&copy, &assigned}) {
      EXPECT_EQ(target->pixel.numBands(), 5);
      EXPECT_EQ(target->owned[0], nullptr);
    }
    RasterProps shared;
    shared.owned[0] = shared.owned[1] = new CountedExtension(&destroyed);
  }
  EXPECT_EQ(destroyed, 3);
}

}  // namespace
}  // namespace Kelvane
