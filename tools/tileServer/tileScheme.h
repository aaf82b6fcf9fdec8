// The tile pyramid a server offers for one image: 256 x 256 tiles, level 0
// holding the whole image in one tile and each level doubling the
// magnification up to the first level at full size.
#ifndef KX_TILE_SERVER_TILE_SCHEME_H
#define KX_TILE_SERVER_TILE_SCHEME_H

#include <cstdint>

#include "hostChain/kelvaneApi.h"

namespace kxhost {

// The tile side in pixels, the size web map viewers expect.
constexpr uint32_t kServedTileSize = 256;

class TileScheme {
 public:
  // `width` x `height`: the image as the chain's head presents it at
  // magnification 1, after any turn.
  TileScheme(uint32_t width, uint32_t height);

  uint32_t width() const { return width_; }
  uint32_t height() const { return height_; }
  // The smallest level at which the whole image is at full size.
  uint32_t maxZoom() const { return maxZoom_; }
  // 2^(z - maxZoom).
  double magnification(uint32_t z) const;
  // Tile columns and rows of level z (0 above maxZoom).
  uint32_t columns(uint32_t z) const;
  uint32_t rows(uint32_t z) const;
  // Whether tile (x, y) of level z lies on the image.
  bool contains(uint32_t z, uint32_t x, uint32_t y) const;
  // The scene of tile (x, y) at level z: the 256 x 256 pixels from
  // (256x, 256y) of the image at that level's magnification.
  Scene sceneOf(uint32_t z, uint32_t x, uint32_t y) const;

 private:
  uint32_t width_;
  uint32_t height_;
  uint32_t maxZoom_ = 0;
};

}  // namespace kxhost

#endif  // KX_TILE_SERVER_TILE_SCHEME_H
