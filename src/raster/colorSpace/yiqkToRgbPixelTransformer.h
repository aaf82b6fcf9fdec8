// YIQKtoRGBPixelTransformer<Dst,Src>: YIQK to CMYK in the source type into a
// scratch pixel, then CMYK to RGB of the pair, so that the 8-bit destinations
// of 8-bit and float sources render through the colorimetric path.
#ifndef KELVANE_RASTER_COLOR_SPACE_YIQK_TO_RGB_PIXEL_TRANSFORMER_H
#define KELVANE_RASTER_COLOR_SPACE_YIQK_TO_RGB_PIXEL_TRANSFORMER_H

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>

#include "kelvane/kx_exception.h"
#include "kelvane/kx_status.h"
#include "raster/colorSpace/cmykToRgbPixelTransformer.h"
#include "raster/colorSpace/yiqkToCmykPixelTransformer.h"
#include "raster/pixelOperator.h"

namespace Kelvane {

template <typename Dst, typename Src>
class YIQKtoRGBPixelTransformer : public PixelOperator<Dst, Src> {
 public:
  // The pixel operator's setup, KX_STATUS_COLOR_SPACES unless YIQK to RGB, then both inner
  // transformers over an intermediate CMYK description: the source's, with
  // the identity map of the compact scratch pixel. Value windows narrow the
  // outer operator's ranges, which neither inner conversion reads.
  void setup(const ImageBufferInfo& destination, const ImageBufferInfo& source) override {
    PixelOperator<Dst, Src>::setup(destination, source);
    if (source.colorSpace() != kColorSpaceYIQK || destination.colorSpace() != kColorSpaceRGB) {
      throw KxUtilException(KX_STATUS_COLOR_SPACES);
    }
    ImageBufferInfo intermediate(this->sourceInfo);
    intermediate.setColorSpace(kColorSpaceCMYK);
    toCmyk_.setup(intermediate, this->sourceInfo);
    toRgb_.setup(this->destinationInfo, intermediate);
  }

  void apply(Dst* destination, const Src* source) const {
    toCmyk_.apply(scratch_.data(), source);
    toRgb_.apply(destination, scratch_.data());
  }

  // A batch of compact CMYK pixels at a time, so that both steps reach their
  // row kernels (the colorimetric pairs that of CMYK to RGB).
  void applyRow(Dst* destination, ptrdiff_t destinationStep, const Src* source, ptrdiff_t sourceStep,
                uint32_t count) const {
    constexpr uint32_t kBatch = 256;  // 4 KiB of float CMYK: stays in the first-level cache
    Src cmyk[4 * kBatch];
    for (uint32_t start = 0; start < count; start += kBatch) {
      const uint32_t n = std::min(kBatch, count - start);
      toCmyk_.applyRow(cmyk, 4, source + static_cast<ptrdiff_t>(start) * sourceStep, sourceStep, n);
      toRgb_.applyRow(destination + static_cast<ptrdiff_t>(start) * destinationStep, destinationStep, cmyk, 4, n);
    }
  }

 private:
  YIQKtoCMYKPixelTransformer<Src, Src> toCmyk_;
  CMYKtoRGBPixelTransformer<Dst, Src> toRgb_;
  // One CMYK pixel between the two steps; apply is called on a const
  // operator by one thread at a time.
  mutable std::array<Src, 4> scratch_{};
};

}  // namespace Kelvane

#endif  // KELVANE_RASTER_COLOR_SPACE_YIQK_TO_RGB_PIXEL_TRANSFORMER_H
