#include "stages/pixelReplacer/kxv_mergeKernel.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <type_traits>
#include <utility>

#include "kelvane/kx_pixel_replacer.h"
#include "kelvane/kx_records.h"
#include "raster/sampleAccess.h"
#include "stages/pixelReplacer/kxv_keyScreen.h"
#include "stages/pixelReplacer/kxv_pixelWords.h"

namespace Kelvane {

namespace {

// Distance of a sample from the key's sample of its band, signed samples
// taken as signed, computed sample by sample. The specialisation below
// looks it up instead.
template <typename Sample, uint32_t Bands, bool Tabled = (sizeof(Sample) == 1 && Bands != 0)>
class KeyDistance {
 public:
  explicit KeyDistance(const Sample* key) : key_(key) {}
  int32_t operator()(uint32_t band, Sample value) const { return std::abs(int32_t{key_[band]} - int32_t{value}); }

 private:
  const Sample* key_;  // one sample per band, owned by the caller
};

// The distance for 8-bit samples and a fixed band count, looked up in a
// table per band filled once per call: three loads and two additions then
// give the distance of a pixel of three bands.
template <typename Sample, uint32_t Bands>
class KeyDistance<Sample, Bands, true> {
 public:
  explicit KeyDistance(const Sample* key) {
    for (uint32_t b = 0; b < Bands; ++b) {
      for (uint32_t bits = 0; bits < 256; ++bits) {
        table_[b][bits] = static_cast<uint8_t>(std::abs(int32_t{key[b]} - int32_t{static_cast<Sample>(bits)}));
      }
    }
  }
  int32_t operator()(uint32_t band, Sample value) const { return table_[band][static_cast<uint8_t>(value)]; }

