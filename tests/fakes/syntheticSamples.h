// The synthetic image every fake upstream serves: each sample is computed from
// its column, row, band and magnification, so any decoded scene can be
// checked exactly without stored reference pictures.
//
// Samples travel as uint32_t bit patterns: 8- and 16-bit samples zero-extended
// (signed ones as their two's-complement byte or word, so 0xFF is -1 for a
// signed 8-bit sample), 32-bit float samples as their IEEE-754 bits.
#ifndef KELVANE_FAKES_SYNTHETIC_SAMPLES_H
#define KELVANE_FAKES_SYNTHETIC_SAMPLES_H

#include <cmath>
#include <cstdint>
#include <cstring>
#include <tuple>
#include <type_traits>

#include "kelvane/kx_lib_sp_xform.h"

namespace Kelvane::Fakes {

// Calls fn(std::integral_constant<uint32_t, type>) once for a known host
// sample type, so the type is chosen once per call; false for an unknown type.
template <typename Fn>
bool ForHostType(uint32_t type, Fn&& fn) {
  switch (type) {
    case KX_TYPE_U8: fn(std::integral_constant<uint32_t, KX_TYPE_U8>()); return true;
    case KX_TYPE_S8: fn(std::integral_constant<uint32_t, KX_TYPE_S8>()); return true;
    case KX_TYPE_U16: fn(std::integral_constant<uint32_t, KX_TYPE_U16>()); return true;
    case KX_TYPE_S16: fn(std::integral_constant<uint32_t, KX_TYPE_S16>()); return true;
    case KX_TYPE_F32: fn(std::integral_constant<uint32_t, KX_TYPE_F32>()); return true;
    default: return false;
  }
}

// The number one sample of host type kType holds, and the unsigned word of
// the same width that carries its bit pattern.
template <uint32_t kType>
using SampleNumber =
    std::tuple_element_t<kType == KX_TYPE_F32 ? 4 : kType, std::tuple<uint8_t, int8_t, uint16_t, int16_t, float>>;
template <uint32_t kType>
using SampleWord = std::tuple_element_t<sizeof(SampleNumber<kType>) / 2, std::tuple<uint8_t, uint16_t, uint32_t>>;

// Stores / loads the bit pattern of one sample of host type kType at `at`.
template <uint32_t kType>
void StoreSample(void* at, uint32_t bits) {
  const SampleWord<kType> word = static_cast<SampleWord<kType>>(bits);
  std::memcpy(at, &word, sizeof word);
}
template <uint32_t kType>
uint32_t LoadSample(const void* at) {
  SampleWord<kType> word = 0;
  std::memcpy(&word, at, sizeof word);
  return word;
}

// Mixes position, band and magnification (thousandths) into 16 bits. The high
// byte steps by one with the column, so a row of 256 pixels uses every 8-bit
// value and every high byte of 16-bit samples; the low byte is a different
// permutation of the same steps, so both bytes of a 16-bit sample vary.
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
  if constexpr (std::is_integral_v<SampleNumber<kType>>) {
    return code >> (8 * (2 - sizeof(SampleNumber<kType>)));
  } else {
    const float value = static_cast<float>(static_cast<int32_t>(code) - 32768) * 0.25f;
    return LoadSample<kType>(&value);
  }
}

// The magnification folded into the sample values: thousandths, rounded.
// Callers pass a finite positive magnification below 1e6.
inline uint32_t SyntheticMagKey(double mag) { return static_cast<uint32_t>(std::llround(mag * 1000.0)); }

// Run-time form of SyntheticBits; an unknown type gives 0.
uint32_t SyntheticSampleBits(int64_t x, int64_t y, uint32_t band, double mag, uint32_t type);

// A numeric value as the bit pattern of a sample of `type`: integer types are
// rounded and clamped to their range; an unknown type gives 0.
uint32_t EncodeSampleBits(double value, uint32_t type);

}  // namespace Kelvane::Fakes

#endif  // KELVANE_FAKES_SYNTHETIC_SAMPLES_H
