// RGBtoGrayscalePixelTransformer<Dst,Src>: grey = 0.3 R + 0.6 G + 0.1 B in
// double precision, converted into the source type and scaled into the
// destination's first sample. Colour spaces are not checked. 8-bit rows of
// three-sample pixels convert through a row kernel with identical results.
#ifndef KELVANE_RASTER_COLOR_SPACE_RGB_TO_GRAYSCALE_PIXEL_TRANSFORMER_H
#define KELVANE_RASTER_COLOR_SPACE_RGB_TO_GRAYSCALE_PIXEL_TRANSFORMER_H

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "raster/colorSpace/colorSpacePixelTransformer.h"
#include "raster/colorSpace/grayscaleRows.h"
#include "raster/pixelDriver.h"

namespace Kelvane {

template <typename Dst, typename Src>
class RGBtoGrayscalePixelTransformer
    : public ColorSpacePixelTransformer<Dst, Src, kAnyColorSpace, kAnyColorSpace, 3, 1> {
 public:
  // The grey sample is the destination pixel's first sample, wherever its
  // map points.
  void apply(Dst* destination, const Src* source) const {
    const double r = loadSample(source + this->sourceAt[0]);
    const double g = loadSample(source + this->sourceAt[1]);
    const double b = loadSample(source + this->sourceAt[2]);
    storeSample<Dst>(destination, this->mapResult(0.3 * r + 0.6 * g + 0.1 * b));
  }

  void applyRow(Dst* destination, ptrdiff_t destinationStep, const Src* source, ptrdiff_t sourceStep,
                uint32_t count) const {
    if constexpr (std::is_same_v<Dst, E> && std::is_same_v<Src, E>) {
      if (rowKernelApplies(destinationStep, sourceStep)) {
        const RgbPositions at = {this->sourceAt[0], this->sourceAt[1], this->sourceAt[2]};
        rgbToGrayscaleRow8(destination, source, at, count);
        return;
      }
    }
    pixel_driver::applyEach(*this, destination, destinationStep, source, sourceStep, count);
  }

 private:
  // The kernel writes compact grey bytes from compact three-byte pixels, and
  // maps nothing: both ranges must be the full 8 bits.
  bool rowKernelApplies(ptrdiff_t destinationStep, ptrdiff_t sourceStep) const {
    const bool fullRanges = this->sourceRange.min == 0 && this->sourceRange.max == 255 &&
                            this->destinationRange.min == 0 && this->destinationRange.max == 255;
    return fullRanges && destinationStep == 1 && sourceStep == 3 && this->sourceAt[0] < 3 && this->sourceAt[1] < 3 &&
           this->sourceAt[2] < 3;
  }
};

}  // namespace Kelvane

#endif  // KELVANE_RASTER_COLOR_SPACE_RGB_TO_GRAYSCALE_PIXEL_TRANSFORMER_H
