// YIQKtoCMYKPixelTransformer<Dst,Src>: the inverse of CMYK to YIQK. The three
// inks c', m', y' come from the inverse YIQ matrix against a top of 255
// (single precision, limited to 0..255); the black k = 2n - trunc(min(2n, K))
// takes the grey n = min(c', m', y') out of them up to the source's black K;
// the inks written are 2c' - k, 2m' - k, 2y' - k and the black k.
#ifndef KELVANE_RASTER_COLOR_SPACE_YIQK_TO_CMYK_PIXEL_TRANSFORMER_H
#define KELVANE_RASTER_COLOR_SPACE_YIQK_TO_CMYK_PIXEL_TRANSFORMER_H

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "raster/colorSpace/colorSpacePixelTransformer.h"
#include "raster/colorSpace/formulaRows.h"
#include "raster/colorSpace/yiqCoefficients.h"

namespace Kelvane {

template <typename Dst, typename Src>
class YIQKtoCMYKPixelTransformer : public ColorSpacePixelTransformer<Dst, Src, kColorSpaceYIQK, kColorSpaceCMYK, 4, 4> {
 public:
  void apply(Dst* destination, const Src* source) const {
    const YiqCoefficients& w = coefficients;
    const double y = loadSample(source + this->sourceAt[0]);
    const double i = loadSample(source + this->sourceAt[1]);
    const double q = loadSample(source + this->sourceAt[2]);
    // A negative or NaN black counts as none.
    const double black = clampInto(loadSample(source + this->sourceAt[3]), 0.0, HUGE_VAL);
    const double c = inkOf(255.0 - (y + double{w.a1} * i + double{w.a2} * q));
    const double m = inkOf(255.0 - (y + double{w.b1} * i + double{w.b2} * q));
    const double ye = inkOf(255.0 - (y + double{w.c1} * i + double{w.c2} * q));
    const double grey2 = 2.0 * std::min(c, std::min(m, ye));
    const double k = grey2 - std::trunc(std::min(grey2, black));
    storeSample<Dst>(destination + this->destinationAt[0], this->mapResult(2.0 * c - k));
    storeSample<Dst>(destination + this->destinationAt[1], this->mapResult(2.0 * m - k));
    storeSample<Dst>(destination + this->destinationAt[2], this->mapResult(2.0 * ye - k));
    storeSample<Dst>(destination + this->destinationAt[3], this->mapResult(k));
  }

  // Compact rows through the vector row kernel (same samples), others and
  // the kernel's last pixels through apply.
  void applyRow(Dst* destination, ptrdiff_t destinationStep, const Src* source, ptrdiff_t sourceStep,
                uint32_t count) const {
    this->applyRowThrough(
        *this, [this](const PixelRow& row) { return yiqkToCmykRow(row, coefficients); }, destination, destinationStep,
        source, sourceStep, count);
  }

  YiqCoefficients coefficients;

 private:
  // Rounded to single precision and limited to 0..255; NaN gives 0.
  static double inkOf(double v) { return clampInto(static_cast<float>(v), 0.0, 255.0); }
};

}  // namespace Kelvane

#endif  // KELVANE_RASTER_COLOR_SPACE_YIQK_TO_CMYK_PIXEL_TRANSFORMER_H
