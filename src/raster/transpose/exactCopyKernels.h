// The raw-byte kernels of a transposition that copies samples unchanged:
// every plane of the plan moves to its transposed place, with vector
// instructions where the machine and the element size allow (see
// vectorPlaneCopy.h) and with the portable kernels otherwise.
#ifndef KELVANE_RASTER_TRANSPOSE_EXACT_COPY_KERNELS_H
#define KELVANE_RASTER_TRANSPOSE_EXACT_COPY_KERNELS_H

#include <cstddef>

#include "raster/transpose/exactCopyPlan.h"
#include "raster/transpose/transposeGeometry.h"

namespace Kelvane {

struct ExactCopyJob {
  const unsigned char* source = nullptr;  // the source's first pixel (the walk's start is added here)
  unsigned char* destination = nullptr;   // the destination's first pixel
  ptrdiff_t destinationRowStride = 0;
  TransposeWalk walk;                // over the source, in bytes
  bool quarterTurn = false;          // destination rows run down source columns
  unsigned char* scratch = nullptr;  // kPlaneCopyScratchBytes of working memory, or none
};

// Copies every plane of `plan` to its transposed place.
void copyExactly(const ExactCopyJob& job, const ExactCopyPlan& plan);

}  // namespace Kelvane

#endif  // KELVANE_RASTER_TRANSPOSE_EXACT_COPY_KERNELS_H