 private:
  uint8_t table_[Bands][256];
};

// The tolerant key's choice for one pixel: near the key in the source, and
// not in the replacement; sums of absolute differences over the bands,
// signed samples taken as signed. Most pixels are far from the key, and
// their replacement is never read.
template <typename Distance, typename SourceSample, typename ReplacementSample>
bool tolerantKeyTakesReplacement(const Distance& distance, uint32_t bands, int32_t tolerance, SourceSample sourceSample,
                                 ReplacementSample replacementSample) {
  int32_t sourceDistance = 0;
  for (uint32_t b = 0; b < bands; ++b) sourceDistance += distance(b, sourceSample(b));
  if (sourceDistance > tolerance) return false;
  int32_t replacementDistance = 0;
  for (uint32_t b = 0; b < bands; ++b) replacementDistance += distance(b, replacementSample(b));
  return replacementDistance >= tolerance && sourceDistance <= 2 * replacementDistance;
}

// The walk over all pixels, with the per-pixel choice of Operation. Bands is
// the band count fixed at compile time, or 0 for the plan's count; with a
// fixed count the band loops unroll and the offsets stay in registers.
// Packed (with a fixed count) means all three buffers hold their bands in
// order side by side and pixels back to back, so offsets are constants.
// SourceRowsFirst (with Packed) copies each source row whole into the
// destination, which shares no byte with the others, and then writes only
// the pixels that take the replacement.
template <typename Sample, uint32_t Bands, uint32_t Operation, bool Packed = false, bool SourceRowsFirst = false>
void mergeRows(const KxvMergePlan& plan) {
  static_assert(!Packed || Bands != 0, "packed pixels have a fixed band count");
  static_assert(Packed || !SourceRowsFirst, "whole rows are copied only between packed pixels");
  constexpr uint32_t kCapacity = Bands != 0 ? Bands : kKxvMergeMaxBands;
  const uint32_t bands = Bands != 0 ? Bands : plan.bands;
  // Key, band offsets and steps in locals of the kernel, copied once per
  // call: writes through the pixel pointers could otherwise alias the plan.
  Sample key[kCapacity];
  ptrdiff_t toDestination[kCapacity];
  ptrdiff_t toSource[kCapacity];
  ptrdiff_t toReplacement[kCapacity];
  for (uint32_t b = 0; b < bands; ++b) {
    key[b] = loadSampleAt<Sample>(plan.key.data() + b * sizeof(Sample));
    toDestination[b] = Packed ? ptrdiff_t(b * sizeof(Sample)) : plan.destination.bandOffset[b];
    toSource[b] = Packed ? ptrdiff_t(b * sizeof(Sample)) : plan.source.bandOffset[b];
    toReplacement[b] = Packed ? ptrdiff_t(b * sizeof(Sample)) : plan.replacement.bandOffset[b];
  }
  constexpr ptrdiff_t kPackedStep = ptrdiff_t(Bands * sizeof(Sample));
  const ptrdiff_t destinationStep = Packed ? kPackedStep : plan.destination.pixelStep;
  const ptrdiff_t sourceStep = Packed ? kPackedStep : plan.source.pixelStep;
  const ptrdiff_t replacementStep = Packed ? kPackedStep : plan.replacement.pixelStep;
  const uint32_t columns = plan.columns;
  const int32_t tolerance = plan.tolerance;
  // Only the tolerant key measures distances; the exact one fills no table.
  const KeyDistance<Sample, Bands, Operation == KX_MERGE_KEY_TOLERANT && sizeof(Sample) == 1 && Bands != 0> distance(
      key);

  for (uint32_t y = 0; y < plan.rows; ++y) {
    // Row starts once per row; the inner loop only adds pixel steps.
    uint8_t* destination = plan.destination.origin + ptrdiff_t(y) * plan.destination.rowStep;
    const uint8_t* source = plan.source.origin + ptrdiff_t(y) * plan.source.rowStep;
    const uint8_t* replacement = plan.replacement.origin + ptrdiff_t(y) * plan.replacement.rowStep;
    if constexpr (SourceRowsFirst) std::memcpy(destination, source, size_t{columns} * kPackedStep);
    for (uint32_t x = 0; x < columns; ++x) {
      Sample fromSource[kCapacity];
      for (uint32_t b = 0; b < bands; ++b) fromSource[b] = loadSampleAt<Sample>(source + toSource[b]);
      bool takeReplacement = false;
      if constexpr (Operation == KX_MERGE_KEY_EXACT) {
        // Every band equals the key; combined without a branch per band.
        bool same = true;
        for (uint32_t b = 0; b < bands; ++b) same &= fromSource[b] == key[b];
        takeReplacement = same;
      } else {
        takeReplacement = tolerantKeyTakesReplacement(
            distance, bands, tolerance, [&](uint32_t b) { return fromSource[b]; },
            [&](uint32_t b) { return loadSampleAt<Sample>(replacement + toReplacement[b]); });
      }
      if (takeReplacement) {
        Sample fromReplacement[kCapacity];
        for (uint32_t b = 0; b < bands; ++b) fromReplacement[b] = loadSampleAt<Sample>(replacement + toReplacement[b]);
        for (uint32_t b = 0; b < bands; ++b) storeSampleAt(destination + toDestination[b], fromReplacement[b]);
      } else if constexpr (!SourceRowsFirst) {
        for (uint32_t b = 0; b < bands; ++b) storeSampleAt(destination + toDestination[b], fromSource[b]);
      }
      destination += destinationStep;
      source += sourceStep;
      replacement += replacementStep;
    }
  }
}

// Copies one pixel of Size bytes; the destination may be the pixel read.
template <size_t Size>
void copyPixel(uint8_t* destination, const uint8_t* pixel) {
  uint8_t held[Size];
  std::memcpy(held, pixel, Size);
  std::memcpy(destination, held, Size);
}

// The exact key on three buffers whose pixels are packed alike, a whole
// pixel at a time: the source's pixels are compared with the key as words,
// and blocks of source pixels that cannot hold the key are copied whole.
template <size_t Size>
void mergeExactPacked(const KxvMergePlan& plan) {
  using Word = KxvPixelWord<Size>;
  using Block = KxvKeyBlock<Size>;
  const typename Word::Type key = Word::load(plan.key.data());
  const Block block(plan.key.data());
  const uint32_t columns = plan.columns;
  const uint32_t blockColumns = columns - columns % Block::kPixels;
  const auto mergePixel = [key](uint8_t* destination, const uint8_t* source, const uint8_t* replacement) {
    copyPixel<Size>(destination, Word::load(source) == key ? replacement : source);
  };
  for (uint32_t y = 0; y < plan.rows; ++y) {
    uint8_t* destination = plan.destination.origin + ptrdiff_t(y) * plan.destination.rowStep;
    const uint8_t* source = plan.source.origin + ptrdiff_t(y) * plan.source.rowStep;
    const uint8_t* replacement = plan.replacement.origin + ptrdiff_t(y) * plan.replacement.rowStep;
    uint32_t x = 0;
    for (; x < blockColumns; x += Block::kPixels) {
      if (!block.mayHoldKey(source)) {
        // The destination may be the source itself.
        std::memmove(destination, source, Block::kBytes);
      } else {
        for (size_t i = 0; i < Block::kPixels; ++i)
          mergePixel(destination + i * Size, source + i * Size, replacement + i * Size);
      }
      destination += Block::kBytes;
      source += Block::kBytes;
      replacement += Block::kBytes;
    }
    for (; x < columns; ++x, destination += Size, source += Size, replacement += Size) {
      mergePixel(destination, source, replacement);
    }
  }
}

// The tolerant key on packed 8-bit pixels whose destination lies apart from
// the other two buffers: each source row is copied whole, the screen then
// skips the runs of pixels far from the key, and the pixels where a run
// stops are decided one by one.
template <uint32_t Bands>
void mergeTolerantScreened8(const KxvMergePlan& plan) {
  const uint8_t* key = plan.key.data();
  const KeyDistance<uint8_t, Bands> distance(key);
  const size_t columns = plan.columns;
  for (uint32_t y = 0; y < plan.rows; ++y) {
    uint8_t* destination = plan.destination.origin + ptrdiff_t(y) * plan.destination.rowStep;
    const uint8_t* source = plan.source.origin + ptrdiff_t(y) * plan.source.rowStep;
    const uint8_t* replacement = plan.replacement.origin + ptrdiff_t(y) * plan.replacement.rowStep;
    std::memcpy(destination, source, columns * Bands);
    size_t x = 0;
    while (x < columns) {
      x += KxvPixelsFarFromKey8(source + x * Bands, columns - x, Bands, key, plan.tolerance);
      for (const size_t end = std::min(columns, x + kKxvKeyScreenPixels); x < end; ++x) {
        const uint8_t* fromSource = source + x * Bands;
        const uint8_t* fromReplacement = replacement + x * Bands;
        if (tolerantKeyTakesReplacement(
                distance, Bands, plan.tolerance, [&](uint32_t b) { return fromSource[b]; },
                [&](uint32_t b) { return fromReplacement[b]; })) {
          std::memcpy(destination + x * Bands, fromReplacement, Bands);
        }
      }
    }
  }
}

// Whether all three buffers hold their pixels alike and packed: the bands in
// order side by side, each pixel right after the one before.
bool packedAlike(const KxvMergePlan& plan, size_t sampleBytes) {
  const auto packed = [&](const auto& side) {
    if (side.pixelStep != ptrdiff_t(plan.bands * sampleBytes)) return false;
    for (uint32_t b = 0; b < plan.bands; ++b) {
      if (side.bandOffset[b] != ptrdiff_t(b * sampleBytes)) return false;
    }
    return true;
  };
  return packed(plan.destination) && packed(plan.source) && packed(plan.replacement);
}

// The bytes from a buffer's first sample to the end of its last pixel.
template <typename Byte>
std::pair<uintptr_t, uintptr_t> spanOf(const KxvMergeSide<Byte>& side, const KxvMergePlan& plan) {
  const uintptr_t first = reinterpret_cast<uintptr_t>(side.origin);
  return {first, first + uintptr_t(plan.rows - 1) * uintptr_t(side.rowStep) +
                     uintptr_t(plan.columns) * uintptr_t(side.pixelStep)};
}

// Whether the destination's bytes lie apart from the source's and the replacement's.
bool destinationApart(const KxvMergePlan& plan) {
  const auto destination = spanOf(plan.destination, plan);
  const auto apart = [&](std::pair<uintptr_t, uintptr_t> other) {
    return destination.second <= other.first || other.second <= destination.first;
  };
  return apart(spanOf(plan.source, plan)) && apart(spanOf(plan.replacement, plan));
}

// The kernel for one operation, sample type and fixed band count: on packed
// pixels whole pixels for the exact key and constant offsets for the
// tolerant one, screened by the vector where the samples are 8-bit and the
// destination lies apart; else the band loop over the plan's offsets.
template <typename Sample, uint32_t Bands, uint32_t Operation>
void mergeFixedBands(const KxvMergePlan& plan) {
  if (!packedAlike(plan, sizeof(Sample))) {
    mergeRows<Sample, Bands, Operation>(plan);
  } else if constexpr (Operation == KX_MERGE_KEY_EXACT) {
    mergeExactPacked<Bands * sizeof(Sample)>(plan);
  } else if (!destinationApart(plan)) {
    mergeRows<Sample, Bands, Operation, true>(plan);
  } else if constexpr (std::is_same_v<Sample, uint8_t>) {
    mergeTolerantScreened8<Bands>(plan);
  } else {
    mergeRows<Sample, Bands, Operation, true, true>(plan);
  }
}

// The kernel for one operation and sample type: a fixed band count where one
// fits, else the general loop.
template <typename Sample, uint32_t Operation>
void mergeWithOperation(const KxvMergePlan& plan, bool fastPaths) {
  if (fastPaths) {
    switch (plan.bands) {
      case 1: return mergeFixedBands<Sample, 1, Operation>(plan);
      case 2: return mergeFixedBands<Sample, 2, Operation>(plan);
      case 3: return mergeFixedBands<Sample, 3, Operation>(plan);
      case 4: return mergeFixedBands<Sample, 4, Operation>(plan);
      default: break;
    }
  }
  mergeRows<Sample, 0, Operation>(plan);
}

template <typename Sample>
void mergeTyped(const KxvMergePlan& plan, bool fastPaths) {
  switch (plan.operation) {
    case KX_MERGE_KEY_EXACT: return mergeWithOperation<Sample, KX_MERGE_KEY_EXACT>(plan, fastPaths);
    case KX_MERGE_KEY_TOLERANT: return mergeWithOperation<Sample, KX_MERGE_KEY_TOLERANT>(plan, fastPaths);
    default: return;
  }
}

}  // namespace

void runMergeKernel(const KxvMergePlan& plan, bool fastPaths) {
  if (plan.bands == 0 || plan.bands > kKxvMergeMaxBands) return;
  // The sample type is chosen once for the whole merge.
  switch (plan.type) {
    case KX_TYPE_U8: return mergeTyped<uint8_t>(plan, fastPaths);
    case KX_TYPE_S8: return mergeTyped<int8_t>(plan, fastPaths);
    case KX_TYPE_U16: return mergeTyped<uint16_t>(plan, fastPaths);
    case KX_TYPE_S16: return mergeTyped<int16_t>(plan, fastPaths);
    default: return;
  }
}

}  // namespace Kelvane
