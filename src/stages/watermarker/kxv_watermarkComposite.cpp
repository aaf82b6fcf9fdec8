#include "stages/watermarker/kxv_watermarkComposite.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "content/kxv_decodeBufConfig.h"
#include "raster/colorSpace/transformerRegistry.h"
#include "raster/colorSpaceCodes.h"
#include "raster/describeSceneBuffer.h"

namespace Kelvane {

namespace {

// Whole pixels of a counted extent, truncated toward zero.
uint32_t wholePixels(double extent) { return static_cast<uint32_t>(std::trunc(extent)); }

// Offset of a stamp along one axis: the room left beside it, 0 when none.
uint32_t offsetAlong(double destination, double watermark) {
  return static_cast<uint32_t>(std::max(0.0, std::trunc(destination - watermark)));
}

}  // namespace

bool stampableLayout(const DecodeBuffer& buffer) {
  const BufferFormat& format = buffer.format;
  if (!KxvDecodeBufConfig::SamplesFitLayout(buffer)) return false;
  if (format.order == KX_ORDER_BAND_SEQUENTIAL && format.stride != 1) return false;
  // The library reads as many bands as the colour space names, through the record's sample map.
  const uint32_t bandsNamed = bands(colorSpaceFromHost(format.colorSpace));
  if (bandsNamed > format.spp) return false;
  // Typed samples: every band, the pixel memory and each row start on a whole sample.
  const uint32_t sampleBytes = KxvDecodeBufConfig::BytesPerSample(format.type);
  for (uint32_t band = 0; band < bandsNamed; ++band) {
    if (static_cast<uint32_t>(format.smap[band]) % sampleBytes != 0) return false;
  }
  return reinterpret_cast<uintptr_t>(buffer.pBits) % sampleBytes == 0 && format.rowbytes % sampleBytes == 0;
}

KxvStampPlacement placeStamp(const Scene& destination, const Scene& watermark) {
  KxvStampPlacement placement;
  placement.dx = offsetAlong(destination.width, watermark.width);
  placement.dy = offsetAlong(destination.height, watermark.height);
  placement.width = std::min(wholePixels(watermark.width), wholePixels(destination.width));
  placement.height = std::min(wholePixels(watermark.height), wholePixels(destination.height));
  return placement;
}

HRESULT compositeWatermark(DecodeBuffer& destination, const DecodeBuffer& watermark) {
  if (!stampableLayout(destination) || !stampableLayout(watermark)) return E_INVALIDARG;
  // The destination pixel at (dx, dy), stepped to as GetSampleAddress steps
  // pixels; the sample map of its description places the bands from there.
  // An empty stamp, which writes nothing, stays at the first pixel: its
  // corner may lie past the last one.
  const KxvStampPlacement at = placeStamp(destination.scene, watermark.scene);
  const BufferFormat& format = destination.format;
  const bool empty = at.width == 0 || at.height == 0;
  const uint64_t offset = empty ? 0
                                : uint64_t{at.dy} * format.rowbytes +
                                      uint64_t{at.dx} * format.stride * KxvDecodeBufConfig::BytesPerSample(format.type);
  uint8_t* target = static_cast<uint8_t*>(destination.pBits) + offset;

  // Describing, finding and running the transformer; any failure leaves the
  // destination unwritten (transformers raise before their first write).
  try {
    ImageBufferInfo to;
    ImageBufferInfo from;
    describeSceneBuffer(destination, to);
    describeSceneBuffer(watermark, from);
    // A colour space the library does not know has no bands, and nothing to convert.
    if (to.bandCount() == 0 || from.bandCount() == 0) return E_FAIL;
    const std::unique_ptr<ImageTransformer> transformer = findTransformer(to, from);
    if (transformer == nullptr) return E_FAIL;
    transformer->setSourceRaster(watermark.pBits, at.width, at.height, watermark.format.rowbytes, from);
    transformer->setDestinationRaster(target, at.width, at.height, format.rowbytes, to);
    transformer->transform();
  } catch (...) {
    return E_FAIL;
  }
  return S_OK;
}

}  // namespace Kelvane
