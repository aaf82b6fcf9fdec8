// The vector side of PixelRow (pixelRow.h): compact three- or four-band
// pixels loaded into one double vector per band and stored back from them,
// and a formula's result turned into a destination sample as the scalar
// mapResult does it (into the source type, then scaled and limited into the
// destination range), with its operations in its order, so every lane equals
// the scalar result bit for bit. One pixel a lane, as many as a double vector
// holds.
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

// Samples of type T as doubles (exact for every value of the three types).
template <typename T, class V>
HWY_INLINE PixelVec widened(V samples) {
  const PixelTag df;
  if constexpr (SampleTraits<T>::kIsFloat) {
    return hn::PromoteTo(df, samples);
  } else {
    return hn::PromoteTo(df, hn::PromoteTo(hn::Rebind<int32_t, PixelTag>(), samples));
  }
}

// Doubles already limited to T's values (whole or not) as samples of T:
// integers truncated toward zero, floats rounded to nearest.
template <typename T>
HWY_INLINE hn::Vec<hn::Rebind<T, PixelTag>> narrowed(PixelVec v) {
  const hn::Rebind<T, PixelTag> dt;
  if constexpr (SampleTraits<T>::kIsFloat) {
    return hn::DemoteTo(dt, v);
  } else {
    return hn::DemoteTo(dt, hn::DemoteTo(hn::Rebind<int32_t, PixelTag>(), v));
  }
}

// Lanes() pixels of N samples of type T (three or four) from `pixels`; band
// i is the sample at[i] of each.
template <typename T, size_t N>
HWY_INLINE void loadPixels(const T* pixels, const uint8_t (&at)[kMaxRowBands], PixelVec (&bands)[N]) {
  static_assert(N == 3 || N == 4, "three- or four-sample pixels");
  const hn::Rebind<T, PixelTag> dt;
  hn::Vec<decltype(dt)> samples[4];
  if constexpr (N == 3) {
    hn::LoadInterleaved3(dt, pixels, samples[0], samples[1], samples[2]);
  } else {
    hn::LoadInterleaved4(dt, pixels, samples[0], samples[1], samples[2], samples[3]);
  }
  for (size_t band = 0; band < N; ++band) bands[band] = widened<T>(samples[at[band]]);
}

// The inverse of loadPixels for values already limited to T's values.
template <typename T, size_t N>
HWY_INLINE void storePixels(const PixelVec (&bands)[N], const uint8_t (&at)[kMaxRowBands], T* pixels) {
  static_assert(N == 3 || N == 4, "three- or four-sample pixels");
  const hn::Rebind<T, PixelTag> dt;
  hn::Vec<decltype(dt)> samples[4];
  for (size_t band = 0; band < N; ++band) samples[at[band]] = narrowed<T>(bands[band]);
  if constexpr (N == 3) {
    hn::StoreInterleaved3(samples[0], samples[1], samples[2], dt, pixels);
  } else {
    hn::StoreInterleaved4(samples[0], samples[1], samples[2], samples[3], dt, pixels);
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
    const PixelVec s = clampInto(asSourceSample(v), sourceMin_, sourceMax_);
    PixelVec t = hn::Add(hn::Mul(hn::Sub(s, sourceMin_), scale_), destinationMin_);
    if constexpr (!SampleTraits<Src>::kIsFloat && SampleTraits<Dst>::kIsFloat) t = hn::Trunc(t);
    return clampInto(t, destinationMin_, destinationMax_);
  }

 private:
  // toSourceSample: floats rounded to single precision; integers keep the
  // low bits of the value truncated toward zero, t - m floor(t / m) for the
  // type's modulus m, exact for every finite double (m is a power of two and
  // the result a whole number below m); NaN and infinities give 0.
  static HWY_INLINE PixelVec asSourceSample(PixelVec v) {
    if constexpr (SampleTraits<Src>::kIsFloat) {
      return roundedToFloat(v);
    } else {
      const PixelTag df;
      const double m = SampleTraits<Src>::kHighest + 1.0;
      const PixelVec modulus = hn::Set(df, m);
      const PixelVec t = hn::Trunc(v);
      const PixelVec low = hn::Sub(t, hn::Mul(hn::Floor(hn::Mul(t, hn::Set(df, 1.0 / m))), modulus));
      return hn::IfThenElseZero(hn::Lt(hn::Abs(v), hn::Set(df, HUGE_VAL)), low);
    }
  }

  PixelVec sourceMin_, sourceMax_, scale_, destinationMin_, destinationMax_;
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
