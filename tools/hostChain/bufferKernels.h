// Per-pixel work the host does on decode buffers itself: filling the part of
// a scene outside the image, and storing signed 8-bit samples that GDAL can
// only deliver widened.
#ifndef KX_HOST_CHAIN_BUFFER_KERNELS_H
#define KX_HOST_CHAIN_BUFFER_KERNELS_H

#include <cstdint>

#include "hostChain/bufferLayout.h"
#include "hostChain/scenePlacement.h"

namespace kxhost {

// Writes values[s], converted to the buffer's sample type (clamped and
// rounded for integer types), into sample s of every pixel of `rect`.
void FillRect(const BufferLayout& layout, const PixelRect& rect, const double* values);

// Stores a packed plane of 16-bit values, `rect`'s size, clamped to signed
// 8-bit, as sample `sample` of the pixels of `rect`.
void StoreSignedBytes(const int16_t* plane, const BufferLayout& layout, const PixelRect& rect, uint32_t sample);

}  // namespace kxhost

#endif  // KX_HOST_CHAIN_BUFFER_KERNELS_H
