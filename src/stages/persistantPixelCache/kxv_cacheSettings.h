// The configuration of a persistent pixel cache object, as one decode sees
// it: the stage hands each decode a copy taken when the decode begins.
#ifndef KELVANE_STAGES_PERSISTANT_PIXEL_CACHE_KXV_CACHE_SETTINGS_H
#define KELVANE_STAGES_PERSISTANT_PIXEL_CACHE_KXV_CACHE_SETTINGS_H

#include <cstdint>

#include "support/kxPathString.h"

namespace Kelvane {

struct KxvCacheSettings {
  // Root of the cache, ending in one separator; empty switches the cache off.
  PathString directory;
  // Tile extent in pixels at any magnification; 512 balances files per
  // directory against the pixels decoded beyond a scene's edge.
  uint32_t tileWidth = 512;
  uint32_t tileHeight = 512;
  // Tiles smaller than this fraction of the image bypass the cache; 0 or less: off.
  double tileRatioThreshold = 0.0;
  // Least share of a tile worth caching, and least scene-to-missing area
  // ratio before cuts are narrowed to the scene; 0 or less: off.
  double utilityThreshold = 0.0;
  // Above this many cuts one decode of the whole scene is cheaper than many small ones.
  uint32_t maxCuts = 3;
  // Larger magnifications bypass the cache: they are cheap to compute from
  // the source and would fill the disk fastest.
  double maxMagnification = 1.0;
};

}  // namespace Kelvane

#endif  // KELVANE_STAGES_PERSISTANT_PIXEL_CACHE_KXV_CACHE_SETTINGS_H
