// Copies of equal-length rows between two strided places, the last step of a
// cache hit: tile rows read into a small buffer go to the caller's rows.
#ifndef KELVANE_STAGES_PERSISTANT_PIXEL_CACHE_KXV_ROW_COPY_H
#define KELVANE_STAGES_PERSISTANT_PIXEL_CACHE_KXV_ROW_COPY_H

#include <cstddef>
#include <cstdint>

namespace Kelvane {

// Callers' scenes of at least this many bytes take their rows through
// streaming stores, which bypass the caches: such a scene is far beyond what
// the caches hold, so keeping its rows there would only evict the tile being
// copied, and a store that misses the caches would first read the line it
// overwrites (a third more memory traffic). Smaller scenes stay cached for
// whoever reads them next.
constexpr uint64_t kStreamedSceneBytes = 8 * 1024 * 1024;

// One block of rows: `rows` rows of `bytes` bytes, row y from
// `from + y * fromStride` to `to + y * toStride`; the two never overlap.
struct KxvRowCopy {
  uint8_t* to = nullptr;
  size_t toStride = 0;
  const uint8_t* from = nullptr;
  size_t fromStride = 0;
  size_t bytes = 0;
  size_t rows = 0;
};

// Copies the rows, with streaming stores when `stream` (written once over
// Google Highway and compiled for each x86 instruction set, the best one the
// machine runs chosen on first use; the portable target copies plainly).
// Streamed rows are visible to every thread when this returns.
void KxvCopyRows(const KxvRowCopy& copy, bool stream);

}  // namespace Kelvane

#endif  // KELVANE_STAGES_PERSISTANT_PIXEL_CACHE_KXV_ROW_COPY_H
