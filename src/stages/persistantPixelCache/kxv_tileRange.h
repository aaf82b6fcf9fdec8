// Which cache tiles a rectangle touches, and the rectangle arithmetic the
// cache's decode policy shares. Rectangles are Scene records in pixels at
// the scene's magnification.
#ifndef KELVANE_STAGES_PERSISTANT_PIXEL_CACHE_KXV_TILE_RANGE_H
#define KELVANE_STAGES_PERSISTANT_PIXEL_CACHE_KXV_TILE_RANGE_H

#include <cstdint>

#include "kelvane/kx_records.h"

namespace Kelvane {

// Tiles of a rectangle: rows firstRow..lastRow, columns firstColumn..lastColumn
// (empty as 0..-1), and whether the rectangle reaches outside the image.
struct KxvTileRange {
  int64_t firstRow = 0;
  int64_t lastRow = -1;
  int64_t firstColumn = 0;
  int64_t lastColumn = -1;
  bool outside = false;

  bool empty() const { return lastRow < firstRow || lastColumn < firstColumn; }
  int64_t rows() const { return empty() ? 0 : lastRow - firstRow + 1; }
  int64_t columns() const { return empty() ? 0 : lastColumn - firstColumn + 1; }
};

// The tiles of `tileWidth` x `tileHeight` (both above 0) that hold pixels of
// `rect` inside the image. With `snap` only tiles wholly inside `rect` count,
// a tile ending at the image's right or bottom edge counting as whole.
KxvTileRange computeTileRange(uint32_t tileWidth, uint32_t tileHeight, const Scene& rect, bool snap,
                              uint32_t imageWidth, uint32_t imageHeight);

// The overlap of two rectangles, with a's magnification; false when they do
// not meet (touching edges meet, with an empty overlap).
bool intersectScenes(const Scene& a, const Scene& b, Scene* overlap);
double sceneArea(const Scene& rect);

}  // namespace Kelvane

#endif  // KELVANE_STAGES_PERSISTANT_PIXEL_CACHE_KXV_TILE_RANGE_H
