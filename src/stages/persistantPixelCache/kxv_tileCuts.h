// How the missing tiles of a scene are grouped into a few rectangles
// ("cuts") for the upstream source to decode. Rectangles are Scene records in
// pixels at the scene's magnification.
#ifndef KELVANE_STAGES_PERSISTANT_PIXEL_CACHE_KXV_TILE_CUTS_H
#define KELVANE_STAGES_PERSISTANT_PIXEL_CACHE_KXV_TILE_CUTS_H

#include <cstdint>
#include <list>
#include <vector>

#include "kelvane/kx_records.h"
#include "stages/persistantPixelCache/kxv_cacheGeometry.h"
#include "support/kxPathString.h"

namespace Kelvane {

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

#endif  // KELVANE_STAGES_PERSISTANT_PIXEL_CACHE_KXV_TILE_CUTS_H
