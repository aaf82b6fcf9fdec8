// The checked layout of a caller's decode buffer, in bytes.
#ifndef KX_HOST_CHAIN_BUFFER_LAYOUT_H
#define KX_HOST_CHAIN_BUFFER_LAYOUT_H

#include <cstdint>

#include "hostChain/kelvaneApi.h"

namespace kxhost {

// Sample s of buffer pixel (x, y) lies at bits + y * rowStep + x * pixelStep +
// sampleOffset[s], for both sample orders. Built only by CheckBufferLayout,
// so every address it gives for a pixel of the buffer lies inside the layout.
struct BufferLayout {
  uint8_t* bits = nullptr;
  uint32_t type = 0;  // host sample type
  uint32_t sampleBytes = 0;
  uint32_t spp = 0;
  int64_t pixelStep = 0;
  int64_t rowStep = 0;
  int64_t sampleOffset[256] = {};

  uint8_t* sampleAt(int64_t x, int64_t y, uint32_t sample) const {
    return bits + y * rowStep + x * pixelStep + sampleOffset[sample];
  }
  // True when the samples follow each other at one positive distance, so one
  // GDAL call with a band spacing can fill all of them.
  bool uniformSampleStep(int64_t* step) const;
};

// Checks `buffer` as a destination of `cols` pixels per row and `bandLimit`
// bands at most. E_INVALIDARG for a malformed layout (unknown type, no or too
// many samples, zero stride, negative or duplicate sample offsets, a sample
// outside its pixel, rows shorter than their pixels), KX_E_NO_PIXEL_MEMORY
// without pixel memory.
HRESULT CheckBufferLayout(const DecodeBuffer& buffer, int64_t cols, uint32_t bandLimit, BufferLayout* out);

}  // namespace kxhost

#endif  // KX_HOST_CHAIN_BUFFER_LAYOUT_H
