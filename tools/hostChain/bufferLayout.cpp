#include "hostChain/bufferLayout.h"

#include <algorithm>

namespace kxhost {

bool BufferLayout::uniformSampleStep(int64_t* step) const {
  *step = spp > 1 ? sampleOffset[1] - sampleOffset[0] : static_cast<int64_t>(sampleBytes);
  if (*step <= 0) return false;
  for (uint32_t s = 2; s < spp; ++s) {
    if (sampleOffset[s] - sampleOffset[s - 1] != *step) return false;
  }
  return true;
}

HRESULT CheckBufferLayout(const DecodeBuffer& buffer, int64_t cols, uint32_t bandLimit, BufferLayout* out) {
  const BufferFormat& format = buffer.format;
  // Record, memory and sample type.
  if (buffer.size != sizeof(DecodeBuffer)) return E_INVALIDARG;
  if (buffer.pBits == nullptr) return KX_E_NO_PIXEL_MEMORY;
  const uint32_t sampleBytes = KxHostSampleBytes(format.type);
  if (sampleBytes == 0 || format.spp == 0 || format.spp > 256 || format.spp > bandLimit || format.stride == 0)
    return E_INVALIDARG;
  if (format.order != KX_ORDER_INTERLEAVED && format.order != KX_ORDER_BAND_SEQUENTIAL) return E_INVALIDARG;

  BufferLayout layout;
  layout.bits = static_cast<uint8_t*>(buffer.pBits);
  layout.type = format.type;
  layout.sampleBytes = sampleBytes;
  layout.spp = format.spp;
  layout.pixelStep = static_cast<int64_t>(format.stride) * sampleBytes;
  layout.rowStep = format.rowbytes;

  // Sample offsets: never negative, never shared, and in pixel-interleaved
  // order inside their pixel.
  int64_t sampleEnd = sampleBytes;
  for (uint32_t s = 0; s < format.spp; ++s) {
    const int64_t offset = format.smap[s];
    if (offset < 0) return E_INVALIDARG;
    if (format.order == KX_ORDER_INTERLEAVED && offset + sampleBytes > layout.pixelStep) return E_INVALIDARG;
    if (std::find(format.smap, format.smap + s, format.smap[s]) != format.smap + s) return E_INVALIDARG;
    layout.sampleOffset[s] = offset;
    if (format.order == KX_ORDER_INTERLEAVED) sampleEnd = std::max(sampleEnd, offset + sampleBytes);
  }
  // A row holds its pixels: (cols - 1) * pixelStep + sampleEnd <= rowStep,
  // tested by division so that huge strides cannot overflow the product.
  const int64_t room = layout.rowStep - sampleEnd;
  if (cols > 0 && (room < 0 || (cols > 1 && layout.pixelStep > room / (cols - 1)))) return E_INVALIDARG;
  *out = layout;
  return S_OK;
}

}  // namespace kxhost
