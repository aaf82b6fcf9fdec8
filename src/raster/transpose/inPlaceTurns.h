// Quarter turns and mirrors of an image in its own memory, so that a caller
// can decode straight into the buffer that receives the turned image: half
// turns and mirrors trade pixels pairwise between rows (or within one), and
// quarter turns of square images move blocks around the centre in cycles of
// four, each block turned on its way. The result is byte for byte what the
// transposer writes into a separate buffer.
#ifndef KELVANE_RASTER_TRANSPOSE_IN_PLACE_TURNS_H
#define KELVANE_RASTER_TRANSPOSE_IN_PLACE_TURNS_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "kelvane/kx_exception.h"
#include "kelvane/kx_status.h"
#include "raster/raster.h"
#include "raster/transpose/exactCopyPlan.h"
#include "raster/transpose/transposeGeometry.h"

namespace Kelvane {

// Turns or mirrors (a TransposeMode code) width x height pixels of pixelBytes
// bytes each, rows rowStride bytes apart, in place; every byte of a pixel
// moves with it and the bytes between rows stay as they are. A quarter turn
// needs a square image (its turn has the same shape); for any other shape,
// or rows that overlap, it returns false and changes nothing. `scratch` is
// working memory the call grows as needed; a caller that keeps it between
// calls spares the allocation. Raises KxUtilException 15008 for a mode
// other than 0 to 4, and 8 when working memory cannot be had.
bool turnPixelsInPlace(uint32_t mode, unsigned char* pixels, uint32_t width, uint32_t height, size_t pixelBytes,
                       size_t rowStride, std::vector<unsigned char>& scratch);

// Whether turnRasterInPlace can turn the raster: its pixels are ones the
// transposer would move unchanged, with the raster's description on both
// sides (interleaved pixels whose bands fill them, or band-sequential planes
// that do not overlap, with samples of all 8 * sizeof(T) bits: the copier
// clamps any narrower range), and a quarter turn has a square to turn.
// Looks at the layout only, never at the pixels.
template <typename T>
bool canTurnRasterInPlace(uint32_t mode, const Raster<T>& raster, ExactCopyPlan* plan = nullptr) {
  if (mode > MirrorTopBottom) throw KxUtilException(KX_STATUS_TRANSPOSE_MODE);
  const bool quarterTurn = mode == Rotate90 || mode == Rotate270;
  ExactCopyPlan own;
  ExactCopyPlan& found = plan != nullptr ? *plan : own;
  return raster.data != nullptr && raster.info.bitsPerSample == static_cast<int32_t>(8 * sizeof(T)) &&
         !(quarterTurn && raster.width != raster.height) &&
         planExactCopy(raster.info, raster.info, sizeof(T), raster.width, raster.height, raster.rowStride, found) &&
         static_cast<ptrdiff_t>(found.elementBytes) == found.pixelBytes;
}

// Turns such a raster in place; returns false, changing nothing, for any
// other raster.
template <typename T>
bool turnRasterInPlace(uint32_t mode, const Raster<T>& raster, std::vector<unsigned char>& scratch) {
  ExactCopyPlan plan;
  if (!canTurnRasterInPlace(mode, raster, &plan)) return false;
  unsigned char* bytes = reinterpret_cast<unsigned char*>(raster.data);
  for (uint32_t i = 0; i < plan.planeCount; ++i) {
    turnPixelsInPlace(mode, bytes + plan.planeOffsets[i], raster.width, raster.height, plan.elementBytes,
                      raster.rowStride, scratch);
  }
  return true;
}

}  // namespace Kelvane

#endif  // KELVANE_RASTER_TRANSPOSE_IN_PLACE_TURNS_H
