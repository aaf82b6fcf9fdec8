// The synthetic image every fake upstream serves: each sample is computed from
// its column, row, band and magnification, so any decoded scene can be
// checked exactly without stored reference pictures.
//
// Samples travel as uint32_t bit patterns: 8- and 16-bit samples zero-extended
// (signed ones as their two's-complement byte or word, so 0xFF is -1 for a
// signed 8-bit sample), 32-bit float samples as their IEEE-754 bits.
#ifndef KELVANE_FAKES_SYNTHETIC_SAMPLES_H
#define KELVANE_FAKES_SYNTHETIC_SAMPLES_H

#include <cstdint>
#include <cstring>

#include "kelvane/kx_lib_sp_xform.h"

namespace Kelvane::Fakes {

// The magnification folded into the sample values: thousandths, rounded.
// Callers pass a finite positive magnification below 1e6.
uint32_t SyntheticMagKey(double mag);

// Mixes position, band and magnification into 16 bits. The high byte steps
// by one with the column, so a row of 256 pixels uses every 8-bit value and
// every high byte of 16-bit samples; the low byte is a different permutation
// of the same steps, so both bytes of a 16-bit sample vary from pixel to pixel.
inline uint32_t SyntheticCode(int64_t x, int64_t y, uint32_t band, uint32_t magKey) {
  const uint32_t code = static_cast<uint32_t>(x) + 29u * static_cast<uint32_t>(y) + 101u * band + 37u * magKey;
  const uint32_t high = code & 0xFFu;
  const uint32_t low = (high * 167u + (code >> 8)) & 0xFFu;
  return (high << 8) | low;
}

// Bit pattern of one synthetic sample of host type kType. 8-bit types take the
// high byte, 16-bit types the whole code, floats the code centred on zero in
// quarters (every such value is exact in a float, and half of them negative).
template <uint32_t kType>
inline uint32_t SyntheticBits(int64_t x, int64_t y, uint32_t band, uint32_t magKey) {
  const uint32_t code = SyntheticCode(x, y, band, magKey);
  if constexpr (kType == KX_TYPE_U8 || kType == KX_TYPE_S8) {
    return code >> 8;
  } else if constexpr (kType == KX_TYPE_U16 || kType == KX_TYPE_S16) {
    return code;
  } else {
    static_assert(kType == KX_TYPE_F32, "host sample types are 0, 1, 2, 3 and 10");
    const float value = static_cast<float>(static_cast<int32_t>(code) - 32768) * 0.25f;
    uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
  }
}

// Run-time forms of the above; an unknown type gives 0.
uint32_t SyntheticSampleBits(int64_t x, int64_t y, uint32_t band, double mag, uint32_t type);

// A numeric value as the bit pattern of a sample of `type`: integer types are
// rounded and clamped to their range; an unknown type gives 0.
uint32_t EncodeSampleBits(double value, uint32_t type);

// The numeric value of a sample bit pattern (signed types sign-extended).
double DecodeSampleBits(uint32_t bits, uint32_t type);

}  // namespace Kelvane::Fakes

#endif  // KELVANE_FAKES_SYNTHETIC_SAMPLES_H
