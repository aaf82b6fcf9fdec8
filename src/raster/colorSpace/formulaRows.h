// Row kernels of the colour kinds computed by formula, for every pair of
// 8-bit, 16-bit and float samples: a vector of pixels at a time, the scalar
// pixel transformers' double arithmetic with the same operations in the same
// order, so every sample written equals the scalar path's bit for bit. Each
// converts the longest prefix of whole vectors of its row and returns that
// pixel count; the caller converts the rest pixel by pixel. The portable
// target, and builds without Highway's run-time library, convert none.
#ifndef KELVANE_RASTER_COLOR_SPACE_FORMULA_ROWS_H
#define KELVANE_RASTER_COLOR_SPACE_FORMULA_ROWS_H

#include <cstddef>
#include <cstdint>

#include "raster/colorSpace/pixelRow.h"
#include "raster/colorSpace/yiqCoefficients.h"

namespace Kelvane {

// YIQK to CMYK (yiqkToCmykPixelTransformer.h) with the given coefficients.
size_t yiqkToCmykRow(const PixelRow& row, const YiqCoefficients& coefficients);
// CMYK to YIQK (cmykToYiqkPixelTransformer.h).
size_t cmykToYiqkRow(const PixelRow& row);
// YIQ to RGB (yiqToRgbPixelTransformer.h) with the given coefficients.
size_t yiqToRgbRow(const PixelRow& row, const YiqCoefficients& coefficients);
// RGB to YIQ (rgbToYiqPixelTransformer.h).
size_t rgbToYiqRow(const PixelRow& row);
// CMYK to RGBK (cmykToRgbkPixelTransformer.h).
size_t cmykToRgbkRow(const PixelRow& row);
// CMYK to RGB by blending two simple separations (cmykToRgbPixelTransformer.h,
// the pairs other than the colorimetric ones).
size_t separatedCmykToRgbRow(const PixelRow& row);

// Float CMYK samples as the colorimetric path's 8-bit device values
// (curveIndexOf), `count` samples from the start.
size_t floatDeviceValues(const float* samples, uint8_t* values, size_t count);

}  // namespace Kelvane

#endif  // KELVANE_RASTER_COLOR_SPACE_FORMULA_ROWS_H
