// Quarter turns large enough to be written with streaming stores, into rows
// whose cache lines do not start at their first pixel: every target writes
// the bytes the portable kernels write, and nothing between the rows.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "helpers/simdTargetSupport.h"
#include "raster/transpose/planeCopy.h"
#include "raster/transpose/portablePlaneCopy.h"
#include "raster/transpose/vectorPlaneCopy.h"

namespace Kelvane {
namespace {

using testing_support::forEachSimdTarget;

TEST(VectorPlaneCopy, StreamedQuarterTurnsMatchThePortableKernels) {
  // 1700 x 1700 pixels of 3 bytes (8.3 MiB), rows of 5100 bytes 5120 apart,
  // the destination starting 16 bytes past a cache line.
  constexpr uint32_t kSide = 1700;
  constexpr size_t kStride = 5120;
  std::vector<unsigned char> source(kSide * kStride);
  for (size_t i = 0; i < source.size(); ++i) source[i] = static_cast<unsigned char>(i * 2654435761u >> 13);
  std::vector<unsigned char> scratch(kPlaneCopyScratchBytes);
  std::vector<unsigned char> expected(kSide * kStride + 80, 0xA5);
  std::vector<unsigned char> actual(expected.size());
  const auto destination = [](std::vector<unsigned char>& bytes) {
    return bytes.data() + (64 - reinterpret_cast<uintptr_t>(bytes.data()) % 64) % 64 + 16;
  };
  for (const uint32_t mode : {Rotate90, Rotate270}) {
    const TransposeWalk walk = transposeWalk(mode, kSide, kSide, 3, kStride);
    copyPlanePortably(planeOfWalk(walk, true, source.data(), destination(expected), kStride, 3, 3, scratch.data()));
    forEachSimdTarget([&] {
      std::fill(actual.begin(), actual.end(), 0xA5);
      copyPlane(planeOfWalk(walk, true, source.data(), destination(actual), kStride, 3, 3, scratch.data()));
      ASSERT_TRUE(std::equal(destination(actual), destination(actual) + kSide * kStride, destination(expected)))
          << "mode " << mode;
    });
  }
}

}  // namespace
}  // namespace Kelvane
