#include "raster/colorSpace/sampleConversion.h"

namespace Kelvane {

// Values beyond 32 bits, infinities and NaN: rare, so kept out of line.
uint32_t wrappedLargeInteger(double v, double modulus) {
  if (!std::isfinite(v)) return 0;
  const double remainder = std::fmod(std::trunc(v), modulus);  // exact, sign of v
  return static_cast<uint32_t>(remainder < 0.0 ? remainder + modulus : remainder);
}

}  // namespace Kelvane
