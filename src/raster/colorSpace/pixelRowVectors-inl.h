// The vector side of PixelRow (pixelRow.h): compact three- or four-band
// pixels loaded into one double vector per band and stored back from them,
// and a formula's result turned into a destination sample as the scalar
// mapResult does it (into the source type, then scaled and limited into the
// destination range), with its operations in its order, so every lane equals
// the scalar result bit for bit. One pixel a lane, as many as a double vector
// holds, two vectors a group.
//
// Compiled once per instruction set: included by the row kernels inside
// Highway's per-target pass, hence the toggled guard.
#if defined(KELVANE_RASTER_COLOR_SPACE_PIXEL_ROW_VECTORS_INL_H_) == defined(HWY_TARGET_TOGGLE)
#ifdef KELVANE_RASTER_COLOR_SPACE_PIXEL_ROW_VECTORS_INL_H_
#undef KELVANE_RASTER_COLOR_SPACE_PIXEL_ROW_VECTORS_INL_H_
#else
#define KELVANE_RASTER_COLOR_SPACE_PIXEL_ROW_VECTORS_INL_H_
#endif

#include <hwy/highway.h>

#include <cmath>
#include <cstddef>
#include <cstdint>

#include "raster/colorSpace/pixelRow.h"
#include "raster/sampleTraits.h"

HWY_BEFORE_NAMESPACE();
namespace Kelvane {
namespace HWY_NAMESPACE {
#if HWY_TARGET != HWY_SCALAR && HWY_TARGET != HWY_EMU128

namespace hn = hwy::HWY_NAMESPACE;

// One pixel a lane.
using PixelTag = hn::ScalableTag<double>;
using PixelVec = hn::Vec<PixelTag>;

// Calls fn with a value of the sample type of a code (8-bit, 16-bit or
// float); 0 pixels done for any other code.
template <typename Fn>
size_t withRowSampleType(uint32_t type, Fn&& fn) {
  switch (type) {
    case kSampleUInt8: return fn(E{});
    case kSampleUInt16: return fn(G{});
    case kSampleFloat32: return fn(M{});
    default: return 0;
  }
}

// clampInto: v limited to [lo, hi], NaN giving lo; both tests read the
// original v, as the scalar branches do.
HWY_INLINE PixelVec clampInto(PixelVec v, PixelVec lo, PixelVec hi) {
  return hn::IfThenElse(hn::Ge(v, lo), hn::IfThenElse(hn::Gt(v, hi), hi, v), lo);
}

// std::min(a, b): b only when it is less than a.
HWY_INLINE PixelVec lesser(PixelVec a, PixelVec b) { return hn::IfThenElse(hn::Lt(b, a), b, a); }

// A double rounded to single precision and widened again.
HWY_INLINE PixelVec roundedToFloat(PixelVec v) {
  const PixelTag df;
  return hn::PromoteTo(df, hn::DemoteTo(hn::Rebind<float, PixelTag>(), v));
}

// A group of pixels: one 32-bit lane each, converted as two double vectors
// (its lower and upper half), so that the group's narrow samples load and
// store at once and the two halves' arithmetic interleaves.
using GroupTag = hn::ScalableTag<int32_t>;
using HalfTag = hn::Half<GroupTag>;
static_assert(hn::MaxLanes(GroupTag()) == 2 * hn::MaxLanes(PixelTag()), "a group is two double vectors");

// A group's samples of type T as doubles in two halves (exact for every
// value of the three types).
template <typename T, class V>
HWY_INLINE void widened(V samples, PixelVec& low, PixelVec& high) {
  const PixelTag df;
  if constexpr (SampleTraits<T>::kIsFloat) {
    const hn::Half<hn::Rebind<float, GroupTag>> dh;
    low = hn::PromoteTo(df, hn::LowerHalf(dh, samples));
    high = hn::PromoteTo(df, hn::UpperHalf(dh, samples));
  } else {
    const HalfTag dh;
    const auto whole = hn::PromoteTo(GroupTag(), samples);
    low = hn::PromoteTo(df, hn::LowerHalf(dh, whole));
    high = hn::PromoteTo(df, hn::UpperHalf(dh, whole));
  }
}

// Two halves of doubles already limited to T's values (whole or not) as a
// group's samples of T: integers truncated toward zero, floats rounded to
// nearest.
template <typename T>
HWY_INLINE hn::Vec<hn::Rebind<T, GroupTag>> narrowed(PixelVec low, PixelVec high) {
  if constexpr (SampleTraits<T>::kIsFloat) {
    const hn::Rebind<float, GroupTag> dg;
    const hn::Half<decltype(dg)> dh;
    return hn::Combine(dg, hn::DemoteTo(dh, high), hn::DemoteTo(dh, low));
  } else {
    const HalfTag dh;
    const auto whole = hn::Combine(GroupTag(), hn::DemoteTo(dh, high), hn::DemoteTo(dh, low));
    return hn::DemoteTo(hn::Rebind<T, GroupTag>(), whole);
  }
}

// A group of pixels of N samples of type T (three or four) from `pixels`;
// band i is the sample at[i] of each.
template <typename T, size_t N>
HWY_INLINE void loadPixels(const T* pixels, const uint8_t (&at)[kMaxRowBands], PixelVec (&low)[N],
                           PixelVec (&high)[N]) {
  static_assert(N == 3 || N == 4, "three- or four-sample pixels");
  const hn::Rebind<T, GroupTag> dt;
  hn::Vec<decltype(dt)> samples[4];
  if constexpr (N == 3) {
    hn::LoadInterleaved3(dt, pixels, samples[0], samples[1], samples[2]);
  } else {
    hn::LoadInterleaved4(dt, pixels, samples[0], samples[1], samples[2], samples[3]);
  }
  for (size_t band = 0; band < N; ++band) widened<T>(samples[at[band]], low[band], high[band]);
}

// The inverse of loadPixels for values already limited to T's values.
template <typename T, size_t N>
HWY_INLINE void storePixels(const PixelVec (&low)[N], const PixelVec (&high)[N], const uint8_t (&at)[kMaxRowBands],
                            T* pixels) {
  static_assert(N == 3 || N == 4, "three- or four-sample pixels");
  const hn::Rebind<T, GroupTag> dt;
  hn::Vec<decltype(dt)> samples[4];
  for (size_t band = 0; band < N; ++band) samples[at[band]] = narrowed<T>(low[band], high[band]);
  if constexpr (N == 3) {
    hn::StoreInterleaved3(samples[0], samples[1], samples[2], dt, pixels);
  } else {
    hn::StoreInterleaved4(samples[0], samples[1], samples[2], samples[3], dt, pixels);
  }
}

// toSourceSample: floats rounded to single precision; integers keep the low
// bits of the value truncated toward zero, t - m floor(t / m) for the type's
// modulus m, exact for every finite double (m is a power of two and the
// result a whole number below m, never -0); NaN and infinities give 0.
template <typename Src>
HWY_INLINE PixelVec asSourceSample(PixelVec v) {
  if constexpr (SampleTraits<Src>::kIsFloat) {
    return roundedToFloat(v);
  } else {
    const PixelTag df;
    const double m = SampleTraits<Src>::kHighest + 1.0;
    const PixelVec t = hn::Trunc(v);
    const PixelVec low = hn::Sub(t, hn::Mul(hn::Floor(hn::Mul(t, hn::Set(df, 1.0 / m))), hn::Set(df, m)));
    return hn::IfThenElseZero(hn::Lt(hn::Abs(v), hn::Set(df, HUGE_VAL)), low);
  }
}

// The PixelRow's mapping of formula results into destination samples of
// Dst, from a source of Src.
template <typename Dst, typename Src>
class ResultMapping {
 public:
  explicit ResultMapping(const PixelRow& row)
      : sourceMin_(hn::Set(PixelTag(), row.sourceMin)),
        sourceMax_(hn::Set(PixelTag(), row.sourceMax)),
        scale_(hn::Set(PixelTag(), row.scale)),
        destinationMin_(hn::Set(PixelTag(), row.destinationMin)),
        destinationMax_(hn::Set(PixelTag(), row.destinationMax)) {}

