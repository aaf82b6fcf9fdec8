// The keyed-merge kernel: for every pixel it writes into the destination
// either the source's or the replacement's samples, as the key decides.
// Every address it touches comes from the plan, whose builder has checked
// the three buffers' layouts; the kernel itself checks nothing.
#ifndef KELVANE_STAGES_PIXEL_REPLACER_KXV_MERGE_KERNEL_H
#define KELVANE_STAGES_PIXEL_REPLACER_KXV_MERGE_KERNEL_H

#include <array>
#include <cstddef>
#include <cstdint>

namespace Kelvane {

// Bands a merge can address: a sample map has 256 entries.
inline constexpr uint32_t kKxvMergeMaxBands = 256;

// One buffer as the kernel walks it: its first sample of pixel (0, 0), the
// byte steps between pixels and rows, and each band's byte offset from a
// pixel's first sample (band offsets may be negative in a reordered map).
template <typename Byte>
struct KxvMergeSide {
  Byte* origin = nullptr;
  ptrdiff_t pixelStep = 0;
  ptrdiff_t rowStep = 0;
  std::array<ptrdiff_t, kKxvMergeMaxBands> bandOffset{};
};

// Everything one merge needs, computed once per call.
struct KxvMergePlan {
  KxvMergeSide<uint8_t> destination;
  KxvMergeSide<const uint8_t> source;
  KxvMergeSide<const uint8_t> replacement;
  uint32_t columns = 0;
  uint32_t rows = 0;
  uint32_t bands = 0;      // compared and written per pixel, 1 to kKxvMergeMaxBands
  uint32_t type = 0;       // host sample type, 0 to 3
  uint32_t operation = 0;  // KX_MERGE_KEY_EXACT or KX_MERGE_KEY_TOLERANT; any other writes nothing
  int32_t tolerance = 0;   // reach of the tolerant key, summed over the bands
  // The key's samples in the buffers' type, `bands` of them, as raw bytes.
  std::array<uint8_t, kKxvMergeMaxBands * 2> key{};
};

// Runs the merge. The sample type and band count are chosen once for the
// whole call; common band counts (1 to 4) run kernels of that fixed count.
// `fastPaths` false runs the general band loop for every count (the
// reference the fast paths are checked against).
void runMergeKernel(const KxvMergePlan& plan, bool fastPaths = true);

}  // namespace Kelvane

#endif  // KELVANE_STAGES_PIXEL_REPLACER_KXV_MERGE_KERNEL_H
