// Raster<T>: a typed view of pixel memory it does not own, walked row by row
// through its row stride (bytes) and pixel by pixel through its pixel step
// (samples). Copying a raster copies the view, never the pixels.
#ifndef KELVANE_RASTER_RASTER_H
#define KELVANE_RASTER_RASTER_H

#include <cstddef>
#include <cstdint>

#include "raster/imageBufferInfo.h"

namespace Kelvane {

template <typename T>
class Raster {
 public:
  Raster() = default;
  Raster(T* pixels, uint32_t columns, uint32_t rows, uint32_t stride, const ImageBufferInfo& description)
      : data(pixels), width(columns), height(rows), info(description), rowStride(stride) {}
  virtual ~Raster() = default;
  Raster(const Raster&) = default;
  Raster& operator=(const Raster&) = default;

  // Samples between horizontally adjacent pixels: 1 in band-sequential
  // layout (the bands lie in planes), else the pixel stride.
  ptrdiff_t pixelStep() const { return info.order != 0 ? 1 : info.pixelStride; }

  // First sample of row r; rows are rowStride bytes apart.
  T* rowAt(uint32_t r) const {
    return reinterpret_cast<T*>(reinterpret_cast<unsigned char*>(data) + static_cast<size_t>(r) * rowStride);
  }

  T* data = nullptr;  // first sample of the first row; null in an empty raster
  uint32_t width = 0;
  uint32_t height = 0;
  ImageBufferInfo info;    // own copy of the description
  uint32_t rowStride = 0;  // bytes from one row to the next
};

}  // namespace Kelvane

#endif  // KELVANE_RASTER_RASTER_H
