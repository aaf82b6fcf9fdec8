// The screen, written once over Google Highway's vector operations and
// compiled by it for each x86 instruction set; Highway runs the best one the
// machine has. The portable target screens nothing.
#include "stages/pixelReplacer/kxv_keyScreen.h"

#include <cstddef>
#include <cstdint>

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "stages/pixelReplacer/kxv_keyScreen.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

HWY_BEFORE_NAMESPACE();
namespace Kelvane {
namespace HWY_NAMESPACE {

#if HWY_TARGET == HWY_SCALAR

size_t PixelsFarFromKey8(const uint8_t*, size_t, uint32_t, const uint8_t*, uint8_t) { return 0; }

#else

namespace hn = hwy::HWY_NAMESPACE;

// One band's distances from its key sample: |sample - key| in each lane,
// as one of the two saturating differences is 0.
template <class D>
hn::Vec<D> bandDistance(D d, hn::Vec<D> samples, uint8_t key) {
  const auto keys = hn::Set(d, key);
  return hn::Or(hn::SaturatedSub(samples, keys), hn::SaturatedSub(keys, samples));
}

// The leading far pixels of Bands samples each, a vector of pixels at a time.
// Band distances add with saturation at 255: a pixel whose sum saturates
// exceeds any tolerance below 255, so "far" is never said of a near pixel.
template <uint32_t Bands>
size_t farPixels(const uint8_t* pixels, size_t count, const uint8_t* key, uint8_t tolerance) {
  const hn::ScalableTag<uint8_t> d;
  const size_t lanes = hn::Lanes(d);
  const auto limit = hn::Set(d, tolerance);
  size_t i = 0;
  for (; i + lanes <= count; i += lanes) {
    const uint8_t* at = pixels + i * Bands;
    hn::Vec<decltype(d)> sum;
    if constexpr (Bands == 1) {
      sum = bandDistance(d, hn::LoadU(d, at), key[0]);
    } else if constexpr (Bands == 2) {
      hn::Vec<decltype(d)> a, b;
      hn::LoadInterleaved2(d, at, a, b);
      sum = hn::SaturatedAdd(bandDistance(d, a, key[0]), bandDistance(d, b, key[1]));
    } else if constexpr (Bands == 3) {
      hn::Vec<decltype(d)> a, b, c;
      hn::LoadInterleaved3(d, at, a, b, c);
      sum = hn::SaturatedAdd(hn::SaturatedAdd(bandDistance(d, a, key[0]), bandDistance(d, b, key[1])),
                             bandDistance(d, c, key[2]));
    } else {
      hn::Vec<decltype(d)> a, b, c, e;
      hn::LoadInterleaved4(d, at, a, b, c, e);
      sum = hn::SaturatedAdd(hn::SaturatedAdd(bandDistance(d, a, key[0]), bandDistance(d, b, key[1])),
                             hn::SaturatedAdd(bandDistance(d, c, key[2]), bandDistance(d, e, key[3])));
    }
    if (!hn::AllTrue(d, hn::Gt(sum, limit))) return i;
  }
  return i;
}

size_t PixelsFarFromKey8(const uint8_t* pixels, size_t count, uint32_t bands, const uint8_t* key, uint8_t tolerance) {
  switch (bands) {
    case 1: return farPixels<1>(pixels, count, key, tolerance);
    case 2: return farPixels<2>(pixels, count, key, tolerance);
    case 3: return farPixels<3>(pixels, count, key, tolerance);
    case 4: return farPixels<4>(pixels, count, key, tolerance);
    default: return 0;
  }
}

#endif  // HWY_TARGET == HWY_SCALAR

}  // namespace HWY_NAMESPACE
}  // namespace Kelvane
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace Kelvane {

HWY_EXPORT(PixelsFarFromKey8);

size_t KxvPixelsFarFromKey8(const uint8_t* pixels, size_t count, uint32_t bands, const uint8_t* key,
                            int32_t tolerance) {
  // No distance is below 0; at 255 and above a saturated sum tells nothing.
  if (tolerance < 0) return count;
  if (tolerance >= 255) return 0;
  return HWY_DYNAMIC_DISPATCH(PixelsFarFromKey8)(pixels, count, bands, key, static_cast<uint8_t>(tolerance));
}

}  // namespace Kelvane
#endif  // HWY_ONCE
