// Vector kernel of the colorimetric CMYK-to-RGB path, written once over
// Google Highway's vector operations and compiled by it for each x86
// instruction set (SSSE3, SSE4, AVX2, AVX-512); Highway runs the best one
// the machine has. Rows go in groups of one single-precision vector of
// pixels through two passes whose results equal the scalar path's bit for
// bit:
// 1. per pixel, the profile stage's interpolation sums
//    (colorimetricInterpolation-inl.h);
// 2. a vector of pixels at a time, the reduction to 8-bit Lab, the
//    Lab-to-XYZ terms, XYZ and linear RGB in doubles, with the scalar path's
//    operations in its order (the module is compiled without fused
//    multiply-adds), limited to [0, 1]; then the power's 8-bit output by
//    estimate (gammaEstimate-inl.h), the scalar path for the few unsure
//    values; the three outputs interleaved into RGB pixels.
// The portable target, one lane wide with this compiler, and builds without
// Highway's run-time library take the scalar path.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "raster/colorSpace/colorimetricCmyk.h"
#include "raster/colorSpace/colorimetricTables.h"
#include "raster/sampleRange.h"

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "raster/colorSpace/colorimetricCmykVector.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include "raster/colorSpace/colorimetricInterpolation-inl.h"
#include "raster/colorSpace/gammaEstimate-inl.h"

