#include "raster/colorSpace/colorimetricCmyk.h"

#include <algorithm>

#include "raster/colorSpace/colorimetricTables.h"
#include "raster/sampleRange.h"

namespace Kelvane {
namespace {

// The interpolation reads S = sum over the four axes of (P_axis - P0) x
// fraction as a 32-bit integer sum; with the profile's grid that sum, and
// 13107 (P0 + 128) + S below, stay inside 32 bits.
static_assert(int64_t{kGridCell} * (65535 + 128) + 4 * int64_t{largestGridStep()} * (kGridCell - 1) < INT32_MAX &&
                  int64_t{kGridCell} * 128 - 4 * int64_t{largestGridStep()} * (kGridCell - 1) > INT32_MIN,
              "grid steps too large for 32-bit interpolation sums");

// The reduction of P0 + S / 13107 (limited to 0..65535, truncated) to
// round(v / 257) with halves down, in integers: floor((13107 (P0 + 128) + S)
// / (13107 x 257)), limited to 0..255. The floating-point division lands
// on the same integer: its quotient is either exact or at least 1/13107
// away from an integer, far beyond the rounding error.
uint8_t reduced(int32_t numerator) {
  if (numerator <= 0) return 0;
  return static_cast<uint8_t>(std::min(numerator / (kGridCell * kReductionStep), 255));
}

}  // namespace

void cmykToLab8(const uint8_t cmyk[4], uint8_t lab[3]) {
  const ColorimetricTables& t = colorimetricTables();
  uint32_t offset = 0;
  for (int ink = 0; ink < 4; ++ink) offset += t.nodeOffset[ink][cmyk[ink]];
  const uint16_t* p0 = &kCmykGridNodes[0][0] + offset;
  for (int o = 0; o < 3; ++o) {
    int32_t numerator = kGridCell * (p0[o] + 128);
    for (int ink = 0; ink < 4; ++ink) {
      numerator += (p0[o + kGridAxisStep[ink]] - p0[o]) * t.fraction[ink][cmyk[ink]];
    }
    lab[o] = reduced(numerator);
  }
}

void lab8ToRgb(const uint8_t lab[3], uint8_t rgb[3]) {
  const ColorimetricTables& t = colorimetricTables();
  const double fy = t.fy[lab[0]];
  const double fx = t.fa[lab[1]] + fy;
  const double fz = fy - t.fb[lab[2]];
  const double x = 0.9505 * (fx * fx * fx);
  const double y = fy * fy * fy;
  const double z = 1.0891 * (fz * fz * fz);
  const double linear[3] = {3.5058 * x - 1.7397 * y - 0.544 * z, -1.069 * x + 1.9778 * y + 0.0352 * z,
                            0.0563 * x - 0.197 * y + 1.0501 * z};
  for (int i = 0; i < 3; ++i) rgb[i] = gammaOutput(clampInto(linear[i], 0.0, 1.0), t);
}

void cmykToRgb8(const uint8_t cmyk[4], uint8_t rgb[3]) {
  uint8_t lab[3];
  cmykToLab8(cmyk, lab);
  lab8ToRgb(lab, rgb);
}

void cmykToRgbRow8Scalar(const uint8_t* cmyk, uint8_t* rgb, size_t count) {
  for (size_t i = 0; i < count; ++i) cmykToRgb8(cmyk + 4 * i, rgb + 3 * i);
}

void cmykToRgbRow8(const uint8_t* cmyk, uint8_t* rgb, size_t count) {
  const size_t done = cmykToRgbRow8Vector(cmyk, rgb, count);
  cmykToRgbRow8Scalar(cmyk + 4 * done, rgb + 3 * done, count - done);
}

}  // namespace Kelvane
