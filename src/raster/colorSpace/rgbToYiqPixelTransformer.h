// RGBtoYIQPixelTransformer<Dst,Src>: luminance Y and the chrominances I and Q
// from single-precision coefficients evaluated in double precision. I and Q
// carry no offset, so in integer types their negative values wrap around.
#ifndef KELVANE_RASTER_COLOR_SPACE_RGB_TO_YIQ_PIXEL_TRANSFORMER_H
#define KELVANE_RASTER_COLOR_SPACE_RGB_TO_YIQ_PIXEL_TRANSFORMER_H

#include <cstddef>
#include <cstdint>

#include "raster/colorSpace/colorSpacePixelTransformer.h"
#include "raster/colorSpace/formulaRows.h"

namespace Kelvane {

template <typename Dst, typename Src>
class RGBtoYIQPixelTransformer : public ColorSpacePixelTransformer<Dst, Src, kColorSpaceRGB, kColorSpaceYIQ, 3, 3> {
 public:
  void apply(Dst* destination, const Src* source) const {
    const double r = loadSample(source + this->sourceAt[0]);
    const double g = loadSample(source + this->sourceAt[1]);
    const double b = loadSample(source + this->sourceAt[2]);
    storeSample<Dst>(destination + this->destinationAt[0],
                     this->mapResult(double{0.3f} * r + double{0.6f} * g + double{0.1f} * b));
    storeSample<Dst>(destination + this->destinationAt[1],
                     this->mapResult(double{0.6f} * r - double{0.28f} * g - double{0.32f} * b));
    storeSample<Dst>(destination + this->destinationAt[2],
                     this->mapResult(double{0.21f} * r - double{0.53f} * g + double{0.32f} * b));
  }

  // Compact rows through the vector row kernel (same samples), others and
  // the kernel's last pixels through apply.
  void applyRow(Dst* destination, ptrdiff_t destinationStep, const Src* source, ptrdiff_t sourceStep,
                uint32_t count) const {
    this->applyRowThrough(*this, rgbToYiqRow, destination, destinationStep, source, sourceStep, count);
  }
};

}  // namespace Kelvane

#endif  // KELVANE_RASTER_COLOR_SPACE_RGB_TO_YIQ_PIXEL_TRANSFORMER_H
