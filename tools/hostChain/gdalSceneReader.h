// Decoding one scene of a GDAL dataset into a caller's decode buffer.
#ifndef KX_HOST_CHAIN_GDAL_SCENE_READER_H
#define KX_HOST_CHAIN_GDAL_SCENE_READER_H

#include <gdal.h>

#include "hostChain/gdalImage.h"
#include "hostChain/kelvaneApi.h"

namespace kxhost {

// Fills `buffer` with its scene of `image` (read through `dataset`, which the
// caller holds exclusively for the call), in the buffer's own layout and
// sample type. Sample s comes from band bandMap[s] (from 0), or band s when
// bandMap is null. Magnifications other than 1 read through overviews with
// `resampling`; buffer pixels beyond the image get each band's background.
// E_INVALIDARG for a malformed scene, layout or band map,
// KX_E_NO_PIXEL_MEMORY without pixel memory, E_FAIL when GDAL fails.
HRESULT ReadScene(GDALDatasetH dataset, const GdalImage& image, const DecodeBuffer& buffer, const uint16_t* bandMap,
                  GDALRIOResampleAlg resampling);

// Fills the first pixel of `buffer` with the background of bands 0 .. spp-1.
HRESULT FillBackgroundPixel(const GdalImage& image, const DecodeBuffer& buffer);

}  // namespace kxhost

#endif  // KX_HOST_CHAIN_GDAL_SCENE_READER_H
