// The plain C++ forms of the kernels in vectorPlaneCopy.h, for every element
// size and layout: what machines without the vector instructions run, and
// what the vector kernels are checked against.
#ifndef KELVANE_RASTER_TRANSPOSE_PORTABLE_PLANE_COPY_H
#define KELVANE_RASTER_TRANSPOSE_PORTABLE_PLANE_COPY_H

#include <cstddef>

#include "raster/transpose/planeCopy.h"

namespace Kelvane {

// Rows forwards or backwards in one pass; quarter turns in cache-sized blocks
// shaped to the source's row stride, so that every source line fetched
// serves many destination rows before it leaves the cache.
void copyPlanePortably(const PlaneCopy& plane);
void swapRowsReversedPortably(unsigned char* first, unsigned char* second, size_t count, size_t pixelBytes);
void reverseRowPortably(unsigned char* row, size_t count, size_t pixelBytes);

}  // namespace Kelvane

#endif  // KELVANE_RASTER_TRANSPOSE_PORTABLE_PLANE_COPY_H
