#include "fakes/syntheticSamples.h"

#include <algorithm>
#include <cmath>

namespace Kelvane::Fakes {

uint32_t SyntheticMagKey(double mag) { return static_cast<uint32_t>(std::llround(mag * 1000.0)); }

uint32_t SyntheticSampleBits(int64_t x, int64_t y, uint32_t band, double mag, uint32_t type) {
  const uint32_t key = SyntheticMagKey(mag);
  switch (type) {
    case KX_TYPE_U8: return SyntheticBits<KX_TYPE_U8>(x, y, band, key);
    case KX_TYPE_S8: return SyntheticBits<KX_TYPE_S8>(x, y, band, key);
    case KX_TYPE_U16: return SyntheticBits<KX_TYPE_U16>(x, y, band, key);
    case KX_TYPE_S16: return SyntheticBits<KX_TYPE_S16>(x, y, band, key);
    case KX_TYPE_F32: return SyntheticBits<KX_TYPE_F32>(x, y, band, key);
    default: return 0;
  }
}

namespace {

// Rounds and clamps to [low, high], then keeps the low `mask` bits of the
// two's-complement result.
uint32_t ClampedPattern(double value, double low, double high, uint32_t mask) {
  const double clamped = std::min(std::max(std::round(value), low), high);
  return static_cast<uint32_t>(static_cast<int32_t>(clamped)) & mask;
}

}  // namespace

uint32_t EncodeSampleBits(double value, uint32_t type) {
  switch (type) {
    case KX_TYPE_U8: return ClampedPattern(value, 0.0, 255.0, 0xFFu);
    case KX_TYPE_S8: return ClampedPattern(value, -128.0, 127.0, 0xFFu);
    case KX_TYPE_U16: return ClampedPattern(value, 0.0, 65535.0, 0xFFFFu);
    case KX_TYPE_S16: return ClampedPattern(value, -32768.0, 32767.0, 0xFFFFu);
    case KX_TYPE_F32: {
      const float narrowed = static_cast<float>(value);
      uint32_t bits = 0;
      std::memcpy(&bits, &narrowed, sizeof bits);
      return bits;
    }
    default: return 0;
  }
}

double DecodeSampleBits(uint32_t bits, uint32_t type) {
  switch (type) {
    case KX_TYPE_U8: return static_cast<double>(bits & 0xFFu);
    case KX_TYPE_S8: return static_cast<double>(static_cast<int8_t>(static_cast<uint8_t>(bits)));
    case KX_TYPE_U16: return static_cast<double>(bits & 0xFFFFu);
    case KX_TYPE_S16: return static_cast<double>(static_cast<int16_t>(static_cast<uint16_t>(bits)));
    case KX_TYPE_F32: {
      float value = 0.0f;
      std::memcpy(&value, &bits, sizeof value);
      return static_cast<double>(value);
    }
    default: return 0.0;
  }
}

}  // namespace Kelvane::Fakes
