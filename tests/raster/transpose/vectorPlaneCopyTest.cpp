// Turns and mirrors large enough to be written with streaming stores, into
// rows whose cache lines do not start at their first pixel: every target
// writes the bytes the portable kernels write, and nothing between the rows.
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

TEST(VectorPlaneCopy, StreamedTurnsAndMirrorsMatchThePortableKernels) {
  struct Shape {
    uint32_t side;        // square images of at least the streaming size
    size_t pixelBytes;    // 3: the three-block reversers; 2: whole-vector ones
    size_t stride;        // rows end short of the next row
    size_t misalignment;  // destination bytes past a cache line
  };
  for (const Shape shape : {Shape{1700, 3, 5120, 16}, Shape{1700, 3, 5120, 7}, Shape{2100, 2, 4224, 6}}) {
    SCOPED_TRACE(shape.pixelBytes);
    SCOPED_TRACE(shape.misalignment);
    ASSERT_GE(uint64_t{shape.side} * shape.side * shape.pixelBytes, kStreamingBytes);
    std::vector<unsigned char> source(shape.side * shape.stride);
    for (size_t i = 0; i < source.size(); ++i) source[i] = static_cast<unsigned char>(i * 2654435761u >> 13);
    std::vector<unsigned char> scratch(kPlaneCopyScratchBytes);
    std::vector<unsigned char> expected(shape.side * shape.stride + 128, 0xA5);
    std::vector<unsigned char> actual(expected.size());
    const auto destination = [&](std::vector<unsigned char>& bytes) {
      return bytes.data() + (64 - reinterpret_cast<uintptr_t>(bytes.data()) % 64) % 64 + shape.misalignment;
    };
    const auto plane = [&](uint32_t mode, std::vector<unsigned char>& to) {
      const TransposeWalk walk = transposeWalk(mode, shape.side, shape.side, shape.pixelBytes, shape.stride);
      const bool quarterTurn = mode == Rotate90 || mode == Rotate270;
      const auto n = static_cast<ptrdiff_t>(shape.pixelBytes);
      return planeOfWalk(walk, quarterTurn, source.data(), destination(to), static_cast<ptrdiff_t>(shape.stride), n,
                         shape.pixelBytes, scratch.data());
    };
    for (const uint32_t mode : {Rotate90, Rotate180, Rotate270, MirrorLeftRight, MirrorTopBottom}) {
      std::fill(expected.begin(), expected.end(), 0xA5);
      copyPlanePortably(plane(mode, expected));
      forEachSimdTarget([&] {
        std::fill(actual.begin(), actual.end(), 0xA5);
        copyPlane(plane(mode, actual));
        // The written rows equal the portable kernels', and the bytes around them are untouched.
        const unsigned char* begin = actual.data();
        const unsigned char* written = destination(actual);
        const unsigned char* end = written + shape.side * shape.stride;
        const auto untouched = [](unsigned char b) { return b == 0xA5; };
        ASSERT_TRUE(std::equal(written, end, destination(expected))) << "mode " << mode;
        ASSERT_TRUE(std::all_of(begin, written, untouched) && std::all_of(end, begin + actual.size(), untouched))
            << "mode " << mode;
      });
    }
  }
}

}  // namespace
}  // namespace Kelvane