HWY_BEFORE_NAMESPACE();
namespace Kelvane {
namespace HWY_NAMESPACE {

#if HWY_TARGET == HWY_SCALAR

size_t CmykToRgbRow8(const uint8_t*, uint8_t*, size_t) { return 0; }
size_t Lab8ToRgbRow(const uint8_t*, uint8_t*, size_t) { return 0; }

#else

namespace hn = hwy::HWY_NAMESPACE;

// The 8-bit codes of numerators (reducedLab, the numerators at least 0) as
// doubles: floor((n + 0.5) / (13107 x 257)) limited to 255. n + 0.5 is never
// a multiple of the divisor and its quotient, below 2^10, is computed to far
// better than 0.5 / 3368499, so the floor is that of the exact quotient.
template <class DF>
HWY_INLINE hn::Vec<DF> labCode(DF df, hn::Vec<hn::Rebind<int32_t, DF> > numerator) {
  const auto quotient =
      hn::Mul(hn::Add(hn::PromoteTo(df, numerator), hn::Set(df, 0.5)), hn::Set(df, 1.0 / (kGridCell * kReductionStep)));
  return hn::Min(hn::Floor(quotient), hn::Set(df, 255.0));
}

template <class DF>
HWY_INLINE hn::Vec<DF> times(DF df, double k, hn::Vec<DF> v) {
  return hn::Mul(hn::Set(df, k), v);
}

// As linearRgbOf of the Lab-to-XYZ terms of 8-bit codes: fy = (L x 100 /
// 255 + 16) / 116, fa = (a - 128) / 500, fb = (b - 128) / 200, divided as
// the tables are (a division rounds the same in every lane).
template <class DF>
HWY_INLINE void linearRgb(DF df, hn::Vec<DF> l, hn::Vec<DF> a, hn::Vec<DF> b, hn::Vec<DF> (&linear)[3]) {
  const auto lightness = hn::Div(times(df, 100.0, l), hn::Set(df, 255.0));
  const auto fy = hn::Div(hn::Add(lightness, hn::Set(df, 16.0)), hn::Set(df, 116.0));
  const auto fa = hn::Div(hn::Sub(a, hn::Set(df, 128.0)), hn::Set(df, 500.0));
  const auto fb = hn::Div(hn::Sub(b, hn::Set(df, 128.0)), hn::Set(df, 200.0));
  const auto fx = hn::Add(fa, fy);
  const auto fz = hn::Sub(fy, fb);
  const auto x = times(df, 0.9505, hn::Mul(hn::Mul(fx, fx), fx));
  const auto y = hn::Mul(hn::Mul(fy, fy), fy);
  const auto z = times(df, 1.0891, hn::Mul(hn::Mul(fz, fz), fz));
  linear[0] = hn::Sub(hn::Sub(times(df, 3.5058, x), times(df, 1.7397, y)), times(df, 0.544, z));
  linear[1] = hn::Add(hn::Add(times(df, -1.069, x), times(df, 1.9778, y)), times(df, 0.0352, z));
  linear[2] = hn::Add(hn::Sub(times(df, 0.0563, x), times(df, 0.197, y)), times(df, 1.0501, z));
}

// A linear value as the power's input in single precision. Values at or
// above the last threshold (output 255) become one whose estimate lies near
// 255.5, so that they never need the lookup; values below 0 the estimate
// takes as 0.
template <class DF>
HWY_INLINE hn::Vec<hn::Rebind<float, DF> > powerInput(DF df, hn::Vec<DF> linear, hn::Vec<DF> top) {
  const auto input = hn::IfThenElse(hn::Ge(linear, top), hn::Set(df, kGammaAboveTop), linear);
  return hn::DemoteTo(hn::Rebind<float, DF>(), input);
}

// The exact output of every unsure lane, recomputed by the scalar path from
// the pixel's numerators.
template <class DF>
void settleUnsure(DF df, hn::Mask<DF> unsure, const int32_t (*numerator)[4], int channel, uint8_t* output) {
  uint8_t bits[(hn::MaxLanes(DF()) + 7) / 8];
  hn::StoreMaskBits(df, unsure, bits);
  for (size_t lane = 0; lane < hn::Lanes(df); ++lane) {
    if (((bits[lane / 8] >> (lane % 8)) & 1) == 0) continue;
    const uint8_t lab[3] = {reducedLab(numerator[lane][0]), reducedLab(numerator[lane][1]),
                            reducedLab(numerator[lane][2])};
    uint8_t rgb[3];
    lab8ToRgb(lab, rgb);
    output[lane] = rgb[channel];
  }
}

// Pixels a group: one single-precision vector.
using GroupTag = hn::ScalableTag<float>;
constexpr size_t kMaxGroup = hn::MaxLanes(GroupTag());

// The RGB of the `count` pixels (at most one group) whose numerators are
// given, a whole group's entries of which are read: the numerators
// deinterleaved, the doubles in two halves, the power's inputs joined.
// beside(0) to beside(3) run between its stages.
template <class Beside>
HWY_INLINE void groupToRgb(const ColorimetricTables& t, const int32_t (*numerator)[4], size_t count, uint8_t* rgb,
                           const Beside& beside) {
  const hn::ScalableTag<double> df;
  const GroupTag dfl;
  const hn::Rebind<int32_t, decltype(dfl)> d32;
  const hn::Half<decltype(d32)> dh;
  const hn::Rebind<uint8_t, decltype(dfl)> d8;
  hn::Vec<decltype(d32)> n[4];
  hn::LoadInterleaved4(d32, &numerator[0][0], n[0], n[1], n[2], n[3]);
  for (auto& v : n) v = hn::Max(v, hn::Zero(d32));
  hn::Vec<decltype(df)> low[3];
  hn::Vec<decltype(df)> high[3];
  beside(0);
  linearRgb(df, labCode(df, hn::LowerHalf(dh, n[0])), labCode(df, hn::LowerHalf(dh, n[1])),
            labCode(df, hn::LowerHalf(dh, n[2])), low);
  linearRgb(df, labCode(df, hn::UpperHalf(dh, n[0])), labCode(df, hn::UpperHalf(dh, n[1])),
            labCode(df, hn::UpperHalf(dh, n[2])), high);
  const auto top = hn::Set(df, t.gammaThreshold[255]);
  alignas(64) uint8_t outputs[3][kMaxGroup];
  for (int channel = 0; channel < 3; ++channel) {
    beside(static_cast<size_t>(channel) + 1);
    const auto input = hn::Combine(dfl, powerInput(df, high[channel], top), powerInput(df, low[channel], top));
    const auto estimate = estimateGamma(dfl, input, t);
    hn::Store(estimate.output, d8, outputs[channel]);
    if (!hn::AllFalse(dfl, estimate.unsure)) settleUnsure(dfl, estimate.unsure, numerator, channel, outputs[channel]);
  }
  const auto red = hn::Load(d8, outputs[0]);
  const auto green = hn::Load(d8, outputs[1]);
  const auto blue = hn::Load(d8, outputs[2]);
  if (count == hn::Lanes(dfl)) {
    hn::StoreInterleaved3(red, green, blue, d8, rgb);
  } else {
    uint8_t pixels[3 * kMaxGroup];
    hn::StoreInterleaved3(red, green, blue, d8, pixels);
    std::memcpy(rgb, pixels, 3 * count);
  }
}

// Group by group: the next group's interpolation (mostly scalar work) runs
// in four parts between the stages of the current group's conversion
// (vector work), so that both kinds of execution unit stay busy. A last
// short group has zero numerators past its pixels.
size_t CmykToRgbRow8(const uint8_t* cmyk, uint8_t* rgb, size_t count) {
  const ColorimetricTables& t = colorimetricTables();
  const size_t lanes = hn::Lanes(GroupTag());
  const size_t quarter = lanes / 4;  // every vector target has 4 float lanes or more
  const size_t whole = count / lanes;
  alignas(64) int32_t numerators[2][kMaxGroup][4];
  if (whole > 0) interpolateCells(cmyk, lanes, t, numerators[0]);
  for (size_t group = 0; group < whole; ++group) {
    const size_t start = group * lanes;
    const uint8_t* following = cmyk + 4 * (start + lanes);
    int32_t(*next)[4] = numerators[(group + 1) % 2];
    const bool more = group + 1 < whole;
    groupToRgb(t, numerators[group % 2], lanes, rgb + 3 * start, [&](size_t part) {
      if (more) interpolateCells(following + 4 * quarter * part, quarter, t, next + quarter * part);
    });
  }
  const size_t rest = count - whole * lanes;
  if (rest > 0) {
    interpolateCells(cmyk + 4 * whole * lanes, rest, t, numerators[0]);
    std::fill(&numerators[0][rest][0], &numerators[0][lanes][0], 0);
    groupToRgb(t, numerators[0], rest, rgb + 3 * whole * lanes, [](size_t) {});
  }
  return count;
}

// The numerators of the given 8-bit Lab: each code times 13107 x 257 reduces
// to that code.
size_t Lab8ToRgbRow(const uint8_t* lab, uint8_t* rgb, size_t count) {
  const ColorimetricTables& t = colorimetricTables();
  const size_t lanes = hn::Lanes(GroupTag());
  alignas(64) int32_t numerators[kMaxGroup][4];
  for (size_t start = 0; start < count; start += lanes) {
    const size_t n = std::min(lanes, count - start);
    std::fill(&numerators[0][0], &numerators[kMaxGroup][0], 0);
    for (size_t i = 0; i < n; ++i) {
      for (int o = 0; o < 3; ++o) numerators[i][o] = lab[3 * (start + i) + o] * (kGridCell * kReductionStep);
    }
    groupToRgb(t, numerators, n, rgb + 3 * start, [](size_t) {});
  }
  return count;
}

#endif  // HWY_TARGET == HWY_SCALAR

}  // namespace HWY_NAMESPACE
}  // namespace Kelvane
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace Kelvane {

HWY_EXPORT(CmykToRgbRow8);
HWY_EXPORT(Lab8ToRgbRow);

void cmykToRgbRow8(const uint8_t* cmyk, uint8_t* rgb, size_t count) {
  const size_t done = HWY_DYNAMIC_DISPATCH(CmykToRgbRow8)(cmyk, rgb, count);
  cmykToRgbRow8Scalar(cmyk + 4 * done, rgb + 3 * done, count - done);
}

void lab8ToRgbRow(const uint8_t* lab, uint8_t* rgb, size_t count) {
  const size_t done = HWY_DYNAMIC_DISPATCH(Lab8ToRgbRow)(lab, rgb, count);
  for (size_t i = done; i < count; ++i) lab8ToRgb(lab + 3 * i, rgb + 3 * i);
}

}  // namespace Kelvane
#endif  // HWY_ONCE
