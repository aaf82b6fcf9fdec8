// The grey row kernel against its scalar loop on every vector target: every
// order of the three bands in a pixel and rows of every length up to a few
// vectors, read from buffers that end with the row (a read past it trips the
// address sanitizer) and written into rows followed by guard bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "helpers/simdTargetSupport.h"
#include "raster/colorSpace/grayscaleRows.h"

namespace Kelvane {
namespace {

using testing_support::forEachSimdTarget;

TEST(GrayscaleRows, EveryBandOrderAndRowLengthMatchesTheScalarLoop) {
  const RgbPositions orders[] = {{0, 1, 2}, {0, 2, 1}, {1, 0, 2}, {1, 2, 0}, {2, 0, 1}, {2, 1, 0}};
  std::mt19937 random(5);
  for (size_t count = 0; count <= 40; ++count) {
    std::vector<uint8_t> rgb(3 * count);
    for (uint8_t& v : rgb) v = static_cast<uint8_t>(random());
    for (const RgbPositions& at : orders) {
      std::vector<uint8_t> expected(count);
      rgbToGrayscaleRow8Scalar(expected.data(), rgb.data(), at, count);
      forEachSimdTarget([&] {
        std::vector<uint8_t> grey(count + 16, 0xA5);
        rgbToGrayscaleRow8(grey.data(), rgb.data(), at, count);
        ASSERT_TRUE(std::equal(expected.begin(), expected.end(), grey.begin()))
            << count << " pixels, red at " << at.r << ", green at " << at.g;
        ASSERT_TRUE(std::all_of(grey.begin() + count, grey.end(), [](uint8_t v) { return v == 0xA5; }))
            << count << " pixels";
      });
    }
  }
}

}  // namespace
}  // namespace Kelvane
