// Shared helpers of the raster library tests: descriptions built in one call,
// small images in any layout addressed by (column, row, band), and the
// status code an operation raises.
#ifndef KELVANE_TESTS_RASTER_RASTER_TEST_SUPPORT_H
#define KELVANE_TESTS_RASTER_RASTER_TEST_SUPPORT_H

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "kelvane/kx_exception.h"
#include "raster/imageBufferInfo.h"
#include "raster/sampleTraits.h"

namespace Kelvane {
namespace testing_support {

// A description; an empty map keeps the identity.
inline ImageBufferInfo describe(uint32_t colorSpace, uint32_t sampleType, int32_t bits, int32_t stride,
                                uint32_t order = 0, std::initializer_list<uint32_t> map = {}) {
  ImageBufferInfo info;
  info.setColorSpace(colorSpace);
  info.setPixelStride(stride);
  info.sampleType = sampleType;
  info.bitsPerSample = bits;
  info.order = order;
  if (map.size() != 0) info.setSampleMap(std::data(map));
  return info;
}

// An image of width x height pixels laid out by `info`: interleaved pixels of
// pixelStride samples in rows of `rowPadding` extra samples, or (order 1)
// one plane per band, the planes `planeSamples` apart, which the map names.
template <typename T>
struct TestImage {
  TestImage(uint32_t columns, uint32_t rows, const ImageBufferInfo& description, uint32_t rowPadding = 0)
      : width(columns), height(rows), info(description) {
    const uint32_t rowSamples = (info.order != 0 ? columns : columns * info.pixelStride) + rowPadding;
    rowStride = rowSamples * sizeof(T);
    uint32_t span = rows * rowSamples;
    for (uint8_t band = 0; band < info.bandCount(); ++band) {
      const uint32_t reach = info.sampleMap()[band] + (info.order != 0 ? rows * rowSamples : 1);
      if (reach > span) span = reach;
    }
    samples.assign(span + 16, T(0xA5));
  }

  size_t offsetOf(uint32_t x, uint32_t y, uint8_t band) const {
    const size_t step = info.order != 0 ? 1 : static_cast<size_t>(info.pixelStride);
    return y * (rowStride / sizeof(T)) + x * step + info.sampleMap()[band];
  }
  T& at(uint32_t x, uint32_t y, uint8_t band) { return samples[offsetOf(x, y, band)]; }
  T at(uint32_t x, uint32_t y, uint8_t band) const { return samples[offsetOf(x, y, band)]; }
  T* data() { return samples.data(); }

  // Fills every band of every pixel with a value made from its place.
  void fillDistinct() {
    for (uint32_t y = 0; y < height; ++y) {
      for (uint32_t x = 0; x < width; ++x) {
        for (uint8_t b = 0; b < info.bandCount(); ++b) at(x, y, b) = static_cast<T>(x * 7 + y * 131 + b * 29 + 1);
      }
    }
  }

  uint32_t width;
  uint32_t height;
  uint32_t rowStride = 0;  // bytes
  ImageBufferInfo info;
  std::vector<T> samples;
};

// The code of the KxUtilException `operation` raises; 0 when it raises none.
template <typename Operation>
uint32_t raisedCode(Operation&& operation) {
  try {
    operation();
  } catch (const KxUtilException& raised) {
    return raised.code();
  }
  return 0;
}

}  // namespace testing_support
}  // namespace Kelvane

#endif  // KELVANE_TESTS_RASTER_RASTER_TEST_SUPPORT_H
