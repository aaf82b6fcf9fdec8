// Rendering a map rectangle: the host asks the persistent pixel cache stage's
// geo decode for it instead of naming a pixel scene.
#ifndef KXHOST_MAP_RECT_RENDER_H
#define KXHOST_MAP_RECT_RENDER_H

#include <string>

#include "hostChain/kelvaneApi.h"

namespace kxhost {

// The whole-pixel scene that the map rectangle `rect` (x, y, width, height in
// map units) covers at magnification `mag`, from the chain's spatial domain.
// False with a one-line reason when the chain has none or the rectangle
// covers less than one pixel.
bool MapRectScene(IKxContentImp* head, const double rect[4], double mag, Scene* scene, std::string* error);

// Decodes `rect` into `buffer`, whose scene size and layout the caller set,
// through the stage's IKxGeoRaster. The rectangle is in the spatial reference
// `srs` (any text GDAL reads: WKT, PROJ, "EPSG:n"), or in the chain's own when
// `srs` is empty. False with a one-line reason.
bool DecodeMapRect(IKxContentImp* stage, const double rect[4], const std::string& srs, DecodeBuffer* buffer,
                   std::string* error);

}  // namespace kxhost

#endif  // KXHOST_MAP_RECT_RENDER_H
