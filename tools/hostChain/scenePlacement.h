// Where a requested scene falls on an image: the buffer pixels that lie on the
// image, the window of the full-resolution image they come from, and the rest
// that the background fills.
#ifndef KX_HOST_CHAIN_SCENE_PLACEMENT_H
#define KX_HOST_CHAIN_SCENE_PLACEMENT_H

#include <cstdint>

#include "hostChain/kelvaneApi.h"

namespace kxhost {

// A rectangle of buffer pixels, [x0, x1) x [y0, y1).
struct PixelRect {
  int64_t x0 = 0;
  int64_t y0 = 0;
  int64_t x1 = 0;
  int64_t y1 = 0;
  bool empty() const { return x1 <= x0 || y1 <= y0; }
  int64_t width() const { return x1 - x0; }
  int64_t height() const { return y1 - y0; }
};

// A window of the full-resolution image in (fractional) image pixels.
struct SourceWindow {
  double x = 0.0;
  double y = 0.0;
  double width = 0.0;
  double height = 0.0;
};

// A scene on an image of `width` x `height` pixels. Buffer pixel (i, j) is
// pixel (originX + i, originY + j) of the image scaled by the magnification.
struct ScenePlacement {
  int64_t cols = 0;     // floor(scene width + 0.5)
  int64_t rows = 0;     // floor(scene height + 0.5)
  int64_t originX = 0;  // floor(ulx + 0.5)
  int64_t originY = 0;  // floor(uly + 0.5)
  double mag = 1.0;
  PixelRect onImage;    // buffer pixels that lie on the scaled image (may be empty)
  SourceWindow source;  // where onImage comes from at magnification 1
};

// Pixels of an image side of `size` pixels at magnification `mag`: a scaled
// pixel that covers any part of the image counts (GDAL sizes its overviews
// the same way). Returns 0 for a magnification that is not finite and positive.
uint32_t ScaledExtent(uint32_t size, double mag);

// Places `scene` on an image. False when the scene is not usable: a corner,
// extent or magnification that is not finite, a negative extent, a
// magnification not above 0, or a buffer or corner too large to address.
bool PlaceScene(const Scene& scene, uint32_t width, uint32_t height, ScenePlacement* out);

}  // namespace kxhost

#endif  // KX_HOST_CHAIN_SCENE_PLACEMENT_H
