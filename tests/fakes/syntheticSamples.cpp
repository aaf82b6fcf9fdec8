#include "fakes/syntheticSamples.h"

#include <algorithm>
#include <limits>

namespace Kelvane::Fakes {

uint32_t SyntheticSampleBits(int64_t x, int64_t y, uint32_t band, double mag, uint32_t type) {
  uint32_t bits = 0;
  ForHostType(type, [&](auto kind) { bits = SyntheticBits<decltype(kind)::value>(x, y, band, SyntheticMagKey(mag)); });
  return bits;
}

uint32_t EncodeSampleBits(double value, uint32_t type) {
  uint32_t bits = 0;
  ForHostType(type, [&](auto kind) {
    using Number = SampleNumber<decltype(kind)::value>;
    // Integers are rounded and clamped to their range; floats only narrowed.
    if constexpr (std::is_integral_v<Number>) {
      value = std::min(std::max(std::round(value), static_cast<double>(std::numeric_limits<Number>::lowest())),
                       static_cast<double>(std::numeric_limits<Number>::max()));
    }
    const Number number = static_cast<Number>(value);
    bits = LoadSample<decltype(kind)::value>(&number);
  });
  return bits;
}

}  // namespace Kelvane::Fakes
