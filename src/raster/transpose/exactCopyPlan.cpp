#include "raster/transpose/exactCopyPlan.h"

#include <algorithm>

namespace Kelvane {

namespace {

int64_t pixelStepOf(const ImageBufferInfo& info) { return info.order != 0 ? 1 : info.pixelStride; }

// Planes of one sample each (offsets in bytes, ascending) stay apart when
// each lies wholly before the next, or when all of them fit side by side in
// one row (line-interleaved layout).
bool planesApart(const uint64_t* offsets, uint32_t count, uint64_t rowBytes, uint64_t planeBytes, uint64_t rowStride) {
  bool separate = true;
  bool sideBySide = offsets[count - 1] - offsets[0] + rowBytes <= rowStride;
  for (uint32_t i = 1; i < count; ++i) {
    const uint64_t gap = offsets[i] - offsets[i - 1];
    separate = separate && gap >= planeBytes;
    sideBySide = sideBySide && gap >= rowBytes;
  }
  return separate || sideBySide;
}

}  // namespace

bool planExactCopy(const ImageBufferInfo& destination, const ImageBufferInfo& source, size_t sampleBytes,
                   uint32_t outputWidth, uint32_t outputHeight, uint32_t destinationRowStride, ExactCopyPlan& plan) {
  if (outputWidth == 0 || outputHeight == 0) return false;
  // Same values and same addressing on both sides.
  const int64_t step = pixelStepOf(destination);
  const uint8_t bandCount = destination.bandCount();
  const uint32_t* map = destination.sampleMap();
  if (destination.colorSpace() != source.colorSpace() || destination.bitsPerSample != source.bitsPerSample ||
      step < 1 || step != pixelStepOf(source) || bandCount == 0 || map == nullptr || source.sampleMap() == nullptr ||
      !std::equal(map, map + bandCount, source.sampleMap())) {
    return false;
  }

  // Distinct sample offsets in bytes, ascending; a band named twice is copied once.
  uint64_t offsets[256];
  for (uint8_t i = 0; i < bandCount; ++i) offsets[i] = uint64_t{map[i]} * sampleBytes;
  std::sort(offsets, offsets + bandCount);
  const uint32_t planeCount = static_cast<uint32_t>(std::unique(offsets, offsets + bandCount) - offsets);

  // Rows of the destination must not overlap.
  const uint64_t pixelBytes = static_cast<uint64_t>(step) * sampleBytes;
  const uint64_t rowStride = destinationRowStride;
  const uint64_t rowBytes = uint64_t{outputWidth} * pixelBytes;
  if (outputHeight > 1 && rowStride < rowBytes) return false;

  bool wholePixel = false;
  if (step > 1) {
    // Interleaved: every band inside its own pixel; a pixel the bands fill
    // completely moves as one element.
    if (offsets[planeCount - 1] >= pixelBytes) return false;
    wholePixel = planeCount == static_cast<uint64_t>(step);
  } else {
    // Band-sequential: each band a plane of consecutive samples.
    const uint64_t planeBytes = uint64_t{outputHeight - 1} * rowStride + rowBytes;
    if (!planesApart(offsets, planeCount, rowBytes, planeBytes, rowStride)) return false;
  }
  plan.pixelBytes = static_cast<ptrdiff_t>(pixelBytes);
  plan.elementBytes = wholePixel ? pixelBytes : sampleBytes;
  plan.planeCount = wholePixel ? 1 : planeCount;
  for (uint32_t i = 0; i < plan.planeCount; ++i) plan.planeOffsets[i] = static_cast<ptrdiff_t>(offsets[i]);
  return true;
}

}  // namespace Kelvane
