// CMYKtoRGBKPixelTransformer<Dst,Src>: each colour is the top of the
// destination range less half of its ink and the black; the black written is
// the smallest of the three colour inks.
#ifndef KELVANE_RASTER_COLOR_SPACE_CMYK_TO_RGBK_PIXEL_TRANSFORMER_H
#define KELVANE_RASTER_COLOR_SPACE_CMYK_TO_RGBK_PIXEL_TRANSFORMER_H

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "raster/colorSpace/colorSpacePixelTransformer.h"
#include "raster/colorSpace/formulaRows.h"

namespace Kelvane {

template <typename Dst, typename Src>
class CMYKtoRGBKPixelTransformer : public ColorSpacePixelTransformer<Dst, Src, kColorSpaceCMYK, kColorSpaceRGBK, 4, 4> {
 public:
  void apply(Dst* destination, const Src* source) const {
    const Src c = loadSample(source + this->sourceAt[0]);
    const Src m = loadSample(source + this->sourceAt[1]);
    const Src y = loadSample(source + this->sourceAt[2]);
    const double k = loadSample(source + this->sourceAt[3]);
    const double top = this->destinationTop();
    storeSample<Dst>(destination + this->destinationAt[0], this->mapResult(top - (c + k) * 0.5));
    storeSample<Dst>(destination + this->destinationAt[1], this->mapResult(top - (m + k) * 0.5));
    storeSample<Dst>(destination + this->destinationAt[2], this->mapResult(top - (y + k) * 0.5));
    storeSample<Dst>(destination + this->destinationAt[3], this->mapResult(std::min(c, std::min(m, y))));
  }

  // Compact rows through the vector row kernel (same samples), others and
  // the kernel's last pixels through apply.
  void applyRow(Dst* destination, ptrdiff_t destinationStep, const Src* source, ptrdiff_t sourceStep,
                uint32_t count) const {
    this->applyRowThrough(*this, cmykToRgbkRow, destination, destinationStep, source, sourceStep, count);
  }
};

}  // namespace Kelvane

#endif  // KELVANE_RASTER_COLOR_SPACE_CMYK_TO_RGBK_PIXEL_TRANSFORMER_H
