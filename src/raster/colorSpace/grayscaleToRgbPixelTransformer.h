// GrayscaleToRGBPixelTransformer<Dst,Src>: the source pixel's first sample,
// scaled into the destination range, becomes red, green and blue. Colour
// spaces are not checked.
#ifndef KELVANE_RASTER_COLOR_SPACE_GRAYSCALE_TO_RGB_PIXEL_TRANSFORMER_H
#define KELVANE_RASTER_COLOR_SPACE_GRAYSCALE_TO_RGB_PIXEL_TRANSFORMER_H

#include "raster/colorSpace/colorSpacePixelTransformer.h"

namespace Kelvane {

template <typename Dst, typename Src>
class GrayscaleToRGBPixelTransformer
    : public ColorSpacePixelTransformer<Dst, Src, kAnyColorSpace, kAnyColorSpace, 1, 3> {
 public:
  // The grey sample is the source pixel's first sample, wherever its map
  // points.
  void apply(Dst* destination, const Src* source) const {
    const Dst grey = this->mapSample(loadSample(source));
    storeSample<Dst>(destination + this->destinationAt[0], grey);
    storeSample<Dst>(destination + this->destinationAt[1], grey);
    storeSample<Dst>(destination + this->destinationAt[2], grey);
  }
};

}  // namespace Kelvane

#endif  // KELVANE_RASTER_COLOR_SPACE_GRAYSCALE_TO_RGB_PIXEL_TRANSFORMER_H
