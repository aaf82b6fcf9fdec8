// KxvGeoNavigator: a navigator over a geo-referenced image. It keeps the
// image's geographic domain, so that scenes can be given and read as map
// rectangles (space KXV_SPACE_MAP) in either axis direction.
#ifndef KELVANE_CONTENT_KXV_GEO_NAVIGATOR_H
#define KELVANE_CONTENT_KXV_GEO_NAVIGATOR_H

#include "content/kxv_navigator.h"
#include "kelvane/kx_interfaces.h"

namespace Kelvane {

// A map rectangle carried in a GeoDomain record (x, y, width, height in map units).
inline KxvRect KxvRectFromMap(const GeoDomain& mapRect) {
  return KxvRect{mapRect.x, mapRect.y, mapRect.resX, mapRect.resY};
}

class KxvGeoNavigator : public KxvNavigator {
 public:
  KxvGeoNavigator() = default;
  ~KxvGeoNavigator() override;
  KxvGeoNavigator(const KxvGeoNavigator&) = default;
  KxvGeoNavigator& operator=(const KxvGeoNavigator&) = default;

  // Keeps a copy of the domain and takes its origin and resolution; a domain
  // holding NaN or infinite values is refused and changes nothing.
  bool SetGeoDomain(const GeoDomain& domain);
  // Zooms and centres the scene onto a map rectangle at the usual octave threshold;
  // returns whether the magnification was held at a limit of the range.
  bool FitMap(const GeoDomain& mapRect);

 private:
  GeoDomain domain_;  // origin x, y and resolution x, y; all zero until set
};

}  // namespace Kelvane

#endif  // KELVANE_CONTENT_KXV_GEO_NAVIGATOR_H
