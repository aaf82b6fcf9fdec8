// Vector kernels for raw-byte transpositions and in-place row moves of packed
// pixels of 1, 2, 3, 4, 6 and 8 bytes: rows reversed with byte shuffles,
// quarter turns as register-blocked transposes. They are compiled for every
// x86 instruction set from SSSE3 to AVX-512 and the best one the machine runs
// is chosen once per process; other element sizes and layouts, and machines
// without SSSE3, take the portable kernels. Results are byte for byte those
// of the portable kernels.
#ifndef KELVANE_RASTER_TRANSPOSE_VECTOR_PLANE_COPY_H
#define KELVANE_RASTER_TRANSPOSE_VECTOR_PLANE_COPY_H

#include <cstddef>

#include "raster/transpose/planeCopy.h"

namespace Kelvane {

// Moves every element of `plane` to its transposed place.
void copyPlane(const PlaneCopy& plane);

// Pixel i of `first` trades places with pixel count - 1 - i of `second`
// (two distinct rows of count pixels of pixelBytes bytes each).
void swapRowsReversed(unsigned char* first, unsigned char* second, size_t count, size_t pixelBytes);

// Reverses the order of the count pixels of one row in place.
void reverseRow(unsigned char* row, size_t count, size_t pixelBytes);

}  // namespace Kelvane

#endif  // KELVANE_RASTER_TRANSPOSE_VECTOR_PLANE_COPY_H
