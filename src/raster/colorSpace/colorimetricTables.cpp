#include "raster/colorSpace/colorimetricTables.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>

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
  constexpr uint32_t kCellStep[4] = {6 * 6 * 6, 6 * 6, 6, 1};
  for (int ink = 0; ink < 4; ++ink) {
    for (int x = 0; x < 256; ++x) {
      const uint32_t u = kCmykInputCurves[x][ink];
      t.nodeOffset[ink][x] = u / kGridCell * kGridAxisStep[ink];
      t.fraction[ink][x] = static_cast<uint16_t>(u % kGridCell);
      const uint64_t cellPart = u / kGridCell * kCellStep[ink] * sizeof(ColorimetricTables::CellRecord);
      const int fractionShift = (ink & 1) != 0 ? 16 : 0;
      t.packedInk[ink][x] = (cellPart << 32) | (uint64_t{t.fraction[ink][x]} << fractionShift);
    }
  }
}

void fillCellTables(ColorimetricTables& t) {
  const uint16_t* grid = &kCmykGridNodes[0][0];
  for (int cell = 0; cell < kGridCells; ++cell) {
    const int first = ((cell / 216 * 7 + cell / 36 % 6) * 7 + cell / 6 % 6) * 7 + cell % 6;
    const uint16_t* p0 = grid + 3 * first;
    for (int o = 0; o < 3; ++o) {
      for (int ink = 0; ink < 4; ++ink) {
        // Cyan and magenta in the first eight lanes, yellow and black in the
        // last eight; the two inks of a pair side by side.
        const int lane = 8 * (ink / 2) + 2 * o + ink % 2;
        t.cells[cell].deltas[lane] = static_cast<int16_t>(p0[o + kGridAxisStep[ink]] - p0[o]);
      }
      t.cells[cell].base[o] = kGridCell * (p0[o] + 128);
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

void fillGammaScales(ColorimetricTables& t) {
  for (int j = 0; j < 8; ++j) t.gammaScaleLow[j] = static_cast<float>(std::exp2(j / 2.2));
  for (int q = -3; q <= 0; ++q) t.gammaScaleHigh[q & 3] = static_cast<float>(255.0 * std::exp2(8 * q / 2.2));
}

// On the heap: the tables are too large for a small thread stack.
std::unique_ptr<const ColorimetricTables> buildTables() {
  auto t = std::make_unique<ColorimetricTables>();
  fillInkTables(*t);
  fillCellTables(*t);
  fillLabTables(*t);
  fillGammaThresholds(*t);
  fillGammaBuckets(*t);
  fillGammaScales(*t);
  return t;
}

}  // namespace

const ColorimetricTables& colorimetricTables() {
  // Owned by a static object, so the tables are freed with the module's other
  // statics when a host unloads it; a bare pointer would leave them behind
  // at every load and unload.
  static const std::unique_ptr<const ColorimetricTables> tables = buildTables();
  return *tables;
}

}  // namespace Kelvane
