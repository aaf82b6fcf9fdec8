// CMYKtoYIQKPixelTransformer<Dst,Src>: the RGB-to-YIQ formulas applied to the
// RGB part of CMYK to RGBK with a top of 255 for every sample type, written
// out with single-precision coefficients; the black written is the smallest
// of the three colour inks.
#ifndef KELVANE_RASTER_COLOR_SPACE_CMYK_TO_YIQK_PIXEL_TRANSFORMER_H
#define KELVANE_RASTER_COLOR_SPACE_CMYK_TO_YIQK_PIXEL_TRANSFORMER_H

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "raster/colorSpace/colorSpacePixelTransformer.h"
#include "raster/colorSpace/formulaRows.h"

namespace Kelvane {

template <typename Dst, typename Src>
class CMYKtoYIQKPixelTransformer : public ColorSpacePixelTransformer<Dst, Src, kColorSpaceCMYK, kColorSpaceYIQK, 4, 4> {
 public:
  void apply(Dst* destination, const Src* source) const {
    const Src cyan = loadSample(source + this->sourceAt[0]);
    const Src magenta = loadSample(source + this->sourceAt[1]);
    const Src yellow = loadSample(source + this->sourceAt[2]);
    const double c = cyan;
    const double m = magenta;
    const double y = yellow;
    const double k = loadSample(source + this->sourceAt[3]);
    storeSample<Dst>(
        destination + this->destinationAt[0],
        this->mapResult(255.0 - double{0.5f} * k - double{0.15f} * c - double{0.3f} * m - double{0.05f} * y));
    storeSample<Dst>(destination + this->destinationAt[1],
                     this->mapResult(double{-0.3f} * c + double{0.14f} * m + double{0.16f} * y));
    storeSample<Dst>(destination + this->destinationAt[2],
                     this->mapResult(double{-0.105f} * c + double{0.265f} * m - double{0.16f} * y));
    storeSample<Dst>(destination + this->destinationAt[3], this->mapResult(std::min(cyan, std::min(magenta, yellow))));
  }

  // Compact rows through the vector row kernel (same samples), others and
  // the kernel's last pixels through apply.
  void applyRow(Dst* destination, ptrdiff_t destinationStep, const Src* source, ptrdiff_t sourceStep,
                uint32_t count) const {
    this->applyRowThrough(*this, cmykToYiqkRow, destination, destinationStep, source, sourceStep, count);
  }
};

}  // namespace Kelvane

#endif  // KELVANE_RASTER_COLOR_SPACE_CMYK_TO_YIQK_PIXEL_TRANSFORMER_H
