// Describing a host's decode buffer for the raster library: the host's
// colour-space numbers as library codes, and a DecodeBuffer's layout as an
// ImageBufferInfo whose data starts at the buffer's pixel memory.
#ifndef KELVANE_RASTER_DESCRIBE_SCENE_BUFFER_H
#define KELVANE_RASTER_DESCRIBE_SCENE_BUFFER_H

#include <cstdint>

#include "kelvane/kx_records.h"
#include "raster/imageBufferInfo.h"

namespace Kelvane {

// 1 RGB, 3 CMYK, 4 greyscale, 6 RGBK, 7 YIQ, 8 YIQK, 9 multiband; any other
// number gives kColorSpaceNone.
uint32_t colorSpaceFromHost(uint32_t hostColorSpace);

// Fills a default-constructed description from the buffer's format. The
// format's sample map holds byte offsets (from the pixel's first byte when
// interleaved, from the pixel memory to each band's plane when
// band-sequential); the description's map holds the same places counted in
// samples. Raises KxUtilException(KX_STATUS_OUT_OF_MEMORY) when out of memory and
// KxUtilException(KX_STATUS_BAD_ARGUMENT) for an offset that is negative or not a whole
// number of samples. rowBytes stays -1.
void describeSceneBuffer(const DecodeBuffer& buffer, ImageBufferInfo& info);

}  // namespace Kelvane

#endif  // KELVANE_RASTER_DESCRIBE_SCENE_BUFFER_H
