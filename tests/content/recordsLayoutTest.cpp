// The boundary records: the layout the flavour compiled, and RasterProps
// copying and release of the objects it owns.
#include <gtest/gtest.h>

#include <cstddef>

#include "kelvane/kx_lib_sp_xform.h"

namespace Kelvane {
namespace {

// The 32-bit flavour compiled the branch of layout pins with the host's fixed
// offsets (the pins themselves are checked by the compiler).
TEST(RecordsLayoutTest, FlavourCompiledItsOwnLayoutPins) {
  EXPECT_EQ(KX_RECORDS_32BIT_LAYOUT, sizeof(void*) == 4 ? 1 : 0);
  EXPECT_EQ(offsetof(DecodeBuffer, resultCode), 1104 + sizeof(void*));
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
TEST(RecordsLayoutTest, RasterPropsCopyPixelsAndReleaseOwnedObjectsOnce) {
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
