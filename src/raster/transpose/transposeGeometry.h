// Quarter turns and mirrors as walks over the source: destination pixel
// (x, y) reads the source pixel at start + x * alongRow + y * alongColumn
// (byte offsets), so every kernel writes the destination row by row from its
// top-left corner and reads the source in the order the mode implies.
#ifndef KELVANE_RASTER_TRANSPOSE_TRANSPOSE_GEOMETRY_H
#define KELVANE_RASTER_TRANSPOSE_TRANSPOSE_GEOMETRY_H

#include <cstddef>
#include <cstdint>

namespace Kelvane {

enum TransposeMode : uint32_t {
  Rotate90 = 0,         // quarter turn clockwise
  Rotate180 = 1,        // half turn
  Rotate270 = 2,        // quarter turn counter-clockwise
  MirrorLeftRight = 3,  // columns reversed
  MirrorTopBottom = 4,  // rows reversed
};

struct TransposeWalk {
  ptrdiff_t start = 0;        // bytes from the source's first pixel to the one destination (0, 0) takes
  ptrdiff_t alongRow = 0;     // source bytes per destination column
  ptrdiff_t alongColumn = 0;  // source bytes per destination row
  uint32_t width = 0;         // output size
  uint32_t height = 0;
};

// The walk of `mode` over a width x height source whose pixels are
// pixelBytes apart and rows rowStride bytes apart. Raises
// KxUtilException(KX_STATUS_TRANSPOSE_MODE) for a mode other than 0 to 4.
TransposeWalk transposeWalk(uint32_t mode, uint32_t width, uint32_t height, ptrdiff_t pixelBytes, ptrdiff_t rowStride);

}  // namespace Kelvane

#endif  // KELVANE_RASTER_TRANSPOSE_TRANSPOSE_GEOMETRY_H
