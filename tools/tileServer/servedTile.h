// One tile of a served chain: decoded at its level's magnification the way
// kxhost render decodes a scene, and encoded as PNG.
#ifndef KX_TILE_SERVER_SERVED_TILE_H
#define KX_TILE_SERVER_SERVED_TILE_H

#include <cstdint>
#include <string>
#include <vector>

#include "tileServer/servedChain.h"

namespace kxhost {

// Where a tile's pixels came from.
enum class TileOrigin {
  NoCache,  // the chain has no cache directory
  Cache,    // the persistent pixel cache answered the whole tile
  Source,   // the decode read the image
};

struct ServedTile {
  std::vector<uint8_t> png;
  TileOrigin origin = TileOrigin::NoCache;
};

// Decodes tile (x, y) of level z, which the chain's scheme must contain,
// and encodes it; false with a one-line reason.
bool RenderServedTile(const ServedChain& served, uint32_t z, uint32_t x, uint32_t y, ServedTile* tile,
                      std::string* error);

}  // namespace kxhost

#endif  // KX_TILE_SERVER_SERVED_TILE_H
