// RasterTransformer<Dst,Src>: the state every transformer keeps between its
// setters and transform: both rasters, both lookup tables and the four value
// window settings.
#ifndef KELVANE_RASTER_RASTER_TRANSFORMER_H
#define KELVANE_RASTER_RASTER_TRANSFORMER_H

#include <cfloat>
#include <cstdint>

#include "raster/clut.h"
#include "raster/imageTransformer.h"
#include "raster/raster.h"

namespace Kelvane {

// Window settings at these values count as not set.
inline constexpr float kWindowWidthNotSet = FLT_MAX;
inline constexpr float kWindowCenterNotSet = 0.0f;

template <typename Dst, typename Src>
class RasterTransformer : public ImageTransformer {
 public:
  void setDestinationRaster(void* pixels, uint32_t width, uint32_t height, uint32_t rowStride,
                            const ImageBufferInfo& info) override {
    destinationRaster = Raster<Dst>(static_cast<Dst*>(pixels), width, height, rowStride, info);
  }
  void setDestinationClut(const Clut& table) override { destinationClut = table; }
  void setSourceRaster(void* pixels, uint32_t width, uint32_t height, uint32_t rowStride,
                       const ImageBufferInfo& info) override {
    sourceRaster = Raster<Src>(static_cast<Src*>(pixels), width, height, rowStride, info);
  }
  void setSourceClut(const Clut& table) override { sourceClut = table; }
  void setSourceWindowWidth(float width) override { sourceWindowWidth = width; }
  void setSourceWindowCenter(float center) override { sourceWindowCenter = center; }
  void setDestinationWindowWidth(float width) override { destinationWindowWidth = width; }
  void setDestinationWindowCenter(float center) override { destinationWindowCenter = center; }

 protected:
  Raster<Src> sourceRaster;
  Clut sourceClut;
  Raster<Dst> destinationRaster;
  Clut destinationClut;
  float sourceWindowWidth = kWindowWidthNotSet;
  float sourceWindowCenter = kWindowCenterNotSet;
  float destinationWindowWidth = kWindowWidthNotSet;
  float destinationWindowCenter = kWindowCenterNotSet;
};

}  // namespace Kelvane

#endif  // KELVANE_RASTER_RASTER_TRANSFORMER_H
