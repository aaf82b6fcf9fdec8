// The grey row kernel, written once over Google Highway's vector operations
// and compiled by it for each x86 instruction set (SSSE3, SSE4, AVX2,
// AVX-512); Highway runs the best one the machine has. The portable target,
// one lane wide with this compiler, and builds without Highway's run-time
// library take the scalar loop.
#include "raster/colorSpace/grayscaleRows.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "raster/colorSpace/sampleConversion.h"

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "raster/colorSpace/grayscaleRows.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

HWY_BEFORE_NAMESPACE();
namespace Kelvane {
namespace HWY_NAMESPACE {

#if HWY_TARGET == HWY_SCALAR

size_t GrayscaleRow8(uint8_t*, const uint8_t*, const RgbPositions&, size_t) { return 0; }

#else

namespace hn = hwy::HWY_NAMESPACE;

using Bytes = hn::Full128<uint8_t>;  // one 16-byte load: four pixels and a spare
using Quad = hn::Full128<int32_t>;   // one band of those four pixels

// One band of the next Lanes(di) pixels as 32-bit lanes: each 16-byte load
// holds four pixels, whose band bytes the shuffle moves into the low bytes of
// the lanes (the other bytes become 0).
template <class DI>
hn::Vec<DI> bandOf(DI di, const uint8_t* rgb, const hn::Vec<Bytes>& shuffle) {
  const Bytes bytes;
  const Quad quad;
  const auto first = hn::BitCast(quad, hn::TableLookupBytesOr0(hn::LoadU(bytes, rgb), shuffle));
  if constexpr (hn::MaxLanes(DI()) < 4) {
    return hn::LowerHalf(di, first);
  } else if constexpr (hn::MaxLanes(DI()) == 4) {
    return first;
  } else {
    static_assert(hn::MaxLanes(DI()) == 8, "eight pixels at most: two loads");
    const auto second = hn::BitCast(quad, hn::TableLookupBytesOr0(hn::LoadU(bytes, rgb + 12), shuffle));
    return hn::Combine(di, second, first);
  }
}

// (0.3 R + 0.6 G) + 0.1 B in doubles, one pixel a lane, with the scalar
// loop's operations in its order, so each sum is that loop's double. Sums
// lie in 0..255: truncation to 32 bits, then to 8, keeps the low byte.
// Returns how many pixels it converted; its loads stay inside the row.
size_t GrayscaleRow8(uint8_t* grey, const uint8_t* rgb, const RgbPositions& at, size_t count) {
  const hn::ScalableTag<double> df;
  const hn::Rebind<int32_t, decltype(df)> di;
  const hn::Rebind<uint8_t, decltype(df)> d8;
  const size_t lanes = hn::Lanes(df);
  const size_t loads = (lanes + 3) / 4;
  // Byte 4 j of a band's shuffle picks that band of pixel j; -1 gives 0.
  alignas(16) int8_t shuffles[3][16];
  std::memset(shuffles, -1, sizeof shuffles);
  const uint32_t positions[3] = {at.r, at.g, at.b};
  for (int band = 0; band < 3; ++band) {
    for (int pixel = 0; pixel < 4; ++pixel)
      shuffles[band][4 * pixel] = static_cast<int8_t>(3 * pixel + positions[band]);
  }
  const Bytes bytes;
  const auto red = hn::Load(bytes, reinterpret_cast<const uint8_t*>(shuffles[0]));
  const auto green = hn::Load(bytes, reinterpret_cast<const uint8_t*>(shuffles[1]));
  const auto blue = hn::Load(bytes, reinterpret_cast<const uint8_t*>(shuffles[2]));
  const auto kRed = hn::Set(df, 0.3);
  const auto kGreen = hn::Set(df, 0.6);
  const auto kBlue = hn::Set(df, 0.1);
  size_t i = 0;
  for (; 3 * (i + 4 * (loads - 1)) + 16 <= 3 * count; i += lanes) {
    const uint8_t* pixels = rgb + 3 * i;
    const auto r = hn::PromoteTo(df, bandOf(di, pixels, red));
    const auto g = hn::PromoteTo(df, bandOf(di, pixels, green));
    const auto b = hn::PromoteTo(df, bandOf(di, pixels, blue));
    const auto sum = hn::Add(hn::Add(hn::Mul(kRed, r), hn::Mul(kGreen, g)), hn::Mul(kBlue, b));
    hn::StoreU(hn::DemoteTo(d8, hn::DemoteTo(di, sum)), d8, grey + i);
  }
  return i;
}

#endif  // HWY_TARGET == HWY_SCALAR

}  // namespace HWY_NAMESPACE
}  // namespace Kelvane
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace Kelvane {

HWY_EXPORT(GrayscaleRow8);

void rgbToGrayscaleRow8Scalar(uint8_t* grey, const uint8_t* rgb, const RgbPositions& at, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* pixel = rgb + 3 * i;
    const double sum = 0.3 * pixel[at.r] + 0.6 * pixel[at.g] + 0.1 * pixel[at.b];
    grey[i] = static_cast<uint8_t>(wrappedInteger(sum, 256.0));
  }
}

void rgbToGrayscaleRow8(uint8_t* grey, const uint8_t* rgb, const RgbPositions& at, size_t count) {
  const size_t done = HWY_DYNAMIC_DISPATCH(GrayscaleRow8)(grey, rgb, at, count);
  rgbToGrayscaleRow8Scalar(grey + done, rgb + 3 * done, at, count - done);
}

}  // namespace Kelvane
#endif  // HWY_ONCE
