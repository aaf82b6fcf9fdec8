// Working memory of the transformers: vectors they keep and reuse between
// calls, grown here so that running out of memory is always reported as the
// library's out-of-memory status.
#ifndef KELVANE_RASTER_SCRATCH_MEMORY_H
#define KELVANE_RASTER_SCRATCH_MEMORY_H

#include <cstddef>
#include <new>
#include <stdexcept>
#include <vector>

#include "kelvane/kx_exception.h"
#include "kelvane/kx_status.h"

namespace Kelvane {

// Makes `scratch` hold at least `count` elements; raises KxUtilException(KX_STATUS_OUT_OF_MEMORY)
// when that memory cannot be had.
template <typename T>
void growScratch(std::vector<T>& scratch, size_t count) {
  if (scratch.size() >= count) return;
  try {
    scratch.resize(count);
  } catch (const std::bad_alloc&) {
    throw KxUtilException(KX_STATUS_OUT_OF_MEMORY);
  } catch (const std::length_error&) {
    throw KxUtilException(KX_STATUS_OUT_OF_MEMORY);
  }
}

}  // namespace Kelvane

#endif  // KELVANE_RASTER_SCRATCH_MEMORY_H
