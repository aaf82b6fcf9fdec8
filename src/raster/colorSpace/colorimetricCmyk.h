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

// Linear red, green and blue (before limiting) from the Lab-to-XYZ terms of
// one pixel: fy of L, and fa and fb of a and b (colorimetricTables.h). The
// vector kernel computes the same doubles in the same order.
inline void linearRgbOf(double fy, double fa, double fb, double linear[3]) {
  const double fx = fa + fy;
  const double fz = fy - fb;
  const double x = 0.9505 * (fx * fx * fx);
  const double y = fy * fy * fy;
  const double z = 1.0891 * (fz * fz * fz);
  linear[0] = 3.5058 * x - 1.7397 * y - 0.544 * z;
  linear[1] = -1.069 * x + 1.9778 * y + 0.0352 * z;
  linear[2] = 0.0563 * x - 0.197 * y + 1.0501 * z;
}

// `count` compact CMYK pixels (four bytes each) to compact RGB pixels (three
// bytes each); on x86 processors with SSSE3 or better a vector kernel gives
// the same bytes faster.
void cmykToRgbRow8(const uint8_t* cmyk, uint8_t* rgb, size_t count);
// The same one pixel at a time, for comparison with the vector path.
void cmykToRgbRow8Scalar(const uint8_t* cmyk, uint8_t* rgb, size_t count);

// `count` compact 8-bit Lab pixels to compact RGB pixels through the vector
// kernel's second stage where it runs (as lab8ToRgb pixel by pixel
// otherwise), so that it can be compared with lab8ToRgb on every Lab value.
void lab8ToRgbRow(const uint8_t* lab, uint8_t* rgb, size_t count);

}  // namespace Kelvane

#endif  // KELVANE_RASTER_COLOR_SPACE_COLORIMETRIC_CMYK_H
