#include "stages/persistantPixelCache/kxv_tileRange.h"

#include <algorithm>

namespace Kelvane {

namespace {

// Raises a pixel position to the next multiple of the tile extent.
int64_t raiseToTileStart(int64_t position, int64_t extent) {
  const int64_t rest = position % extent;
  return rest == 0 ? position : position + extent - rest;
}

// Lowers the last pixel of a span so that the span ends at a tile boundary,
// unless it already does or ends at the image's edge.
int64_t lowerToTileEnd(int64_t last, int64_t extent, int64_t imageExtent) {
  if ((last + 1) % extent == 0 || last + 1 == imageExtent) return last;
  return (last + 1) / extent * extent - 1;
}

}  // namespace

bool intersectScenes(const Scene& a, const Scene& b, Scene* overlap) {
  const double left = std::max(a.ulx, b.ulx);
  const double top = std::max(a.uly, b.uly);
  const double right = std::min(a.ulx + a.width, b.ulx + b.width);
  const double bottom = std::min(a.uly + a.height, b.uly + b.height);
  if (right < left || bottom < top) return false;
  *overlap = Scene{left, top, right - left, bottom - top, a.mag};
  return true;
}

double sceneArea(const Scene& rect) { return rect.width * rect.height; }

KxvTileRange computeTileRange(uint32_t tileWidth, uint32_t tileHeight, const Scene& rect, bool snap,
                              uint32_t imageWidth, uint32_t imageHeight) {
  KxvTileRange range;
  // The part of the rectangle inside the image.
  const Scene image{0.0, 0.0, static_cast<double>(imageWidth), static_cast<double>(imageHeight), rect.mag};
  Scene inside;
  const bool meet = intersectScenes(rect, image, &inside);
  range.outside = !meet || inside.width < rect.width || inside.height < rect.height;
  if (!meet || inside.width == 0.0 || inside.height == 0.0 || tileWidth == 0 || tileHeight == 0) return range;

  // First and last pixel columns and rows, truncated.
  int64_t x0 = static_cast<int64_t>(inside.ulx);
  int64_t y0 = static_cast<int64_t>(inside.uly);
  int64_t x1 = static_cast<int64_t>(inside.width + inside.ulx - 1.0);
  int64_t y1 = static_cast<int64_t>(inside.height + inside.uly - 1.0);

  // Snapping keeps whole tiles only; a tile one pixel wide or high is still a tile.
  if (snap) {
    x0 = raiseToTileStart(x0, tileWidth);
    y0 = raiseToTileStart(y0, tileHeight);
    x1 = lowerToTileEnd(x1, tileWidth, imageWidth);
    y1 = lowerToTileEnd(y1, tileHeight, imageHeight);
    if (x1 < x0 || y1 < y0) return range;
  }
  range.firstColumn = x0 / tileWidth;
  range.lastColumn = x1 / tileWidth;
  range.firstRow = y0 / tileHeight;
  range.lastRow = y1 / tileHeight;
  return range;
}

}  // namespace Kelvane
