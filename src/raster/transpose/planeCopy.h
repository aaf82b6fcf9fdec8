// One plane of a raw-byte transposition: the bytes of one element per pixel
// (a whole pixel, or one sample of it) moved to their transposed places.
// Destination pixel (x, y) takes the element at
// source + x * alongRow + y * alongColumn, and the destination is written row
// by row, every row from the left.
#ifndef KELVANE_RASTER_TRANSPOSE_PLANE_COPY_H
#define KELVANE_RASTER_TRANSPOSE_PLANE_COPY_H

#include <cstddef>
#include <cstdint>

#include "raster/rowCopy.h"
#include "raster/transpose/transposeGeometry.h"

namespace Kelvane {

// Working memory a quarter turn may use: a staging tile of at most 112 KiB,
// so that it stays in the second-level cache, plus room to align it. Below
// the size at which the C library maps fresh pages for every allocation.
constexpr size_t kPlaneCopyScratchBytes = 112 * 1024 + 64;

struct PlaneCopy {
  const unsigned char* source = nullptr;  // the element destination (0, 0) takes
  unsigned char* destination = nullptr;   // destination (0, 0)
  ptrdiff_t destinationRowStride = 0;
  ptrdiff_t alongRow = 0;     // source bytes per destination column
  ptrdiff_t alongColumn = 0;  // source bytes per destination row
  ptrdiff_t pixelBytes = 0;   // bytes between horizontally adjacent destination pixels
  size_t elementBytes = 0;    // bytes moved per pixel, at most pixelBytes
  uint32_t width = 0;         // output size
  uint32_t height = 0;
  bool quarterTurn = false;  // destination rows run down source columns
  // Working memory of kPlaneCopyScratchBytes bytes that the faster kernels
  // need for quarter turns (owned by the caller); without it they are not used.
  unsigned char* scratch = nullptr;

  // An element is a whole pixel: nothing lies between elements of a row.
  bool packed() const { return static_cast<ptrdiff_t>(elementBytes) == pixelBytes; }
  // The output is large enough to be written past the caches (kStreamingBytes).
  bool streamsOutput() const { return uint64_t{width} * elementBytes * height >= kStreamingBytes; }
};

// The plane `walk` moves from the source whose first pixel is at `source`:
// elements of elementBytes bytes in pixels of pixelBytes bytes on both sides.
inline PlaneCopy planeOfWalk(const TransposeWalk& walk, bool quarterTurn, const unsigned char* source,
                             unsigned char* destination, ptrdiff_t destinationRowStride, ptrdiff_t pixelBytes,
                             size_t elementBytes, unsigned char* scratch) {
  PlaneCopy plane;
  plane.source = source + walk.start;
  plane.destination = destination;
  plane.destinationRowStride = destinationRowStride;
  plane.alongRow = walk.alongRow;
  plane.alongColumn = walk.alongColumn;
  plane.pixelBytes = pixelBytes;
  plane.elementBytes = elementBytes;
  plane.width = walk.width;
  plane.height = walk.height;
  plane.quarterTurn = quarterTurn;
  plane.scratch = scratch;
  return plane;
}

}  // namespace Kelvane

#endif  // KELVANE_RASTER_TRANSPOSE_PLANE_COPY_H
