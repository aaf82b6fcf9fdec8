// YIQtoRGBPixelTransformer<Dst,Src>: red, green and blue from Y, I and Q
// through the inverse YIQ matrix. I and Q are read as the unsigned values of
// the source type, as RGB to YIQ wrote them.
#ifndef KELVANE_RASTER_COLOR_SPACE_YIQ_TO_RGB_PIXEL_TRANSFORMER_H
#define KELVANE_RASTER_COLOR_SPACE_YIQ_TO_RGB_PIXEL_TRANSFORMER_H

#include <cstddef>
#include <cstdint>

#include "raster/colorSpace/colorSpacePixelTransformer.h"
#include "raster/colorSpace/formulaRows.h"
#include "raster/colorSpace/yiqCoefficients.h"

namespace Kelvane {

template <typename Dst, typename Src>
class YIQtoRGBPixelTransformer : public ColorSpacePixelTransformer<Dst, Src, kColorSpaceYIQ, kColorSpaceRGB, 3, 3> {
 public:
  void apply(Dst* destination, const Src* source) const {
    const YiqCoefficients& k = coefficients;
    const double y = loadSample(source + this->sourceAt[0]);
    const double i = loadSample(source + this->sourceAt[1]);
    const double q = loadSample(source + this->sourceAt[2]);
    storeSample<Dst>(destination + this->destinationAt[0], this->mapResult(y + double{k.a1} * i + double{k.a2} * q));
    storeSample<Dst>(destination + this->destinationAt[1], this->mapResult(y + double{k.b1} * i + double{k.b2} * q));
    storeSample<Dst>(destination + this->destinationAt[2], this->mapResult(y + double{k.c1} * i + double{k.c2} * q));
  }

  // Compact rows through the vector row kernel (same samples), others and
  // the kernel's last pixels through apply.
  void applyRow(Dst* destination, ptrdiff_t destinationStep, const Src* source, ptrdiff_t sourceStep,
                uint32_t count) const {
    this->applyRowThrough(
        *this, [this](const PixelRow& row) { return yiqToRgbRow(row, coefficients); }, destination, destinationStep,
        source, sourceStep, count);
  }

  YiqCoefficients coefficients;
};

}  // namespace Kelvane

#endif  // KELVANE_RASTER_COLOR_SPACE_YIQ_TO_RGB_PIXEL_TRANSFORMER_H
