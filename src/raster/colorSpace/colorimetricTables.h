// Tables derived once from the CMYK profile data and from the Lab-to-RGB
// arithmetic, so that the colorimetric CMYK-to-RGB path reads values instead
// of recomputing them. Every entry is the exact double or integer the
// documented arithmetic produces for that input.
#ifndef KELVANE_RASTER_COLOR_SPACE_COLORIMETRIC_TABLES_H
#define KELVANE_RASTER_COLOR_SPACE_COLORIMETRIC_TABLES_H

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "raster/colorSpace/cmykProfileData.h"

namespace Kelvane {

// The grid's cell width in curve units: node j of an axis stands for j x 13107.
inline constexpr int32_t kGridCell = 13107;
// 16-bit values reduced to 8 bits by the nearest multiple of 257, the lower
// on a tie: (v + 128) / 257.
inline constexpr int32_t kReductionStep = 257;
// Distance in 16-bit grid values from a node to the next node along the
// cyan, magenta, yellow and black axes (three values per node).
inline constexpr uint32_t kGridAxisStep[4] = {343 * 3, 49 * 3, 7 * 3, 3};

// Cells of the grid a pixel's first node can start: indices 0 to 5 per axis.
inline constexpr int kGridCells = 6 * 6 * 6 * 6;

// The largest difference between a grid node and the next node along one
// axis, over every cell of the grid and every output.
constexpr int32_t largestGridStep() {
  int32_t largest = 0;
  for (int cell = 0; cell < 6 * 6 * 6 * 6; ++cell) {
    const int first = ((cell / 216 * 7 + cell / 36 % 6) * 7 + cell / 6 % 6) * 7 + cell % 6;
    for (uint32_t step : kGridAxisStep) {
      for (int o = 0; o < 3; ++o) {
        const int32_t delta = kCmykGridNodes[first + step / 3][o] - kCmykGridNodes[first][o];
        largest = delta > largest ? delta : (-delta > largest ? -delta : largest);
      }
    }
  }
  return largest;
}

// The gamma buckets split [2^-18, 1] by the top 19 bits of the double (its
// exponent and 7 mantissa bits); every value below 2^-18 renders as 0.
inline constexpr int kGammaBucketShift = 45;
inline constexpr uint64_t kGammaFirstBucket = uint64_t{0x3FF - 18} << 7;
inline constexpr int kGammaBuckets = 18 * 128 + 1;  // the last holds 1.0 alone
inline constexpr double kGammaFloor = 0x1p-18;
// Low 45 bits of a threshold inside its bucket; this value means "none".
inline constexpr uint64_t kGammaNoThreshold = uint64_t{1} << kGammaBucketShift;

struct ColorimetricTables {
  // Per ink (cyan, magenta, yellow, black) and device value: offset of the
  // grid cell's first node along that axis, in 16-bit values, and the
  // fraction into the cell (0 to 13106).
  uint32_t nodeOffset[4][256];
  uint16_t fraction[4][256];
  // The same packed for the vector kernel: the ink's part of the byte
  // offset of the pixel's cell record (below) in bits 32 to 63; the fraction
  // in bits 0 to 15 for cyan and yellow, 16 to 31 for magenta and black, so
  // that two inks OR into one multiplier pair.
  uint64_t packedInk[4][256];
  // Per grid cell, numbered ((c x 6 + m) x 6 + y) x 6 + k by the indices of
  // its first node (0 to 5; an index of 5 comes only with a fraction of 0):
  // 13107 (P0 + 128) of L, a, b and a zero; then the deltas P_axis - P0 of
  // L, a and b paired for multiply-adds with the fraction pairs, (cyan,
  // magenta) x 3 then (yellow, black) x 3, each group of three pairs
  // followed by a zero pair. Every 16-byte part stays inside a cache line.
  struct alignas(16) CellRecord {
    int32_t base[4];
    int16_t deltas[16];
  };
  CellRecord cells[kGridCells];

  // Lab to XYZ terms by 8-bit code: fy = (L8 x 100 / 255 + 16) / 116,
  // fa = (a8 - 128) / 500, fb = (b8 - 128) / 200.
  double fy[256];
  double fa[256];
  double fb[256];

  // gammaThreshold[k] (k = 1..255) is the smallest double x in [0, 1] with
  // trunc(x^0.45454545454545453 x 255) >= k, found by bisection against the
  // same power; [0] is -infinity and [256] +infinity.
  double gammaThreshold[257];
  // Per bucket: the output for the bucket's lowest value in bits 48 to 63,
  // and the low 45 bits of the one threshold strictly inside the bucket
  // (kGammaNoThreshold when there is none).
  uint64_t gammaBucket[kGammaBuckets];
  // Powers of 2 for the vector estimate of the power: 2^(j / 2.2) for j in
  // 0..7, and 255 x 2^(8 q / 2.2) at q mod 4 for q in -3..0, as floats
  // (padded to 16 entries, one vector on every target).
  alignas(64) float gammaScaleLow[16];
  alignas(64) float gammaScaleHigh[16];
  // Whether every bucket holds at most one threshold and no threshold lies
  // below kGammaFloor, as gammaFromBucket needs.
  bool bucketsHoldOneThreshold;
};

// The reduction of P0 + S / 13107 (limited to 0..65535, truncated) to
// round(v / 257) with halves down, in integers: floor((13107 (P0 + 128) + S)
// / (13107 x 257)), limited to 0..255. The floating-point division lands
// on the same integer: its quotient is either exact or at least 1/13107
// away from an integer, far beyond the rounding error.
inline uint8_t reducedLab(int32_t numerator) {
  if (numerator <= 0) return 0;
  return static_cast<uint8_t>(std::min(numerator / (kGridCell * kReductionStep), 255));
}

// Built on first use (thread-safe); freed when the module unloads.
const ColorimetricTables& colorimetricTables();

// The power's output from a value's gamma bucket and the value's low 45
// bits: the bucket's base output, plus one when the value reaches the
// bucket's threshold (the bits above the low 45 are the bucket's own).
// Needs buckets that hold at most one threshold each.
inline uint8_t gammaFromBucket(uint64_t bucket, uint64_t lowBits) {
  return static_cast<uint8_t>((bucket >> 48) + (lowBits >= (bucket & (2 * kGammaNoThreshold - 1))));
}

// trunc(x^0.45454545454545453 x 255) for x in [0, 1]. Values below 2^-18
// read the first bucket, which holds no threshold.
inline uint8_t gammaOutput(double x, const ColorimetricTables& t) {
  const double indexed = std::max(x, kGammaFloor);
  uint64_t bits;
  std::memcpy(&bits, &indexed, sizeof bits);
  const uint64_t bucket = t.gammaBucket[(bits >> kGammaBucketShift) - kGammaFirstBucket];
  if (t.bucketsHoldOneThreshold) return gammaFromBucket(bucket, bits & (kGammaNoThreshold - 1));
  // Otherwise count the thresholds one by one.
  int k = x < kGammaFloor ? 0 : static_cast<int>(bucket >> 48);
  while (x >= t.gammaThreshold[k + 1]) ++k;
  return static_cast<uint8_t>(k);
}

}  // namespace Kelvane

#endif  // KELVANE_RASTER_COLOR_SPACE_COLORIMETRIC_TABLES_H
