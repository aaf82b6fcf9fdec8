// Geometry of the persistent pixel cache's decode policy: which tiles a
// rectangle touches, and how the missing tiles of a scene are grouped into a
// few rectangles ("cuts") for the upstream source to decode. Rectangles are
// Scene records in pixels at the scene's magnification.
#ifndef KELVANE_STAGES_KXV_PERSISTANT_PIXEL_CACHE_CUTS_H
#define KELVANE_STAGES_KXV_PERSISTANT_PIXEL_CACHE_CUTS_H

#include <cstdint>
#include <list>
#include <vector>

#include "kelvane/kx_records.h"
#include "support/kxPathString.h"

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

// One tile of the survey of a scene. Only missing tiles carry their
// rectangle and path; a tile found on disk stays all zero.
struct KxvTileEntry {
  Scene rect;
  PathString path;
  bool missing = false;
};
using KxvTileGrid = std::vector<std::vector<KxvTileEntry>>;

using KxvCutList = std::list<Scene>;

// Runs of missing tiles along each grid row, left to right, row after row.
KxvCutList formRuns(const KxvTileGrid& grid);

// Merges cuts that together fill their bounding rectangle exactly, in passes,
// until a pass merges nothing.
void mergeCuts(KxvCutList& cuts);

// While the scene's area is below `threshold` x the missing area, narrows the
// cuts one by one, in order, to their overlap with the scene. `missingArea`
// follows every change.
void narrowCutsToScene(KxvCutList& cuts, const Scene& scene, double threshold, double* missingArea);

}  // namespace Kelvane

#endif  // KELVANE_STAGES_KXV_PERSISTANT_PIXEL_CACHE_CUTS_H
