// ColorSpacePixelTransformer: what every colour-space pixel transformer shares
// on top of the pixel operator: the check of the two colour spaces, the band
// positions copied from both sample maps at setup, and the conversion of a
// formula's result into a destination sample.
#ifndef KELVANE_RASTER_COLOR_SPACE_COLOR_SPACE_PIXEL_TRANSFORMER_H
#define KELVANE_RASTER_COLOR_SPACE_COLOR_SPACE_PIXEL_TRANSFORMER_H

#include <array>
#include <cstddef>
#include <cstdint>

#include "kelvane/kx_exception.h"
#include "kelvane/kx_status.h"
#include "raster/colorSpace/pixelRow.h"
#include "raster/colorSpace/sampleConversion.h"
#include "raster/imageBufferInfo.h"
#include "raster/pixelDriver.h"
#include "raster/pixelOperator.h"

namespace Kelvane {

// A side whose colour space is not checked (the greyscale kinds); it must
// still describe at least the bands the kind reads or writes there.
inline constexpr uint32_t kAnyColorSpace = 0xFFFFFFFFu;

template <typename Dst, typename Src, uint32_t kSourceSpace, uint32_t kDestinationSpace, uint8_t kSourceBands,
          uint8_t kDestinationBands>
class ColorSpacePixelTransformer : public PixelOperator<Dst, Src> {
 public:
  // The pixel operator's setup (KX_STATUS_SAMPLE_SIZE, KX_STATUS_FLOAT_RANGE), then KX_STATUS_COLOR_SPACES when a
  // colour space is not the kind's, or a side describes too few bands.
  void setup(const ImageBufferInfo& destination, const ImageBufferInfo& source) override {
    PixelOperator<Dst, Src>::setup(destination, source);
    if (!accepts(this->destinationInfo, this->sourceInfo)) throw KxUtilException(KX_STATUS_COLOR_SPACES);
    const uint32_t* sourceMap = this->sourceInfo.sampleMap();
    const uint32_t* destinationMap = this->destinationInfo.sampleMap();
    for (uint8_t i = 0; i < kSourceBands; ++i) sourceAt[i] = sourceMap[i];
    for (uint8_t i = 0; i < kDestinationBands; ++i) destinationAt[i] = destinationMap[i];
  }

 protected:
  // map(->src(v)): a formula's result converted into the source type, then
  // scaled into the destination range.
  Dst mapResult(double v) const { return this->mapSample(toSourceSample<Src>(v)); }
  // X of the formulas: the top of the destination range.
  double destinationTop() const { return static_cast<double>(this->destinationRange.max); }

  // Sample offsets of band i inside a source and a destination pixel.
  std::array<uint32_t, kSourceBands> sourceAt{};
  std::array<uint32_t, kDestinationBands> destinationAt{};

  // Fills `row` for a row kernel when both sides are compact pixels of the
  // kind's bands in any order (steps equal to the band counts, each side's
  // offsets a permutation); false, leaving it, for any other layout.
  bool compactRow(Dst* destination, ptrdiff_t destinationStep, const Src* source, ptrdiff_t sourceStep, uint32_t count,
                  PixelRow& row) const {
    static_assert(kSourceBands <= kMaxRowBands && kDestinationBands <= kMaxRowBands, "row kernels take four bands");
    if (destinationStep != kDestinationBands || sourceStep != kSourceBands) return false;
    if (!isPermutation(sourceAt) || !isPermutation(destinationAt)) return false;
    row.destination = destination;
    row.source = source;
    row.count = count;
    row.destinationType = SampleTraits<Dst>::kTypeCode;
    row.sourceType = SampleTraits<Src>::kTypeCode;
    for (uint8_t i = 0; i < kDestinationBands; ++i) row.destinationAt[i] = static_cast<uint8_t>(destinationAt[i]);
    for (uint8_t i = 0; i < kSourceBands; ++i) row.sourceAt[i] = static_cast<uint8_t>(sourceAt[i]);
    row.sourceMin = static_cast<double>(this->sourceRange.min);
    row.sourceMax = static_cast<double>(this->sourceRange.max);
    row.scale = static_cast<double>(this->scale);
    row.destinationMin = static_cast<double>(this->destinationRange.min);
    row.destinationMax = static_cast<double>(this->destinationRange.max);
    return true;
  }

  // A row through `kernel` (PixelRow to the count of leading pixels it
  // converted) when its layout is compact, the pixels left through op's
  // apply.
  template <typename Op, typename Kernel>
  static void applyRowThrough(const Op& op, const Kernel& kernel, Dst* destination, ptrdiff_t destinationStep,
                              const Src* source, ptrdiff_t sourceStep, uint32_t count) {
    PixelRow row;
    uint32_t done = 0;
    if (op.compactRow(destination, destinationStep, source, sourceStep, count, row)) {
      done = static_cast<uint32_t>(kernel(row));
    }
    pixel_driver::applyEach(op, destination + static_cast<ptrdiff_t>(done) * destinationStep, destinationStep,
                            source + static_cast<ptrdiff_t>(done) * sourceStep, sourceStep, count - done);
  }

 private:
  // Whether the offsets name each sample of an N-sample pixel once.
  template <size_t N>
  static bool isPermutation(const std::array<uint32_t, N>& at) {
    bool seen[N] = {};
    for (uint32_t offset : at) {
      if (offset >= N || seen[offset]) return false;
      seen[offset] = true;
    }
    return true;
  }

  static bool accepts(const ImageBufferInfo& destination, const ImageBufferInfo& source) {
    if (source.bandCount() < kSourceBands || destination.bandCount() < kDestinationBands) return false;
    const bool sourceMatches = kSourceSpace == kAnyColorSpace || source.colorSpace() == kSourceSpace;
    const bool destinationMatches =
        kDestinationSpace == kAnyColorSpace || destination.colorSpace() == kDestinationSpace;
    return sourceMatches && destinationMatches;
  }
};

}  // namespace Kelvane

#endif  // KELVANE_RASTER_COLOR_SPACE_COLOR_SPACE_PIXEL_TRANSFORMER_H
