// PixelOperator<Dst,Src>: maps one source pixel onto one destination pixel
// band by band, scaling each sample from the source's value range into the
// destination's. PixelCopier<Dst,Src> is the operator that copies between
// descriptions of the same colour space (or a greyscale copy of luminance).
#ifndef KELVANE_RASTER_PIXEL_OPERATOR_H
#define KELVANE_RASTER_PIXEL_OPERATOR_H

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "kelvane/kx_exception.h"
#include "kelvane/kx_status.h"
#include "raster/imageBufferInfo.h"
#include "raster/sampleAccess.h"
#include "raster/sampleRange.h"
#include "raster/sampleTraits.h"

namespace Kelvane {

template <typename Dst, typename Src>
class PixelOperator {
 public:
  using DestinationSample = Dst;
  using SourceSample = Src;

  // Checks both descriptions against the operator's sample types (source
  // first; KxUtilException(KX_STATUS_SAMPLE_SIZE) on a wrong sample size), copies them and
  // derives both value ranges and the scale from their bit depths.
  virtual void setup(const ImageBufferInfo& destination, const ImageBufferInfo& source);

  // Destination band i (at destination map[i]) becomes mapSample of source
  // band i (at source map[i]), for every destination band. Samples may lie
  // off their type's alignment (see sampleAccess.h).
  void apply(Dst* destination, const Src* source) const {
    for (uint8_t i = 0; i < bandCount_; ++i) {
      storeSample(destination + destinationMap_[i], mapSample(loadSample(source + sourceMap_[i])));
    }
  }

  // Scales one value from the source range into the destination range,
  // clamping on both sides; an integer source truncates toward zero.
  Dst mapSample(Src value) const {
    const double sourceMin = static_cast<double>(sourceRange.min);
    const double destinationMin = static_cast<double>(destinationRange.min);
    const double s = clampInto(static_cast<double>(value), sourceMin, static_cast<double>(sourceRange.max));
    double t = (s - sourceMin) * static_cast<double>(scale) + destinationMin;
    // An integer destination truncates in its conversion below, which gives
    // the same as truncating first: its bounds are whole numbers.
    if (!SampleTraits<Src>::kIsFloat && SampleTraits<Dst>::kIsFloat) t = std::trunc(t);
    return static_cast<Dst>(clampInto(t, destinationMin, static_cast<double>(destinationRange.max)));
  }

  // Value windows: a width narrows a range around its current centre and
  // recomputes the scale; a centre moves the range keeping its width.
  void adjustSourceWindowWidth(float width) {
    sourceRange.narrow(width, sourceRange.center());
    updateScale();
  }
  void adjustSourceWindowCenter(float center) { sourceRange.narrow(static_cast<float>(sourceRange.width()), center); }
  void adjustDestinationWindowWidth(float width) {
    destinationRange.narrow(width, destinationRange.center());
    updateScale();
  }
  void adjustDestinationWindowCenter(float center) {
    destinationRange.narrow(static_cast<float>(destinationRange.width()), center);
  }

  SampleRange<Dst> destinationRange;
  SampleRange<Src> sourceRange;
  float scale = 1.0f;  // destination width / source width
  ImageBufferInfo destinationInfo;
  ImageBufferInfo sourceInfo;

 private:
  // A float source window one value wide leaves a source range of width 0;
  // every sample then maps onto the destination minimum (scale 0) rather
  // than dividing by zero.
  void updateScale() {
    const double from = sourceRange.width();
    scale = from > 0.0 ? static_cast<float>(destinationRange.width() / from) : 0.0f;
  }

  // Set by setup: the bands apply walks and where they lie on each side. The
  // count never exceeds either side's map, so a source with fewer bands than
  // the destination cannot be read past its map.
  uint8_t bandCount_ = 0;
  const uint32_t* destinationMap_ = nullptr;  // destinationInfo's map
  const uint32_t* sourceMap_ = nullptr;       // sourceInfo's map
};

template <typename Dst, typename Src>
void PixelOperator<Dst, Src>::setup(const ImageBufferInfo& destination, const ImageBufferInfo& source) {
  if (source.sampleSize() != sizeof(Src)) throw KxUtilException(KX_STATUS_SAMPLE_SIZE);
  sourceInfo = source;
  sourceRange = SampleRange<Src>::fromBitsPerSample(source.bitsPerSample);
  if (destination.sampleSize() != sizeof(Dst)) throw KxUtilException(KX_STATUS_SAMPLE_SIZE);
  destinationInfo = destination;
  destinationRange = SampleRange<Dst>::fromBitsPerSample(destination.bitsPerSample);
  updateScale();
  bandCount_ = std::min(destinationInfo.bandCount(), sourceInfo.bandCount());
  destinationMap_ = destinationInfo.sampleMap();
  sourceMap_ = sourceInfo.sampleMap();
}

template <typename Dst, typename Src>
class PixelCopier : public PixelOperator<Dst, Src> {
 public:
  // A greyscale destination takes the luminance of a greyscale, YIQ or YIQK
  // source; any other pair must share its colour space, else
  // KxUtilException(KX_STATUS_CANNOT_COPY).
  void setup(const ImageBufferInfo& destination, const ImageBufferInfo& source) override {
    if (!canCopy(destination.colorSpace(), source.colorSpace())) throw KxUtilException(KX_STATUS_CANNOT_COPY);
    PixelOperator<Dst, Src>::setup(destination, source);
  }

  static bool canCopy(uint32_t destinationSpace, uint32_t sourceSpace) {
    if (destinationSpace == kColorSpaceGrayscale) {
      return sourceSpace == kColorSpaceGrayscale || sourceSpace == kColorSpaceYIQ || sourceSpace == kColorSpaceYIQK;
    }
    return destinationSpace == sourceSpace;
  }
};

}  // namespace Kelvane

#endif  // KELVANE_RASTER_PIXEL_OPERATOR_H
