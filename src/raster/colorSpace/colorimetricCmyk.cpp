#include "raster/colorSpace/colorimetricCmyk.h"

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
    lab[o] = reducedLab(numerator);
  }
}

void lab8ToRgb(const uint8_t lab[3], uint8_t rgb[3]) {
  const ColorimetricTables& t = colorimetricTables();
  double linear[3];
  linearRgbOf(t.fy[lab[0]], t.fa[lab[1]], t.fb[lab[2]], linear);
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

}  // namespace Kelvane
