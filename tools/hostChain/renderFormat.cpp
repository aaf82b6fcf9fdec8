#include "hostChain/renderFormat.h"

#include <algorithm>
#include <limits>
#include <string>

namespace kxhost {

// Largest scene held in memory: 2 GiB, a 16384 x 16384 image of four 16-bit
// samples, far above what a rendering check needs and within a small machine.
constexpr uint64_t kMostSceneBytes = uint64_t{2} << 30;

uint32_t RenderSampleType(const RasterProps& props) {
  const bool isSigned = props.pixel.isSigned();
  if (props.bitsPerSample <= 8) return isSigned ? KX_TYPE_S8 : KX_TYPE_U8;
  if (props.bitsPerSample <= 16) return isSigned ? KX_TYPE_S16 : KX_TYPE_U16;
  return KX_TYPE_F32;
}

GDALDataType StoredGdalType(uint32_t hostType) {
  switch (hostType) {
    case KX_TYPE_U16: return GDT_UInt16;
    case KX_TYPE_S16: return GDT_Int16;
    case KX_TYPE_F32: return GDT_Float32;
    default: return GDT_Byte;
  }
}

bool RenderBufferFormat(const RasterProps& props, const Scene& scene, BufferFormat* format, std::string* error) {
  const uint32_t type = RenderSampleType(props);
  const uint32_t sampleBytes = KxHostSampleBytes(type);
  const uint64_t rowBytes = static_cast<uint64_t>(scene.width) * props.numBands * sampleBytes;
  if (rowBytes > std::numeric_limits<uint32_t>::max()) {
    *error = "the scene is too wide to render in one buffer";
    return false;
  }
  *format = BufferFormat{props.colorSpace,
                         props.numBands,
                         props.numBands,
                         type,
                         0,
                         1,
                         static_cast<uint32_t>(rowBytes),
                         {},
                         std::min(props.bitsPerSample, 8 * sampleBytes)};
  for (uint32_t s = 0; s < props.numBands; ++s) format->smap[s] = static_cast<int32_t>(s * sampleBytes);
  return true;
}

bool FitsInMemory(const Scene& scene, const BufferFormat& format, const std::string& what, std::string* error) {
  const uint64_t bytes = static_cast<uint64_t>(scene.height) * format.rowbytes;
  if (bytes <= kMostSceneBytes) return true;
  *error = what + " needs " + std::to_string(bytes) + " bytes, more than the " + std::to_string(kMostSceneBytes) +
           " bytes kxhost holds in memory";
  return false;
}

}  // namespace kxhost
