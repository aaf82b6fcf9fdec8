#include "content/kxv_geoNavigator.h"

#include <cmath>

namespace Kelvane {

KxvGeoNavigator::~KxvGeoNavigator() = default;

bool KxvGeoNavigator::SetGeoDomain(const GeoDomain& domain) {
  if (!std::isfinite(domain.x) || !std::isfinite(domain.y) || !std::isfinite(domain.resX) ||
      !std::isfinite(domain.resY)) {
    return false;
  }
  domain_ = domain;
  SetGeoOrigin(domain.x, domain.y);
  SetGeoResolution(domain.resX, domain.resY);
  return true;
}

bool KxvGeoNavigator::FitMap(const GeoDomain& mapRect) {
  return FitScene(KxvRectFromMap(mapRect), KXV_SPACE_MAP, KXV_OCTAVE_THRESHOLD);
}

}  // namespace Kelvane
