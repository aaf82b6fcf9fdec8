// SampleRange<T>: the span of sample values a pixel operator reads or writes,
// from a description's bit depth, narrowed by a value window when one is set.
#ifndef KELVANE_RASTER_SAMPLE_RANGE_H
#define KELVANE_RASTER_SAMPLE_RANGE_H

#include <cmath>
#include <cstdint>

#include "kelvane/kx_exception.h"
#include "kelvane/kx_status.h"
#include "raster/sampleTraits.h"

namespace Kelvane {

// v limited to [lo, hi]; a NaN becomes lo, so that no conversion that follows
// sees a value outside its type.
inline double clampInto(double v, double lo, double hi) {
  if (!(v >= lo)) return lo;
  return v > hi ? hi : v;
}

template <typename T>
struct SampleRange {
  using Traits = SampleTraits<T>;

  T max = static_cast<T>(Traits::kHighest);
  T min = static_cast<T>(Traits::kIsFloat ? 0.0 : Traits::kLowest);

  // Every value of the type (the range of a description nobody narrowed).
  static SampleRange full() {
    SampleRange range;
    range.min = static_cast<T>(Traits::kLowest);
    range.max = static_cast<T>(Traits::kHighest);
    return range;
  }

  // [0, 2^bits - 1] for integers, limited to the type; [0, 2^bits] for
  // floats, where a power not above 0 raises KxUtilException(KX_STATUS_FLOAT_RANGE). A
  // power too small for a float (below its smallest subnormal) leaves no
  // range either and raises the same, so that no scale divides by zero.
  static SampleRange fromBitsPerSample(int32_t bits) {
    SampleRange range;
    const double power = std::pow(2.0, static_cast<double>(bits));
    range.min = 0;
    if (Traits::kIsFloat) {
      if (!(power > 0.0)) throw KxUtilException(KX_STATUS_FLOAT_RANGE);
      range.max = static_cast<T>(clampInto(power, 0.0, Traits::kHighest));
      if (!(range.max > 0)) throw KxUtilException(KX_STATUS_FLOAT_RANGE);
    } else {
      range.max = static_cast<T>(std::trunc(clampInto(power - 1.0, 0.0, Traits::kHighest)));
    }
    return range;
  }

  // Number of values covered: max - min + 1 for integers, max - min for floats.
  double width() const {
    const double span = static_cast<double>(max) - static_cast<double>(min);
    return Traits::kIsFloat ? span : span + 1.0;
  }
  float center() const { return (static_cast<float>(min) + static_cast<float>(max)) / 2.0f; }

  // Narrows to a window of `windowWidth` values around `windowCenter`: below
  // zero the minimum becomes 0, above the type's top the maximum becomes that
  // top; integer bounds are truncated toward zero.
  void narrow(float windowWidth, float windowCenter) {
    const float half = std::fmax(windowWidth - 1.0f, 0.0f) * 0.5f;
    const float lo = windowCenter - half;
    const float hi = windowCenter + half;
    min = boundFrom(lo);
    max = boundFrom(hi);
  }

 private:
  static T boundFrom(float value) {
    const double bounded = clampInto(value, 0.0, Traits::kHighest);
    return static_cast<T>(Traits::kIsFloat ? bounded : std::trunc(bounded));
  }
};

}  // namespace Kelvane

#endif  // KELVANE_RASTER_SAMPLE_RANGE_H
