// The row copy, written once over Google Highway and compiled by it for each
// x86 instruction set; Highway runs the best one the machine has.
#include "raster/rowCopy.h"

#include <cstring>

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "raster/rowCopy.cpp"
#include <hwy/cache_control.h>
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include "raster/vectorStreamingStores-inl.h"

HWY_BEFORE_NAMESPACE();
namespace Kelvane {
namespace HWY_NAMESPACE {

// Plain stores row by row, or streaming stores flushed at the end.
void CopyRows(const RowCopy& copy, bool stream) {
#if HWY_TARGET != HWY_SCALAR
  if (stream) {
    for (size_t y = 0; y < copy.rows; ++y) {
      copyRowStreaming(copy.to + y * copy.toStride, copy.from + y * copy.fromStride, copy.bytes);
    }
    hwy::FlushStream();
    return;
  }
#else
  (void)stream;
#endif
  for (size_t y = 0; y < copy.rows; ++y)
    std::memcpy(copy.to + y * copy.toStride, copy.from + y * copy.fromStride, copy.bytes);
}

}  // namespace HWY_NAMESPACE
}  // namespace Kelvane
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace Kelvane {

HWY_EXPORT(CopyRows);

void copyRows(const RowCopy& copy, bool stream) { HWY_DYNAMIC_DISPATCH(CopyRows)(copy, stream); }

}  // namespace Kelvane
#endif  // HWY_ONCE
