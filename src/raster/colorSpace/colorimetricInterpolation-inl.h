// The profile stage of the colorimetric vector kernel: per pixel, the
// interpolation sums of L, a and b side by side in 32-bit lanes, with the
// scalar path's integer arithmetic, from the grid cell's deltas read in
// 16-bit lanes and multiplied with the pixel's fractions.
//
// Compiled once per instruction set: included by colorimetricCmykVector.cpp
// inside Highway's per-target pass, hence the toggled guard.
#if defined(KELVANE_RASTER_COLOR_SPACE_COLORIMETRIC_INTERPOLATION_INL_H_) == defined(HWY_TARGET_TOGGLE)
#ifdef KELVANE_RASTER_COLOR_SPACE_COLORIMETRIC_INTERPOLATION_INL_H_
#undef KELVANE_RASTER_COLOR_SPACE_COLORIMETRIC_INTERPOLATION_INL_H_
#else
#define KELVANE_RASTER_COLOR_SPACE_COLORIMETRIC_INTERPOLATION_INL_H_
#endif

#include <hwy/highway.h>

#include <cstddef>
#include <cstdint>

#include "raster/colorSpace/colorimetricTables.h"

HWY_BEFORE_NAMESPACE();
namespace Kelvane {
namespace HWY_NAMESPACE {
#if HWY_ARCH_X86 && HWY_TARGET != HWY_SCALAR && HWY_TARGET != HWY_EMU128

namespace hn = hwy::HWY_NAMESPACE;

// The 16-bit lanes hold grid deltas, which must fit them.
static_assert(largestGridStep() <= 32767, "grid steps too large for 16-bit lanes");

// numerator[i] = 13107 (P0 + 128) + S of L, a and b (and a zero lane) of
// pixel i, from its cell's record. The packed ink entries add up to the
// record's byte offset (bits 32 to 63) and OR into the fraction pairs (cyan,
// magenta) and (yellow, black). On x86 a widening multiply-add of 16-bit
// lanes sums adjacent pairs: each delta pair with its fraction pair.
inline void interpolateCells(const uint8_t* cmyk, size_t count, const ColorimetricTables& t, int32_t (*numerator)[4]) {
  const hn::Full128<int16_t> d16;
  const hn::Full128<int32_t> d32;
  const hn::Full128<uint32_t> du32;
  // Unrolled: called with a constant count of a few pixels beside the vector
  // stage, the loop then disappears and its work interleaves with that stage.
  HWY_UNROLL(2) for (size_t i = 0; i < count; ++i) {
    const uint8_t* pixel = cmyk + 4 * i;
    const uint64_t c = t.packedInk[0][pixel[0]];
    const uint64_t m = t.packedInk[1][pixel[1]];
    const uint64_t y = t.packedInk[2][pixel[2]];
    const uint64_t k = t.packedInk[3][pixel[3]];
    const auto* cell = reinterpret_cast<const ColorimetricTables::CellRecord*>(
        reinterpret_cast<const uint8_t*>(t.cells) + ((c + m + y + k) >> 32));
    const auto cyanMagentaFractions = hn::BitCast(d16, hn::Set(du32, static_cast<uint32_t>(c | m)));
    const auto yellowBlackFractions = hn::BitCast(d16, hn::Set(du32, static_cast<uint32_t>(y | k)));
    auto unused = hn::Zero(d32);
    auto sums = hn::ReorderWidenMulAccumulate(d32, hn::Load(d16, cell->deltas), cyanMagentaFractions,
                                              hn::Load(d32, cell->base), unused);
    sums = hn::ReorderWidenMulAccumulate(d32, hn::Load(d16, cell->deltas + 8), yellowBlackFractions, sums, unused);
    hn::Store(sums, d32, numerator[i]);
  }
}

#endif  // x86 vector targets
}  // namespace HWY_NAMESPACE
}  // namespace Kelvane
HWY_AFTER_NAMESPACE();

#endif  // include guard
