// Row copies written with streaming stores, which bypass the caches, for
// outputs far larger than the caches are: plain stores would first read
// every destination line they overwrite, a third more memory traffic.
//
// Compiled once per instruction set: included by the vector kernels' files
// inside Highway's per-target pass, hence the toggled guard.
#if defined(KELVANE_RASTER_VECTOR_STREAMING_STORES_INL_H_) == defined(HWY_TARGET_TOGGLE)
#ifdef KELVANE_RASTER_VECTOR_STREAMING_STORES_INL_H_
#undef KELVANE_RASTER_VECTOR_STREAMING_STORES_INL_H_
#else
#define KELVANE_RASTER_VECTOR_STREAMING_STORES_INL_H_
#endif

#include <hwy/highway.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

HWY_BEFORE_NAMESPACE();
namespace Kelvane {
namespace HWY_NAMESPACE {
#if HWY_TARGET != HWY_SCALAR

namespace hn = hwy::HWY_NAMESPACE;

// Copies `bytes` bytes: the bytes short of an aligned destination plainly,
// then whole vectors streamed to aligned addresses, then the rest plainly.
// A streamed row needs hwy::FlushStream() before anyone else reads it.
HWY_INLINE void copyRowStreaming(uint8_t* to, const uint8_t* from, size_t bytes) {
  const hn::ScalableTag<uint8_t> d;
  const size_t lanes = hn::Lanes(d);
  size_t i = std::min(bytes, (lanes - reinterpret_cast<uintptr_t>(to) % lanes) % lanes);
  std::memcpy(to, from, i);
  for (; i + lanes <= bytes; i += lanes) hn::Stream(hn::LoadU(d, from + i), d, to + i);
  std::memcpy(to + i, from + i, bytes - i);
}

// Streams v to `to`, which need only be aligned to 16 bytes: a wide vector
// goes out as its 128-bit blocks, so that a row's end can be aligned for
// streaming without taking its loads off their alignment.
template <class D>
HWY_INLINE void streamBlocks(D d, hn::Vec<D> v, uint8_t* to) {
  if constexpr (hn::MaxLanes(D()) * sizeof(hn::TFromD<D>) > 16) {
    const hn::Half<D> half;
    streamBlocks(half, hn::LowerHalf(half, v), to);
    streamBlocks(half, hn::UpperHalf(half, v), to + hn::MaxLanes(half) * sizeof(hn::TFromD<D>));
  } else {
    hn::Stream(v, d, to);
  }
}

#endif  // HWY_TARGET != HWY_SCALAR
}  // namespace HWY_NAMESPACE
}  // namespace Kelvane
HWY_AFTER_NAMESPACE();

#endif  // KELVANE_RASTER_VECTOR_STREAMING_STORES_INL_H_
