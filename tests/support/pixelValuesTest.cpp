// Single samples and pixels kept outside buffers: default components,
// data-type reporting and deep-copy value semantics.
#include <gtest/gtest.h>

#include <vector>

#include "kelvane/kx_lib_sp_xform.h"

namespace Kelvane {
namespace {

std::vector<uint32_t> ComponentsOf(const KxIPixel& pixel) {
  std::vector<uint32_t> components;
  for (uint16_t i = 0; i < pixel.numBands(); ++i) components.push_back(pixel.samples()[i].component());
  return components;
}

TEST(PixelValuesTest, DefaultComponentsFollowTheColorSpace) {
  struct Case {
    uint32_t colorSpace;
    uint16_t numBands;
    int32_t dataType;
    std::vector<uint32_t> components;
  };
  const Case cases[] = {
      {769, 3, KX_SAMPLE_U8, {1, 2, 3}},
      {769 | 0x10000, 4, KX_SAMPLE_U8, {1, 2, 3, 10}},
      {769 | 0x20000, 4, KX_SAMPLE_U8, {1, 2, 3, 11}},
      {769 | 0x30000, 5, KX_SAMPLE_S16, {1, 2, 3, 9, 11}},
      {1026, 4, KX_SAMPLE_U16, {4, 5, 6, 7}},
      {257 | 0x10000, 2, KX_SAMPLE_F32, {8, 10}},
      {65281, 5, KX_SAMPLE_U16, {9, 9, 9, 9, 9}},
      {1025, 4, KX_SAMPLE_U8, {9, 9, 9, 9}},  // no named components for RGBK
  };
  for (const Case& c : cases) {
    const KxIPixel pixel(c.colorSpace, c.numBands, c.dataType, nullptr);
    EXPECT_EQ(ComponentsOf(pixel), c.components) << "colour space " << c.colorSpace;
    EXPECT_EQ(pixel.getDataType(), c.dataType);
    for (uint16_t i = 0; i < pixel.numBands(); ++i) {
      const KxISample& sample = pixel.samples()[i];
      EXPECT_EQ(sample.byteSize(), KxSampleByteSize(c.dataType));
      EXPECT_EQ(sample.bitSize(), 8 * sample.byteSize());
      for (int b = 0; b < 8; ++b) EXPECT_EQ(sample.value()[b], 0);
    }
  }
}

TEST(PixelValuesTest, TooFewBandsForTheColorSpaceAreRefused) {
  for (const auto& [colorSpace, bands] :
       {std::pair<uint32_t, uint16_t>{769, 2}, {769 | 0x20000, 3}, {1026, 3}, {257, 0}, {257 | 0x10000, 1}}) {
    try {
      KxIPixel pixel(colorSpace, bands, KX_SAMPLE_U8, nullptr);
      ADD_FAILURE() << "built colour space " << colorSpace << " with " << bands << " bands";
    } catch (const KxUtilException& error) {
      EXPECT_EQ(error.code(), KX_STATUS_FAILURE);
    }
  }
}

TEST(PixelValuesTest, DataTypeAndSignednessOfMixedAndUniformPixels) {
  const KxISample mixed[] = {KxISample(1, KX_SAMPLE_U8, nullptr), KxISample(2, KX_SAMPLE_S8, nullptr)};
  const KxIPixel mixedPixel(65281, 2, KX_SAMPLE_U8, mixed);
  EXPECT_EQ(mixedPixel.getDataType(), 0);
  EXPECT_FALSE(mixedPixel.isSigned());
  for (const auto& [type, isSigned] : {std::pair<int32_t, bool>{KX_SAMPLE_S16, true},
                                       {KX_SAMPLE_S8, true},
                                       {KX_SAMPLE_U16, false},
                                       {KX_SAMPLE_U32, false},
                                       {KX_SAMPLE_S32, true},
                                       {KX_SAMPLE_F32, true},
                                       {KX_SAMPLE_F64, true},
                                       {12, false}}) {
    const KxIPixel pixel(65281, 3, type, nullptr);
    EXPECT_EQ(pixel.getDataType(), type);
    EXPECT_EQ(pixel.isSigned(), isSigned) << "type " << type;
  }
  EXPECT_EQ(KxISample(9, 12, nullptr).byteSize(), 0u);
}

TEST(PixelValuesTest, SampleCopiesOnlyItsTypeWidth) {
  const uint8_t source[8] = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88};
  const KxISample twoBytes(KX_COMPONENT_RED, KX_SAMPLE_U16, source);
  const uint8_t expectedTwo[8] = {0x11, 0x22, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(std::memcmp(twoBytes.value(), expectedTwo, 8), 0);
  EXPECT_EQ(twoBytes.bitSize(), 16u);
  const KxISample eightBytes(KX_COMPONENT_OTHER, KX_SAMPLE_F64, source);
  EXPECT_EQ(std::memcmp(eightBytes.value(), source, 8), 0);
  const KxISample defaults;
  EXPECT_EQ(defaults.getDataType(), KX_SAMPLE_U8);
  EXPECT_EQ(defaults.component(), KX_COMPONENT_OTHER);
}

TEST(PixelValuesTest, CopiesAreDeepAndIndependent) {
  const uint8_t red[2] = {0x34, 0x12};
  const KxISample samples[] = {KxISample(1, KX_SAMPLE_U16, red), KxISample(2, KX_SAMPLE_U16, nullptr),
                               KxISample(3, KX_SAMPLE_U16, nullptr)};
  KxIPixel original(769, 3, KX_SAMPLE_U16, samples);
  EXPECT_EQ(original.samples()[0].value()[1], 0x12);

  KxIPixel copied(original);
  KxIPixel assigned(65281, 1, KX_SAMPLE_U8, nullptr);
  assigned = original;
  for (KxIPixel* pixel : {&copied, &assigned}) {
    EXPECT_NE(pixel->samples(), original.samples());
    EXPECT_EQ(pixel->numBands(), 3);
    EXPECT_EQ(pixel->colorSpace(), 769u);
    EXPECT_EQ(ComponentsOf(*pixel), ComponentsOf(original));
    pixel->samples()[0].value()[0] = 0x99;
  }
  EXPECT_EQ(original.samples()[0].value()[0], 0x34);

  KxIPixel& alias = original;
  original = alias;
  EXPECT_EQ(original.samples()[0].value()[0], 0x34);
  EXPECT_EQ(original.getDataType(), KX_SAMPLE_U16);
}

}  // namespace
}  // namespace Kelvane
