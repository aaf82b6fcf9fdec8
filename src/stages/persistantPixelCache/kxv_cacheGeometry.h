// The scene geometry of the cache's decodes: where tiles lie, which tiles a
// rectangle touches, and the rectangle and window arithmetic the decode
// policy shares. Rectangles are Scene records in pixels at the scene's
// magnification.
#ifndef KELVANE_STAGES_PERSISTANT_PIXEL_CACHE_KXV_CACHE_GEOMETRY_H
#define KELVANE_STAGES_PERSISTANT_PIXEL_CACHE_KXV_CACHE_GEOMETRY_H

#include <cstdint>

#include "kelvane/kx_records.h"

namespace Kelvane {

// Tile and image extents of one decode, at the scene's magnification. All
// above 0 and within int, so tile names and indices are exact.
struct KxvTileGeometry {
  uint32_t tileWidth = 0;
  uint32_t tileHeight = 0;
  uint32_t imageWidth = 0;
  uint32_t imageHeight = 0;

  // The rectangle of a tile; tiles of the last row and column end at the
  // image's edge.
  Scene tileRect(int64_t row, int64_t column, double mag) const;
};

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
// Whether `part` lies wholly inside `whole`.
bool sceneContains(const Scene& whole, const Scene& part);

// Whole pixels of a scene's width and height (0 for an unusable extent).
uint32_t columnsOf(const Scene& scene);
uint32_t rowsOf(const Scene& scene);
// Pixels of `part` that `buffer` holds from the part's corner on.
uint32_t heldColumns(const DecodeBuffer& buffer, const Scene& part);
uint32_t heldRows(const DecodeBuffer& buffer, const Scene& part);
// Bytes from the start of `buffer`'s pixel memory to the corner of `part`
// (a file offset when the buffer describes a file laid out as memory).
uint64_t windowOffset(const DecodeBuffer& buffer, const Scene& part);
// A window on `buffer`: its record, showing `columns` x `rows` pixels from
// the corner of `part`, with pixel memory inside the buffer's.
DecodeBuffer windowOn(const DecodeBuffer& buffer, const Scene& part, uint32_t columns, uint32_t rows);

}  // namespace Kelvane

#endif  // KELVANE_STAGES_PERSISTANT_PIXEL_CACHE_KXV_CACHE_GEOMETRY_H
