#include "stages/pixelReplacer/kxv_keyedMerge.h"

#include <cmath>
#include <cstring>

#include "content/kxv_decodeBufConfig.h"
#include "kelvane/kx_pixel_replacer.h"
#include "kelvane/kx_status.h"
#include "stages/kxv_bufferSamples.h"
#include "stages/pixelReplacer/kxv_mergeKernel.h"

namespace Kelvane {

namespace {

// The single-precision value of 1/15, widened: the key's reach levels off
// towards sqrt((1 + k) / k) = 4 at the smallest magnifications.
constexpr double kToleranceShape = static_cast<double>(1.0f / 15.0f);

// A merge failure that a library status describes leaves as a failure.
const HRESULT kMergeRefused = KxStatusToResult(KX_STATUS_FAILURE);

// Whether a merge may read or write the buffer: its samples lie in its
// declared memory, and there is memory wherever it has pixels.
bool layoutUsable(const DecodeBuffer& buffer) {
  if (!KxvDecodeBufConfig::SamplesFitLayout(buffer)) return false;
  const std::optional<KxvDecodeBufConfig::PixelExtent> extent = KxvDecodeBufConfig::PixelExtentOf(buffer);
  return buffer.pBits != nullptr || (extent && (extent->columns == 0 || extent->rows == 0));
}

// The kernel's view of one buffer, for its first `bands` bands: addresses
// as GetSampleAddress gives them, differenced once.
template <typename Byte>
KxvMergeSide<Byte> sideOf(const DecodeBuffer& buffer, uint32_t bands) {
  const BufferFormat& format = buffer.format;
  KxvMergeSide<Byte> side;
  side.origin = KxvDecodeBufConfig::GetSampleAddress(buffer, 0);
  side.pixelStep = static_cast<ptrdiff_t>(format.stride) * KxvDecodeBufConfig::BytesPerSample(format.type);
  side.rowStep = static_cast<ptrdiff_t>(format.rowbytes);
  for (uint32_t b = 0; b < bands; ++b) side.bandOffset[b] = ptrdiff_t{format.smap[b]} - format.smap[0];
  return side;
}

// Copies the whole source, after checking both layouts.
HRESULT copySource(DecodeBuffer& destination, const DecodeBuffer& source) {
  if (!layoutUsable(destination) || !layoutUsable(source)) return E_INVALIDARG;
  return copyBufferSamples(destination, source) == KXV_SAMPLES_DONE ? S_OK : kMergeRefused;
}

}  // namespace

std::optional<int32_t> mergeTolerance(uint32_t bands, double sourceMag, double replacementMag, double factor) {
  // The rule is defined for every finite magnification from 0 up (at 0 the
  // spread is exactly 4); only negative, NaN and infinite ones are refused.
  const auto computable = [](double value) { return std::isfinite(value) && value >= 0.0; };
  if (!computable(sourceMag) || !computable(replacementMag)) return std::nullopt;
  // Between 0 and 4 for any such magnifications, even where their product
  // leaves the double range; with at most 256 bands and the factors used
  // here the reach stays far inside int32_t.
  const float spread = static_cast<float>(
      std::sqrt((1.0 + kToleranceShape) / (std::sqrt(sourceMag * replacementMag) + kToleranceShape)));
  return static_cast<int32_t>(std::ceil(bands * (static_cast<double>(spread) * factor) + 0.5));
}

HRESULT keyedMerge(DecodeBuffer* destination, const DecodeBuffer* source, const DecodeBuffer* replacement,
                   const void* key, uint32_t operation, double toleranceFactor, bool fastPaths) {
  if (destination == nullptr || source == nullptr || replacement == nullptr) return E_INVALIDARG;
  const bool keyed = operation == KX_MERGE_KEY_EXACT || operation == KX_MERGE_KEY_TOLERANT;
  if (operation == KX_MERGE_COPY_SOURCE || (keyed && key == nullptr)) return copySource(*destination, *source);

  // One sample type and one size for all three.
  const BufferFormat& format = destination->format;
  if (source->format.type != format.type || replacement->format.type != format.type) return E_INVALIDARG;
  for (const DecodeBuffer* other : {source, replacement}) {
    if (other->scene.width != destination->scene.width || other->scene.height != destination->scene.height) {
      return E_INVALIDARG;
    }
  }
  if (format.type > KX_TYPE_S16) return kMergeRefused;
  if (!keyed) return S_OK;

  // Every band the destination takes must exist in the source and the replacement.
  const uint32_t bands = format.spp;
  if (source->format.spp < bands || replacement->format.spp < bands) return E_INVALIDARG;
  if (!layoutUsable(*destination) || !layoutUsable(*source) || !layoutUsable(*replacement)) return E_INVALIDARG;

  KxvMergePlan plan;
  if (operation == KX_MERGE_KEY_TOLERANT) {
    const std::optional<int32_t> tolerance =
        mergeTolerance(bands, source->scene.mag, replacement->scene.mag, toleranceFactor);
    if (!tolerance) return E_INVALIDARG;
    plan.tolerance = *tolerance;
  }
  const KxvDecodeBufConfig::PixelExtent extent = *KxvDecodeBufConfig::PixelExtentOf(*destination);
  if (extent.columns == 0 || extent.rows == 0) return S_OK;
  plan.columns = extent.columns;
  plan.rows = extent.rows;
  plan.bands = bands;
  plan.type = format.type;
  plan.operation = operation;
  plan.destination = sideOf<uint8_t>(*destination, bands);
  plan.source = sideOf<const uint8_t>(*source, bands);
  plan.replacement = sideOf<const uint8_t>(*replacement, bands);
  std::memcpy(plan.key.data(), key, size_t{bands} * KxvDecodeBufConfig::BytesPerSample(format.type));
  runMergeKernel(plan, fastPaths);
  return S_OK;
}

}  // namespace Kelvane
