// The plain C++ kernels of raw-byte transpositions and in-place row moves:
// they handle every element size and layout, serve machines without the
// vector instructions the faster kernels need, and are what those kernels
// are checked against.
#ifndef KELVANE_RASTER_PORTABLE_PLANE_COPY_H
#define KELVANE_RASTER_PORTABLE_PLANE_COPY_H

#include <cstddef>

#include "raster/planeCopy.h"

namespace Kelvane {

// Moves every element of `plane`: rows forwards or backwards in one pass,
// quarter turns in cache-sized blocks shaped to the source's row stride, so
// that every source line fetched serves many destination rows before it
// leaves the cache.
void copyPlanePortably(const PlaneCopy& plane);

// Pixel i of `first` trades places with pixel count - 1 - i of `second`: two
// distinct rows of count pixels of pixelBytes bytes each, every byte moved.
void swapRowsReversedPortably(unsigned char* first, unsigned char* second, size_t count, size_t pixelBytes);

// Reverses the order of the count pixels of one row in place.
void reverseRowPortably(unsigned char* row, size_t count, size_t pixelBytes);

}  // namespace Kelvane

#endif  // KELVANE_RASTER_PORTABLE_PLANE_COPY_H
