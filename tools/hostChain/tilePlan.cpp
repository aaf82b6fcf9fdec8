#include "hostChain/tilePlan.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <queue>
#include <tuple>
#include <utility>

#include "hostChain/scenePlacement.h"

namespace kxhost {

namespace {

// Tiles along one side of `extent` pixels.
uint64_t tilesAlong(uint32_t extent, uint32_t tile) { return (uint64_t{extent} + tile - 1) / tile; }

// Whether tile a is dealt before tile b: larger first, then in plan order.
bool dealtBefore(const PlannedTile& a, const PlannedTile& b) {
  if (a.pixels() != b.pixels()) return a.pixels() > b.pixels();
  return std::tie(a.level, a.row, a.column) < std::tie(b.level, b.row, b.column);
}

bool planOrder(const PlannedTile& a, const PlannedTile& b) {
  return std::tie(a.level, a.row, a.column) < std::tie(b.level, b.row, b.column);
}

}  // namespace

double LevelMagnification(uint32_t level) { return std::ldexp(1.0, -static_cast<int>(level)); }

uint64_t CountPlannedTiles(const TileGridShape& shape, uint32_t firstLevel, uint32_t lastLevel) {
  uint64_t count = 0;
  for (uint32_t level = firstLevel; level <= lastLevel; ++level) {
    const double mag = LevelMagnification(level);
    count += tilesAlong(ScaledExtent(shape.imageWidth, mag), shape.tileWidth) *
             tilesAlong(ScaledExtent(shape.imageHeight, mag), shape.tileHeight);
  }
  return count;
}

std::vector<PlannedTile> PlanTiles(const TileGridShape& shape, uint32_t firstLevel, uint32_t lastLevel) {
  std::vector<PlannedTile> tiles;
  tiles.reserve(CountPlannedTiles(shape, firstLevel, lastLevel));
  for (uint32_t level = firstLevel; level <= lastLevel; ++level) {
    const double mag = LevelMagnification(level);
    const uint32_t width = ScaledExtent(shape.imageWidth, mag);
    const uint32_t height = ScaledExtent(shape.imageHeight, mag);
    for (uint64_t y = 0, row = 0; y < height; y += shape.tileHeight, ++row) {
      for (uint64_t x = 0, column = 0; x < width; x += shape.tileWidth, ++column) {
        const double w = static_cast<double>(std::min<uint64_t>(shape.tileWidth, width - x));
        const double h = static_cast<double>(std::min<uint64_t>(shape.tileHeight, height - y));
        tiles.push_back({level, static_cast<uint32_t>(row), static_cast<uint32_t>(column),
                         Scene{static_cast<double>(x), static_cast<double>(y), w, h, mag}});
      }
    }
  }
  return tiles;
}

std::vector<PlannedTile> TakePart(const std::vector<PlannedTile>& tiles, uint32_t part, uint32_t parts) {
  std::vector<PlannedTile> order = tiles;
  std::sort(order.begin(), order.end(), dealtBefore);
  // The parts by pixels dealt so far, then by number: the top is the next to get a tile.
  using Load = std::pair<uint64_t, uint32_t>;
  std::priority_queue<Load, std::vector<Load>, std::greater<Load>> loads;
  for (uint32_t p = 1; p <= parts && p <= order.size(); ++p) loads.push({0, p});
  std::vector<PlannedTile> mine;
  for (const PlannedTile& tile : order) {
    Load least = loads.top();
    loads.pop();
    if (least.second == part) mine.push_back(tile);
    loads.push({least.first + tile.pixels(), least.second});
  }
  std::sort(mine.begin(), mine.end(), planOrder);
  return mine;
}

}  // namespace kxhost
