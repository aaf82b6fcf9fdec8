#include "hostChain/scenePlacement.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace kxhost {

namespace {

// Corners beyond this are not whole numbers any more in a double.
constexpr double kLargestCorner = 4503599627370496.0;  // 2^52
// GDAL addresses buffers with int sizes.
constexpr double kLargestExtent = static_cast<double>(std::numeric_limits<int32_t>::max());
// Scaled sizes that miss a whole number only by rounding count as whole.
constexpr double kWholeTolerance = 1e-9;

bool isUsableMag(double mag) { return std::isfinite(mag) && mag > 0.0; }

// Clips buffer pixels [0, count) placed at `origin` to scaled pixels [0, extent).
void clipAxis(int64_t origin, int64_t count, int64_t extent, int64_t* first, int64_t* end) {
  *first = std::clamp<int64_t>(-origin, 0, count);
  *end = std::clamp<int64_t>(extent - origin, *first, count);
}

}  // namespace

uint32_t ScaledExtent(uint32_t size, double mag) {
  if (!isUsableMag(mag) || size == 0) return 0;
  const double scaled = std::ceil(static_cast<double>(size) * mag - kWholeTolerance);
  return static_cast<uint32_t>(std::clamp(scaled, 1.0, static_cast<double>(std::numeric_limits<uint32_t>::max())));
}

bool PlaceScene(const Scene& scene, uint32_t width, uint32_t height, ScenePlacement* out) {
  // Reject scenes no buffer can be made of.
  const double ulx = std::floor(scene.ulx + 0.5);
  const double uly = std::floor(scene.uly + 0.5);
  const double cols = std::floor(scene.width + 0.5);
  const double rows = std::floor(scene.height + 0.5);
  if (!isUsableMag(scene.mag) || !std::isfinite(ulx) || !std::isfinite(uly) || !std::isfinite(cols) ||
      !std::isfinite(rows) || scene.width < 0.0 || scene.height < 0.0)
    return false;
  if (std::fabs(ulx) > kLargestCorner || std::fabs(uly) > kLargestCorner || cols > kLargestExtent ||
      rows > kLargestExtent)
    return false;

  ScenePlacement placement;
  placement.cols = static_cast<int64_t>(cols);
  placement.rows = static_cast<int64_t>(rows);
  placement.originX = static_cast<int64_t>(ulx);
  placement.originY = static_cast<int64_t>(uly);
  placement.mag = scene.mag;

  // The buffer pixels that lie on the scaled image.
  PixelRect& on = placement.onImage;
  clipAxis(placement.originX, placement.cols, ScaledExtent(width, scene.mag), &on.x0, &on.x1);
  clipAxis(placement.originY, placement.rows, ScaledExtent(height, scene.mag), &on.y0, &on.y1);

  // Their window at full resolution; the last scaled pixel may reach past the
  // image edge, so the window ends at the edge.
  if (!on.empty()) {
    const double x0 = static_cast<double>(placement.originX + on.x0) / scene.mag;
    const double y0 = static_cast<double>(placement.originY + on.y0) / scene.mag;
    const double x1 = std::min<double>(width, static_cast<double>(placement.originX + on.x1) / scene.mag);
    const double y1 = std::min<double>(height, static_cast<double>(placement.originY + on.y1) / scene.mag);
    placement.source = {x0, y0, x1 - x0, y1 - y0};
  }
  *out = placement;
  return true;
}

}  // namespace kxhost
