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
//    multiply-adds); then the power's 8-bit output by estimate
//    (gammaEstimate-inl.h), the scalar path for the few unsure values; the
//    three outputs packed into RGB pixels.
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

// The kernel relies on x86's multiply-add of adjacent 16-bit pairs; other
// targets, and Highway's portable ones, take the scalar path.
#if !HWY_ARCH_X86 || HWY_TARGET == HWY_SCALAR || HWY_TARGET == HWY_EMU128

size_t CmykToRgbRow8(const uint8_t*, uint8_t*, size_t) { return 0; }
size_t Lab8ToRgbRow(const uint8_t*, uint8_t*, size_t) { return 0; }

#else

namespace hn = hwy::HWY_NAMESPACE;

// The 8-bit code of numerators limited to 0..256 x 13107 x 257 - 1
// (reducedLab) as a double: floor((n + 0.5) / (13107 x 257)). n + 0.5 is
// never a multiple of the divisor and its quotient, below 2^8, is computed
// (with or without a fused multiply-add) to far better than 0.5 / 3368499,
// so the floor is that of the exact quotient.
template <class DF, class VI>
HWY_INLINE hn::Vec<DF> labCode(DF df, VI numerator) {
  const auto reciprocal = hn::Set(df, 1.0 / (kGridCell * kReductionStep));
  return hn::Floor(hn::MulAdd(hn::PromoteTo(df, numerator), reciprocal, hn::Mul(hn::Set(df, 0.5), reciprocal)));
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

// The exact output of every unsure lane, recomputed by the scalar path from
// the pixel's numerators, into the low byte of its 32-bit lane.
template <class DF>
void settleUnsure(DF df, hn::Mask<DF> unsure, const int32_t (*numerator)[4], int channel, uint32_t* output) {
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

// Lane indices that move the first three bytes of every 32-bit lane
// together: within each 128-bit block by a byte shuffle, then the blocks'
// twelve bytes by these 32-bit lanes (the rest fill the last lanes).
template <size_t kLanes>
struct PackedOrder {
  alignas(64) int32_t lane[kLanes];
};

template <size_t kLanes>
constexpr PackedOrder<kLanes> packedOrder() {
  PackedOrder<kLanes> order{};
  const size_t used = 3 * kLanes / 4;
  for (size_t i = 0; i < kLanes; ++i) {
    order.lane[i] = static_cast<int32_t>(i < used ? 4 * (i / 3) + i % 3 : 4 * (i - used) + 3);
  }
  return order;
}

// Pixels a group: one single-precision vector.
using GroupTag = hn::ScalableTag<float>;
constexpr size_t kMaxGroup = hn::MaxLanes(GroupTag());

// The RGB of the `count` pixels (at most one group) whose numerators are
// given, a whole group's entries of which are read: the numerators
// deinterleaved, the doubles in two halves, the power's inputs joined, the
// three outputs packed into pixels. `room` bytes from rgb may be written.
// beside(0) to beside(7) run between its stages.
template <class Beside>
HWY_INLINE void groupToRgb(const ColorimetricTables& t, const int32_t (*numerator)[4], size_t count, uint8_t* rgb,
                           size_t room, const Beside& beside) {
  const hn::ScalableTag<double> df;
  const GroupTag dfl;
  const hn::Rebind<int32_t, decltype(dfl)> d32;
  const hn::Rebind<uint32_t, decltype(dfl)> du32;
  const hn::Repartition<uint8_t, decltype(du32)> du8;
  const hn::Half<decltype(d32)> dh;
  const hn::Rebind<float, decltype(df)> dhf;
  hn::Vec<decltype(d32)> n[4];
  hn::LoadInterleaved4(d32, &numerator[0][0], n[0], n[1], n[2], n[3]);
  const auto highest = hn::Set(d32, 256 * kGridCell * kReductionStep - 1);
  for (auto& v : n) v = hn::Min(hn::Max(v, hn::Zero(d32)), highest);
  hn::Vec<decltype(df)> low[3];
  hn::Vec<decltype(df)> high[3];
  beside(0);
  linearRgb(df, labCode(df, hn::LowerHalf(dh, n[0])), labCode(df, hn::LowerHalf(dh, n[1])),
            labCode(df, hn::LowerHalf(dh, n[2])), low);
  beside(4);
  linearRgb(df, labCode(df, hn::UpperHalf(dh, n[0])), labCode(df, hn::UpperHalf(dh, n[1])),
            labCode(df, hn::UpperHalf(dh, n[2])), high);
  hn::Vec<decltype(du32)> outputs[3];
  for (int channel = 0; channel < 3; ++channel) {
    beside(static_cast<size_t>(channel) + 1);
    beside(static_cast<size_t>(channel) + 5);
    const auto input = hn::Combine(dfl, hn::DemoteTo(dhf, high[channel]), hn::DemoteTo(dhf, low[channel]));
    const auto estimate = estimateGamma(dfl, input, t);
    outputs[channel] = estimate.output;
    if (!hn::AllFalse(dfl, estimate.unsure)) {
      alignas(64) uint32_t lanes[kMaxGroup];
      hn::Store(estimate.output, du32, lanes);
      settleUnsure(dfl, estimate.unsure, numerator, channel, lanes);
      outputs[channel] = hn::Load(du32, lanes);
    }
  }
  // Red, green and blue in the first three bytes of each lane, then packed.
  const auto red = hn::And(outputs[0], hn::Set(du32, 0xFF));
  const auto pixels = hn::Or(hn::Or(red, hn::ShiftLeft<8>(outputs[1])), hn::ShiftLeft<16>(outputs[2]));
  alignas(16) static constexpr uint8_t kBlockBytes[16] = {0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, 3, 7, 11, 15};
  static constexpr PackedOrder<kMaxGroup> kOrder = packedOrder<kMaxGroup>();
  const auto inBlocks =
      hn::BitCast(du32, hn::TableLookupBytes(hn::BitCast(du8, pixels), hn::LoadDup128(du8, kBlockBytes)));
  const auto packed = hn::TableLookupLanes(inBlocks, hn::SetTableIndices(du32, kOrder.lane));
  if (count == hn::Lanes(dfl) && room >= 4 * count) {
    hn::StoreU(packed, du32, reinterpret_cast<uint32_t*>(rgb));
  } else {
    alignas(64) uint32_t bytes[kMaxGroup];
    hn::Store(packed, du32, bytes);
    std::memcpy(rgb, bytes, 3 * count);
  }
}

// Group by group: the interpolation of the group after next (mostly scalar
// work) runs in eighths of a group (quarters with four lanes) between the stages of the current group's
// conversion (vector work), where the compiler can interleave the two and
// both kinds of execution unit stay busy: the first eighth of each half of
// the group before the linear values of each half, the others beside the
// three channels' power. (This placement measured fastest.) A last short
// group has zero numerators past its pixels.
constexpr size_t kPartPixels = kMaxGroup >= 8 ? kMaxGroup / 8 : 1;
constexpr size_t kParts = kMaxGroup / kPartPixels;

size_t CmykToRgbRow8(const uint8_t* cmyk, uint8_t* rgb, size_t count) {
  const ColorimetricTables& t = colorimetricTables();
  const size_t lanes = hn::Lanes(GroupTag());
  const size_t whole = count / lanes;
  // Three groups' numerators: the one being converted, the next, and the
  // one after it being interpolated. A group's numerators are written a
  // whole group before they are read, after the stores have drained: read
  // at once, the wide loads would wait on the narrow stores.
  alignas(64) int32_t numerators[3][kMaxGroup][4];
  for (size_t group = 0; group < 2 && group < whole; ++group) {
    interpolateCells(cmyk + 4 * lanes * group, lanes, t, numerators[group]);
  }
  for (size_t group = 0; group < whole; ++group) {
    const size_t start = group * lanes;
    const uint8_t* following = cmyk + 4 * (start + 2 * lanes);
    int32_t(*next)[4] = numerators[(group + 2) % 3];
    const bool more = group + 2 < whole;
    groupToRgb(t, numerators[group % 3], lanes, rgb + 3 * start, 3 * (count - start), [&](size_t part) {
      if (more && part < kParts) {
        interpolateCells(following + 4 * kPartPixels * part, kPartPixels, t, next + kPartPixels * part);
      }
    });
  }
  const size_t rest = count - whole * lanes;
  if (rest > 0) {
    interpolateCells(cmyk + 4 * whole * lanes, rest, t, numerators[0]);
    std::memset(numerators[0][rest], 0, (lanes - rest) * sizeof numerators[0][0]);
    groupToRgb(t, numerators[0], rest, rgb + 3 * whole * lanes, 3 * rest, [](size_t) {});
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
    std::memset(numerators, 0, sizeof numerators);
    for (size_t i = 0; i < n; ++i) {
      for (int o = 0; o < 3; ++o) numerators[i][o] = lab[3 * (start + i) + o] * (kGridCell * kReductionStep);
    }
    groupToRgb(t, numerators, n, rgb + 3 * start, 3 * (count - start), [](size_t) {});
  }
  return count;
}

#endif  // x86 vector targets

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
