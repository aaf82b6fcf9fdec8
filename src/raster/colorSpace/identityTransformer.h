// IdentityTransformer<Dst,Src>: the pixel copier between two descriptions of
// one colour space (or luminance into greyscale). When the copy cannot change
// a sample, that is the same sample type, equal descriptions, equal value
// ranges and pixels of exactly their bands in a permuted order, the rows are
// copied as bytes; otherwise the pixel driver runs the copier.
#ifndef KELVANE_RASTER_COLOR_SPACE_IDENTITY_TRANSFORMER_H
#define KELVANE_RASTER_COLOR_SPACE_IDENTITY_TRANSFORMER_H

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "raster/colorSpace/colorSpaceTransformer.h"
#include "raster/pixelOperator.h"

namespace Kelvane {

template <typename Dst, typename Src>
class IdentityTransformer : public ColorSpaceTransformer<PixelCopier<Dst, Src>> {
 public:
  // KX_STATUS_NO_DATA for a raster without data, else as the pixel driver.
  void transform() override {
    this->requireRasterData();
    if constexpr (std::is_same_v<Dst, Src>) {
      if (copiesBytes()) {
        copyRows();
        return;
      }
    }
    ColorSpaceTransformer<PixelCopier<Dst, Src>>::transform();
  }

 private:
  // The value ranges are each sample type's full range narrowed by the
  // window settings exactly as the driver narrows them.
  bool rangesEqual() {
    PixelCopier<Dst, Src>& copier = this->operator_;
    copier.destinationRange = SampleRange<Dst>::full();
    copier.sourceRange = SampleRange<Src>::full();
    this->applyWindows();
    return static_cast<double>(copier.destinationRange.min) == static_cast<double>(copier.sourceRange.min) &&
           static_cast<double>(copier.destinationRange.max) == static_cast<double>(copier.sourceRange.max);
  }

  // Bytes are the copy only without tables, in interleaved pixels that hold
  // their bands and nothing else: a block copy over a wider stride, planes
  // or a map with repeated offsets would write samples the copier leaves.
  bool copiesBytes() {
    const ImageBufferInfo& to = this->destinationRaster.info;
    const ImageBufferInfo& from = this->sourceRaster.info;
    if (this->sourceClut.inUse() || this->destinationClut.inUse()) return false;
    if (!(to == from) || !rangesEqual() || to.order != 0 || to.pixelStride != to.bandCount()) return false;
    const uint32_t* map = to.sampleMap();
    if (map == nullptr || to.sampleSize() != sizeof(Dst) || from.sampleSize() != sizeof(Src)) return false;
    bool seen[256] = {};
    for (uint8_t i = 0; i < to.bandCount(); ++i) {
      if (map[i] >= to.bandCount() || seen[map[i]]) return false;
      seen[map[i]] = true;
    }
    return true;
  }

  // The rows both rasters have, each as wide as the narrower; one copy when
  // both hold exactly those rows back to back.
  void copyRows() {
    const Raster<Dst>& to = this->destinationRaster;
    const Raster<Src>& from = this->sourceRaster;
    const uint32_t rows = std::min(to.height, from.height);
    const size_t rowBytes =
        static_cast<size_t>(std::min(to.width, from.width)) * static_cast<size_t>(to.info.pixelStride) * sizeof(Dst);
    if (rows == 0 || rowBytes == 0) return;
    if (to.rowStride == rowBytes && from.rowStride == rowBytes) {
      std::memmove(to.data, from.data, rows * rowBytes);
      return;
    }
    for (uint32_t r = 0; r < rows; ++r) std::memmove(to.rowAt(r), from.rowAt(r), rowBytes);
  }
};

}  // namespace Kelvane

#endif  // KELVANE_RASTER_COLOR_SPACE_IDENTITY_TRANSFORMER_H
