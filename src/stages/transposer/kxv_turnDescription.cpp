#include "stages/transposer/kxv_turnDescription.h"

#include <cstdint>

#include "kelvane/kx_exception.h"
#include "kelvane/kx_status.h"
#include "raster/colorSpaceCodes.h"
#include "raster/describeSceneBuffer.h"

namespace Kelvane {

namespace {

// Colour-space family of a pixel that is a plain set of samples: the sample
// count sits in bits 8 to 15 as in every code, under a low byte that no named
// space uses. Its count field holds up to 254 samples (255 counts as one).
constexpr uint32_t kSampleSetFamily = 0xFE;
constexpr uint32_t kMostSamplesInASet = 254;

// Whether the library's code for the buffer's colour space names exactly the
// samples its pixels hold. The multiband space counts as one band, a host
// space without a code (0, 2, 5, above 9) as none, and RGB as three where a
// buffer may hold four: turned through such a code, samples would be left
// behind while the turn reports success.
bool SpaceNamesEverySample(const BufferFormat& format) {
  return bands(colorSpaceFromHost(format.colorSpace)) == format.spp;
}

}  // namespace

bool KxvEverySampleCanMove(const BufferFormat& format) {
  return SpaceNamesEverySample(format) || (format.spp >= 1 && format.spp <= kMostSamplesInASet);
}

void KxvDescribeForTurn(const DecodeBuffer& buffer, ImageBufferInfo& info) {
  if (SpaceNamesEverySample(buffer.format)) {
    describeSceneBuffer(buffer, info);
    return;
  }
  // Layout fields first, through a description that names no sample.
  DecodeBuffer unnamed = buffer;
  unnamed.format.colorSpace = KX_CS_NONE;
  describeSceneBuffer(unnamed, info);
  const BufferFormat& format = buffer.format;
  const uint32_t sampleBytes = info.sampleSize();
  if (sampleBytes == 0 || !KxvEverySampleCanMove(format)) throw KxUtilException(KX_STATUS_BAD_ARGUMENT);
  uint32_t map[256];
  for (uint32_t s = 0; s < format.spp; ++s) {
    const int32_t offset = format.smap[s];
    if (offset < 0 || static_cast<uint32_t>(offset) % sampleBytes != 0) throw KxUtilException(KX_STATUS_BAD_ARGUMENT);
    map[s] = static_cast<uint32_t>(offset) / sampleBytes;
  }
  info.setColorSpace((format.spp << 8) | kSampleSetFamily);
  info.setPixelStride(static_cast<int32_t>(format.stride));
  info.setSampleMap(map);
}

}  // namespace Kelvane
