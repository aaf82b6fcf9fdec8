// The boundary records: layout of the compiled flavour, fresh values, and
// RasterProps copying and release of the objects it owns.
#include <gtest/gtest.h>

#include "kelvane/kx_lib_sp_xform.h"

namespace Kelvane {
namespace {

template <typename Record, typename Field>
size_t OffsetIn(const Record& record, const Field& field) {
  return static_cast<size_t>(reinterpret_cast<const char*>(&field) - reinterpret_cast<const char*>(&record));
}

TEST(RecordsLayoutTest, FlavourCompiledItsOwnLayoutPins) {
  EXPECT_EQ(KX_RECORDS_32BIT_LAYOUT, sizeof(void*) == 4 ? 1 : 0);
  const size_t pointer = sizeof(void*);
  const DecodeBuffer buffer;
  EXPECT_EQ(sizeof(DecodeBuffer), 1120u);
  EXPECT_EQ(OffsetIn(buffer, buffer.size), 40u);
  EXPECT_EQ(OffsetIn(buffer, buffer.pBits), 48u);
  EXPECT_EQ(OffsetIn(buffer, buffer.format), 48 + pointer);
  EXPECT_EQ(OffsetIn(buffer, buffer.format.smap), 76 + pointer);
  EXPECT_EQ(OffsetIn(buffer, buffer.format.bps), 1100 + pointer);
  EXPECT_EQ(OffsetIn(buffer, buffer.resultCode), 1104 + pointer);
  EXPECT_EQ(OffsetIn(buffer, buffer.resultFlag), 1108 + pointer);

  // On 32-bit targets these are the host boundary's fixed offsets; LP64 moves each
  // field behind a pointer by 4 bytes per pointer.
  const RasterProps props;
  EXPECT_EQ(OffsetIn(props, props.sourceWord), 28u);
  EXPECT_EQ(OffsetIn(props, props.maxMag), 32u);
  EXPECT_EQ(OffsetIn(props, props.minMag), 40u);
  EXPECT_EQ(sizeof(KxIPixel), 2 * pointer + 8);
  EXPECT_EQ(OffsetIn(props, props.pixel), 48u);
  EXPECT_EQ(OffsetIn(props, props.pixel2), 48 + sizeof(KxIPixel));
  EXPECT_EQ(OffsetIn(props, props.pixel3), 48 + 2 * sizeof(KxIPixel));
  EXPECT_EQ(OffsetIn(props, props.owned), 48 + 3 * sizeof(KxIPixel));
  EXPECT_EQ(sizeof(RasterProps), 48 + 3 * sizeof(KxIPixel) + 2 * pointer);
  if (pointer == 4) {
    EXPECT_EQ(sizeof(RasterProps), 104u);
  }
}

TEST(RecordsLayoutTest, FreshRecordsCarryTheirSizesAndNoCapabilities) {
  const DecodeBuffer buffer;
  EXPECT_EQ(buffer.size, 1120u);
  EXPECT_EQ(buffer.pBits, nullptr);
  EXPECT_EQ(buffer.resultCode, 1u);
  EXPECT_EQ(buffer.resultFlag, 0);
  const RasterProps props;
  EXPECT_EQ(props.size, sizeof(RasterProps));
  EXPECT_EQ(props.flags, 0u);
  EXPECT_EQ(props.maxMag, 0.0);
  for (const KxIPixel* pixel : {&props.pixel, &props.pixel2, &props.pixel3}) {
    EXPECT_EQ(pixel->colorSpace(), 769u);
    EXPECT_EQ(pixel->numBands(), 3);
    EXPECT_EQ(pixel->getDataType(), KX_SAMPLE_U8);
  }
}

// Counts its own destructions.
class CountedExtension : public KxRasterPropsExtension {
 public:
  explicit CountedExtension(int* destroyed) : destroyed_(destroyed) {}
  ~CountedExtension() override { ++*destroyed_; }

 private:
  int* destroyed_;
};

TEST(RecordsLayoutTest, RasterPropsCopyPixelsAndReleaseOwnedObjectsOnce) {
  int destroyed = 0;
  {
    RasterProps original;
    original.width = 640;
    original.pixel = KxIPixel(65281, 5, KX_SAMPLE_S16, nullptr);
    original.owned[0] = new CountedExtension(&destroyed);
    original.owned[1] = new CountedExtension(&destroyed);
    RasterProps copy(original);
    RasterProps assigned;
    assigned = original;
    for (const RasterProps* target : {&copy, &assigned}) {
      EXPECT_EQ(target->width, 640u);
      EXPECT_EQ(target->pixel.numBands(), 5);
      EXPECT_NE(target->pixel.samples(), original.pixel.samples());
      EXPECT_EQ(target->owned[0], nullptr);
    }
  }
  EXPECT_EQ(destroyed, 2);

  // One object placed in both slots is released once.
  destroyed = 0;
  {
    RasterProps props;
    props.owned[0] = props.owned[1] = new CountedExtension(&destroyed);
  }
  EXPECT_EQ(destroyed, 1);
}

}  // namespace
}  // namespace Kelvane
