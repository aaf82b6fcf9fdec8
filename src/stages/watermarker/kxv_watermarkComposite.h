// Stamping a watermark into a buffer: the layout check that makes it safe
// for any record a host hands over, the placement in the buffer's
// bottom-right corner, and the conversion by a transformer of the registry.
#ifndef KELVANE_STAGES_WATERMARKER_KXV_WATERMARK_COMPOSITE_H
#define KELVANE_STAGES_WATERMARKER_KXV_WATERMARK_COMPOSITE_H

#include <cstdint>

#include "kelvane/kx_platform_types.h"
#include "kelvane/kx_records.h"

namespace Kelvane {

// Whether the raster library can reach every sample of the record it
// describes, at the address the record itself gives:
//  - its samples lie inside the rows it declares, none sharing a byte
//    (KxvDecodeBufConfig::SamplesFitLayout);
//  - its colour space names no more bands than a pixel has samples;
//  - each band named starts on a whole sample, and pixel memory and rows
//    start where a sample of its type may be read;
//  - band-sequential pixels lie one sample apart (a stride of 1), the step
//    at which the library walks planes.
// The pixel memory itself is not required here.
bool stampableLayout(const DecodeBuffer& buffer);

// Where the watermark meets the destination: column dx and row dy of the
// destination, and the width and height stamped.
struct KxvStampPlacement {
  uint32_t dx = 0;
  uint32_t dy = 0;
  uint32_t width = 0;
  uint32_t height = 0;
};

// dx = destination width - watermark width and dy likewise, truncated
// toward zero, 0 when negative; the size stamped is the watermark's,
// truncated, cut to the destination's. So the two bottom-right corners meet,
// and a larger watermark gives its top-left part from the destination's
// left or top edge. Both scenes' extents must be counted sizes (as
// stampableLayout checks).
KxvStampPlacement placeStamp(const Scene& destination, const Scene& watermark);

// Overwrites the placed part of `destination` with the watermark's pixels,
// converted. Both records have pixel memory. E_INVALIDARG when either layout
// is not stampable; E_FAIL when no transformer converts the watermark's
// description into the destination's (an unknown colour space included) or
// the transformer refuses the pair. Nothing is written on failure.
HRESULT compositeWatermark(DecodeBuffer& destination, const DecodeBuffer& watermark);

}  // namespace Kelvane

#endif  // KELVANE_STAGES_WATERMARKER_KXV_WATERMARK_COMPOSITE_H
