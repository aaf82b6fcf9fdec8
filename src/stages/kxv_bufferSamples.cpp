#include "stages/kxv_bufferSamples.h"

#include <bitset>
#include <cstring>
#include <optional>

#include "content/kxv_decodeBufConfig.h"
#include "raster/sampleAccess.h"

namespace Kelvane {

namespace {

// Copies one band of samples of type Sample, row by row.
template <typename Sample>
void copyBand(uint32_t band, DecodeBuffer& destination, const DecodeBuffer& source) {
  const KxvDecodeBufConfig::PixelExtent extent =
      KxvDecodeBufConfig::PixelExtentOf(destination).value_or(KxvDecodeBufConfig::PixelExtent{});
  const size_t destinationStep = size_t{destination.format.stride} * sizeof(Sample);
  const size_t sourceStep = size_t{source.format.stride} * sizeof(Sample);
  uint8_t* destinationRow = KxvDecodeBufConfig::GetSampleAddress(destination, band);
  const uint8_t* sourceRow = KxvDecodeBufConfig::GetSampleAddress(source, band);
  if (destinationRow == nullptr || sourceRow == nullptr) return;
  for (uint32_t row = 0; row < extent.rows; ++row) {
    for (uint32_t column = 0; column < extent.columns; ++column) {
      storeSampleAt(destinationRow + column * destinationStep, loadSampleAt<Sample>(sourceRow + column * sourceStep));
    }
    destinationRow += destination.format.rowbytes;
    sourceRow += source.format.rowbytes;
  }
}

// Whether the pixels of both buffers are laid out alike and consist of
// samples only: pixel-interleaved, a stride of `spp`, and the same sample
// map placing each sample in its own slot. Their rows then copy as bytes.
bool pixelsCopyAsBytes(const DecodeBuffer& destination, const DecodeBuffer& source) {
  const BufferFormat& want = destination.format;
  const BufferFormat& have = source.format;
  if (want.order != KX_ORDER_INTERLEAVED || have.order != KX_ORDER_INTERLEAVED || want.stride != want.spp ||
      have.stride != have.spp)
    return false;
  const uint32_t sampleBytes = KxvDecodeBufConfig::BytesPerSample(want.type);
  std::bitset<KxvDecodeBufConfig::kMaxSamples> slotsTaken;
  for (uint32_t band = 0; band < want.spp; ++band) {
    const int32_t offset = want.smap[band];
    if (offset != have.smap[band] || offset < 0 || offset % sampleBytes != 0) return false;
    const uint32_t slot = static_cast<uint32_t>(offset) / sampleBytes;
    if (slot >= want.spp || slotsTaken.test(slot)) return false;
    slotsTaken.set(slot);
  }
  return true;
}

void copyPixelRows(DecodeBuffer& destination, const DecodeBuffer& source,
                   const KxvDecodeBufConfig::PixelExtent& extent) {
  const size_t rowBytes =
      size_t{extent.columns} * destination.format.stride * KxvDecodeBufConfig::BytesPerSample(destination.format.type);
  uint8_t* destinationRow = static_cast<uint8_t*>(destination.pBits);
  const uint8_t* sourceRow = static_cast<const uint8_t*>(source.pBits);
  for (uint32_t row = 0; row < extent.rows; ++row) {
    std::memcpy(destinationRow, sourceRow, rowBytes);
    destinationRow += destination.format.rowbytes;
    sourceRow += source.format.rowbytes;
  }
}

// Writes `value` into one band of every pixel.
template <typename Sample>
void fillBand(uint32_t band, DecodeBuffer& destination, Sample value, const KxvDecodeBufConfig::PixelExtent& extent) {
  const size_t step = size_t{destination.format.stride} * sizeof(Sample);
  uint8_t* row = KxvDecodeBufConfig::GetSampleAddress(destination, band);
  for (uint32_t y = 0; y < extent.rows; ++y) {
    for (uint32_t x = 0; x < extent.columns; ++x) storeSampleAt(row + x * step, value);
    row += destination.format.rowbytes;
  }
}

// Fills every band with the background's sample of that band, after
// checking that each of those samples lies inside the background's memory.
template <typename Sample>
uint32_t fillWithSamples(DecodeBuffer& destination, const DecodeBuffer& background,
                         const KxvDecodeBufConfig::PixelExtent& extent) {
  const uint64_t backgroundBytes = KxvDecodeBufConfig::GetByteSize(background);
  const uint32_t bands = destination.format.spp;
  for (uint32_t band = 0; band < bands; ++band) {
    const int32_t offset = background.format.smap[band];
    if (offset < 0 || uint64_t(offset) + sizeof(Sample) > backgroundBytes) return KXV_SAMPLES_REFUSED;
  }
  for (uint32_t band = 0; band < bands; ++band) {
    fillBand(band, destination, loadSampleAt<Sample>(KxvDecodeBufConfig::GetSampleAddress(background, band)), extent);
  }
  return KXV_SAMPLES_DONE;
}

}  // namespace

void copyBand8(uint32_t band, DecodeBuffer& destination, const DecodeBuffer& source) {
  copyBand<uint8_t>(band, destination, source);
}

void copyBand16(uint32_t band, DecodeBuffer& destination, const DecodeBuffer& source) {
  copyBand<uint16_t>(band, destination, source);
}

void copyBand32(uint32_t band, DecodeBuffer& destination, const DecodeBuffer& source) {
  copyBand<uint32_t>(band, destination, source);
}

uint32_t copyBufferSamples(DecodeBuffer& destination, const DecodeBuffer& source) {
  const BufferFormat& want = destination.format;
  const BufferFormat& have = source.format;
  // Same bands, same type, same extent, both with memory.
  if (destination.pBits == nullptr || source.pBits == nullptr) return KXV_SAMPLES_REFUSED;
  if (!KxvDecodeBufConfig::StrideFitsOrder(want) || !KxvDecodeBufConfig::StrideFitsOrder(have))
    return KXV_SAMPLES_REFUSED;
  if (want.spp != have.spp || want.type != have.type || want.spp > KxvDecodeBufConfig::kMaxSamples)
    return KXV_SAMPLES_REFUSED;
  if (destination.scene.width != source.scene.width || destination.scene.height != source.scene.height) {
    return KXV_SAMPLES_REFUSED;
  }
  const std::optional<KxvDecodeBufConfig::PixelExtent> extent = KxvDecodeBufConfig::PixelExtentOf(destination);
  if (!extent) return KXV_SAMPLES_REFUSED;

  // The sample width is chosen once for the whole copy.
  void (*copyOneBand)(uint32_t, DecodeBuffer&, const DecodeBuffer&) = nullptr;
  switch (want.type) {
    case KX_TYPE_U8:
    case KX_TYPE_S8: copyOneBand = copyBand8; break;
    case KX_TYPE_U16:
    case KX_TYPE_S16: copyOneBand = copyBand16; break;
    default: return KXV_SAMPLES_REFUSED;
  }
  // Alike pixels copy row by row as bytes; others band by band.
  if (pixelsCopyAsBytes(destination, source)) {
    copyPixelRows(destination, source, *extent);
    return KXV_SAMPLES_DONE;
  }
  for (uint32_t band = 0; band < want.spp; ++band) copyOneBand(band, destination, source);
  return KXV_SAMPLES_DONE;
}

uint32_t fillWithBackground(DecodeBuffer& destination, const DecodeBuffer& background) {
  const BufferFormat& want = destination.format;
  if (want.spp != background.format.spp || want.type != background.format.type) return KXV_SAMPLES_LAYOUT_MISMATCH;
  if (destination.pBits == nullptr || background.pBits == nullptr || want.spp > KxvDecodeBufConfig::kMaxSamples ||
      !KxvDecodeBufConfig::StrideFitsOrder(want)) {
    return KXV_SAMPLES_REFUSED;
  }
  const std::optional<KxvDecodeBufConfig::PixelExtent> extent = KxvDecodeBufConfig::PixelExtentOf(destination);
  if (!extent) return KXV_SAMPLES_REFUSED;
  // The sample width is chosen once for the whole fill.
  switch (want.type) {
    case KX_TYPE_U8: return fillWithSamples<uint8_t>(destination, background, *extent);
    case KX_TYPE_U16: return fillWithSamples<uint16_t>(destination, background, *extent);
    default: return KXV_SAMPLES_REFUSED;
  }
}

}  // namespace Kelvane
