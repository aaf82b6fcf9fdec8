// RGBtoCMYKPixelTransformer<Dst,Src>: the inks are the top of the destination
// range less each colour, with their common grey taken out as black. Source
// values enter as they are (no scaling); each result is limited to the
// destination range.
#ifndef KELVANE_RASTER_COLOR_SPACE_RGB_TO_CMYK_PIXEL_TRANSFORMER_H
#define KELVANE_RASTER_COLOR_SPACE_RGB_TO_CMYK_PIXEL_TRANSFORMER_H

#include <algorithm>

#include "raster/colorSpace/colorSpacePixelTransformer.h"

namespace Kelvane {

template <typename Dst, typename Src>
class RGBtoCMYKPixelTransformer : public ColorSpacePixelTransformer<Dst, Src, kColorSpaceRGB, kColorSpaceCMYK, 3, 4> {
 public:
  void apply(Dst* destination, const Src* source) const {
    const double top = this->destinationTop();
    const double c = top - loadSample(source + this->sourceAt[0]);
    const double m = top - loadSample(source + this->sourceAt[1]);
    const double y = top - loadSample(source + this->sourceAt[2]);
    const double k = std::min(c, std::min(m, y));
    storeSample<Dst>(destination + this->destinationAt[0], clampToRange(c - k, this->destinationRange));
    storeSample<Dst>(destination + this->destinationAt[1], clampToRange(m - k, this->destinationRange));
    storeSample<Dst>(destination + this->destinationAt[2], clampToRange(y - k, this->destinationRange));
    storeSample<Dst>(destination + this->destinationAt[3], clampToRange(k, this->destinationRange));
  }
};

}  // namespace Kelvane

#endif  // KELVANE_RASTER_COLOR_SPACE_RGB_TO_CMYK_PIXEL_TRANSFORMER_H
