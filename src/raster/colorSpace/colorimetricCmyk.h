// The colorimetric CMYK-to-RGB conversion of 8-bit device values: CMYK to
// 8-bit Lab through the profile (input curves, then a per-axis interpolation
// on the 7^4 grid, reduced to 8 bits by the nearest multiple of 257), then
// Lab to RGB by formula (Lab to XYZ without a linear segment, XYZ to linear
// RGB, limited to [0, 1], raised to the power 1/2.2 and scaled to 255,
// truncated).
#ifndef KELVANE_RASTER_COLOR_SPACE_COLORIMETRIC_CMYK_H
#define KELVANE_RASTER_COLOR_SPACE_COLORIMETRIC_CMYK_H

#include <cstddef>
#include <cstdint>

namespace Kelvane {

// cyan, magenta, yellow, black (0..255) to 8-bit L, a, b.
void cmykToLab8(const uint8_t cmyk[4], uint8_t lab[3]);
// 8-bit L, a, b to red, green, blue.
void lab8ToRgb(const uint8_t lab[3], uint8_t rgb[3]);
// Both stages for one pixel.
void cmykToRgb8(const uint8_t cmyk[4], uint8_t rgb[3]);

// `count` compact CMYK pixels (four bytes each) to compact RGB pixels (three
// bytes each); on x86-64 processors with AVX2 a vector kernel gives the same
// bytes faster.
void cmykToRgbRow8(const uint8_t* cmyk, uint8_t* rgb, size_t count);
// The same one pixel at a time, for comparison with the vector path.
void cmykToRgbRow8Scalar(const uint8_t* cmyk, uint8_t* rgb, size_t count);

// The vector kernel; converts a prefix of the row and returns its length (0
// where the kernel cannot run).
size_t cmykToRgbRow8Vector(const uint8_t* cmyk, uint8_t* rgb, size_t count);

}  // namespace Kelvane

#endif  // KELVANE_RASTER_COLOR_SPACE_COLORIMETRIC_CMYK_H
