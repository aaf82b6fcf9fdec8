// Copies of equal-length rows between two strided places, with streaming
// stores for large outputs; what the cache's hits and every other plain row
// copy of a large output use.
#ifndef KELVANE_RASTER_ROW_COPY_H
#define KELVANE_RASTER_ROW_COPY_H

#include <cstddef>
#include <cstdint>

namespace Kelvane {

// Outputs of at least this many bytes are written with streaming stores,
// which bypass the caches: they are far beyond what the second-level cache
// holds, so keeping them there would only evict the source, and a store that
// misses the caches would first read the line it overwrites (a third more
// memory traffic). Smaller outputs stay cached for whoever reads them next
// (the stages' tiles are well below).
constexpr uint64_t kStreamingBytes = 8 * 1024 * 1024;

// One block of rows: `rows` rows of `bytes` bytes, row y from
// `from + y * fromStride` to `to + y * toStride`; the two never overlap.
struct RowCopy {
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
void copyRows(const RowCopy& copy, bool stream);

}  // namespace Kelvane

#endif  // KELVANE_RASTER_ROW_COPY_H
