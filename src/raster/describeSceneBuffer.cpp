#include "raster/describeSceneBuffer.h"

#include <algorithm>

#include "kelvane/kx_exception.h"
#include "kelvane/kx_status.h"

namespace Kelvane {

uint32_t colorSpaceFromHost(uint32_t hostColorSpace) {
  switch (hostColorSpace) {
    case KX_CS_RGB: return kColorSpaceRGB;
    case KX_CS_CMYK: return kColorSpaceCMYK;
    case KX_CS_GREY: return kColorSpaceGrayscale;
    case KX_CS_RGBK: return kColorSpaceRGBK;
    case KX_CS_YIQ: return kColorSpaceYIQ;
    case KX_CS_YIQK: return kColorSpaceYIQK;
    case KX_CS_MULTIBAND: return kColorSpaceMultiband;
    default: return kColorSpaceNone;
  }
}

void describeSceneBuffer(const DecodeBuffer& buffer, ImageBufferInfo& info) {
  const BufferFormat& format = buffer.format;
  info.setColorSpace(colorSpaceFromHost(format.colorSpace));
  info.setPixelStride(static_cast<int32_t>(format.stride));

  // Sample type, order and alignment; unknown values leave the field.
  switch (format.type) {
    case KX_TYPE_U8:
    case KX_TYPE_S8: info.sampleType = kSampleUInt8; break;
    case KX_TYPE_U16:
    case KX_TYPE_S16: info.sampleType = kSampleUInt16; break;
    case KX_TYPE_F32: info.sampleType = kSampleFloat32; break;
    default: break;
  }
  if (format.order == KX_ORDER_INTERLEAVED || format.order == KX_ORDER_BAND_SEQUENTIAL) info.order = format.order;
  if (format.align == 1 || format.align == 2 || format.align == 4 || format.align == 8) info.alignment = format.align;

  // Byte offsets become sample offsets; one that falls inside a sample has
  // no sample position.
  const uint32_t sampleBytes = std::max<uint32_t>(info.sampleSize(), 1);
  uint32_t map[256];
  for (uint8_t band = 0; band < info.bandCount(); ++band) {
    const int32_t offset = format.smap[band];
    if (offset < 0 || static_cast<uint32_t>(offset) % sampleBytes != 0) throw KxUtilException(KX_STATUS_BAD_ARGUMENT);
    map[band] = static_cast<uint32_t>(offset) / sampleBytes;
  }
  info.setSampleMap(map);
  info.bitsPerSample = static_cast<int32_t>(format.bps);
}

}  // namespace Kelvane
