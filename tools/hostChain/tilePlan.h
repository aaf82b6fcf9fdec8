// The tiles of a persistent pixel cache's grid over chosen magnification
// levels, and a deterministic share of them for one of several workers.
// Level k is magnification 2^-k; at each level the grid counts tiles from the
// image's upper-left corner, and the tiles of the last row and column end at
// the image's edge, exactly as the cache cuts and names them.
#ifndef KX_HOST_CHAIN_TILE_PLAN_H
#define KX_HOST_CHAIN_TILE_PLAN_H

#include <cstdint>
#include <vector>

#include "hostChain/kelvaneApi.h"

namespace kxhost {

// Levels beyond this show any image (at most 2^32 pixels a side) as one pixel.
constexpr uint32_t kMaxTileLevel = 32;

// The image's size at magnification 1 and the cache's tile size, all above 0.
struct TileGridShape {
  uint32_t imageWidth = 0;
  uint32_t imageHeight = 0;
  uint32_t tileWidth = 0;
  uint32_t tileHeight = 0;
};

struct PlannedTile {
  uint32_t level = 0;
  uint32_t row = 0;
  uint32_t column = 0;
  Scene scene;  // the tile's rectangle in pixels at magnification 2^-level

  uint64_t pixels() const { return static_cast<uint64_t>(scene.width) * static_cast<uint64_t>(scene.height); }
};

// Magnification 2^-level.
double LevelMagnification(uint32_t level);

// Number of tiles of levels first..last (both at most kMaxTileLevel), so a
// caller can refuse a plan too large to hold before making it.
uint64_t CountPlannedTiles(const TileGridShape& shape, uint32_t firstLevel, uint32_t lastLevel);

// Every tile of levels first..last, by level, row and column.
std::vector<PlannedTile> PlanTiles(const TileGridShape& shape, uint32_t firstLevel, uint32_t lastLevel);

// Part `part` (from 1) of `parts`: the tiles, largest first (ties by level,
// row, column), are dealt one by one to the part holding the fewest pixels
// so far (the lowest numbered on a tie). Every caller with the same plan
// deals the same way, so the parts together hold each tile exactly once.
// The part's tiles keep the plan's order.
std::vector<PlannedTile> TakePart(const std::vector<PlannedTile>& tiles, uint32_t part, uint32_t parts);

}  // namespace kxhost

#endif  // KX_HOST_CHAIN_TILE_PLAN_H
