#include "raster/transpose/transposeGeometry.h"

#include "kelvane/kx_exception.h"
#include "kelvane/kx_status.h"

namespace Kelvane {

TransposeWalk transposeWalk(uint32_t mode, uint32_t width, uint32_t height, ptrdiff_t pixelBytes, ptrdiff_t rowStride) {
  // Offsets of the last pixel of a row and of the last row (none when empty).
  const ptrdiff_t lastColumn = width == 0 ? 0 : static_cast<ptrdiff_t>(width - 1) * pixelBytes;
  const ptrdiff_t lastRow = height == 0 ? 0 : static_cast<ptrdiff_t>(height - 1) * rowStride;
  TransposeWalk walk;
  walk.width = width;
  walk.height = height;
  switch (mode) {
    case Rotate90:  // destination rows are source columns, read bottom up
      walk = {lastRow, -rowStride, pixelBytes, height, width};
      break;
    case Rotate180:
      walk.start = lastRow + lastColumn;
      walk.alongRow = -pixelBytes;
      walk.alongColumn = -rowStride;
      break;
    case Rotate270:  // destination rows are source columns from the right, read top down
      walk = {lastColumn, rowStride, -pixelBytes, height, width};
      break;
    case MirrorLeftRight:
      walk.start = lastColumn;
      walk.alongRow = -pixelBytes;
      walk.alongColumn = rowStride;
      break;
    case MirrorTopBottom:
      walk.start = lastRow;
      walk.alongRow = pixelBytes;
      walk.alongColumn = -rowStride;
      break;
    default: throw KxUtilException(KX_STATUS_TRANSPOSE_MODE);
  }
  return walk;
}

}  // namespace Kelvane
