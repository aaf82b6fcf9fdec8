// Vector kernels for planes of packed pixels, written once over Google
// Highway's portable vector operations and compiled by it for each x86
// instruction set (SSSE3, SSE4, AVX2, AVX-512); Highway picks the best one the
// machine runs on the first call. Highway was chosen over hand-written
// intrinsics behind compiler target attributes because it brings the
// per-target compilation, the CPU detection and a way for tests to force each
// target, and because its whole-vector operations (interleaved loads and
// stores of 3 and 4 bands, widening multiplies) serve the colour-space
// kernels too, which would otherwise need their shuffles written per
// instruction set. With this compiler Highway's portable target holds one
// lane per vector, too narrow for the byte shuffles here, so that target (and
// a build without Highway's run-time library) uses the portable kernels.
#include "raster/transpose/vectorPlaneCopy.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "raster/transpose/planeCopy.h"
#include "raster/transpose/portablePlaneCopy.h"

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "raster/transpose/vectorPlaneCopy.cpp"
#include <hwy/cache_control.h>
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include "raster/transpose/vectorQuarterTurn-inl.h"
#include "raster/transpose/vectorRowReversal-inl.h"

HWY_BEFORE_NAMESPACE();
namespace Kelvane {
namespace HWY_NAMESPACE {

#if HWY_TARGET == HWY_SCALAR

void CopyPlane(const PlaneCopy& plane) { copyPlanePortably(plane); }
void SwapRowsReversed(unsigned char* first, unsigned char* second, size_t count, size_t pixelBytes) {
  swapRowsReversedPortably(first, second, count, pixelBytes);
}
void ReverseRow(unsigned char* row, size_t count, size_t pixelBytes) { reverseRowPortably(row, count, pixelBytes); }

#else

// Chooses the kernel for a plane once: packed pixels of a handled size whose
// source pixels lie next to each other along a destination row (rows
// reversed) or down a destination column (quarter turns, with at least a
// block of bytes in every source row).
void CopyPlane(const PlaneCopy& plane) {
  const size_t n = plane.elementBytes;
  const ptrdiff_t pixel = static_cast<ptrdiff_t>(n);
  const bool stream = plane.streamsOutput();
  if (plane.packed() && !plane.quarterTurn && plane.alongRow == pixel) {
    if (stream) {
      forEachRowUpwards(plane,
                        [](uint8_t* to, const uint8_t* from, size_t bytes) { copyRowStreaming(to, from, bytes); });
      hwy::FlushStream();
    } else {
      forEachRowUpwards(plane, [](uint8_t* to, const uint8_t* from, size_t bytes) { std::memcpy(to, from, bytes); });
    }
    return;
  }
  if (plane.packed() && !plane.quarterTurn && plane.alongRow == -pixel &&
      withReverser(n, [&](const auto& reverser) { reverseRows(reverser, plane, stream); })) {
    if (stream) hwy::FlushStream();
    return;
  }
  if (plane.packed() && plane.quarterTurn && plane.scratch != nullptr &&
      (plane.alongColumn == pixel || plane.alongColumn == -pixel) && size_t{plane.height} * n >= 16) {
    switch (n) {
      case 1: turnQuarter<1>(plane); return;
      case 2: turnQuarter<2>(plane); return;
      case 3: turnQuarter<3>(plane); return;
      case 4: turnQuarter<4>(plane); return;
      case 6: turnQuarter<6>(plane); return;
      case 8: turnQuarter<8>(plane); return;
      default: break;
    }
  }
  copyPlanePortably(plane);
}

void SwapRowsReversed(unsigned char* first, unsigned char* second, size_t count, size_t pixelBytes) {
  if (!withReverser(pixelBytes,
                    [&](const auto& reverser) { swapReversed(reverser, first, second, count, pixelBytes); })) {
    swapRowsReversedPortably(first, second, count, pixelBytes);
  }
}

void ReverseRow(unsigned char* row, size_t count, size_t pixelBytes) {
  if (!withReverser(pixelBytes, [&](const auto& reverser) { reverseInPlace(reverser, row, count, pixelBytes); })) {
    reverseRowPortably(row, count, pixelBytes);
  }
}

#endif  // HWY_TARGET == HWY_SCALAR

}  // namespace HWY_NAMESPACE
}  // namespace Kelvane
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace Kelvane {

HWY_EXPORT(CopyPlane);
HWY_EXPORT(SwapRowsReversed);
HWY_EXPORT(ReverseRow);

void copyPlane(const PlaneCopy& plane) { HWY_DYNAMIC_DISPATCH(CopyPlane)(plane); }

void swapRowsReversed(unsigned char* first, unsigned char* second, size_t count, size_t pixelBytes) {
  HWY_DYNAMIC_DISPATCH(SwapRowsReversed)(first, second, count, pixelBytes);
}

void reverseRow(unsigned char* row, size_t count, size_t pixelBytes) {
  HWY_DYNAMIC_DISPATCH(ReverseRow)(row, count, pixelBytes);
}

}  // namespace Kelvane
#endif  // HWY_ONCE
