// ColorSpaceTransformer<Op>: the raster transformer of one colour-space pixel
// transformer (or of the pixel copier, for the identity); the pixel driver of
// BasicRasterTransformer runs it over the two rasters.
#ifndef KELVANE_RASTER_COLOR_SPACE_COLOR_SPACE_TRANSFORMER_H
#define KELVANE_RASTER_COLOR_SPACE_COLOR_SPACE_TRANSFORMER_H

#include "raster/basicRasterTransformer.h"

namespace Kelvane {

template <typename Op>
using ColorSpaceTransformer = BasicRasterTransformer<Op>;

}  // namespace Kelvane

#endif  // KELVANE_RASTER_COLOR_SPACE_COLOR_SPACE_TRANSFORMER_H
