// PixelRow: one row of compact pixels as a vector row kernel sees it, with
// the sample types chosen at run time: both sides' samples and types, where
// each band lies inside its pixel, and the pixel operator's ranges and scale
// that turn a formula's result into a destination sample.
#ifndef KELVANE_RASTER_COLOR_SPACE_PIXEL_ROW_H
#define KELVANE_RASTER_COLOR_SPACE_PIXEL_ROW_H

#include <cstddef>
#include <cstdint>

namespace Kelvane {

// The largest band count a row kernel reads or writes (CMYK, RGBK, YIQK).
inline constexpr size_t kMaxRowBands = 4;

struct PixelRow {
  void* destination = nullptr;
  const void* source = nullptr;
  size_t count = 0;  // pixels
  uint32_t destinationType = 0;
  uint32_t sourceType = 0;
  // Band i lies at sample at[i] of its pixel; pixels are as many samples as
  // their side's bands, so each side's positions are a permutation.
  uint8_t destinationAt[kMaxRowBands] = {};
  uint8_t sourceAt[kMaxRowBands] = {};
  // The pixel operator's ranges and scale, as the scalar mapping reads them.
  double sourceMin = 0.0;
  double sourceMax = 0.0;
  double scale = 0.0;
  double destinationMin = 0.0;
  double destinationMax = 0.0;
};

}  // namespace Kelvane

#endif  // KELVANE_RASTER_COLOR_SPACE_PIXEL_ROW_H
