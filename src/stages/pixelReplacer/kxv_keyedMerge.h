// The keyed merge of three buffers: the checks that make it safe for any
// buffers a host hands over, the tolerance of the tolerant key, and the
// plan the kernel runs.
#ifndef KELVANE_STAGES_PIXEL_REPLACER_KXV_KEYED_MERGE_H
#define KELVANE_STAGES_PIXEL_REPLACER_KXV_KEYED_MERGE_H

#include <cstdint>
#include <optional>

#include "kelvane/kx_records.h"

namespace Kelvane {

// Scale of the tolerant key that MergeKeyed applies; ReplaceKeyColor, an
// exact merge, passes 0.
inline constexpr double kKxvMergeToleranceFactor = 4.0;

// Reach of the tolerant key for `bands` bands, summed over them:
// ceil(bands x t x factor + 0.5) with t = sqrt((1 + k) / (sqrt(sourceMag x
// replacementMag) + k)) in single precision and k the single-precision 1/15.
// At magnification 1 on both t is 1; t grows towards 4 as they shrink, so
// coarser views, whose edges blur more, accept colours further from the key;
// at magnification 0 it is 4. Empty when a magnification is negative, NaN or
// infinite.
std::optional<int32_t> mergeTolerance(uint32_t bands, double sourceMag, double replacementMag, double factor);

// Merges `source` and `replacement` into `destination` with `operation`
// (KxMergeOperation). Statuses:
//  - E_INVALIDARG: a null buffer; buffers of different sample type or size;
//    a source or replacement with fewer samples per pixel than the
//    destination; a layout whose samples do not all lie in its declared
//    memory, or pixel memory missing; a tolerant merge with a negative, NaN or
//    infinite magnification.
//  - KX_STATUS_FAILURE as a component status: a sample type other than 0 to
//    3, or (for a copy) buffers that do not match.
//  - S_OK otherwise, also for an operation that writes nothing.
// A null key makes an exact or tolerant merge a copy of the source, as
// KX_MERGE_COPY_SOURCE is. Nothing is written unless the status is S_OK.
// `fastPaths` as runMergeKernel takes it.
HRESULT keyedMerge(DecodeBuffer* destination, const DecodeBuffer* source, const DecodeBuffer* replacement,
                   const void* key, uint32_t operation, double toleranceFactor, bool fastPaths = true);

}  // namespace Kelvane

#endif  // KELVANE_STAGES_PIXEL_REPLACER_KXV_KEYED_MERGE_H
