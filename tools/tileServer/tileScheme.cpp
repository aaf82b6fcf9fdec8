#include "tileServer/tileScheme.h"

#include <algorithm>
#include <cmath>

#include "hostChain/scenePlacement.h"

namespace kxhost {

TileScheme::TileScheme(uint32_t width, uint32_t height) : width_(width), height_(height) {
  // The first level whose 256 * 2^z pixels hold the longer side.
  const uint64_t longer = std::max(width, height);
  while ((static_cast<uint64_t>(kServedTileSize) << maxZoom_) < longer) ++maxZoom_;
}

double TileScheme::magnification(uint32_t z) const {
  return std::ldexp(1.0, static_cast<int>(z) - static_cast<int>(maxZoom_));
}

uint32_t TileScheme::columns(uint32_t z) const {
  if (z > maxZoom_) return 0;
  return static_cast<uint32_t>((uint64_t{ScaledExtent(width_, magnification(z))} + kServedTileSize - 1) /
                               kServedTileSize);
}

uint32_t TileScheme::rows(uint32_t z) const {
  if (z > maxZoom_) return 0;
  return static_cast<uint32_t>((uint64_t{ScaledExtent(height_, magnification(z))} + kServedTileSize - 1) /
                               kServedTileSize);
}

bool TileScheme::contains(uint32_t z, uint32_t x, uint32_t y) const {
  return z <= maxZoom_ && x < columns(z) && y < rows(z);
}

Scene TileScheme::sceneOf(uint32_t z, uint32_t x, uint32_t y) const {
  const double side = kServedTileSize;
  return Scene{side * x, side * y, side, side, magnification(z)};
}

}  // namespace kxhost
