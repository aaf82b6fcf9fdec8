// Shared helpers of the raster library tests: descriptions built in one call,
// a small lookup table, images in any layout addressed by (column, row,
// band), and the status code an operation raises.
#ifndef KELVANE_TESTS_RASTER_RASTER_TEST_SUPPORT_H
#define KELVANE_TESTS_RASTER_RASTER_TEST_SUPPORT_H

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "kelvane/kx_exception.h"
#include "raster/clut.h"
#include "raster/imageBufferInfo.h"
#include "raster/imageTransformer.h"
#include "raster/nearestColorFinder.h"
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

// Four RGB entries black, red, blue, white, padded to four samples, stored as
// B, G, R and searched by the nearest-colour finder.
inline Clut paddedBgrTable() {
  const E entries[] = {0, 0, 0, 9, 0, 0, 255, 9, 255, 0, 0, 9, 255, 255, 255, 9};
  Clut table;
  table.setEntries(describe(kColorSpaceRGB, kSampleUInt8, 8, 4, 0, {2, 1, 0}), entries, 4);
  table.setEntryFinder(new NearestColorFinder(table));
  return table;
}

// An image of width x height pixels laid out by `info`: interleaved pixels of
// pixelStride samples in rows of `rowPadding` extra samples, or (order 1)
// one plane per band starting where the map says. Every sample starts as
// 0xA5, so that samples nobody should write can be checked.
template <typename T>
struct TestImage {
  TestImage(uint32_t columns, uint32_t rows, const ImageBufferInfo& description, uint32_t rowPadding = 0)
      : width(columns), height(rows), info(description) {
    const uint32_t rowSamples = (info.order != 0 ? columns : columns * info.pixelStride) + rowPadding;
    rowStride = rowSamples * sizeof(T);
    const uint32_t* map = info.sampleMap();
    samples.assign(rows * rowSamples + *std::max_element(map, map + info.bandCount()) + 16, T(0xA5));
  }

  T& at(uint32_t x, uint32_t y, uint8_t band) {
    const size_t step = info.order != 0 ? 1 : static_cast<size_t>(info.pixelStride);
    return samples[y * (rowStride / sizeof(T)) + x * step + info.sampleMap()[band]];
  }
  T* data() { return samples.data(); }
  std::vector<T> head(size_t count) const { return std::vector<T>(samples.begin(), samples.begin() + count); }

  // Transforms `source` into this image with `transformer`.
  template <typename Src>
  void transformFrom(ImageTransformer& transformer, TestImage<Src>& source) {
    transformer.setDestinationRaster(data(), width, height, rowStride, info);
    transformer.setSourceRaster(source.data(), source.width, source.height, source.rowStride, source.info);
    transformer.transform();
  }

  // Fills every band of every pixel, in row order, with a value made from its
  // place that 8-bit samples repeat only every 65536 samples.
  void fillDistinct() {
    const uint8_t bands = info.bandCount();
    for (uint32_t i = 0; i < width * height * bands; ++i) {
      at(i / bands % width, i / bands / width, i % bands) = static_cast<T>(i * 7 + i / 256 + 1);
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
