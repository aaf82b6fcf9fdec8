// When a transposition copies every sample unchanged (same colour space, bit
// depth, sample map and pixel step on both sides), the pixels can be moved
// as raw bytes instead of through the pixel operator. The plan splits a pixel
// into planes of bytes that move together and says whether the destination
// layout lets the bytes be written in any order with the same result.
#ifndef KELVANE_RASTER_TRANSPOSE_EXACT_COPY_PLAN_H
#define KELVANE_RASTER_TRANSPOSE_EXACT_COPY_PLAN_H

#include <cstddef>
#include <cstdint>

#include "raster/imageBufferInfo.h"

namespace Kelvane {

struct ExactCopyPlan {
  // Bytes moved together per pixel of a plane: the whole pixel when the bands
  // fill it exactly, else one sample.
  size_t elementBytes = 0;
  ptrdiff_t pixelBytes = 0;  // bytes between horizontally adjacent pixels, both sides
  uint32_t planeCount = 0;
  ptrdiff_t planeOffsets[256] = {};  // bytes from a pixel's first sample to each plane's element
};

// Fills `plan` and returns true when a raw copy writes exactly the bytes the
// pixel operator would: equal colour spaces, bit depths, pixel steps and maps,
// and a destination of outputWidth x outputHeight pixels at rowStride bytes
// whose written samples do not overlap (so the order of writing cannot
// matter). The caller checks that the value ranges leave samples unchanged.
bool planExactCopy(const ImageBufferInfo& destination, const ImageBufferInfo& source, size_t sampleBytes,
                   uint32_t outputWidth, uint32_t outputHeight, uint32_t destinationRowStride, ExactCopyPlan& plan);

}  // namespace Kelvane

#endif  // KELVANE_RASTER_TRANSPOSE_EXACT_COPY_PLAN_H
