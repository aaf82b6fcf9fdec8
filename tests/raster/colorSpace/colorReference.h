// Plain reference arithmetic of the colour-space conversions of 8-bit
// samples, written out step by step without the library's tables, integer
// forms or vector kernels: doubles, the library's own power function, a
// binary search for the 8-bit reduction. The tests hold the library to it.
#ifndef KELVANE_TESTS_RASTER_COLOR_SPACE_COLOR_REFERENCE_H
#define KELVANE_TESTS_RASTER_COLOR_SPACE_COLOR_REFERENCE_H

#include <array>
#include <cmath>
#include <cstdint>

#include "raster/colorSpace/cmykProfileData.h"

namespace Kelvane {
namespace reference {

// ->src for 8-bit samples: the low 8 bits of the value truncated toward zero.
inline uint8_t wrap8(double v) { return static_cast<uint8_t>(static_cast<int32_t>(std::trunc(v)) & 0xFF); }

inline uint8_t grey(int r, int g, int b) { return wrap8(0.3 * r + 0.6 * g + 0.1 * b); }

inline std::array<uint8_t, 3> yiq(int r, int g, int b) {
  const double y = static_cast<double>(0.3f) * r + static_cast<double>(0.6f) * g + static_cast<double>(0.1f) * b;
  const double i = static_cast<double>(0.6f) * r - static_cast<double>(0.28f) * g - static_cast<double>(0.32f) * b;
  const double q = static_cast<double>(0.21f) * r - static_cast<double>(0.53f) * g + static_cast<double>(0.32f) * b;
  return {wrap8(y), wrap8(i), wrap8(q)};
}

// YIQK to CMYK for 8-bit samples, step by step.
inline std::array<uint8_t, 4> yiqkToCmyk(int y, int i, int q, int k) {
  const double a1 = 0.94521606f, a2 = 0.63271606f, b1 = -0.28935185f, b2 = -0.6018519f, c1 = -1.099537f, c2 = 1.712963f;
  const auto ink = [](double v) {
    float f = static_cast<float>(v);
    if (f < 0.0f) f = 0.0f;
    if (f > 255.0f) f = 255.0f;
    return static_cast<double>(f);
  };
  const double c = ink(255.0 - (y + a1 * i + a2 * q));
  const double m = ink(255.0 - (y + b1 * i + b2 * q));
  const double ye = ink(255.0 - (y + c1 * i + c2 * q));
  double n = c;
  if (m < n) n = m;
  if (ye < n) n = ye;
  const double black = std::trunc(2.0 * n < k ? 2.0 * n : k);
  const double kk = 2.0 * n - black;
  return {wrap8(2.0 * c - kk), wrap8(2.0 * m - kk), wrap8(2.0 * ye - kk), wrap8(kk)};
}

// 16-bit to 8-bit: the nearest of the values 257 i by binary search for the
// interval holding v, the lower index on a tie.
inline int reduce(double value) {
  if (!(value >= 0.0)) value = 0.0;
  if (value > 65535.0) value = 65535.0;
  const int v = static_cast<int>(value);
  int low = 0;
  int high = 255;
  while (high - low > 1) {
    const int middle = (low + high) / 2;
    if (257 * middle <= v) {
      low = middle;
    } else {
      high = middle;
    }
  }
  return (257 * high - v) < (v - 257 * low) ? high : low;
}

inline std::array<int, 3> cmykToLab(const uint8_t cmyk[4]) {
  int index[4];
  int fraction[4];
  for (int ink = 0; ink < 4; ++ink) {
    const int u = kCmykInputCurves[cmyk[ink]][ink];
    index[ink] = u / 13107;
    fraction[ink] = u % 13107;
  }
  const auto node = [](int c, int m, int y, int k) { return kCmykGridNodes[((c * 7 + m) * 7 + y) * 7 + k]; };
  const uint16_t* p0 = node(index[0], index[1], index[2], index[3]);
  const uint16_t* axis[4] = {
      node(index[0] + 1, index[1], index[2], index[3]), node(index[0], index[1] + 1, index[2], index[3]),
      node(index[0], index[1], index[2] + 1, index[3]), node(index[0], index[1], index[2], index[3] + 1)};
  std::array<int, 3> lab{};
  for (int o = 0; o < 3; ++o) {
    int32_t s = 0;
    for (int a = 0; a < 4; ++a) s += (axis[a][o] - p0[o]) * fraction[a];
    lab[o] = reduce(p0[o] + s / 13107.0);
  }
  return lab;
}

inline std::array<uint8_t, 3> labToRgb(const std::array<int, 3>& lab) {
  const double l = lab[0] * 100.0 / 255.0;
  const double fy = (l + 16.0) / 116.0;
  const double fx = (lab[1] - 128) / 500.0 + fy;
  const double fz = fy - (lab[2] - 128) / 200.0;
  const double x = 0.9505 * (fx * fx * fx);
  const double y = fy * fy * fy;
  const double z = 1.0891 * (fz * fz * fz);
  const double linear[3] = {3.5058 * x - 1.7397 * y - 0.544 * z, -1.069 * x + 1.9778 * y + 0.0352 * z,
                            0.0563 * x - 0.197 * y + 1.0501 * z};
  std::array<uint8_t, 3> rgb{};
  for (int i = 0; i < 3; ++i) {
    double v = linear[i];
    if (v < 0.0) v = 0.0;
    if (v > 1.0) v = 1.0;
    rgb[i] = static_cast<uint8_t>(std::pow(v, 0.45454545454545453) * 255.0);
  }
  return rgb;
}

inline std::array<uint8_t, 3> cmykToRgb(const uint8_t cmyk[4]) { return labToRgb(cmykToLab(cmyk)); }

}  // namespace reference
}  // namespace Kelvane

#endif  // KELVANE_TESTS_RASTER_COLOR_SPACE_COLOR_REFERENCE_H
