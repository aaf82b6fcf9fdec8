// The sample types of the typed raster classes, one letter each, and what the
// templates need to know about them. A kernel is written once over T and the
// type is chosen once per call through withSampleType.
#ifndef KELVANE_RASTER_SAMPLE_TRAITS_H
#define KELVANE_RASTER_SAMPLE_TRAITS_H

#include <cfloat>
#include <cstdint>

#include "raster/colorSpaceCodes.h"

namespace Kelvane {

using E = uint8_t;   // unsigned 8-bit sample
using G = uint16_t;  // unsigned 16-bit sample
using M = float;     // 32-bit floating-point sample

template <typename T>
struct SampleTraits;

template <>
struct SampleTraits<E> {
  static constexpr uint32_t kTypeCode = kSampleUInt8;
  static constexpr bool kIsFloat = false;
  static constexpr double kLowest = 0.0;
  static constexpr double kHighest = 255.0;  // upper bound of window ranges
};

template <>
struct SampleTraits<G> {
  static constexpr uint32_t kTypeCode = kSampleUInt16;
  static constexpr bool kIsFloat = false;
  static constexpr double kLowest = 0.0;
  static constexpr double kHighest = 65535.0;
};

template <>
struct SampleTraits<M> {
  static constexpr uint32_t kTypeCode = kSampleFloat32;
  static constexpr bool kIsFloat = true;
  static constexpr double kLowest = -FLT_MAX;
  static constexpr double kHighest = FLT_MAX;
};

// Calls fn with a value of the C++ type of a sample type code (any code of
// the library, 32- and 64-bit types included); false for an unknown code.
template <typename Fn>
bool withSampleType(uint32_t sampleType, Fn&& fn) {
  switch (sampleType) {
    case kSampleUInt8: fn(uint8_t{}); return true;
    case kSampleUInt16: fn(uint16_t{}); return true;
    case kSampleInt32: fn(int32_t{}); return true;
    case kSampleFloat32: fn(float{}); return true;
    case kSampleFloat64: fn(double{}); return true;
    default: return false;
  }
}

}  // namespace Kelvane

#endif  // KELVANE_RASTER_SAMPLE_TRAITS_H