  // mapResult: the value as a source sample, then mapSample of it, as a
  // double holding a Dst value.
  HWY_INLINE PixelVec operator()(PixelVec v) const {
    const PixelVec s = clampInto(asSourceSample<Src>(v), sourceMin_, sourceMax_);
    PixelVec t = hn::Add(hn::Mul(hn::Sub(s, sourceMin_), scale_), destinationMin_);
    if constexpr (!SampleTraits<Src>::kIsFloat && SampleTraits<Dst>::kIsFloat) t = hn::Trunc(t);
    return clampInto(t, destinationMin_, destinationMax_);
  }

 private:
  PixelVec sourceMin_, sourceMax_, scale_, destinationMin_, destinationMax_;
};

// mapResult where it reduces to the conversion into the source type: an
// integer source and destination sharing the source type's whole range
// with a scale of 1 (8-bit to 8-bit, 16-bit to 16-bit, the in-between CMYK
// of YIQK to RGB). The converted value is a whole number in that range and
// not -0, which both limits and (s - 0) x 1 + 0 leave as it is.
template <typename Src>
class SourceSampleMapping {
 public:
  explicit SourceSampleMapping(const PixelRow&) {}
  HWY_INLINE PixelVec operator()(PixelVec v) const { return asSourceSample<Src>(v); }

  static bool applies(const PixelRow& row) {
    const double top = SampleTraits<Src>::kHighest;
    return !SampleTraits<Src>::kIsFloat && row.sourceMin == 0.0 && row.destinationMin == 0.0 && row.sourceMax == top &&
           row.destinationMax == top && row.scale == 1.0;
  }
};

// The destination range alone: results limited into it, as clampToRange
// does, for the kinds that write them without mapResult.
class RangeLimit {
 public:
  explicit RangeLimit(const PixelRow& row)
      : destinationMin_(hn::Set(PixelTag(), row.destinationMin)),
        destinationMax_(hn::Set(PixelTag(), row.destinationMax)) {}
  HWY_INLINE PixelVec operator()(PixelVec v) const { return clampInto(v, destinationMin_, destinationMax_); }

 private:
  PixelVec destinationMin_, destinationMax_;
};

#endif  // vector targets
}  // namespace HWY_NAMESPACE
}  // namespace Kelvane
HWY_AFTER_NAMESPACE();

#endif  // toggled guard
