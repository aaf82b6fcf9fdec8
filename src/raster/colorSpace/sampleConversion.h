// Conversions of formula results into sample values, defined for every
// double: the conversion into the source type (integers keep the low bits of
// the value truncated toward zero, so results outside the type wrap around),
// clamping into a destination range, and the curve index of a float sample.
#ifndef KELVANE_RASTER_COLOR_SPACE_SAMPLE_CONVERSION_H
#define KELVANE_RASTER_COLOR_SPACE_SAMPLE_CONVERSION_H

#include <cmath>
#include <cstdint>
#include <limits>

#include "raster/sampleRange.h"
#include "raster/sampleTraits.h"

namespace Kelvane {

// Float samples follow IEEE 754: a double beyond the float range converts to
// an infinity, and NaNs survive conversion.
static_assert(std::numeric_limits<float>::is_iec559 && std::numeric_limits<double>::is_iec559,
              "colour arithmetic needs IEEE 754 floating point");

// The low bits of v truncated toward zero, as an unsigned count below
// `modulus` (256 or 65536). Values beyond the 32-bit range take the exact
// remainder of their integer value; NaN and infinities give 0.
uint32_t wrappedLargeInteger(double v, double modulus);

inline uint32_t wrappedInteger(double v, double modulus) {
  if (v > -2147483649.0 && v < 2147483648.0) {
    // The conversion truncates toward zero; two's complement keeps the low
    // bits of a negative value as well.
    return static_cast<uint32_t>(static_cast<int32_t>(v)) & static_cast<uint32_t>(modulus - 1.0);
  }
  return wrappedLargeInteger(v, modulus);
}

// A formula's result as a sample of the source type (written ->src).
template <typename Src>
Src toSourceSample(double v) {
  if constexpr (SampleTraits<Src>::kIsFloat) {
    return static_cast<Src>(v);
  } else {
    return static_cast<Src>(wrappedInteger(v, SampleTraits<Src>::kHighest + 1.0));
  }
}

// v limited to a destination range, truncated toward zero for an integer
// destination; NaN gives the range's minimum.
template <typename Dst>
Dst clampToRange(double v, const SampleRange<Dst>& range) {
  return static_cast<Dst>(clampInto(v, static_cast<double>(range.min), static_cast<double>(range.max)));
}

// A float sample used as an 8-bit curve index: truncated toward zero and
// limited to 0..255; NaN gives 0.
inline uint8_t curveIndexOf(float v) {
  return static_cast<uint8_t>(clampInto(std::trunc(static_cast<double>(v)), 0.0, 255.0));
}

}  // namespace Kelvane

#endif  // KELVANE_RASTER_COLOR_SPACE_SAMPLE_CONVERSION_H
