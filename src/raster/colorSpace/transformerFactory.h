// The transformer factories: each makes the transformer of one pair of colour
// spaces (or the identity) for the sample types of two descriptions.
// XColorSpaceTransformerFactory serves all nine pairs of 8-bit, 16-bit and
// float samples; SlimColorSpaceTransformerFactory, its base, only 8-bit
// destinations. Imp names the colour spaces and the transformer template.
#ifndef KELVANE_RASTER_COLOR_SPACE_TRANSFORMER_FACTORY_H
#define KELVANE_RASTER_COLOR_SPACE_TRANSFORMER_FACTORY_H

#include <cstdint>
#include <memory>
#include <new>

#include "raster/imageBufferInfo.h"
#include "raster/imageTransformer.h"
#include "raster/sampleTraits.h"

namespace Kelvane {

class TransformerFactory {
 public:
  // A new transformer for the two descriptions (destination first), or none.
  virtual std::unique_ptr<ImageTransformer> create(const ImageBufferInfo& destination,
                                                   const ImageBufferInfo& source) const = 0;
  // Factories are owned and released through this base.
  virtual ~TransformerFactory() = default;
};

class ColorSpaceTransformerFactory : public TransformerFactory {
 public:
  virtual uint32_t destinationColorSpace() const = 0;
  virtual uint32_t sourceColorSpace() const = 0;
};

namespace factory_detail {

// A transformer of type T, or none when it cannot be made.
template <typename T>
std::unique_ptr<ImageTransformer> make() {
  try {
    return std::unique_ptr<ImageTransformer>(new (std::nothrow) T());
  } catch (...) {
    return nullptr;
  }
}

// Imp's transformer for destination type Dst and the source's sample type.
template <typename Imp, typename Dst>
std::unique_ptr<ImageTransformer> makeForSource(uint32_t sourceType) {
  switch (sourceType) {
    case kSampleUInt8: return make<typename Imp::template Transformer<Dst, E>>();
    case kSampleUInt16: return make<typename Imp::template Transformer<Dst, G>>();
    case kSampleFloat32: return make<typename Imp::template Transformer<Dst, M>>();
    default: return nullptr;
  }
}

}  // namespace factory_detail

template <typename Imp>
class SlimColorSpaceTransformerFactory : public ColorSpaceTransformerFactory {
 public:
  std::unique_ptr<ImageTransformer> create(const ImageBufferInfo& destination,
                                           const ImageBufferInfo& source) const override {
    return createForTypes(destination, source);
  }
  uint32_t destinationColorSpace() const override { return Imp::kDestinationColorSpace; }
  uint32_t sourceColorSpace() const override { return Imp::kSourceColorSpace; }

  // 8-bit destinations only, from 8-bit, 16-bit or float sources.
  virtual std::unique_ptr<ImageTransformer> createForTypes(const ImageBufferInfo& destination,
                                                           const ImageBufferInfo& source) const {
    if (destination.sampleType != kSampleUInt8) return nullptr;
    return factory_detail::makeForSource<Imp, E>(source.sampleType);
  }
};

template <typename Imp>
class XColorSpaceTransformerFactory : public SlimColorSpaceTransformerFactory<Imp> {
 public:
  // Every pair of 8-bit, 16-bit and float samples.
  std::unique_ptr<ImageTransformer> createForTypes(const ImageBufferInfo& destination,
                                                   const ImageBufferInfo& source) const override {
    switch (destination.sampleType) {
      case kSampleUInt8: return factory_detail::makeForSource<Imp, E>(source.sampleType);
      case kSampleUInt16: return factory_detail::makeForSource<Imp, G>(source.sampleType);
      case kSampleFloat32: return factory_detail::makeForSource<Imp, M>(source.sampleType);
      default: return nullptr;
    }
  }
};

// A new factory of kind Imp serving all nine type pairs; none when out of
// memory.
template <typename Imp>
std::unique_ptr<ColorSpaceTransformerFactory> newTransformerFactory() {
  return std::unique_ptr<ColorSpaceTransformerFactory>(new (std::nothrow) XColorSpaceTransformerFactory<Imp>());
}

}  // namespace Kelvane

#endif  // KELVANE_RASTER_COLOR_SPACE_TRANSFORMER_FACTORY_H
