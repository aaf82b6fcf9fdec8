// ImageTransformer: the interface of every transformer of the raster library.
// Set the rasters (and tables and value windows when wanted), then transform;
// the setters only store, nothing is checked before transform. All failures
// are KxUtilExceptions raised before any destination pixel is written.
#ifndef KELVANE_RASTER_IMAGE_TRANSFORMER_H
#define KELVANE_RASTER_IMAGE_TRANSFORMER_H

#include <cstdint>

#include "raster/clut.h"
#include "raster/imageBufferInfo.h"

namespace Kelvane {

class ImageTransformer {
 public:
  virtual ~ImageTransformer() = default;

  // `pixels` is kept as a view: the caller keeps the memory alive until
  // transform returns. rowStride is in bytes.
  virtual void setDestinationRaster(void* pixels, uint32_t width, uint32_t height, uint32_t rowStride,
                                    const ImageBufferInfo& info) = 0;
  virtual void setDestinationClut(const Clut& table) = 0;
  virtual void setSourceRaster(void* pixels, uint32_t width, uint32_t height, uint32_t rowStride,
                               const ImageBufferInfo& info) = 0;
  virtual void setSourceClut(const Clut& table) = 0;
  virtual void setSourceWindowWidth(float width) = 0;
  virtual void setSourceWindowCenter(float center) = 0;
  virtual void setDestinationWindowWidth(float width) = 0;
  virtual void setDestinationWindowCenter(float center) = 0;
  virtual void transform() = 0;
};

}  // namespace Kelvane

#endif  // KELVANE_RASTER_IMAGE_TRANSFORMER_H
