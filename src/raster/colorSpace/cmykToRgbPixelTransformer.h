// CMYKtoRGBPixelTransformer<Dst,Src>. Pairs EE and EM render through the
// colorimetric path (profile lookup to Lab, then Lab to RGB); a float source
// is first truncated and limited to the 0..255 device values. The other pairs
// blend two simple separations, each colour being the top of the
// destination range less its ink and the black. Results are limited to the
// destination range, without scaling. Compact rows of both kinds go through
// vector kernels with the same results.
#ifndef KELVANE_RASTER_COLOR_SPACE_CMYK_TO_RGB_PIXEL_TRANSFORMER_H
#define KELVANE_RASTER_COLOR_SPACE_CMYK_TO_RGB_PIXEL_TRANSFORMER_H

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "raster/colorSpace/colorSpacePixelTransformer.h"
#include "raster/colorSpace/colorimetricCmyk.h"
#include "raster/colorSpace/formulaRows.h"
#include "raster/pixelDriver.h"

namespace Kelvane {

template <typename Dst, typename Src>
class CMYKtoRGBPixelTransformer : public ColorSpacePixelTransformer<Dst, Src, kColorSpaceCMYK, kColorSpaceRGB, 4, 3> {
 public:
  static constexpr bool kColorimetric = std::is_same_v<Dst, E> && (std::is_same_v<Src, E> || std::is_same_v<Src, M>);

  void apply(Dst* destination, const Src* source) const {
    if constexpr (kColorimetric) {
      uint8_t cmyk[4];
      for (int ink = 0; ink < 4; ++ink) cmyk[ink] = deviceValue(loadSample(source + this->sourceAt[ink]));
      uint8_t rgb[3];
      cmykToRgb8(cmyk, rgb);
      store(destination, rgb);
    } else {
      const double black = loadSample(source + this->sourceAt[3]);
      for (int band = 0; band < 3; ++band) {
        storeSample<Dst>(destination + this->destinationAt[band],
                         separated(loadSample(source + this->sourceAt[band]), black));
      }
    }
  }

  // The colorimetric pairs convert rows through the row kernel: compact rows
  // in place and whole, others in batches gathered into compact pixels and
  // scattered back; the other pairs pixel by pixel.
  void applyRow(Dst* destination, ptrdiff_t destinationStep, const Src* source, ptrdiff_t sourceStep,
                uint32_t count) const {
    if constexpr (kColorimetric) {
      constexpr uint32_t kBatch = 256;
      uint8_t cmyk[4 * kBatch];
      uint8_t rgb[3 * kBatch];
      const bool compactSource = std::is_same_v<Src, E> && sourceStep == 4 && isIdentity(this->sourceAt);
      const bool compactDestination = destinationStep == 3 && isIdentity(this->destinationAt) &&
                                      this->destinationRange.min == 0 && this->destinationRange.max == 255;
      if (compactSource && compactDestination) {
        cmykToRgbRow8(reinterpret_cast<const uint8_t*>(source), reinterpret_cast<uint8_t*>(destination), count);
        return;
      }
      for (uint32_t start = 0; start < count; start += kBatch) {
        const uint32_t n = std::min(kBatch, count - start);
        const Src* from = source + static_cast<ptrdiff_t>(start) * sourceStep;
        Dst* to = destination + static_cast<ptrdiff_t>(start) * destinationStep;
        const uint8_t* inks = cmyk;
        if (compactSource) {
          inks = reinterpret_cast<const uint8_t*>(from);
        } else {
          deviceValues(from, sourceStep, n, cmyk);
        }
        cmykToRgbRow8(inks, compactDestination ? reinterpret_cast<uint8_t*>(to) : rgb, n);
        if (!compactDestination) {
          for (uint32_t i = 0; i < n; ++i) store(to + static_cast<ptrdiff_t>(i) * destinationStep, rgb + 3 * i);
        }
      }
    } else {
      this->applyRowThrough(*this, separatedCmykToRgbRow, destination, destinationStep, source, sourceStep, count);
    }
  }

 private:
  // The device values of `count` pixels from `source` into compact CMYK:
  // compact float pixels through the vector kernel first (same values).
  void deviceValues(const Src* source, ptrdiff_t sourceStep, uint32_t count, uint8_t* cmyk) const {
    uint32_t done = 0;
    if constexpr (std::is_same_v<Src, M>) {
      if (sourceStep == 4 && isIdentity(this->sourceAt)) {
        done = static_cast<uint32_t>(floatDeviceValues(source, cmyk, size_t{4} * count) / 4);
      }
    }
    for (uint32_t i = done; i < count; ++i) {
      const Src* pixel = source + static_cast<ptrdiff_t>(i) * sourceStep;
      for (int ink = 0; ink < 4; ++ink) cmyk[4 * i + ink] = deviceValue(loadSample(pixel + this->sourceAt[ink]));
    }
  }

  // A source sample as a device value: 8-bit samples as they are, float
  // samples truncated and limited to 0..255.
  static uint8_t deviceValue(Src v) {
    if constexpr (std::is_same_v<Src, E>) {
      return v;
    } else {
      return curveIndexOf(v);
    }
  }

  void store(Dst* destination, const uint8_t rgb[3]) const {
    for (int band = 0; band < 3; ++band) {
      storeSample<Dst>(destination + this->destinationAt[band], clampToRange(rgb[band], this->destinationRange));
    }
  }

  // Whether band i lies at offset i for every band.
  template <size_t N>
  static bool isIdentity(const std::array<uint32_t, N>& at) {
    for (size_t i = 0; i < N; ++i) {
      if (at[i] != i) return false;
    }
    return true;
  }

  // 0.5 b + 0.5 a of a = X - (ink + K) / 2 and b = X - (ink (1 - K / X) + K),
  // X the top of the destination range. A top of 0 leaves only the value 0,
  // whatever K / X would give.
  Dst separated(double ink, double black) const {
    const double top = this->destinationTop();
    const double a = top - (ink + black) / 2.0;
    const double b = top - (ink * (1.0 - (top > 0.0 ? black / top : 0.0)) + black);
    return clampToRange(double{0.5f} * b + double{0.5f} * a, this->destinationRange);
  }
};

}  // namespace Kelvane

#endif  // KELVANE_RASTER_COLOR_SPACE_CMYK_TO_RGB_PIXEL_TRANSFORMER_H
