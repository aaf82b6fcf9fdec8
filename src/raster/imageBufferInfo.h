// ImageBufferInfo: the raster library's description of one buffer of pixels,
// namely its colour space, sample type and width, and where each band's
// sample lies inside a pixel.
#ifndef KELVANE_RASTER_IMAGE_BUFFER_INFO_H
#define KELVANE_RASTER_IMAGE_BUFFER_INFO_H

#include <cstdint>

#include "raster/colorSpaceCodes.h"

namespace Kelvane {

class ImageBufferInfo {
 public:
  // RGB, 8 bits, three samples per pixel, identity sample map.
  ImageBufferInfo();
  // Copies every field and gives the copy a map of its own.
  ImageBufferInfo(const ImageBufferInfo& other);
  ImageBufferInfo& operator=(const ImageBufferInfo& other);
  virtual ~ImageBufferInfo();

  // Bytes of one sample of sampleType (0 for an unknown code).
  uint32_t sampleSize() const { return sampleSizeOf(sampleType); }
  uint8_t bandCount() const { return bands(colorSpace_); }
  uint32_t colorSpace() const { return colorSpace_; }

  // Stores the code, keeps pixelStride only when it still holds every band
  // (a greyscale description always gets 1), and resets the map to identity.
  void setColorSpace(uint32_t colorSpace);
  void setPixelStride(int32_t samples) { pixelStride = samples; }
  // Replaces the map with bandCount() entries copied from `source`, or with
  // the identity when `source` is null. Raises KxUtilException(KX_STATUS_OUT_OF_MEMORY) when the
  // map cannot be allocated; the description then has no map.
  void setSampleMap(const uint32_t* source = nullptr);
  // Offset in samples of band i's sample from the pixel's first sample;
  // null only after a failed allocation.
  const uint32_t* sampleMap() const { return sampleMap_; }

  // Equal layouts: every field but sampleType, and the first
  // min(pixelStride, bands) map entries.
  bool operator==(const ImageBufferInfo& other) const;
  bool operator!=(const ImageBufferInfo& other) const { return !(*this == other); }

  uint32_t order = 0;  // 0 band-interleaved, otherwise band-sequential

 private:
  uint32_t colorSpace_ = kColorSpaceRGB;

 public:
  int32_t bitsPerSample = 8;  // significant bits; integer values span 0 .. 2^bits - 1
  int32_t pixelStride = 3;    // samples from one pixel to the next (interleaved)
  uint32_t alignment = 1;     // 1, 2, 4 or 8

 private:
  uint32_t* sampleMap_ = nullptr;  // owned; bandCount() entries

 public:
  int32_t rowBytes = -1;  // bytes per row; -1 when not given
  uint32_t sampleType = kSampleUInt8;

 private:
  void copyFields(const ImageBufferInfo& other);
};

}  // namespace Kelvane

#endif  // KELVANE_RASTER_IMAGE_BUFFER_INFO_H
