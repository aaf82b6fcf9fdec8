#include "raster/colorSpace/colorimetricTables.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "raster/colorSpace/cmykProfileData.h"

namespace Kelvane {
namespace {

double fromBits(uint64_t bits) {
  double v;
  std::memcpy(&v, &bits, sizeof v);
  return v;
}

uint64_t bitsOf(double v) {
  uint64_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  return bits;
}

// The 8-bit output of the final power for a value in [0, 1].
int gammaOutput(double x) { return static_cast<int>(std::pow(x, 0.45454545454545453) * 255.0); }

void fillInkTables(ColorimetricTables& t) {
  for (int ink = 0; ink < 4; ++ink) {
    for (int x = 0; x < 256; ++x) {
      const uint32_t u = kCmykInputCurves[x][ink];
      t.nodeOffset[ink][x] = u / kGridCell * kGridAxisStep[ink];
      t.fraction[ink][x] = static_cast<uint16_t>(u % kGridCell);
      const int fractionShift = (ink & 1) != 0 ? 16 : 0;
      t.packedInk[ink][x] = (uint64_t{t.nodeOffset[ink][x]} << 32) | (uint64_t{t.fraction[ink][x]} << fractionShift);
    }
  }
}

void fillLabTables(ColorimetricTables& t) {
  for (int code = 0; code < 256; ++code) {
    const double lightness = code * 100.0 / 255.0;
    t.fy[code] = (lightness + 16.0) / 116.0;
    t.fa[code] = (code - 128) / 500.0;
    t.fb[code] = (code - 128) / 200.0;
  }
}

void fillGammaThresholds(ColorimetricTables& t) {
  t.gammaThreshold[0] = -std::numeric_limits<double>::infinity();
  t.gammaThreshold[256] = std::numeric_limits<double>::infinity();
  // Non-negative doubles order like their bit patterns.
  for (int k = 1; k < 256; ++k) {
    uint64_t low = 0;
    uint64_t high = bitsOf(1.0);
    while (low < high) {
      const uint64_t middle = low + (high - low) / 2;
      if (gammaOutput(fromBits(middle)) >= k) {
        high = middle;
      } else {
        low = middle + 1;
      }
    }
    t.gammaThreshold[k] = fromBits(low);
  }
}

void fillGammaBuckets(ColorimetricTables& t) {
  t.bucketsHoldOneThreshold = t.gammaThreshold[1] > kGammaFloor;
  int k = 0;  // outputs reached at the bucket's lowest value
  for (int bucket = 0; bucket < kGammaBuckets; ++bucket) {
    const uint64_t lowBits = (kGammaFirstBucket + static_cast<uint64_t>(bucket)) << kGammaBucketShift;
    const double low = fromBits(lowBits);
    const double high = fromBits(lowBits + kGammaNoThreshold);
    while (k < 255 && t.gammaThreshold[k + 1] <= low) ++k;
    uint64_t inside = kGammaNoThreshold;
    int within = 0;
    while (k + within < 255 && t.gammaThreshold[k + within + 1] < high) ++within;
    if (within >= 1) inside = bitsOf(t.gammaThreshold[k + 1]) & (kGammaNoThreshold - 1);
    if (within > 1) t.bucketsHoldOneThreshold = false;
    t.gammaBucket[bucket] = (static_cast<uint64_t>(k) << 48) | inside;
  }
}

ColorimetricTables buildTables() {
  ColorimetricTables t{};
  fillInkTables(t);
  fillLabTables(t);
  fillGammaThresholds(t);
  fillGammaBuckets(t);
  return t;
}

}  // namespace

const ColorimetricTables& colorimetricTables() {
  static const ColorimetricTables tables = buildTables();
  return tables;
}

}  // namespace Kelvane
