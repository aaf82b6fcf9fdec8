#include "raster/transpose/exactCopyKernels.h"

#include "raster/transpose/planeCopy.h"
#include "raster/transpose/vectorPlaneCopy.h"

namespace Kelvane {

void copyExactly(const ExactCopyJob& job, const ExactCopyPlan& plan) {
  for (uint32_t i = 0; i < plan.planeCount; ++i) {
    copyPlane(planeOfWalk(job.walk, job.quarterTurn, job.source + plan.planeOffsets[i],
                          job.destination + plan.planeOffsets[i], job.destinationRowStride, plan.pixelBytes,
                          plan.elementBytes, job.scratch));
  }
}

}  // namespace Kelvane
