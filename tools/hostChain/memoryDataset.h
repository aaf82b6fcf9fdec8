// Rendered samples shown to GDAL as an in-memory dataset, without a copy,
// so that any GDAL driver can write them.
#ifndef KX_HOST_CHAIN_MEMORY_DATASET_H
#define KX_HOST_CHAIN_MEMORY_DATASET_H

#include <gdal.h>

#include <cstdint>
#include <string>

namespace kxhost {

// Pixel-interleaved samples of a host sample type in memory the caller owns.
struct SampleView {
  const uint8_t* bits = nullptr;
  int width = 0;
  int height = 0;
  uint32_t bands = 0;
  uint32_t type = 0;  // host sample type
  int64_t pixelStep = 0;
  int64_t rowStep = 0;
};

// A MEM dataset whose bands are views of `samples` (which must outlive it);
// the caller closes it. Null with a one-line reason.
GDALDatasetH WrapSamplesInMemory(const SampleView& samples, std::string* error);

}  // namespace kxhost

#endif  // KX_HOST_CHAIN_MEMORY_DATASET_H
