#include "stages/pixelReplacer/kxv_mergeKernel.h"

#include <cstdlib>

#include "kelvane/kx_pixel_replacer.h"
#include "kelvane/kx_records.h"
#include "stages/kxv_sampleAccess.h"

namespace Kelvane {

namespace {

// The walk over all pixels, with the per-pixel choice of Operation. Bands is
// the band count fixed at compile time, or 0 for the plan's count; with a
// fixed count the band loops unroll and the offsets stay in registers.
template <typename Sample, uint32_t Bands, uint32_t Operation>
void mergeRows(const KxvMergePlan& plan) {
  constexpr uint32_t kCapacity = Bands != 0 ? Bands : kKxvMergeMaxBands;
  const uint32_t bands = Bands != 0 ? Bands : plan.bands;
  // Key and band offsets in locals of the kernel, copied once per call.
  Sample key[kCapacity];
  ptrdiff_t toDestination[kCapacity];
  ptrdiff_t toSource[kCapacity];
  ptrdiff_t toReplacement[kCapacity];
  for (uint32_t b = 0; b < bands; ++b) {
    key[b] = loadSample<Sample>(plan.key.data() + b * sizeof(Sample));
    toDestination[b] = plan.destination.bandOffset[b];
    toSource[b] = plan.source.bandOffset[b];
    toReplacement[b] = plan.replacement.bandOffset[b];
  }
  const int32_t tolerance = plan.tolerance;

  for (uint32_t y = 0; y < plan.rows; ++y) {
    // Row starts once per row; the inner loop only adds pixel steps.
    uint8_t* destination = plan.destination.origin + ptrdiff_t(y) * plan.destination.rowStep;
    const uint8_t* source = plan.source.origin + ptrdiff_t(y) * plan.source.rowStep;
    const uint8_t* replacement = plan.replacement.origin + ptrdiff_t(y) * plan.replacement.rowStep;
    for (uint32_t x = 0; x < plan.columns; ++x) {
      Sample fromSource[kCapacity];
      for (uint32_t b = 0; b < bands; ++b) fromSource[b] = loadSample<Sample>(source + toSource[b]);
      bool takeReplacement = false;
      if constexpr (Operation == KX_MERGE_KEY_EXACT) {
        // Every band equals the key; combined without a branch per band.
        bool same = true;
        for (uint32_t b = 0; b < bands; ++b) same &= fromSource[b] == key[b];
        takeReplacement = same;
      } else {
        // Near the key in the source, and not in the replacement; sums of
        // absolute differences, signed samples taken as signed.
        int32_t sourceDistance = 0;
        int32_t replacementDistance = 0;
        for (uint32_t b = 0; b < bands; ++b) {
          sourceDistance += std::abs(int32_t{key[b]} - int32_t{fromSource[b]});
          replacementDistance +=
              std::abs(int32_t{key[b]} - int32_t{loadSample<Sample>(replacement + toReplacement[b])});
        }
        takeReplacement = sourceDistance <= tolerance && replacementDistance >= tolerance &&
                          sourceDistance <= 2 * replacementDistance;
      }
      if (takeReplacement) {
        Sample fromReplacement[kCapacity];
        for (uint32_t b = 0; b < bands; ++b) fromReplacement[b] = loadSample<Sample>(replacement + toReplacement[b]);
        for (uint32_t b = 0; b < bands; ++b) storeSample(destination + toDestination[b], fromReplacement[b]);
      } else {
        for (uint32_t b = 0; b < bands; ++b) storeSample(destination + toDestination[b], fromSource[b]);
      }
      destination += plan.destination.pixelStep;
      source += plan.source.pixelStep;
      replacement += plan.replacement.pixelStep;
    }
  }
}

// The kernel for one operation and sample type: a fixed band count where one
// fits, else the general loop.
template <typename Sample, uint32_t Operation>
void mergeWithOperation(const KxvMergePlan& plan, bool fastPaths) {
  if (fastPaths) {
    switch (plan.bands) {
      case 1: return mergeRows<Sample, 1, Operation>(plan);
      case 2: return mergeRows<Sample, 2, Operation>(plan);
      case 3: return mergeRows<Sample, 3, Operation>(plan);
      case 4: return mergeRows<Sample, 4, Operation>(plan);
      default: break;
    }
  }
  mergeRows<Sample, 0, Operation>(plan);
}

template <typename Sample>
void mergeTyped(const KxvMergePlan& plan, bool fastPaths) {
  switch (plan.operation) {
    case KX_MERGE_KEY_EXACT: return mergeWithOperation<Sample, KX_MERGE_KEY_EXACT>(plan, fastPaths);
    case KX_MERGE_KEY_TOLERANT: return mergeWithOperation<Sample, KX_MERGE_KEY_TOLERANT>(plan, fastPaths);
    default: return;
  }
}

}  // namespace

void runMergeKernel(const KxvMergePlan& plan, bool fastPaths) {
  if (plan.bands == 0 || plan.bands > kKxvMergeMaxBands) return;
  // The sample type is chosen once for the whole merge.
  switch (plan.type) {
    case KX_TYPE_U8: return mergeTyped<uint8_t>(plan, fastPaths);
    case KX_TYPE_S8: return mergeTyped<int8_t>(plan, fastPaths);
    case KX_TYPE_U16: return mergeTyped<uint16_t>(plan, fastPaths);
    case KX_TYPE_S16: return mergeTyped<int16_t>(plan, fastPaths);
    default: return;
  }
}

}  // namespace Kelvane
