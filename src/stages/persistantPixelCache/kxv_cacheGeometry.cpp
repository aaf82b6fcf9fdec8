#include "stages/persistantPixelCache/kxv_cacheGeometry.h"

#include <algorithm>

#include "content/kxv_decodeBufConfig.h"

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

// Whole pixels from `from` to `to`, never below 0.
uint32_t pixelOffset(double from, double to) { return to > from ? static_cast<uint32_t>(to - from) : 0; }

}  // namespace

Scene KxvTileGeometry::tileRect(int64_t row, int64_t column, double mag) const {
  // Tiles of the last row and column end at the image's edge.
  const double x = static_cast<double>(column) * tileWidth;
  const double y = static_cast<double>(row) * tileHeight;
  const double width = std::min<double>(tileWidth, imageWidth - x);
  const double height = std::min<double>(tileHeight, imageHeight - y);
  return Scene{x, y, width, height, mag};
}

uint32_t columnsOf(const Scene& scene) { return KxvDecodeBufConfig::ExtentCount(scene.width).value_or(0); }
uint32_t rowsOf(const Scene& scene) { return KxvDecodeBufConfig::ExtentCount(scene.height).value_or(0); }

uint64_t windowOffset(const DecodeBuffer& buffer, const Scene& part) {
  const uint64_t column = pixelOffset(buffer.scene.ulx, part.ulx);
  const uint64_t row = pixelOffset(buffer.scene.uly, part.uly);
  const uint64_t pixelBytes = uint64_t{buffer.format.stride} * KxvDecodeBufConfig::BytesPerSample(buffer.format.type);
  return row * buffer.format.rowbytes + column * pixelBytes;
}

DecodeBuffer windowOn(const DecodeBuffer& buffer, const Scene& part, uint32_t columns, uint32_t rows) {
  DecodeBuffer window = buffer;
  window.scene = Scene{part.ulx, part.uly, static_cast<double>(columns), static_cast<double>(rows), buffer.scene.mag};
  window.pBits = static_cast<uint8_t*>(buffer.pBits) + windowOffset(buffer, part);
  return window;
}

bool sceneContains(const Scene& whole, const Scene& part) {
  return part.ulx >= whole.ulx && part.uly >= whole.uly && part.ulx + part.width <= whole.ulx + whole.width &&
         part.uly + part.height <= whole.uly + whole.height;
}

uint32_t heldColumns(const DecodeBuffer& buffer, const Scene& part) {
  const uint32_t offset = pixelOffset(buffer.scene.ulx, part.ulx);
  const uint32_t held = columnsOf(buffer.scene);
  return held > offset ? held - offset : 0;
}

uint32_t heldRows(const DecodeBuffer& buffer, const Scene& part) {
  const uint32_t offset = pixelOffset(buffer.scene.uly, part.uly);
  const uint32_t held = rowsOf(buffer.scene);
  return held > offset ? held - offset : 0;
}

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
