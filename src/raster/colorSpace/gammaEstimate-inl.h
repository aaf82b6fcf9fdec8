// The final power of the colorimetric path, trunc(x^(1/2.2) x 255) for x in
// [0, 1], for a whole vector of values without memory reads: estimated in
// single precision from the exponent and mantissa of x, and exact wherever
// the estimate lies clear of an integer. Its error stays below 2^-14
// (gammaEstimateCoefficients.h), so a value whose estimate lies further than
// kGammaMargin from an integer truncates to the exact output; the few closer
// ones are marked for the exact threshold lookup.
//
// Compiled once per instruction set: included by colorimetricCmykVector.cpp
// inside Highway's per-target pass, hence the toggled guard.
#if defined(KELVANE_RASTER_COLOR_SPACE_GAMMA_ESTIMATE_INL_H_) == defined(HWY_TARGET_TOGGLE)
#ifdef KELVANE_RASTER_COLOR_SPACE_GAMMA_ESTIMATE_INL_H_
#undef KELVANE_RASTER_COLOR_SPACE_GAMMA_ESTIMATE_INL_H_
#else
#define KELVANE_RASTER_COLOR_SPACE_GAMMA_ESTIMATE_INL_H_
#endif

#include <hwy/highway.h>

#include <cstdint>

#include "raster/colorSpace/colorimetricTables.h"
#include "raster/colorSpace/gammaEstimateCoefficients.h"

HWY_BEFORE_NAMESPACE();
namespace Kelvane {
namespace HWY_NAMESPACE {
#if HWY_ARCH_X86 && HWY_TARGET != HWY_SCALAR && HWY_TARGET != HWY_EMU128

namespace hn = hwy::HWY_NAMESPACE;

// An estimate's truncated output in the low byte of each 32-bit lane (the
// other bytes hold no output), and the lanes that need the exact lookup.
template <class DF>
struct GammaEstimate {
  hn::Vec<hn::RebindToUnsigned<DF>> output;
  hn::Mask<DF> unsure;
};

// p(x) = c[0] + c[1] x + ... by Horner's rule.
template <class DF, size_t N>
HWY_INLINE hn::Vec<DF> polynomial(DF df, hn::Vec<DF> x, const float (&c)[N]) {
  auto sum = hn::Set(df, c[N - 1]);
  for (size_t i = N - 1; i-- > 0;) sum = hn::MulAdd(sum, x, hn::Set(df, c[i]));
  return sum;
}

// One of the first eight entries of a table per lane (index 0..7).
template <class DF>
HWY_INLINE hn::Vec<DF> lookupEight(DF df, const float* table, hn::Vec<hn::RebindToSigned<DF>> index) {
  if constexpr (hn::MaxLanes(DF()) >= 8) {
    return hn::TableLookupLanes(hn::Load(df, table), hn::IndicesFromVec(df, index));
  } else {
    const hn::RebindToSigned<DF> di;
    const auto within = hn::IndicesFromVec(df, hn::And(index, hn::Set(di, 3)));
    const auto upper = hn::RebindMask(df, hn::Gt(index, hn::Set(di, 3)));
    return hn::IfThenElse(upper, hn::TableLookupLanes(hn::Load(df, table + 4), within),
                          hn::TableLookupLanes(hn::Load(df, table), within));
  }
}

// Inputs above kGammaAboveTop count as it (output 255 by far); inputs below
// 2^-23 (0 and negative ones included) count as 2^-23, whose output, like
// theirs, is 0 by far.
template <class DF>
HWY_INLINE GammaEstimate<DF> estimateGamma(DF df, hn::Vec<DF> x, const ColorimetricTables& t) {
  const hn::RebindToSigned<DF> di;
  const hn::RebindToUnsigned<DF> du;
  // x = 2^e m with m in [sqrt(1/2), sqrt(2)): the bits less those of
  // sqrt(1/2) hold e above the mantissa, and the mantissa bits put back above
  // sqrt(1/2)'s give m.
  constexpr int32_t kHalfRootTwo = 0x3F3504F3;
  const auto limited = hn::Min(hn::Max(x, hn::Set(df, 0x1p-23f)), hn::Set(df, kGammaAboveTop));
  const auto bits = hn::Sub(hn::BitCast(di, limited), hn::Set(di, kHalfRootTwo));
  const auto e = hn::ShiftRight<23>(bits);
  const auto m = hn::BitCast(df, hn::Add(hn::And(bits, hn::Set(di, 0x7FFFFF)), hn::Set(di, kHalfRootTwo)));
  const auto power = polynomial(df, hn::Sub(m, hn::Set(df, 1.0f)), kPowerCoefficients);
  const auto low = lookupEight(df, t.gammaScaleLow, hn::And(e, hn::Set(di, 7)));
  const auto high = lookupEight(df, t.gammaScaleHigh, hn::And(hn::ShiftRight<3>(e), hn::Set(di, 3)));
  const auto y = hn::Mul(power, hn::Mul(low, high));
  // Adding 1.5 x 2^23 rounds a float below 2^22 to the nearest integer,
  // which then sits in the low mantissa bits: y - 1/2 rounds to trunc(y) for
  // an estimate clear of integers (y stays below 256, so the output sits in
  // the low byte); what the rounding drops tells how far y lies from one.
  const auto rounder = hn::Set(df, 0x1.8p23f);
  const auto below = hn::Sub(y, hn::Set(df, 0.5f));
  const auto rounded = hn::Add(below, rounder);
  const auto dropped = hn::Sub(below, hn::Sub(rounded, rounder));
  const auto unsure = hn::Gt(hn::Abs(dropped), hn::Set(df, 0.5f - kGammaMargin));
  return {hn::BitCast(du, rounded), unsure};
}

#endif  // x86 vector targets
}  // namespace HWY_NAMESPACE
}  // namespace Kelvane
HWY_AFTER_NAMESPACE();

#endif  // include guard
