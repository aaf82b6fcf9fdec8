#include "stages/transposer/kxv_transposerGeometry.h"

#include <cmath>

#include "raster/transpose/transposeGeometry.h"

namespace Kelvane {

std::optional<uint32_t> KxvTurnModeOf(uint32_t angle) {
  switch (angle) {
    case 90: return Rotate90;
    case 180: return Rotate180;
    case 270: return Rotate270;
    default: return std::nullopt;
  }
}

KxvImageExtent KxvScaledExtent(const RasterProps& props, double mag) {
  return KxvImageExtent{std::ceil(props.width * mag), std::ceil(props.height * mag)};
}

Scene KxvUpstreamScene(const Scene& requested, uint32_t rotation, const KxvImageExtent& turned) {
  const double x = requested.ulx;
  const double y = requested.uly;
  const double w = requested.width;
  const double h = requested.height;
  switch (rotation) {
    case 90: return Scene{y, turned.width - (x + w), h, w, requested.mag};
    case 180: return Scene{turned.width - (x + w), turned.height - (y + h), w, h, requested.mag};
    case 270: return Scene{turned.height - (y + h), x, h, w, requested.mag};
    default: return requested;
  }
}

}  // namespace Kelvane
